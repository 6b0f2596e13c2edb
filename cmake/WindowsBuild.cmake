# Settings of the Windows tree (cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake).
# Narrow-string Win32 throughout, the C and C++ runtimes linked in, so the
# saver needs no DLL that Windows does not have.
enable_language(RC)
add_compile_definitions(WINVER=0x0501 _WIN32_WINNT=0x0501)
add_link_options(-static -static-libgcc -static-libstdc++)

# The Linux build whose host tools make what the Windows tree cannot run:
# velmora-mediagen (Media.dat) and velmora-rcgen (the resource script).
set(VELMORA_HOST_BUILD "" CACHE PATH "A Linux build folder with velmora-mediagen and velmora-rcgen")
if(NOT VELMORA_HOST_BUILD)
  message(FATAL_ERROR "Set VELMORA_HOST_BUILD to a Linux build folder (scripts/build-windows.sh does)")
endif()
set(VELMORA_MEDIAGEN ${VELMORA_HOST_BUILD}/tools/mediagen/velmora-mediagen)
set(VELMORA_RCGEN ${VELMORA_HOST_BUILD}/tools/rcgen/velmora-rcgen)
