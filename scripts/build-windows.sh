#!/bin/sh
# Builds the Windows side into build-win/: the plug-in Twilightomator.8bf and
# the command-line host twilightomator.exe, cross-built with mingw-w64. The
# dialog's artwork is rendered into the plug-in's resources with the build
# machine's librsvg; the dialog tests run under Wine on Xvfb with xdotool.
#
# libjpeg-turbo, libpng and libtiff for Windows are built here from Debian's
# own source packages, at the source versions of the Linux libraries this
# machine builds against, so that both builds decode and encode alike; zlib
# comes from Debian's mingw-w64 package. They are built once and kept in
# build-win/deps/ (delete that folder to build them again).
#
# Packages (the cross compiler, Wine, the source entries) are installed with
# apt-get when something is missing; TWL_NO_INSTALL=1 skips that step.
set -e
cd "$(dirname "$0")/.."
ROOT="$(pwd)"
OUT="$ROOT/build-win"
DEPS="$OUT/deps"
PREFIX="$DEPS/prefix"
JOBS="${JOBS:-2}"
TRIPLE=x86_64-w64-mingw32
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
NICE="nice -n 10"

install_packages() {
    export DEBIAN_FRONTEND=noninteractive
    # The libraries' sources come from the same archive as the binaries.
    if ! grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
                > /etc/apt/sources.list.d/debian-src.sources
        else
            sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/debian-src.list
        fi
    fi
    apt-get update
    apt-get install -y --no-install-recommends \
        cmake dpkg-dev nasm \
        g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
        mingw-w64-x86-64-dev libz-mingw-w64-dev \
        libjpeg62-turbo-dev libpng-dev libtiff-dev nlohmann-json3-dev libgtest-dev \
        wine64 wine imagemagick \
        pkg-config librsvg2-dev xvfb xdotool
}

# The Debian source version of the Linux library the native build uses.
source_version() {
    dpkg-query -W -f='${source:Version}' "$1"
}

# Unpacks source package $1 at version $2 into $DEPS/src/$1 (once).
fetch_source() {
    if [ -d "$DEPS/src/$1" ]; then return; fi
    mkdir -p "$DEPS/download"
    # The exact version when the archive still has it, else another Debian
    # revision of the same upstream release.
    upstream="${2%-*}"
    for version in "$2" $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -r); do
        case "$version" in "$upstream"-*) ;; *) continue ;; esac
        rm -f "$DEPS/download/$1"_*.dsc
        if (cd "$DEPS/download" && apt-get source --download-only "$1=$version"); then break; fi
    done
    if ! ls "$DEPS/download/$1"_*.dsc > /dev/null 2>&1; then
        echo "no source of $1 $upstream can be had" >&2
        exit 1
    fi
    # The unpacked tree, with Debian's patches applied.
    (cd "$DEPS/download" && dpkg-source -x "$(ls "$1"_*.dsc | head -n 1)" "$DEPS/src/$1.tmp")
    mv "$DEPS/src/$1.tmp" "$DEPS/src/$1"
}

# Configures, builds and installs one CMake project into $PREFIX (once per version).
build_library() {
    name="$1"; version="$2"; shift 2
    stamp="$PREFIX/.built-$name"
    # Built again when the version or an option changes.
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version $*" ]; then return; fi
    fetch_source "$name" "$version"
    rm -rf "$DEPS/build/$name"
    $NICE cmake -S "$DEPS/src/$name" -B "$DEPS/build/$name" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DTWL_WINDOWS_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_POLICY_DEFAULT_CMP0074=NEW -DBUILD_SHARED_LIBS=OFF "$@"
    $NICE cmake --build "$DEPS/build/$name" -j"$JOBS"
    cmake --install "$DEPS/build/$name"
    echo "$version $*" > "$stamp"
}

all_installed() {
    for command in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres nasm dpkg-source wine convert \
                   pkg-config Xvfb xdotool; do
        command -v "$command" > /dev/null 2>&1 || return 1
    done
    # The artwork is rendered for the resources with the build machine's librsvg.
    pkg-config --exists librsvg-2.0 cairo || return 1
    [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] && grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/
}
if [ "${TWL_NO_INSTALL:-}" != 1 ] && ! all_installed; then install_packages; fi
mkdir -p "$PREFIX/include" "$PREFIX/lib" "$DEPS/src"

ZLIB="-DZLIB_LIBRARY=/usr/$TRIPLE/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$TRIPLE/include"
build_library libjpeg-turbo "$(source_version libjpeg62-turbo-dev)" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DWITH_JPEG8=OFF
# shellcheck disable=SC2086
build_library libpng1.6 "$(source_version libpng-dev)" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF $ZLIB
# libtiff with deflate only (what the host writes), no other codec libraries,
# and the C runtime's file descriptors (the host hands it one).
# shellcheck disable=SC2086
build_library tiff "$(source_version libtiff-dev)" \
    -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dtiff-opengl=OFF -Dcxx=OFF \
    -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlerc=OFF \
    -Dlibdeflate=OFF -Dpixarlog=OFF -Dzlib=ON -Dwin32-io=OFF $ZLIB

# GoogleTest for the Windows platform suite, from the sources that Debian's
# libgtest-dev ships.
mkdir -p "$DEPS/src"
[ -e "$DEPS/src/googletest" ] || ln -s /usr/src/googletest "$DEPS/src/googletest"
build_library googletest "$(dpkg-query -W -f='${Version}' libgtest-dev)" \
    -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON

# The JSON library is header-only: its headers and package files, placed in
# the Windows prefix so that no Linux include folder reaches the cross compiler.
if [ ! -d "$PREFIX/include/nlohmann" ]; then
    cp -r /usr/include/nlohmann "$PREFIX/include/"
    mkdir -p "$PREFIX/share/cmake"
    cp -r /usr/share/cmake/nlohmann_json "$PREFIX/share/cmake/"
fi

$NICE cmake -S . -B "$OUT" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DTWL_WINDOWS_PREFIX="$PREFIX" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWL_TESTS=ON -DTWL_BENCH=OFF \
    -DZLIB_LIBRARY="/usr/$TRIPLE/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$TRIPLE/include"
$NICE cmake --build "$OUT" -j"$JOBS" --target twilightomator_plugin twilightomator test_platform \
    test_kernels test_effect
echo "Windows build in $OUT/bin: Twilightomator.8bf, twilightomator.exe, test_platform.exe, test_kernels.exe," \
    "test_effect.exe"
