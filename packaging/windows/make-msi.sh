#!/usr/bin/env bash
# Makes the MSI from a Windows build's install folder (BUILD_DIR/stage) and the parts it carries
# beside it (BUILD_DIR/msi: the programs' icon, the close helper):
#
#   packaging/windows/make-msi.sh BUILD_DIR OUTPUT.msi [VERSION]
#
# VERSION defaults to the project's. make-wxs.py writes the WiX source and the SQL statements
# that finish what wixl cannot say; the MSI appears at OUTPUT only once it is whole.
set -euo pipefail

build=${1:?usage: make-msi.sh BUILD_DIR OUTPUT.msi [VERSION]}
msi=${2:?usage: make-msi.sh BUILD_DIR OUTPUT.msi [VERSION]}
here=$(cd "$(dirname "$0")" && pwd)
setting() { sed -n "s/^$1:STATIC=//p" "$build/CMakeCache.txt"; }
version=${3:-$(setting CMAKE_PROJECT_VERSION)}
msi=$(realpath -m "$msi")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$here/make-wxs.py" "$build/stage" --version "$version" \
    --homepage "$(setting CMAKE_PROJECT_HOMEPAGE_URL)" --icon "$build/msi/taviro-start.ico" \
    --close-helper "$build/msi/closeprograms.dll" --output "$work/taviro-start.wxs" \
    --finish "$work/finish.sql"
# wixl takes the files relative to the folder it runs in.
(cd "$build/stage" && wixl -a x64 -o "$work/taviro-start.msi" "$work/taviro-start.wxs")
finish=()
while IFS= read -r statement; do finish+=(-q "$statement"); done <"$work/finish.sql"
msibuild "$work/taviro-start.msi" "${finish[@]}"
mv "$work/taviro-start.msi" "$msi"
