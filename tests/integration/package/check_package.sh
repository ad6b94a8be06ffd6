#!/bin/bash
# Builds the Debian package into a temporary folder, validates its menu entry, AppStream data and
# the package itself, unpacks it with dpkg-deb and runs the unpacked programs from there: nothing
# of the build tree is on their path, so they must find their data relative to themselves.
#
#   check_package.sh CPackConfig.cmake VERSION
set -euo pipefail

config=$1
version=$2
app_id=org.taviro.TaviroStart

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli timeout; do
    command -v "$tool" >/dev/null || fail "$tool is missing; install tools/debian-packages-tests.txt"
done

work=$(mktemp -d)
sim_pid=
cleanup() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== building the package"
cpack --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack failed"
}
deb=$work/out/taviro-start_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") in $(ls "$work/out")"
dpkg-deb --info "$deb"

echo "== package relations"
depends=$(dpkg-deb --field "$deb" Depends)
for needed in libqt6widgets6 libqt6bluetooth6 libqt6network6 qt6-qpa-plugins fonts-roboto-slab \
    qt6-translations-l10n; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
[ "$(dpkg-deb --field "$deb" Section)" = education ] || fail "section is not education"

echo "== contents"
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb --contents "$deb" | awk '{print $6, $7, $8}' | sort >"$work/contents"
programs=$(cd "$root/usr/bin" && ls | tr '\n' ' ')
[ "$programs" = "taviro-sim taviro-start taviroc " ] || fail "unexpected programs in usr/bin: $programs"
if grep -Eq 'uninstall\.exe|/tst_|\.bat$' "$work/contents"; then
    fail "the package carries test programs or Windows files: $(grep -E 'uninstall\.exe|/tst_|\.bat$' "$work/contents")"
fi
data=$root/usr/share/taviro-start
for path in default.json firmware/linux/prog2 Languages/01_English/base.json \
    Languages/01_English/images Languages/02_Russian/base.json worlds/01_track \
    examples/12_line-follower.json Languages/02_Russian/guide/01_first-program.html \
    usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/taviro-start.svg \
    usr/share/icons/hicolor/48x48/apps/taviro-start.png \
    usr/share/icons/hicolor/128x128/apps/taviro-start.png \
    usr/share/icons/hicolor/256x256/apps/taviro-start.png \
    usr/share/man/man1/taviroc.1.gz usr/share/man/man1/taviro-sim.1.gz \
    usr/share/man/man1/taviro-start.1.gz usr/share/doc/taviro-start/copyright; do
    case $path in
    usr/*) [ -e "$root/$path" ] || fail "missing /$path" ;;
    *) [ -e "$data/$path" ] || fail "missing /usr/share/taviro-start/$path" ;;
    esac
done
# Every language folder links its font to the font package instead of carrying a copy.
for folder in "$data"/Languages/*/; do
    font="${folder}ALS Schlange_slab_bld.otf"
    [ -L "$font" ] || fail "$font is not a link to the system font"
    [ -e "$font" ] || fail "$font points to $(readlink "$font"), which is not installed"
done

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
grep -qx 'Categories=Education;Robotics;' "$root/usr/share/applications/$app_id.desktop" ||
    fail "the menu entry is not in Education;Robotics;"
# Offered in "Open with" for program files, without making itself their default program.
grep -qx 'MimeType=application/json;' "$root/usr/share/applications/$app_id.desktop" ||
    fail "the menu entry does not offer to open JSON files"
if grep -q 'mimeapps.list' "$work/contents"; then fail "the package sets default applications"; fi

echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 --display-info "$deb"

echo "== unpacked taviroc"
"$root/usr/bin/taviroc" --version
"$root/usr/bin/taviroc" compile "$data/default.json" -o "$work/default.bin"
[ -s "$work/default.bin" ] || fail "taviroc compile wrote no image"
"$root/usr/bin/taviroc" decode "$work/default.bin" -o "$work/decoded.json"
grep -q '"ProgData"' "$work/decoded.json" || fail "the decoded document has no ProgData"

echo "== unpacked taviro-sim with taviroc write and read"
mkfifo "$work/sim-input"
exec 3<>"$work/sim-input" # keeps the simulator's input open, as a terminal would
exec 4< <(exec "$root/usr/bin/taviro-sim" <&3 2>"$work/sim.log")
sim_pid=$!
line=
IFS= read -r -t 30 line <&4 || true
port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' <<<"$line")
[ -n "$port" ] || fail "taviro-sim did not start: $line $(cat "$work/sim.log")"
"$root/usr/bin/taviroc" write --device "tcp://127.0.0.1:$port" --timeout 30 "$data/default.json"
"$root/usr/bin/taviroc" read --device "tcp://127.0.0.1:$port" --timeout 30 -o "$work/read.json"
grep -q '"ProgData"' "$work/read.json" || fail "the program read back has no ProgData"
kill -TERM "$sim_pid"
wait "$sim_pid" || fail "taviro-sim did not end cleanly on SIGTERM"
sim_pid=

# run_editor NAME: starts the unpacked editor offscreen with the home folder $work/NAME; it draws
# its window, saves a picture of it and quits by itself.
run_editor() {
    local name=$1 status=0
    HOME=$work/$name QT_QPA_PLATFORM=offscreen timeout 120 "$root/usr/bin/taviro-start" \
        --simulator --grab-window "$work/$name.png" --grab-delay 3000 >"$work/$name.log" 2>&1 ||
        status=$?
    cat "$work/$name.log"
    [ "$status" = 0 ] || fail "taviro-start ($name) ended with status $status"
    [ -s "$work/$name.png" ] || fail "taviro-start ($name) drew no window"
    local complaints='Languages dir not found|No configurations|Cannot load font|Cannot open file|Cannot read|Ошибка|Qt platform plugin'
    if grep -Eq "$complaints" "$work/$name.log"; then
        fail "taviro-start ($name) complained: $(grep -E "$complaints" "$work/$name.log")"
    fi
}

echo "== unpacked taviro-start --simulator, first start (fresh home: the language page)"
mkdir "$work/first-start"
run_editor first-start

echo "== unpacked taviro-start --simulator, English chosen before (the whole window)"
mkdir -p "$work/english/Lumakit"
echo '{"Language": "English"}' >"$work/english/Lumakit/states.json"
run_editor english
[ -d "$work/english/Lumakit/Programs" ] || fail "taviro-start did not create its Programs folder"

echo "package check passed: $(basename "$deb")"
