#!/usr/bin/env bash
# Qt 6.4.2 for 64-bit Windows (x86_64-w64-mingw32, win32 threads) at /opt/qt6.4.2-mingw64:
# qtbase, qtsvg, qtserialport and qtconnectivity, shared, release, built against Debian's own
# Qt 6.4.2 as host Qt.
#
#   tools/windows/build-qt.sh [ARCHIVE]     unpack a prebuilt archive of that install
#   tools/windows/build-qt.sh --from-source [--configure-only]
#
# The archive is ARCHIVE, else $TAVIRO_QT_MINGW_ARCHIVE, else qt6.4.2-mingw64-2.tar.xz in the
# shared folder beside the repository (../shared/qt-mingw); its checksum must be a known one, or
# $TAVIRO_QT_MINGW_SHA256 for an archive of one's own. An install unpacked from the same archive
# is kept as it is. A damaged library of an archive (tools/windows/pe.py) is built again from
# qtbase's source. Without an archive, or with --from-source, the same Qt is built from sources:
# qtbase from Debian's source package (fetched from the archive the machine's apt sources name,
# through a private sources list; /etc/apt is not touched), the other modules from the source
# archives in ../shared/qt-mingw/sources. That takes about an hour on 2 cores; --configure-only
# stops after qtbase is configured. Build folder: $TAVIRO_QT_BUILD_DIR
# (default /tmp/taviro-qt-mingw-build). TAVIRO_QT_MEND=0 names damaged libraries and fails
# instead of mending them (CI, whose archive is whole).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=/opt/qt6.4.2-mingw64
archive_name=qt6.4.2-mingw64-2.tar.xz
# The archives known here: the whole one, and the first, whose Qt6Widgets.dll and Qt6Test.dll
# are damaged and mended after unpacking.
known_sha256=(b22ce7aed7b5ce190a59e110934a972eeaa212a4e1818712420c234fa9f37216
    431f7771f69e63169ac6742f079b502873b6b73b530eaeb42357705488fc724f
    ${TAVIRO_QT_MINGW_SHA256:-})
shared=${TAVIRO_QT_MINGW_DIR:-$root/../shared/qt-mingw}
stamp=$prefix/.taviro-archive-sha256
qt_version=6.4.2
debian_qtbase=6.4.2+dfsg-10
host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake
jobs=${TAVIRO_JOBS:-$(nproc)}

say() { echo "build-qt: $*" >&2; }
die() { say "$*"; exit 1; }

from_source=0
configure_only=0
archive=${TAVIRO_QT_MINGW_ARCHIVE:-}
while (($#)); do
    case "$1" in
    --from-source) from_source=1 ;;
    --configure-only) configure_only=1; from_source=1 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) die "unknown option $1 (see --help)" ;;
    *) archive=$1 ;;
    esac
    shift
done
if ((!from_source)) && [[ -z "$archive" && -f "$shared/$archive_name" ]]; then
    archive=$shared/$archive_name
fi

# The modules a project build needs, each with its CMake package.
installed() {
    local module
    for module in Qt6 Qt6Widgets Qt6Svg Qt6SerialPort Qt6Bluetooth Qt6Network; do
        [[ -f "$prefix/lib/cmake/$module/${module}Config.cmake" ]] || return 1
    done
    [[ -f "$prefix/bin/Qt6Core.dll" && -f "$prefix/plugins/platforms/qwindows.dll" ]]
}

unpack() {
    local file=$1 sum
    [[ -f "$file" ]] || die "no archive at $file"
    sum=$(sha256sum "$file" | cut -d' ' -f1)
    [[ " ${known_sha256[*]} " == *" $sum "* ]] \
        || die "$file has checksum $sum, which is not a known archive's (${known_sha256[*]}); set TAVIRO_QT_MINGW_SHA256 to take it"
    if [[ -f "$stamp" && "$(cat "$stamp")" == "$sum" ]] && installed; then
        say "$prefix is already unpacked from this archive"
        mend_damage
        return
    fi
    # Unpacked beside the final place and moved in at once: an interrupted run leaves no half
    # install that a later run would take for a whole one.
    scratch=$(mktemp -d /opt/.qt6.4.2-mingw64.XXXXXX)
    trap 'rm -rf "$scratch"' EXIT
    say "unpacking $file"
    tar -xJf "$file" -C "$scratch"
    [[ -d "$scratch$prefix" ]] || die "$file does not hold $prefix"
    rm -rf "$prefix"
    mv "$scratch$prefix" "$prefix"
    echo "$sum" > "$stamp"
    installed || die "$prefix lacks modules after unpacking"
    say "Qt for mingw is in $prefix"
    mend_damage
}

