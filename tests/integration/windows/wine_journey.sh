#!/bin/bash
# The life of the Windows installer under wine, in a fresh prefix:
#  1. "msiexec /i taviro-start-x64.msi /qn" installs it: the files are in Program Files, the
#     product is listed with its installation folder, icon and links, the Start-menu shortcut
#     has the programs' icon, "Open with" offers the editor for .json files without taking them;
#  2. the installed taviro-start.exe --simulator shows the editor at 1280x720 (its first frame is
#     timed, a picture of its window checked: not blank, the top menu drawn);
#  3. a rebuild of the same version installs over it: one product stays listed, the rebuild;
#  4. a newer version installs while the editor runs: the editor is asked to close and saves its
#     state, one product of the new version stays, nothing waits for a restart, and the folder
#     holds exactly what the package does; the first package is then refused as a downgrade;
#  5. the installed taviroc.exe lists COM9, a virtual controller (the Linux taviro-sim on a
#     pseudo-terminal linked as the prefix's com9) recorded as a paired robot's outgoing port, by
#     the robot's name, and leaves out its incoming port; it writes a 4 KB program to the virtual
#     controller and reads it back exactly;
#  6. the installed uninstall.exe /S removes the product, its folder and its Start-menu shortcut.
# Usage: wine_journey.sh MSI LINUX_TAVIRO_SIM BUILD_DIR   (BUILD_DIR: the Windows build, whose
# install folder makes the rebuild and the newer version; xvfb-run, from the Debian package
# xvfb, shows the editor)
set -u

