# Sourced by ./package-windows --check: the Windows program from the zip's folder, run under Wine against
# the Linux simulated time clock on a pseudo-terminal, which Wine sees as COM1.
# Needs: REPO.

CHECK_DIR=$REPO/build-win/check
COM1_LINK=$CHECK_DIR/com1   # the simulator's --link; Wine's COM1 points here, whichever pty it is
check_failures=0

export WINEPREFIX=$REPO/build-win/wine
export WINEDEBUG=-all
# No Mono or Gecko installers: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

check_note() { echo "--- $*" >&2; }
check_fail() {
    echo "FAIL: $*" >&2
    check_failures=$((check_failures + 1))
}
check_pass() { echo "ok: $*" >&2; }

# A fresh Wine prefix per check run, with COM1 at the simulator's link. Wine rewrites dosdevices/com1 from
# the registry when its server starts, so the registry entry comes first and the server is stopped before
# the link is laid.
prepare_wine() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wineboot -i >"$CHECK_DIR/wineboot.log" 2>&1
    wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$COM1_LINK" /f >>"$CHECK_DIR/wineboot.log" 2>&1
    wineserver -w
    ln -sfn "$COM1_LINK" "$WINEPREFIX/dosdevices/com1"
}

# start_sim NAME [options]: the simulated time clock at COM1_LINK, its output in CHECK_DIR/NAME.sim.
sim_pid=
start_sim() {
    local name=$1
    shift
    SIM_OUT=$CHECK_DIR/$name.sim
    "$REPO/build/sim/timeclock-sim" --link "$COM1_LINK" "$@" >"$SIM_OUT" 2>&1 </dev/null &
    sim_pid=$!
    local _
    for _ in $(seq 100); do
        grep -q '^DEVICE ' "$SIM_OUT" && [ -L "$COM1_LINK" ] && return 0
        sleep 0.05
    done
    check_fail "$name: the simulated time clock did not start"
    return 1
}

# stop_sim: ends the simulator, which then prints what it holds.
stop_sim() {
    [ -n "$sim_pid" ] || return 0
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
}

# wait_for FILE PATTERN SECONDS: true once an extended regular expression matches a line of FILE.
wait_for() {
    local file=$1 pattern=$2 limit=$(($3 * 10)) _
    for _ in $(seq "$limit"); do
        grep -qE "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# --- the window, under Xvfb: one click of "读序列号", a screenshot

xvfb_pid=
start_display() {
    local display_file=$CHECK_DIR/display
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$display_file" 2>"$CHECK_DIR/xvfb.log" &
    xvfb_pid=$!
    wait_for "$display_file" '^[0-9]+$' 10 || { check_fail "Xvfb did not start"; return 1; }
    export DISPLAY=:$(cat "$display_file")
}

stop_display() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
}

# The client area's origin of X window WINDOW on the screen, as "X Y".
client_origin() {
    xdotool getwindowgeometry --shell "$1" | sed -n 's/^[XY]=//p' | paste -sd' '
}

check_window() {
    local program=$1
    check_note "window: click 读序列号 with the simulated time clock on COM1"
    start_sim window --serial 12ABEF || return
    local log=$CHECK_DIR/window.log
    # The program's --trace lines go to standard error, not to the debugger channel.
    QT_FORCE_STDERR_LOGGING=1 wine "$program/timeclock-setup.exe" --trace >"$log" 2>&1 </dev/null &
    local app_pid=$!
    local window
    window=$(timeout 60 xdotool search --sync --onlyvisible --class timeclock-setup | head -n 1)
    if [ -z "$window" ]; then
        check_fail "window: no window within 60 s"
        kill "$app_pid" 2>/dev/null
        stop_sim
        return
    fi
    sleep 1  # let the first paint finish before clicking and taking the picture
    local origin x y
    origin=$(client_origin "$window")
    read -r x y <<<"$origin"
    # 读序列号 (Command4) is at 176,128 and 129 x 25 in the window's client area.
    xdotool mousemove "$((x + 176 + 64))" "$((y + 128 + 12))" click 1
    if wait_for "$SIM_OUT" '^TX 1212abef' 10 && wait_for "$log" 'RX 12 12 ab ef' 5; then
        check_pass "window: 读序列号 sent 12 02 1f and read 12 12 ab ef"
    else
        check_fail "window: no serial number exchange after the click (see $log, $SIM_OUT)"
    fi
    sleep 1  # the status line and the box are repainted after the reply
    import -display "$DISPLAY" -window "$window" "$CHECK_DIR/window.png" 2>>"$CHECK_DIR/xvfb.log" \
        && cp "$CHECK_DIR/window.png" "$REPO/docs/windows-wine.png" \
        && check_pass "window: screenshot in docs/windows-wine.png"
    kill "$app_pid" 2>/dev/null
    wineserver -k 2>/dev/null || true
    wait "$app_pid" 2>/dev/null
    stop_sim
}

run_windows_checks() {
    local program=$1
    rm -rf "$CHECK_DIR"
    mkdir -p "$CHECK_DIR"
    # The Linux simulated time clock, from the normal build folder.
    if [ ! -f "$REPO/build/CMakeCache.txt" ]; then
        cmake -S "$REPO" -B "$REPO/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
    fi
    cmake --build "$REPO/build" --target timeclock-sim >&2
    prepare_wine
    start_display || return 1
    trap 'stop_sim; wineserver -k 2>/dev/null; stop_display' EXIT

    check_window "$program"

    stop_display
    trap - EXIT
    if [ "$check_failures" -gt 0 ]; then
        echo "Windows checks: $check_failures failed" >&2
        return 1
    fi
    echo "Windows checks: all passed" >&2
}
