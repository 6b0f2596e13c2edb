# Libraries from Debian's packages (scripts/packages/*.list installs them).
# Targets are global so every folder links them by the same names.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
find_package(ZLIB REQUIRED)

pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET GLOBAL minizip)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET GLOBAL sdl2)
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET GLOBAL epoxy)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET GLOBAL gtk+-3.0)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET GLOBAL x11)
pkg_check_modules(XFIXES REQUIRED IMPORTED_TARGET GLOBAL xfixes)
pkg_check_modules(XDAMAGE REQUIRED IMPORTED_TARGET GLOBAL xdamage)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET GLOBAL freetype2)
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET GLOBAL ogg vorbis vorbisfile vorbisenc)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET GLOBAL libpng)
find_package(JPEG REQUIRED)
