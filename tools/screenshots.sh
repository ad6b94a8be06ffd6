#!/bin/bash
# Saves pictures of the main window into screenshots/ (git-ignored): a main program with several
# rows, a subprogram tab, and a broken cycle greyed out. The program runs under Xvfb at 1366x768
# with the built-in virtual controller and a prepared home folder, and grabs its own window.
#
#   tools/screenshots.sh [build folder]        (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
program=$build/bin/taviro-start
out=$root/screenshots
[ -x "$program" ] || { echo "taviro-start not found in $build/bin; build first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (Debian package xvfb)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

configuration='{"Motor1": 100, "Motor2": 100, "servocalibr": [],
  "pins": [{"pinLbl": "D5", "gadgetId": 40}, {"pinLbl": "D6", "gadgetId": 41},
           {"pinLbl": "D9", "gadgetId": 30}, {"pinLbl": "D3", "gadgetId": 70}]}'
always='{"type": "always"}'
button='{"type": "single", "data": [{"equation": "equals", "pin": "D2", "level": 1}]}'
light='{"type": "and", "data": [{"equation": "greater", "pin": "A1", "level": 100},
                               {"equation": "counter", "level": 3}]}'
fwd='{"conditions": '$always', "action": {"command": "m_fwd", "speed": 60, "timer": 1, "time": 2, "brake": 1}}'
left='{"conditions": '$button', "action": {"command": "m_left", "speed": 40, "timer": 0, "time": 0, "brake": 0}}'
led='{"conditions": '$light', "action": {"command": "mSetleds", "pin": "D9", "state": 1}}'
pause='{"conditions": '$always', "action": {"command": "mPause", "hour": 0, "minute": 1, "second": 5.5}}'
sound='{"conditions": '$always', "action": {"command": "mSound", "note": "C", "octave": "4", "time": "1"}}'
start='{"conditions": '$always', "action": {"command": "mStartCycle"}}'
end='{"conditions": '$always', "action": {"command": "mEndCycle"}}'
call1='{"conditions": '$always', "action": {"command": "call", "proc": 1}}'
call2='{"conditions": '$button', "action": {"command": "call", "proc": 2}}'
stop='{"conditions": '$always', "action": {"command": "m_stop", "brake": 1}}'

# shoot NAME TAB PROGDATA: one picture of the window with the given programs, tab TAB shown.
shoot() {
    local name=$1 tab=$2 programs=$3
    local home=$work/$name
    mkdir -p "$home/Lumakit/Programs"
    printf '{"Language": "English", "BluetoothDeviceName": "", "configuration": %s, "ProgData": %s}\n' \
        "$configuration" "$programs" >"$home/Lumakit/states.json"
    HOME=$home QT_LOGGING_RULES='*.debug=false' xvfb-run -a -s "-screen 0 1366x768x24" \
        "$program" --simulator --grab-window "$out/$name.png" --grab-delay 5000 --show-program "$tab"
    echo "$out/$name.png"
}

shoot main-program 0 "[[$start, $fwd, $left, $led, $sound, $pause, $end, $call1, $call2], [$stop], [$sound]]"
shoot subprogram 1 "[[$fwd, $call1, $call2], [$led, $pause, $sound, $stop], [$left]]"
shoot broken-cycle 0 "[[$fwd, $start, $left, $start, $pause, $end, $stop]]"
