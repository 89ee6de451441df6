#!/usr/bin/env bash
# Pictures of the logo preview for the README, taken the way an operator works: the window under Xvfb
# with a window manager, a simulated time clock on port 1 answering slowly, and real key presses; then a
# text logo made with 文字…, typed with real key presses, in both languages.
#   scripts/screenshot-logo.sh [FOLDER]   writes logo-before.png, logo-during.png, logo-after.png,
#                                         logo-failed.png, text-dialog.png, text-logo.png and their -en
#                                         twins of the last two into FOLDER (docs/ by default)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

if [ "${1:-}" = "--inside-xvfb" ]; then
    build=$2
    folder=$3
    work=$(mktemp -d)
    pids=()
    # shellcheck disable=SC2317  # run by the EXIT trap
    cleanup() {
        local pid
        for pid in "${pids[@]}"; do
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        done
        rm -rf "$work"
    }
    trap cleanup EXIT

    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.1; done

    # open_window ARGUMENTS...: the program started with ARGUMENTS, its window at the top left and active;
    # sets app and window.
    open_window() {
        LANG=C.UTF-8 "$build/app/timeclock-setup" "$@" >"$work/app.log" 2>&1 &
        app=$!
        pids+=($app)
        window=
        until [ -n "$window" ]; do window=$(xdotool search --onlyvisible --class timeclock-setup 2>/dev/null | tail -1 || true); sleep 0.1; done
        xdotool windowmove --sync "$window" 0 0
        xdotool windowactivate --sync "$window"
        sleep 0.5
    }

    # one_download NAME-DURING NAME-AFTER SIMULATOR-OPTIONS...: a download started with Enter, pictured
    # half-way and at the end.
    one_download() {
        local during=$1 after=$2
        shift 2
        "$build/sim/timeclock-sim" --line-rate 9600 "$@" >"$work/sim.out" 2>&1 &
        pids+=($!)
        local device=
        until [ -n "$device" ]; do device=$(sed -n 's/^DEVICE //p' "$work/sim.out"); sleep 0.1; done
        open_window --port "1=$device"
        local geometry
        geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { split($2, s, "x"); print s[1] + 4 "x" s[2] + 28 "+0+0" }')
        [ -n "${before:-}" ] && import -window root -crop "$geometry" +repage "$folder/$before" && before=
        # The focus starts on the download button: Enter presses it.
        xdotool key --window "$window" Return
        sleep 1.4
        import -window root -crop "$geometry" +repage "$folder/$during"
        sleep 3
        import -window root -crop "$geometry" +repage "$folder/$after"
        kill "$app"
    }
    before=logo-before.png
    one_download logo-during.png logo-after.png --delay-ms 60
    one_download logo-failing.png logo-failed.png --delay-ms 60 --silence 20
    rm -f "$folder/logo-failing.png"

    # text_logo LANGUAGE SUFFIX FIRST-LINE SECOND-LINE: 文字… opened with Alt+T, two lines typed, pictured
    # with the dialog open and after OK.
    text_logo() {
        local language=$1 suffix=$2 first=$3 second=$4
        open_window --lang "$language"
        xdotool key --window "$window" alt+t
        sleep 1
        xdotool type --delay 80 "$first"
        xdotool key Tab
        xdotool type --delay 80 "$second"
        sleep 1
        # The dialog sits over the window: the picture is both, trimmed of the empty screen around them.
        import -window root "$work/screen.png"
        convert "$work/screen.png" -trim +repage "$folder/text-dialog$suffix.png"
        xdotool key Return
        sleep 1
        local geometry
        geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { split($2, s, "x"); print s[1] + 4 "x" s[2] + 28 "+0+0" }')
        import -window root -crop "$geometry" +repage "$folder/text-logo$suffix.png"
        kill "$app"
        wait "$app" 2>/dev/null || true
    }
    text_logo zh "" "欢迎光临" "ACME 2026"
    text_logo en "-en" "欢迎光临" "ACME 2026"
    exit 0
fi

folder=$(realpath -m "${1:-docs}")
build_dir=${SCREENSHOT_BUILD_DIR:-build}
ensure_packages xvfb xauth x11-utils imagemagick openbox xdotool
build_tree "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
mkdir -p "$folder"
xvfb-run -a -s "-screen 0 800x600x24" "$0" --inside-xvfb "$PWD/$build_dir" "$folder"
ls -1 "$folder"/logo-*.png "$folder"/text-*.png