msi=${1:?usage: wine_journey.sh MSI LINUX_TAVIRO_SIM BUILD_DIR}
sim=${2:?usage: wine_journey.sh MSI LINUX_TAVIRO_SIM BUILD_DIR}
build=${3:?usage: wine_journey.sh MSI LINUX_TAVIRO_SIM BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
started=$(date +%s%N)
product="Taviro Start"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

fail() {
    echo "FAIL: $*"
    [ -n "${log_unix:-}" ] && [ -f "$log_unix" ] && { echo "--- uninstall log:"; cat "$log_unix"; echo; }
    exit 1
}
ms() { echo $((($(date +%s%N) - $1) / 1000000)); }

[ -f "$msi" ] || fail "no installer at $msi: build it with tools/windows/build.sh"
[ -x "$sim" ] || fail "no Linux taviro-sim at $sim: build it with cmake --build build --target taviro-sim"
[ -d "$build/stage" ] || fail "no install folder in $build: build it with tools/windows/build.sh"
command -v wine >/dev/null && command -v wineserver >/dev/null || fail "wine is not installed"

work=$(mktemp -d /tmp/taviro-wine-journey.XXXXXX)
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY
sim_pid=
serial_pid=
running_pid=

finish() {
    for pid in $sim_pid $serial_pid $running_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    timeout 20 wineserver -k >/dev/null 2>&1
    timeout 20 wineserver -w >/dev/null 2>&1
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
    echo "wall time: $(ms "$started") ms"
}
trap finish EXIT

# The rebuild and the newer version, made while wine prepares its prefix.
IFS=. read -r major minor patch <<<"$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
version="$major.${minor:-0}.${patch:-0}"
newer="$major.${minor:-0}.$((${patch:-0} + 1))"
(
    "$root/packaging/windows/make-msi.sh" "$build" "$work/rebuild.msi" &&
        "$root/packaging/windows/make-msi.sh" "$build" "$work/newer.msi" "$newer"
) >"$work/make-msi.out" 2>&1 &
make_msi_pid=$!

ready=$(timeout 120 wine cmd /c echo ready 2>/dev/null | tr -d '\r')
[ "$ready" = "ready" ] || fail "wine cannot start a fresh prefix"
echo "prefix ready after $(ms "$started") ms"

# reg query's value of NAME under KEY ("(Default)": the key's own), or nothing.
value() {
    local which=(/v "$2")
    [ "$2" = "(Default)" ] && which=(/ve)
    timeout 20 wine reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' \
        | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
# The Uninstall keys that list the product.
listed() {
    timeout 20 wine reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' \
        | awk -v name="$product" '/^HKEY_/ { key = $0 }
            $1 == "DisplayName" && substr($0, index($0, "REG_SZ") + 6) ~ "^ *" name "$" { print key }'
}
# msiexec /i PACKAGE /qn with a log; its exit code.
install() {
    local status=0
    timeout 180 wine msiexec /i "$(winepath -w "$1")" /qn /l*v "$(winepath -w "$2")" \
        >/dev/null 2>&1 || status=$?
    echo "$status"
}
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }

# --- 1. Install -------------------------------------------------------------------------------
step=$(date +%s%N)
status=$(install "$msi" "$work/install.log")
[ "$status" = 0 ] || fail "msiexec /i ended with $status"
echo "installed in $(ms "$step") ms"
folder="$WINEPREFIX/drive_c/Program Files/$product"
for file in taviroc.exe taviro-sim.exe uninstall.exe Qt6Core.dll libstdc++-6.dll qt.conf \
    plugins/platforms/qwindows.dll translations/qtbase_ru.qm default.json LICENSE.txt \
    THIRD-PARTY-NOTICES.txt firmware/windows/prog2.bat worlds/01_track/line-follower.json; do
    [ -f "$folder/$file" ] || fail "not installed: $file"
done
for language in "$folder"/Languages/*/; do
    [ -f "$language/base.json" ] && ls "$language"/*.otf >/dev/null 2>&1 \
        || fail "language folder $language lacks base.json or the font"
done
key=$(listed)
[ "$(echo "$key" | grep -c .)" = 1 ] || fail "the product is listed $(echo "$key" | grep -c .) times under $uninstall_key"
location=$(value "$key" InstallLocation)
[ "${location%\\}" = "C:\\Program Files\\$product" ] \
    || fail "InstallLocation is \"$location\", not the installation folder"
homepage=$(sed -n 's/^CMAKE_PROJECT_HOMEPAGE_URL:STATIC=//p' "$build/CMakeCache.txt")
for link in HelpLink URLInfoAbout; do
    [ "$(value "$key" "$link")" = "$homepage" ] || fail "$link is \"$(value "$key" "$link")\", not $homepage"
done
# Apps & features takes the icon Windows Installer keeps for the product (ARPPRODUCTICON).
icon=$(timeout 20 wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null \
    | tr -d '\r' | sed -n "s/^ *ProductIcon *REG_SZ *//p" | grep -F "${key##*\\}" | head -n1)
cmp -s "$(winepath -u "$icon" 2>/dev/null)" "$build/msi/taviro-start.ico" \
    || fail "Apps & features shows no icon of the programs (ProductIcon \"$icon\")"
# The MSI asks for every user's Start menu; wine's installer puts it in the installing user's.
menu=$(find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/$product" -type d 2>/dev/null | head -n1)
[ -n "$menu" ] && [ -f "$menu/$product.lnk" ] || fail "no Start-menu shortcut"
shortcut_icon=$(strings -e l "$menu/$product.lnk" | grep -io '[a-z]:\\.*\.ico$' | head -n1)
[ -n "$shortcut_icon" ] && cmp -s "$(winepath -u "$shortcut_icon")" "$build/msi/taviro-start.ico" \
    || fail "the shortcut's icon is \"$shortcut_icon\", not the programs' icon"
classes='HKLM\Software\Classes'
timeout 20 wine reg query "$classes\\.json\\OpenWithProgids" /v TaviroStart.Program >/dev/null 2>&1 \
    || fail "\"Open with\" does not offer the editor for .json files"
[ "$(value "$classes\\.json" '(Default)')" != TaviroStart.Program ] \
    || fail "the editor took .json files as their default program"
case "$(value "$classes\\TaviroStart.Program\\shell\\open\\command" '(Default)')" in
    *"$product\\taviro-start.exe\" \"%1\"") ;;
    *) fail "\"Open with\" does not start the installed editor with the file" ;;
esac
echo "PASS: installed and listed as $key, with its icon, links, shortcut icon and \"Open with\""

# --- 2. The editor ----------------------------------------------------------------------------
# In a wine desktop of a school screen's size: a bare Xvfb screen is 1024x768 to wine. The user's
# saved state names the language, so the editor comes up at once rather than the language page.
command -v xvfb-run >/dev/null || fail "xvfb-run is not installed"
profile=$(winepath -u "$(wine cmd /c echo %USERPROFILE% 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r')
mkdir -p "$profile/Lumakit/Programs"
echo '{"Language": "English"}' >"$profile/Lumakit/states.json"
editor() {
    timeout 120 xvfb-run -a -s "-screen 0 1280x720x24" wine explorer /desktop=taviro,1280x720 \
        "C:\\Program Files\\$product\\taviro-start.exe" --simulator "$@" >>"$work/editor.out" 2>&1
}
step=$(date +%s%N)
editor --report-first-frame
timeout 20 wineserver -w >/dev/null 2>&1
first_frame_ms=$(ms "$step")
grep -q "^first frame" "$work/editor.out" || fail "the editor showed no frame: $(tr -d '\r' <"$work/editor.out")"
picture="$profile/first-frame.png"
editor --grab-window "$(winepath -w "$picture")" --grab-delay 4000
timeout 20 wineserver -w >/dev/null 2>&1
[ -f "$picture" ] || fail "the editor saved no picture of its window"
python3 "$here/check_frame.py" "$picture" 1200 650 || fail "the window is not the editor"
echo "PASS: the editor's first frame came $first_frame_ms ms after its start (wine included)"

# --- 3. A rebuild of the same version ---------------------------------------------------------
wait "$make_msi_pid" || fail "the rebuild and the newer package were not made: $(cat "$work/make-msi.out")"
step=$(date +%s%N)
status=$(install "$work/rebuild.msi" "$work/rebuild.log")
[ "$status" = 0 ] || fail "the rebuild's msiexec /i ended with $status"
key=$(listed)
[ "$(echo "$key" | grep -c .)" = 1 ] || fail "after the rebuild the product is listed $(echo "$key" | grep -c .) times"
[ "${key##*\\}" = "$(product_code "$work/rebuild.msi")" ] || fail "the rebuild did not replace the first package ($key)"
echo "PASS: a rebuild of $version replaced the installed one in $(ms "$step") ms"

# --- 4. A newer version while the editor runs, then the older one refused ---------------------
xvfb-run -a -s "-screen 0 1280x720x24" wine explorer /desktop=running,1280x720 \
    "C:\\Program Files\\$product\\taviro-start.exe" --simulator >"$work/running.out" 2>&1 &
running_pid=$!
for _ in $(seq 1 60); do pgrep -f '^C:.Program Files.Taviro Start.taviro-start\.exe' >/dev/null && break; sleep 0.5; done
pgrep -f '^C:.Program Files.Taviro Start.taviro-start\.exe' >/dev/null || fail "the editor did not start"
# Its window is up well after the first frame took the first time.
sleep $(((first_frame_ms + 3000) / 1000))
step=$(date +%s%N)
status=$(install "$work/newer.msi" "$work/newer.log")
[ "$status" = 0 ] || fail "the newer version's msiexec /i ended with $status (3010: files in use wait for a restart)"
if pgrep -f '^C:.Program Files.Taviro Start.taviro-start\.exe' >/dev/null; then fail "the editor still runs after the upgrade"; fi
wait "$running_pid" 2>/dev/null
running_pid=
python3 - "$profile/Lumakit/states.json" <<'PY' || fail "the editor did not save its state when it was asked to close"
import json, sys
state = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if len(state) > 1 else 1)
PY
key=$(listed)
[ "$(echo "$key" | grep -c .)" = 1 ] || fail "after the upgrade the product is listed $(echo "$key" | grep -c .) times"
[ "$(value "$key" DisplayVersion)" = "$newer" ] || fail "the listed version is $(value "$key" DisplayVersion), not $newer"
if timeout 20 wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations >/dev/null 2>&1; then
    fail "files wait for a restart: $(value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations)"
fi
diff <(cd "$build/stage" && find . -type f | sort) <(cd "$folder" && find . -type f | sort) \
    >"$work/folder.diff" || fail "the folder is not the package's: $(cat "$work/folder.diff")"
grep -a "CloseRunningPrograms: " "$work/newer.log" | tr -d '\r' | sed 's/^.*CloseRunningPrograms: /  close helper: /' | head -n 4
echo "PASS: $newer replaced $version with the editor running in $(ms "$step") ms: one version, nothing pending"
status=$(install "$msi" "$work/downgrade.log")
# A Linux exit status keeps the low byte of Windows' 1603 (ERROR_INSTALL_FAILURE): 67.
[ "$status" = 67 ] || [ "$status" = 1603 ] || fail "installing $version over $newer ended with $status, not 1603"
# wine's quiet installer does not log the message; the package names it for the one it refuses.
grep -aq "TAVIRO_NEWER_FOUND = {" "$work/downgrade.log" \
    || fail "the downgrade was not refused for the newer version installed"
msiinfo export "$msi" LaunchCondition | grep -q "A newer version of $product is already installed" \
    || fail "the package refuses a downgrade without a message"
[ "$(value "$(listed)" DisplayVersion)" = "$newer" ] || fail "the refused downgrade changed what is installed"
echo "PASS: $version is refused over $newer with the message"

# --- 5. COM ports and a program written and read back ----------------------------------------
# A robot behind a COM port: the Linux taviro-sim on a pseudo-terminal, linked as the prefix's
# com9. wine lists a COM port only when HARDWARE\DEVICEMAP\SERIALCOMM names it, as Windows'
# serial drivers do.
"$sim" --serial --serial-path "$work/robot" >"$work/serial-sim.out" 2>&1 &
serial_pid=$!
for _ in $(seq 1 50); do [ -e "$work/robot" ] && break; sleep 0.1; done
[ -e "$work/robot" ] || fail "taviro-sim did not open its serial port"
ln -sf "$work/robot" "$WINEPREFIX/dosdevices/com9"
timeout 20 wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v COM9 /t REG_SZ /d COM9 /f \
    >/dev/null 2>&1
# COM9 as the outgoing port of a paired robot and COM8 as the incoming one, as Windows' Bluetooth
# enumerator records them; wine's SetupAPI lists such devices from the registry.
enum='HKLM\System\CurrentControlSet\Enum\BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}'
for port in "COM9 _LOCALMFG&0002\\7&2A3B4C5D&0&98D331FB1A2C_C00000000" \
    "COM8 _LOCALMFG&0000\\7&2A3B4C5D&0&000000000000_00000000"; do
    device="$enum${port#* }"
    timeout 20 wine reg add "$device" /v ClassGUID /t REG_SZ \
        /d '{4d36e978-e325-11ce-bfc1-08002be10318}' /f >/dev/null 2>&1
    timeout 20 wine reg add "$device\\Device Parameters" /v PortName /t REG_SZ /d "${port%% *}" /f \
        >/dev/null 2>&1
    timeout 20 wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "${port%% *}" /t REG_SZ \
        /d "${port%% *}" /f >/dev/null 2>&1
done
ln -sf "$work/robot" "$WINEPREFIX/dosdevices/com8"
timeout 20 wine reg add 'HKLM\System\CurrentControlSet\Services\BTHPORT\Parameters\Devices\98d331fb1a2c' \
    /v Name /t REG_BINARY /d "$(printf 'Robo-17\0' | od -An -tx1 | tr -d ' \n')" /f >/dev/null 2>&1
taviroc() { timeout 120 wine "C:\\Program Files\\$product\\taviroc.exe" "$@"; }
taviroc scan >"$work/scan.out" 2>&1 || fail "taviroc scan failed: $(cat "$work/scan.out")"
tr -d '\r' <"$work/scan.out" | grep -qx "serial:COM9	Robo-17	paired 98:D3:31:FB:1A:2C" \
    || fail "taviroc scan does not list the robot on COM9: $(cat "$work/scan.out")"
if tr -d '\r' <"$work/scan.out" | grep -q "^serial:COM8	"; then
    fail "taviroc scan lists the robot's incoming port COM8"
fi
kill "$serial_pid" && wait "$serial_pid" 2>/dev/null
serial_pid=
echo "PASS: taviroc scan lists the robot by name on COM9 and leaves its incoming COM8 out"

# Under wine 8 Qt's serial port reads nothing from a COM port that is a pseudo-terminal (see
# the README's Windows section), so the program travels over the virtual controller's TCP port:
# the same link, worker and memory image, with a nearly full 4 KB image.
python3 - "$folder/worlds/01_track/line-follower.json" "$work/big.json" <<'PY'
import json, sys
document = json.load(open(sys.argv[1]))
main = document["ProgData"][0]
commands = [main[0], main[2], main[3], main[4]]
document["ProgData"][0] = [commands[i % 4] for i in range(272)]
json.dump(document, open(sys.argv[2], "w"))
PY
"$sim" --eeprom "$work/eeprom.bin" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 50); do grep -q "^listening on" "$work/sim.out" && break; sleep 0.1; done
address=$(sed -n 's/^listening on /tcp:\/\//p' "$work/sim.out")
[ -n "$address" ] || fail "taviro-sim did not listen"
program=$(winepath -w "$work/big.json")
taviroc compile "$program" -o "$(winepath -w "$work")\\image.bin" >/dev/null 2>&1 \
    || fail "taviroc compile failed"
