#!/bin/bash
# Installs a small package whose folder holds uninstall.exe, removes it with "uninstall.exe /S"
# under wine, and checks the product, the folder and the log. Also checks the two cases without
# a product: a folder holding only the uninstaller is cleaned, one with other files is kept.
# Results are judged from the log; wine's exit status is not reliable for a GUI program.
set -u

exe=${1:?usage: uninstall_wine.sh path/to/uninstall.exe}
started=$(date +%s%N)

fail() {
    echo "FAIL: $*"
    [ -n "${log_unix:-}" ] && [ -f "$log_unix" ] && { echo "--- log:"; cat "$log_unix"; echo; }
    exit 1
}

[ -f "$exe" ] || fail "uninstall.exe not found at $exe"
if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
    echo "SKIP: wine is not installed"
    exit 77
fi
command -v wixl >/dev/null || fail "wixl (Debian package wixl) is needed to build the test package"

work=$(mktemp -d /tmp/taviro-uninstall-wine.XXXXXX)
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

finish() {
    timeout 20 wineserver -k >/dev/null 2>&1
    timeout 20 wineserver -w >/dev/null 2>&1
    rm -rf "$work"
    echo "wall time: $((($(date +%s%N) - started) / 1000000)) ms"
}
trap finish EXIT

# A fresh prefix; when wine cannot start at all there is nothing to test.
ready=$(timeout 90 wine cmd /c echo ready 2>/dev/null | tr -d '\r')
if [ "$ready" != "ready" ]; then
    echo "SKIP: wine cannot run here (a fresh prefix did not start)"
    exit 77
fi

temp_win=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
temp_unix=$(winepath -u "$temp_win" 2>/dev/null | tr -d '\r')
log_unix="${temp_unix%/}/TavUninstall.log"
programs="$WINEPREFIX/drive_c/Program Files"
[ -d "$temp_unix" ] || fail "temporary folder $temp_win not found"

# Runs uninstall.exe from a folder and waits until the worker copy has written its result.
run_uninstaller() {
    local folder_win=$1
    rm -f "$log_unix"
    timeout 60 wine "$folder_win\\uninstall.exe" /S >/dev/null 2>&1
    for _ in $(seq 1 120); do
        grep -q "ИТОГ: " "$log_unix" 2>/dev/null && break
        sleep 0.5
    done
    grep -q "ИТОГ: " "$log_unix" 2>/dev/null || fail "the worker copy did not finish"
    # Wait for the worker copy itself to end before the next case.
    for _ in $(seq 1 40); do
        grep -qs "[T]avUninstall_worker" /proc/[0-9]*/cmdline || break
        sleep 0.25
    done
}

expect_log() {
    grep -qF -- "$1" "$log_unix" || fail "log lacks: $1"
}

# --- Case 1: a really installed package -------------------------------------------------
code="{6A3C1E2B-4D5F-4A7B-9C8D-0E1F2A3B4C5D}"
pkg="$work/package"
mkdir -p "$pkg/tools"
cp "$exe" "$pkg/uninstall.exe"
echo "Taviro test package" > "$pkg/readme.txt"
head -c 4096 /dev/urandom > "$pkg/data.bin"
# A long-running program inside the product folder, to be ended before removal.
cp "$WINEPREFIX/drive_c/windows/system32/ping.exe" "$pkg/tools/ping.exe"
cat > "$pkg/product.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="$code" Name="Taviro Test" Language="1033" Version="1.0.0"
           Manufacturer="Taviro Test" UpgradeCode="{1B2C3D4E-5F60-4718-8293-A4B5C6D7E8F9}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" />
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="TaviroTest">
          <Component Id="MainFiles" Guid="{2C3D4E5F-6071-4829-93A4-B5C6D7E8F901}" Win64="yes">
            <File Id="UninstallExe" Source="uninstall.exe" KeyPath="yes" />
            <File Id="Readme" Source="readme.txt" />
            <File Id="Data" Source="data.bin" />
          </Component>
          <Directory Id="TOOLSDIR" Name="tools">
            <Component Id="Tools" Guid="{3D4E5F60-7182-4930-A4B5-C6D7E8F90112}" Win64="yes">
              <File Id="Ping" Source="tools/ping.exe" KeyPath="yes" />
            </Component>
          </Directory>
        </Directory>
      </Directory>
    </Directory>
    <CustomAction Id="SetInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]" />
    <InstallExecuteSequence>
      <Custom Action="SetInstallLocation" Sequence="1001" />
    </InstallExecuteSequence>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="MainFiles" />
      <ComponentRef Id="Tools" />
    </Feature>
  </Product>
