#!/usr/bin/env bash
# Runs a cross-built Windows program under wine; the Windows build's CTest uses it as its
# emulator, so the unit tests run as they would on Windows.
# Usage: wine-run.sh PREFIX DLL_FOLDERS PROGRAM [ARGUMENTS...]
#   PREFIX       the wine prefix, made on first use and shared by every test of the build
#   DLL_FOLDERS  ';'-separated Linux folders holding the DLLs the program loads (Qt, C++ runtime)
set -euo pipefail
prefix=${1:?usage: wine-run.sh PREFIX DLL_FOLDERS PROGRAM [ARGUMENTS...]}
dll_folders=${2:?usage: wine-run.sh PREFIX DLL_FOLDERS PROGRAM [ARGUMENTS...]}
shift 2
command -v wine >/dev/null || { echo "wine-run: wine is not installed" >&2; exit 127; }

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or browser engine installer dialogs when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
windows_folders=()
IFS=';' read -ra folders <<<"$dll_folders"
for folder in "${folders[@]}"; do
    [[ -n "$folder" ]] && windows_folders+=("Z:${folder//\//\\}")
done
WINEPATH=$(IFS=';'; echo "${windows_folders[*]}")
export WINEPATH

# Tests started side by side must not each make the prefix.
mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [[ ! -f "$prefix/system.reg" ]]; then
        timeout 180 wineboot --init >/dev/null 2>&1 || true
        timeout 60 wineserver -w || true
    fi
) 9>"$prefix.lock"
exec wine "$@"