step=$(date +%s%N)
taviroc write "$program" --device "$address" --timeout 60 >"$work/write.out" 2>&1 \
    || fail "taviroc write failed: $(tr -d '\r' <"$work/write.out")"
write_ms=$(ms "$step")
taviroc read --device "$address" --timeout 60 -o "$(winepath -w "$work")\\back.json" \
    >"$work/read.out" 2>&1 || fail "taviroc read failed: $(tr -d '\r' <"$work/read.out")"
taviroc compile "$(winepath -w "$work")\\back.json" -o "$(winepath -w "$work")\\again.bin" \
    >/dev/null 2>&1 || fail "the program read back does not compile"
cmp -s "$work/image.bin" "$work/again.bin" || fail "the program read back differs from the one written"
kill "$sim_pid" && wait "$sim_pid" 2>/dev/null
sim_pid=
size=$(stat -c %s "$work/image.bin")
cmp -s -n "$size" "$work/image.bin" "$work/eeprom.bin" \
    || fail "the controller's memory does not hold the image written"
echo "PASS: $size bytes written in $write_ms ms and read back exactly"

# --- 6. Uninstall --------------------------------------------------------------------------------
step=$(date +%s%N)
temp_unix=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r')
log_unix="${temp_unix%/}/TavUninstall.log"
timeout 60 wine "C:\\Program Files\\$product\\uninstall.exe" /S >/dev/null 2>&1
for _ in $(seq 1 240); do
    grep -q "ИТОГ: " "$log_unix" 2>/dev/null && break
    sleep 0.5
done
grep -qF "ИТОГ: обработка завершена." "$log_unix" 2>/dev/null || fail "uninstall.exe did not finish"
echo "uninstalled in $(ms "$step") ms"
[ ! -e "$folder" ] || fail "the installation folder is still there: $(ls -A "$folder")"
[ -z "$(listed)" ] || fail "the product is still listed"
[ ! -e "$menu" ] || fail "the Start-menu folder is still there"
echo "PASS: uninstall.exe /S removed the product, its folder and its shortcut"
exit 0
