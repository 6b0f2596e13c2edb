#!/usr/bin/env bash
# Builds the Debian package of the Linux saver from a build folder:
#   scripts/package-deb.sh [BUILD_DIR] [OUT_DIR]
# (defaults: build/ and the build folder). The program goes to /usr/bin/velmora
# for /c and the other modes, with /usr/libexec/xscreensaver/velmora, where
# XScreenSaver looks for its hacks, linking to it; the media to
# /usr/share/velmora/, the hack's description to /usr/share/xscreensaver/config/,
# the manual page to section 6. Dependencies come from dpkg-shlibdeps. The
# user's settings live in the home folder and are never touched by the package.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=$(mkdir -p "${2:-$build}" && cd "${2:-$build}" && pwd)

version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
arch=$(dpkg --print-architecture)
deb="$out/velmora_${version}_${arch}.deb"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root="$stage/root"

cmake --build "$build" --target velmora media -j2 >/dev/null
DESTDIR="$root" cmake --install "$build" --prefix /usr --strip >/dev/null

mkdir -p "$root/usr/libexec/xscreensaver"
ln -s ../../bin/velmora "$root/usr/libexec/xscreensaver/velmora"
gzip -9n "$root/usr/share/man/man6/velmora.6"

doc="$root/usr/share/doc/velmora"
cat > "$doc/copyright" <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: velmora
Source: https://velmora.invalid/

Files: *
Copyright: 2026 The Velmora developers
License: other
 No licence has been chosen for Velmora yet: the authors keep every right
 until one is. This file says so rather than name a licence nobody granted.
COPYRIGHT
cat > "$stage/changelog" <<CHANGELOG
velmora ($version) unstable; urgency=medium

  * Debian package of the Linux saver, with its XScreenSaver hack.

 -- Velmora developers <velmora@velmora.invalid>  $(date -R -d @"${SOURCE_DATE_EPOCH:-$(date +%s)}")
CHANGELOG
gzip -9nc "$stage/changelog" > "$doc/changelog.gz"

# dpkg-shlibdeps reads the package's name from a debian/control beside it.
mkdir -p "$stage/debian"
printf 'Source: velmora\n\nPackage: velmora\nArchitecture: any\n' > "$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O -e"$root/usr/bin/velmora" 2>/dev/null |
          sed -n 's/^shlibs:Depends=//p')

mkdir -p "$root/DEBIAN"
cat > "$root/DEBIAN/control" <<CONTROL
Package: velmora
Version: $version
Architecture: $arch
Maintainer: Velmora developers <velmora@velmora.invalid>
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Suggests: xscreensaver
Section: x11
Priority: optional
Homepage: https://velmora.invalid/
Description: animated 3D lake screen saver
 A lake with an island tree that grows in and sways, water that reflects
 the scene, a day and a night sky, lights rising at night, a clock and an
 ambient ocean sound, drawn with OpenGL.
 .
 It runs as an XScreenSaver hack with its own settings page, and on its
 own with a configuration dialog (velmora /c).
CONTROL
(cd "$root" && find usr -type f -printf '%P\n' | sort | sed 's|^|usr/|' |
   xargs md5sum > DEBIAN/md5sums)
find "$root" -type d -exec chmod 0755 {} +
find "$root/usr" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/bin/velmora"

dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