</Wix>
WXS
(cd "$pkg" && wixl -a x64 -o product.msi product.wxs) || fail "wixl could not build the package"

timeout 60 wine msiexec /i "$(winepath -w "$pkg/product.msi")" /qn >/dev/null 2>&1
installed="$programs/TaviroTest"
[ -f "$installed/uninstall.exe" ] && [ -f "$installed/tools/ping.exe" ] \
    || fail "the package was not installed"
timeout 20 wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" \
    >/dev/null 2>&1 || fail "the package is not registered"

# Left behind by the user: an empty folder with the shell's desktop.ini.
mkdir -p "$installed/cache"
touch "$installed/cache/desktop.ini"

timeout 100 wine 'C:\Program Files\TaviroTest\tools\ping.exe' -n 90 127.0.0.1 >/dev/null 2>&1 &
ping_job=$!
sleep 1

run_uninstaller 'C:\Program Files\TaviroTest'
expect_log "Запуск uninstall.exe v6 (Аргументы: \"C:\\Program Files\\TaviroTest\\uninstall.exe\" /S)"
expect_log "Передаю работу копии: $temp_win\\TavUninstall_worker.exe --target=\"C:\\Program Files\\TaviroTest\" /S"
expect_log "Рабочая копия из %TEMP%. Целевая папка: C:\\Program Files\\TaviroTest"
expect_log "[msi-api]   СОВПАДЕНИЕ: $code"
expect_log "Найдено продуктов для удаления: 1"
expect_log "[kill] Завершаю процесс ping.exe (pid "
expect_log "): C:\\Program Files\\TaviroTest\\tools\\ping.exe"
expect_log "[msiexec] Запускаю: msiexec.exe /x$code /qn"
expect_log "[msiexec] $code завершился с кодом 0"
expect_log "[cleanup] Удалён служебный desktop.ini из C:\\Program Files\\TaviroTest\\cache"
expect_log "[cleanup] Удалена пустая папка: C:\\Program Files\\TaviroTest"
[ "$(wc -l < "$log_unix")" -eq 0 ] || fail "log entries are separated by line breaks"
last="ИТОГ: обработка завершена."
[ "$(tail -c "$(printf '%s' "$last" | wc -c)" "$log_unix")" = "$last" ] \
    || fail "the run did not complete"
[ ! -e "$installed" ] || fail "the product folder is still there"
if timeout 20 wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" \
    >/dev/null 2>&1; then
    fail "the product is still registered"
fi
timeout 10 bash -c "while kill -0 $ping_job 2>/dev/null; do sleep 0.2; done" \
    || fail "the program running from the product folder was not ended"
echo "PASS: installed package removed"

# --- Case 2: no product, only the uninstaller left -> the folder is cleaned ----------------
orphan="$programs/Orphan"
mkdir -p "$orphan"
cp "$exe" "$orphan/UNINSTALL.EXE"
touch "$orphan/desktop.ini"
run_uninstaller 'C:\Program Files\Orphan'
expect_log "[selfclean] Удалён файл: C:\\Program Files\\Orphan\\UNINSTALL.EXE"
expect_log "[msi-api] Всего продуктов: 0, совпадений: 0"
expect_log "[reg] Совпадений в реестре: 0"
expect_log "[selfclean] Папка удалена: C:\\Program Files\\Orphan"
expect_log "ИТОГ: продукт не найден, оставшаяся папка зачищена."
[ ! -e "$orphan" ] || fail "the folder holding only the uninstaller is still there"
echo "PASS: leftover uninstaller cleaned"

# --- Case 3: no product, other files present -> kept, exit code 2 --------------------------
busy="$programs/Busy"
mkdir -p "$busy"
cp "$exe" "$busy/uninstall.exe"
echo "my robot program" > "$busy/robot.json"
run_uninstaller 'C:\Program Files\Busy'
expect_log "ИТОГ: продукт не найден. Тихий режим: 1"
if grep -qF "[selfclean]" "$log_unix"; then fail "a folder with other files was self-cleaned"; fi
[ -f "$busy/robot.json" ] && [ -f "$busy/uninstall.exe" ] || fail "files were deleted"
# The worker copy itself, started directly, reports the failure in its exit code.
rm -f "$log_unix"
timeout 60 wine "$temp_win\\TavUninstall_worker.exe" '--target=C:\Program Files\Busy' /S \
    >/dev/null 2>&1
status=$?
[ "$status" -eq 2 ] || fail "worker exit code $status, expected 2"
expect_log "ИТОГ: продукт не найден. Тихий режим: 1"
echo "PASS: folder with other files kept"
exit 0
