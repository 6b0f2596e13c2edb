#!/usr/bin/env bash
# Cross-builds the C libraries the Windows saver links statically, from
# Debian's own source packages: minizip (zlib's contrib/minizip), libogg,
# libvorbis with vorbisfile, and libjpeg-turbo. zlib itself comes built from
# libz-mingw-w64-dev. Usage: build-windows-deps.sh PREFIX
#
# PREFIX gets include/ and lib/ (the CMake toolchain looks there) and a
# stamp naming the source versions; a PREFIX whose stamp matches is kept as
# it is, so a second run costs nothing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
host=x86_64-w64-mingw32
packages=(libogg libvorbis zlib libjpeg-turbo)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get source needs a deb-src entry; Debian's images ship only deb ones.
sources=/etc/apt/sources.list.d/velmora-deb-src.sources
if ! apt-get source --print-uris libogg >/dev/null 2>&1; then
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$suite" | as_root tee "$sources" >/dev/null
  as_root apt-get update -qq
fi

versions=$(for p in "${packages[@]}"; do
  apt-get source --print-uris "$p" 2>/dev/null | awk '/\.dsc/ {print $2}'
done | tr '\n' ' ')
stamp="$prefix/stamp"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$versions" ]; then
  exit 0
fi

work="$prefix/src"
rm -rf "$work" "$prefix/include" "$prefix/lib"
mkdir -p "$work" "$prefix/include" "$prefix/lib"
cd "$work"
for p in "${packages[@]}"; do
  apt-get source -qq "$p" >/dev/null 2>&1 || apt-get source "$p"
done
jobs=$(nproc)
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
cflags="-O2"

# libogg and libvorbis: autotools, static only.
(cd libogg-*/ && ./configure -q --host=$host --prefix="$prefix" --disable-shared CFLAGS="$cflags" &&
   make -s -j "$jobs" && make -s install) >/dev/null
(cd libvorbis-*/ && ./configure -q --host=$host --prefix="$prefix" --disable-shared \
   --disable-docs --disable-examples --disable-oggtest \
   OGG_CFLAGS="-I$prefix/include" OGG_LIBS="-L$prefix/lib -logg" CFLAGS="$cflags" &&
   make -s -j "$jobs" -C lib && make -s -C lib install && make -s install-data-am \
   && make -s -C include install) >/dev/null

# minizip: the reading side and its file layer, against MinGW's zlib.
minizip=$(ls -d zlib-*/contrib/minizip)
mkdir -p "$prefix/include/minizip" minizip-build
for f in ioapi unzip; do
  $CC $cflags -c "$minizip/$f.c" -o "minizip-build/$f.o"
done
$AR rcs "$prefix/lib/libminizip.a" minizip-build/*.o
cp "$minizip"/ioapi.h "$minizip"/unzip.h "$minizip"/crypt.h "$prefix/include/minizip/"

# libjpeg-turbo: CMake with the project's own toolchain file.
cmake -S libjpeg-turbo-*/ -B jpeg-build -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF \
  -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >/dev/null
cmake --build jpeg-build -j "$jobs" >/dev/null
cmake --install jpeg-build >/dev/null

rm -rf "$work"
echo "$versions" > "$stamp"
