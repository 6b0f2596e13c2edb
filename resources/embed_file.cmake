# Writes the bytes of INPUT as `const unsigned char NAME[]` into OUTPUT.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(APPEND ${OUTPUT} "const unsigned char ${NAME}[] = {${bytes}};\n")
