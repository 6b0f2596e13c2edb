#include "media/zip_cipher.h"

#include <zlib.h>

#include <type_traits>

static_assert(sizeof(z_crc_t) == sizeof(uint32_t) && std::is_unsigned_v<z_crc_t>);

ZipCipher::ZipCipher(const char* password)
    : crcTable(reinterpret_cast<const uint32_t*>(get_crc_table())) {
    for (const char* p = password; *p != '\0'; ++p) Update(static_cast<uint8_t>(*p));
}
