# The Windows build's libraries, under the same target names as on Linux:
# zlib from libz-mingw-w64-dev, and minizip, libogg, libvorbis and
# libjpeg-turbo cross-built from Debian's source packages by
# scripts/build-windows-deps.sh into VELMORA_WINDOWS_DEPS (kept between
# builds; the script rebuilds only when the source versions change).
set(VELMORA_WINDOWS_DEPS "${CMAKE_BINARY_DIR}/deps" CACHE PATH
    "Where the cross-built static libraries are kept")
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-windows-deps.sh ${VELMORA_WINDOWS_DEPS}
  RESULT_VARIABLE deps_result)
if(NOT deps_result EQUAL 0)
  message(FATAL_ERROR "Cross-building the Windows libraries failed (${deps_result})")
endif()

find_package(Threads REQUIRED)

# velmora_imported_library(TARGET LIBRARY... [INCLUDE dir...])
function(velmora_imported_library target)
  cmake_parse_arguments(ARG "" "" "LIBRARIES;INCLUDE" ${ARGN})
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    INTERFACE_LINK_LIBRARIES "${ARG_LIBRARIES}"
    INTERFACE_INCLUDE_DIRECTORIES "${ARG_INCLUDE}")
endfunction()

set(deps ${VELMORA_WINDOWS_DEPS})
set(mingw /usr/x86_64-w64-mingw32)
velmora_imported_library(ZLIB::ZLIB LIBRARIES ${mingw}/lib/libz.a INCLUDE ${mingw}/include)
velmora_imported_library(PkgConfig::MINIZIP
  LIBRARIES ${deps}/lib/libminizip.a ZLIB::ZLIB INCLUDE ${deps}/include/minizip)
velmora_imported_library(PkgConfig::VORBIS
  LIBRARIES ${deps}/lib/libvorbisfile.a ${deps}/lib/libvorbis.a ${deps}/lib/libogg.a
  INCLUDE ${deps}/include)
velmora_imported_library(JPEG::JPEG LIBRARIES ${deps}/lib/libjpeg.a INCLUDE ${deps}/include)
