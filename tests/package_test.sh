#!/usr/bin/env bash
# package_test.sh CPACK CPACK_CONFIG HAS_SIM(yes|no)
# Makes the Debian package in a temporary folder, unpacks it, checks what it holds and starts the unpacked
# program offscreen against the unpacked simulated time clock. Every wait is bounded.
set -euo pipefail

cpack=$1
config=$2
has_sim=$3

work=$(mktemp -d)
sim_pid=
cleanup() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

# --- make the package
if ! "$cpack" --config "$config" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack did not make the package" >&2
    exit 1
fi
shopt -s nullglob
debs=("$work"/out/timeclock-setup_*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
    cat "$work/cpack.log" >&2
    echo "FAIL: expected one timeclock-setup_*.deb, found ${#debs[@]}" >&2
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# --- control fields
field() { dpkg-deb -f "$deb" "$1"; }
check "package name" test "$(field Package)" = timeclock-setup
check "version 6.1" test "$(field Version)" = 6.1
check "section utils" test "$(field Section)" = utils
check "maintainer given" test -n "$(field Maintainer)"
check "description given" test -n "$(field Description)"
depends=$(field Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6serialport6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-arphic-uming; do
    check "depends on $needed" grep -Eq "(^|, )$needed( |,|$)" <<<"$depends"
done
check "recommends the text logo's font" grep -q fonts-wqy-zenhei <<<"$(field Recommends)"

# --- files
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -c "$deb" >"$work/contents"
app_dir=$root/opt/timeclock-setup
check "program in /opt/timeclock-setup" test -x "$app_dir/timeclock-setup" -a -f "$app_dir/timeclock-setup"
check "bmp.txt beside the program" test -s "$app_dir/bmp.txt"
check "/usr/bin/timeclock-setup is a link" test -L "$root/usr/bin/timeclock-setup"
check "/usr/bin/timeclock-setup reaches the program" test "$root/usr/bin/timeclock-setup" -ef "$app_dir/timeclock-setup"
desktop=$root/usr/share/applications/timeclock-setup.desktop
check "desktop entry" test -f "$desktop"
if [ -f "$desktop" ]; then
    for line in '[Desktop Entry]' 'Type=Application' 'Name=Time clock setup' 'Comment=考勤机设置V6.1x' \
        'Exec=timeclock-setup' 'Icon=timeclock-setup' 'Terminal=false' 'Categories=Utility;'; do
        check "desktop entry line $line" grep -qxF "$line" "$desktop"
    done
    if command -v desktop-file-validate >/dev/null; then
        check "desktop-file-validate" desktop-file-validate "$desktop"
    fi
fi
check "scalable icon" test -s "$root/usr/share/icons/hicolor/scalable/apps/timeclock-setup.svg"
check "64x64 icon" test -s "$root/usr/share/icons/hicolor/64x64/apps/timeclock-setup.png"
man_page=$root/usr/share/man/man1/timeclock-setup.1.gz
check "man page" test -s "$man_page"
check "man page lists the command line's commands" grep -q 'provision' <(gzip -dc "$man_page" 2>/dev/null)
check "man page holds every command's options" grep -q 'dither' <(gzip -dc "$man_page" 2>/dev/null)
check "man page keeps the profile example as written" grep -qx '.nf' <(gzip -dc "$man_page" 2>/dev/null)
check "Chinese man page beside it" grep -q '成批设置' <(gzip -dc "$root/usr/share/man/zh_CN/man1/timeclock-setup.1.gz" 2>/dev/null)
check "Traditional Chinese man page beside it" grep -q '批次設定' <(gzip -dc "$root/usr/share/man/zh_TW/man1/timeclock-setup.1.gz" 2>/dev/null)
if [ "$has_sim" = yes ]; then
    check "simulated time clock in /opt/timeclock-setup" test -x "$app_dir/timeclock-sim" -a -f "$app_dir/timeclock-sim"
    check "/usr/bin/timeclock-sim reaches it" test "$root/usr/bin/timeclock-sim" -ef "$app_dir/timeclock-sim"
fi
check "no file outside /opt/timeclock-setup and /usr" \
    test -z "$(awk '{print $6}' "$work/contents" | grep -Ev '^\./$|^\./opt/$|^\./opt/timeclock-setup/|^\./usr/' || true)"

# --- the libraries are all found
for binary in "$app_dir"/timeclock-setup "$app_dir"/timeclock-sim; do
    [ -f "$binary" ] || continue
    if ldd "$binary" >"$work/ldd" 2>&1 && ! grep -q 'not found' "$work/ldd"; then
        echo "ok: libraries of $(basename "$binary") found"
    else
        cat "$work/ldd" >&2
        fail "libraries of $(basename "$binary")"
    fi
done

[ -x "$app_dir/timeclock-setup" ] || { echo "$failures check(s) failed" >&2; exit 1; }

# --- the unpacked program runs
version_output=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/timeclock-setup" --version 2>&1) || true
check "--version tells 6.1" grep -q '6\.1' <<<"$version_output"

port_options=()
if [ "$has_sim" = yes ] && [ -x "$app_dir/timeclock-sim" ]; then
    # Made here, not by the background job's redirection, which may not have run by the first look.
    : >"$work/sim.out"
    "$root/usr/bin/timeclock-sim" >>"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    device=
    deadline=$((SECONDS + 15))
    while [ $SECONDS -lt $deadline ]; do
        device=$(sed -n 's/^DEVICE //p' "$work/sim.out")
        if [ -n "$device" ] || ! kill -0 "$sim_pid" 2>/dev/null; then break; fi
        sleep 0.05
    done
    if [ -n "$device" ]; then
        echo "ok: simulated time clock on $device"
        port_options=(--port "1=$device")
    else
        cat "$work/sim.err" >&2
        fail "the unpacked simulated time clock told no DEVICE"
    fi
fi

# No scripted mode: it must start, stay up for a second, and end by the signal.
status=0
QT_QPA_PLATFORM=offscreen timeout -s TERM 1 "$root/usr/bin/timeclock-setup" "${port_options[@]}" \
    >"$work/app.out" 2>"$work/app.err" || status=$?
if [ $status -eq 124 ]; then
    echo "ok: the unpacked program stayed up until stopped"
else
    cat "$work/app.out" "$work/app.err" >&2
    fail "the unpacked program ended by itself with status $status"
fi

if [ -n "$sim_pid" ]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    deadline=$((SECONDS + 15))
    while kill -0 "$sim_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
        sleep 0.05
    done
    kill -0 "$sim_pid" 2>/dev/null && kill -KILL "$sim_pid" 2>/dev/null
    sim_status=0
    wait "$sim_pid" || sim_status=$?
    sim_pid=
    check "the simulated time clock ended on SIGTERM (status $sim_status)" test $sim_status -eq 0 -o $sim_status -eq 143
fi

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all package checks passed"
