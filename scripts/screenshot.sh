#!/usr/bin/env bash
# Installs what is missing, builds like ./run does, opens the window on a virtual 800x600 screen (Xvfb, with
# openbox for the title bar) and writes pictures of the framed window: in Chinese to docs/window.png, in
# English to docs/window-en.png and in Traditional Chinese to docs/window-zh_TW.png, or in one language to OUTPUT.
#   scripts/screenshot.sh [--lang zh|zh_TW|en OUTPUT.png]
# SCREENSHOT_BUILD_DIR picks another build tree than build/ (it is configured like ./run's when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

window_class=timeclock-setup

if [ "${1:-}" = "--inside-xvfb" ]; then
    # Second half, run by xvfb-run below with DISPLAY set: $2 the program, $3 the output file, $4 the language.
    program=$2
    output=$3
    language=$4
    work=$(mktemp -d)
    app_pid=
    wm_pid=
    # shellcheck disable=SC2317  # run by the EXIT trap
    cleanup() {
        local pid
        for pid in $app_pid $wm_pid; do
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        done
        rm -rf "$work"
    }
    trap cleanup EXIT

    # A window manager, for the title bar.
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
    deadline=$((SECONDS + 30))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        if [ $SECONDS -ge $deadline ] || ! kill -0 "$wm_pid" 2>/dev/null; then
            cat "$work/wm.log" >&2
            echo "The window manager did not start." >&2
            exit 1
        fi
        sleep 0.1
    done

    LANG=C.UTF-8 "$program" --lang "$language" >"$work/app.log" 2>&1 &
    app_pid=$!

    # The program's window: the viewable one whose WM_CLASS is ours (the title is not ASCII), once the
    # window manager has framed it.
    window=
    deadline=$((SECONDS + 30))
    while [ -z "$window" ] && [ $SECONDS -lt $deadline ]; do
        kill -0 "$app_pid" 2>/dev/null || { cat "$work/app.log" >&2; echo "The program ended early." >&2; exit 1; }
        for id in $(xwininfo -root -tree 2>/dev/null | awk -v c="(\"$window_class\" \"$window_class\")" 'index($0, c) { print $1 }'); do
            if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' &&
                xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | grep -q ' = '; then
                window=$id
                break
            fi
        done
        [ -n "$window" ] || sleep 0.1
    done
    if [ -z "$window" ]; then
        cat "$work/app.log" >&2
        echo "The window did not appear." >&2
        exit 1
    fi

    # The window with its frame: its place on the screen widened by the frame's extents.
    info=$(xwininfo -id "$window")
    value() { sed -n "s/^ *$1: *//p" <<<"$info"; }
    read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.* = //; s/,//g')
    x=$(($(value 'Absolute upper-left X') - left))
    y=$(($(value 'Absolute upper-left Y') - top))
    width=$(($(value Width) + left + right))
    height=$(($(value Height) + top + bottom))
    geometry=${width}x${height}+${x}+${y}

    # Grab until two grabs in a row are the same picture: the window has finished painting.
    previous=
    stable=no
    deadline=$((SECONDS + 30))
    while [ $SECONDS -lt $deadline ]; do
        import -window root -crop "$geometry" +repage "png:$work/shot.png"
        current=$(/usr/bin/convert "$work/shot.png" rgb:- | md5sum)
        if [ "$current" = "$previous" ]; then
            stable=yes
            break
        fi
        previous=$current
        sleep 0.2
    done
    [ $stable = yes ] || echo "The window kept changing; keeping the last picture." >&2
    cp "$work/shot.png" "$output"
    exit 0
fi

if [ "${1:-}" = "--lang" ] && [ $# -eq 3 ]; then
    shots=("$2" "$(realpath -m "$3")")
elif [ $# -eq 0 ]; then
    shots=(zh "$PWD/docs/window.png" en "$PWD/docs/window-en.png" zh_TW "$PWD/docs/window-zh_TW.png")
else
    echo "usage: scripts/screenshot.sh [--lang zh|zh_TW|en OUTPUT.png]" >&2
    exit 2
fi
build_dir=${SCREENSHOT_BUILD_DIR:-build}

ensure_packages xvfb xauth x11-utils x11-apps imagemagick openbox
build_tree "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo

for ((i = 0; i < ${#shots[@]}; i += 2)); do
    language=${shots[i]}
    output=${shots[i + 1]}
    mkdir -p "$(dirname "$output")"
    xvfb-run -a -s "-screen 0 800x600x24" "$0" --inside-xvfb "$PWD/$build_dir/app/timeclock-setup" "$output" "$language"
    echo "$output ($(identify -format '%wx%h' "$output"))"
done
