#!/usr/bin/env bash
# Builds Taviro Start for 64-bit Windows and its installer:
#
#   tools/windows/build.sh [BUILD_DIR]        (default: build-windows)
#
# 1. Qt 6.4.2 for mingw in /opt/qt6.4.2-mingw64 (tools/windows/build-qt.sh: the prebuilt archive
#    qt6.4.2-mingw64-2.tar.xz from ../shared/qt-mingw, or $TAVIRO_QT_MINGW_ARCHIVE, else built
#    from source);
# 2. the programs and the unit tests of the portable libraries, cross-built with mingw-w64;
# 3. the install folder BUILD_DIR/stage: programs, Qt's DLLs and plugins, the C++ runtime, data,
#    Qt's translations, licences;
# 4. BUILD_DIR/taviro-start-x64.msi, made from whatever the install folder holds, with the
#    programs' icon and the close helper from BUILD_DIR/msi (packaging/windows/make-msi.sh).
# Then "ctest --test-dir BUILD_DIR" runs the unit tests and the installer's journey under wine.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
qt=/opt/qt6.4.2-mingw64
jobs=${TAVIRO_JOBS:-$(nproc)}
started=$SECONDS

say() { echo "build-windows: $*" >&2; }
die() { say "$*"; exit 1; }

missing=()
for tool in cmake python3 wixl msibuild rsvg-convert x86_64-w64-mingw32-g++-win32; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
((${#missing[@]} == 0)) || die "needed but not found: ${missing[*]} (install tools/debian-packages-tests.txt)"

"$root/tools/windows/build-qt.sh" || die "no Qt for mingw in $qt: give the prebuilt archive \
(../shared/qt-mingw/qt6.4.2-mingw64-2.tar.xz or TAVIRO_QT_MINGW_ARCHIVE) or what building it from \
source needs (see tools/windows/build-qt.sh --help)"

if [[ ! -f "$build/CMakeCache.txt" ]]; then
    generator=(-G "Unix Makefiles")
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
fi
cmake --build "$build" -j"$jobs"

stage=$build/stage
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" --strip >/dev/null

msi=$build/taviro-start-x64.msi
"$root/packaging/windows/make-msi.sh" "$build" "$msi"
say "$msi: $(du -h "$msi" | cut -f1), built in $((SECONDS - started)) s"