# A DLL that lost bytes on the way loads wrongly or not at all. A damaged qtbase library is built
# again from its own sources against the libraries it uses, which are whole: its compile and link
# commands are taken from a configured qtbase tree, after the last library it depends on. Other
# damage is named; the deployment refuses such a file where a program needs it.
mend_damage() {
    local damaged file name work=${TAVIRO_QT_BUILD_DIR:-/tmp/taviro-qt-mingw-build}
    damaged=$(python3 "$root/tools/windows/pe.py" check "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll) \
        && return
    if [[ "${TAVIRO_QT_MEND:-1}" == 0 ]]; then
        echo "$damaged" | sed 's/^/  /' >&2
        die "damaged files in $prefix, and mending is off (TAVIRO_QT_MEND=0)"
    fi
    while read -r file; do
        name=$(basename "${file%%:*}")
        if [[ "$name" =~ ^Qt6(Core|Gui|Widgets|Network|Test)\.dll$ ]] && configure_qtbase "$work"; then
            mend_library "$work/build-qtbase" "$name" || say "could not mend $name"
        fi
    done <<<"$damaged"
    damaged=$(python3 "$root/tools/windows/pe.py" check "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll) \
        && return
    say "WARNING: damaged files in $prefix (rebuild Qt with --from-source, or unpack a mended archive):"
    echo "$damaged" | sed 's/^/  /' >&2
}

mend_library() {
    local tree=$1 name=$2 commands link
    say "mending $name: building it again from source"
    commands=$(mktemp)
    # Everything after the link of the last library it depends on belongs to this one.
    (cd "$tree" && ninja -t commands "bin/$name") \
        | awk -v own="-o bin/$name " '/ -o bin\/Qt6[A-Za-z]*\.dll / && index($0, own) == 0 { start = NR }
               { line[NR] = $0 } END { for (i = start + 1; i <= NR; ++i) print line[i] }' >"$commands"
    link=$(tail -n1 "$commands" | sed "s| lib/libQt6| $prefix/lib/libQt6|g")
    (
        cd "$tree"
        # Generated sources and scripts first, then the precompiled header, the objects side
        # by side, and the link against the archive's import libraries.
        grep -v -e 'g++-win32 ' -e 'windres ' -e 'preliminary_' -e 'IN_FILES=' "$commands" \
            | while read -r step; do
            bash -c "$step" >/dev/null
        done
        { grep -e '-o [^ ]*cmake_pch\.hxx\.gch' "$commands" || true; } | bash
        grep -e 'g++-win32 ' -e 'windres ' "$commands" \
            | grep -v -e '-o [^ ]*cmake_pch\.hxx\.gch' -e ' -shared ' \
            | xargs -d '\n' -P "$jobs" -I{} bash -c '{}'
        bash -c "$link"
    ) >"$tree/mend-$name.log" 2>&1 || { say "(log: $tree/mend-$name.log)"; rm -f "$commands"; return 1; }
    rm -f "$commands"
    x86_64-w64-mingw32-strip --strip-unneeded -o "$prefix/bin/$name" "$tree/bin/$name"
}

need() {
    local missing=() tool
    for tool in "$@"; do command -v "$tool" >/dev/null || missing+=("$tool"); done
    ((${#missing[@]} == 0)) || die "needed but not found: ${missing[*]}"
}

# The Debian archive the machine installs from, as its apt sources name it (either format): the
# site that serves the release itself, not its security or updates suites.
debian_site() {
    local suite=$1
    apt-get indextargets --format '$(SITE) $(RELEASE) $(COMPONENT)' 2>/dev/null \
        | awk -v suite="$suite" '$2 == suite && $3 == "main" { print $1; exit }'
}

# qtbase's source from Debian's archive, through a sources list of its own.
fetch_qtbase() {
    local work=$1 lists=$1/apt
    mkdir -p "$lists/lists/partial" "$lists/archives/partial"
    local uri suite
    suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [[ -n "$suite" ]] || die "/etc/os-release names no Debian release (VERSION_CODENAME)"
    uri=$(debian_site "$suite")
    [[ -n "$uri" ]] || die "the machine's apt sources (/etc/apt/sources.list, \
/etc/apt/sources.list.d) name no Debian archive for $suite main: add the one this machine installs \
from, or give the prebuilt archive"
    echo "deb-src $uri $suite main" > "$lists/sources.list"
    local apt_options=(-o "Dir::Etc::SourceList=$lists/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
        -o "Dir::State::Lists=$lists/lists" -o "Dir::Cache::Archives=$lists/archives")
    say "fetching Debian's qt6-base $debian_qtbase source from $uri"
    apt-get "${apt_options[@]}" update >/dev/null
    # Unpacked with Debian's own patches, as the prebuilt was.
    (cd "$work" && apt-get "${apt_options[@]}" source "qt6-base=$debian_qtbase" >/dev/null)
    mv "$work/qt6-base-${debian_qtbase%-*}" "$work/qtbase-src"
}

# qtbase's source, mended and configured as the prebuilt was, in $1/build-qtbase.
configure_qtbase() {
    local work=$1 src=$1/qtbase-src
    [[ -f "$work/build-qtbase/build.ninja" ]] && return
    need x86_64-w64-mingw32-g++-win32 ninja cmake apt-get dpkg-source patch
    mkdir -p "$work"
    [[ -d "$src" ]] || fetch_qtbase "$work"
    if [[ ! -f "$src/.taviro-patched" ]]; then
        # Without Direct2D the windows platform plugin must not ask for the DirectWrite font
        # database, which QtGui then does not build.
        patch -d "$src/src/plugins/platforms/windows" -p0 --forward \
            < "$root/tools/windows/qwindows-no-direct2d.patch"
        touch "$src/.taviro-patched"
    fi
    # Qt's generated toolchain file names the one Qt was built with: it lives in the prefix.
    mkdir -p "$prefix"
    [[ -f "$prefix/mingw-toolchain.cmake" ]] \
        || cp "$root/cmake/mingw-w64-x86_64.cmake" "$prefix/mingw-toolchain.cmake"
    mkdir -p "$work/build-qtbase"
    say "configuring qtbase (log: $work/build-qtbase/configure.log)"
    (cd "$work/build-qtbase" && "$src/configure" -prefix "$prefix" -release -shared \
        -qt-host-path /usr -xplatform win32-g++ \
        -nomake examples -nomake tests -no-opengl -no-dbus -no-feature-sql \
        -no-feature-printsupport -no-feature-concurrent -no-feature-xml -no-feature-tabletevent \
        -no-feature-vulkan -no-feature-direct2d -no-icu -qt-zlib -qt-libpng -qt-libjpeg \
        -qt-freetype -qt-harfbuzz -qt-pcre -no-openssl -- -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-toolchain.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" >configure.log 2>&1)
}

build_module() {
    local name=$1 source=$2 work=$3
    say "building $name"
    mkdir -p "$work/build-$name"
    (cd "$work/build-$name" && "$prefix/bin/qt-configure-module" "$source" -- -G Ninja >configure.log 2>&1) \
        || die "$name: configure failed (see $work/build-$name/configure.log)"
    cmake --build "$work/build-$name" -j"$jobs"
    cmake --install "$work/build-$name" --strip
}

from_sources() {
    need x86_64-w64-mingw32-g++-win32 ninja cmake apt-get dpkg-source patch tar
    [[ -x /usr/lib/qt6/libexec/moc || -x /usr/lib/qt6/bin/moc ]] \
        || die "the host Qt tools are missing (Debian packages qt6-base-dev, qt6-base-dev-tools)"
    local work=${TAVIRO_QT_BUILD_DIR:-/tmp/taviro-qt-mingw-build} module
    for module in qtsvg qtserialport qtconnectivity; do
        [[ -f "$shared/sources/$module-$qt_version.tar.xz" ]] \
            || die "no $module source at $shared/sources/$module-$qt_version.tar.xz"
    done
    configure_qtbase "$work" || die "qtbase: configure failed (see $work/build-qtbase/configure.log)"
    if ((configure_only)); then
        say "stopping after the configuration (--configure-only)"
        return
    fi
    cmake --build "$work/build-qtbase" -j"$jobs"
    # From here on the prefix no longer holds what an archive gave it.
    rm -f "$stamp"
    cmake --install "$work/build-qtbase" --strip
    for module in qtsvg qtserialport qtconnectivity; do
        [[ -d "$work/$module-src" ]] || {
            mkdir -p "$work/$module-src"
            tar -xJf "$shared/sources/$module-$qt_version.tar.xz" -C "$work/$module-src" \
                --strip-components=1
        }
        build_module "$module" "$work/$module-src" "$work"
    done
    installed || die "$prefix lacks modules after the build"
    say "Qt for mingw is in $prefix"
}

if ((from_source)) || [[ -z "$archive" ]]; then
    if ((!from_source)) && installed; then
        say "no archive given; using the Qt already in $prefix"
        mend_damage
        exit 0
    fi
    from_sources
else
    unpack "$archive"
fi
