#!/usr/bin/env bash
# Runs a cross-built Windows program under wine; the Windows build's CTest uses it as its
# emulator, so the unit tests run as they would on Windows.
# Usage: wine-run.sh PREFIX DLL_FOLDERS PROGRAM [ARGUMENTS...]
#   PREFIX       the wine prefix, made on first use and shared by every test of the build
#   DLL_FOLDERS  ':'-separated Linux folders holding the DLLs the program loads (Qt, C++ runtime)
set -euo pipefail
prefix=${1:?usage: wine-run.sh PREFIX DLL_FOLDERS PROGRAM [ARGUMENTS...]}
dll_folders=${2:?usage: wine-run.sh PREFIX DLL_FOLDERS PROGRAM [ARGUMENTS...]}
shift 2
command -v wine >/dev/null || { echo "wine-run: wine is not installed" >&2; exit 127; }

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or browser engine installer dialogs when the prefix is made, and no debugger that
# waits for a user when a program crashes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
windows_folders=()
IFS=':' read -ra folders <<<"$dll_folders"
for folder in "${folders[@]}"; do
    [[ -n "$folder" ]] && windows_folders+=("Z:${folder//\//\\}")
done
WINEPATH=$(IFS=';'; echo "${windows_folders[*]}")
export WINEPATH

# Tests started side by side must not each make the prefix. wine hands no QT_* variable of the
# Linux environment to Windows programs: the prefix's own environment holds what the tests need
# (no window system, and QtTest's report on standard output rather than the debugger's).
mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [[ ! -f "$prefix/.taviro-ready" ]]; then
        timeout 180 wineboot --init >/dev/null 2>&1 || true
        for setting in QT_QPA_PLATFORM=offscreen QT_FORCE_STDERR_LOGGING=1; do
            timeout 60 wine reg add 'HKCU\Environment' /v "${setting%%=*}" /t REG_SZ \
                /d "${setting#*=}" /f >/dev/null 2>&1
        done
        timeout 60 wineserver -w || true
        touch "$prefix/.taviro-ready"
    fi
) 9>"$prefix.lock"
# wine's server and services outlive the program and keep whatever it was given as output open:
# a caller that reads the output through a pipe (CTest) would wait for them. The program writes
# into files instead, handed on when it ends.
output=$(mktemp)
errors=$(mktemp)
trap 'rm -f "$output" "$errors"' EXIT
status=0
wine "$@" <&0 >"$output" 2>"$errors" || status=$?
cat "$output"
cat "$errors" >&2
exit "$status"
