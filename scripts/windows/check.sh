# Sourced by ./package-windows --check: the Windows program from the zip's folder, run under Wine against
# the Linux simulated time clock on a pseudo-terminal, which Wine sees as COM1.
# Needs: REPO.

CHECK_DIR=$REPO/build-win/check
COM1_LINK=$CHECK_DIR/com1   # the simulator's --link; Wine's COM1 points here, whichever pty it is
check_failures=0

export WINEPREFIX=$REPO/build-win/wine
export WINEDEBUG=-all
# No Mono or Gecko installers: the program needs neither. No menu builder: shortcuts the installer makes stay
# inside the Wine prefix instead of landing in this machine's own menus.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

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
    start_wineserver
}

# A server of our own making, so that what it prints (when stopped, thousands of lines about the objects it
# holds) goes to its log, never into the programs' output or the check's: a server that a wine command
# starts prints to that command's standard error.
WINESERVER_LOG=$CHECK_DIR/wineserver.log
start_wineserver() {
    wineserver -p >>"$WINESERVER_LOG" 2>&1
}

# restart_wineserver: ends every Wine program at once (and the server), then starts a server again.
restart_wineserver() {
    wineserver -k 2>/dev/null || true
    wineserver -w
    start_wineserver
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
    [ -n "$xvfb_pid" ] || return 0
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
}

# widget_center NAME: the centre of a widget of the window, in its client area, from app/form1.ui.
widget_center() {
    awk -v name="$1" '
        $0 ~ "name=\"" name "\"" { found = 1 }
        found && /<x>/ { gsub(/[^0-9]/, ""); x = $0 }
        found && /<y>/ { gsub(/[^0-9]/, ""); y = $0 }
        found && /<width>/ { gsub(/[^0-9]/, ""); w = $0 }
        found && /<height>/ { gsub(/[^0-9]/, ""); print x + int(w / 2), y + int($0 / 2); exit }
    ' "$REPO/app/form1.ui"
}

# point_at WIDGET: the mouse to the centre of a widget of the program's window.
point_at() {
    local origin center
    origin=$(xdotool getwindowgeometry --shell "$app_window" | sed -n 's/^[XY]=//p' | paste -sd' ')
    center=$(widget_center "$1")
    read -r ox oy <<<"$origin"
    read -r cx cy <<<"$center"
    xdotool mousemove "$((ox + cx))" "$((oy + cy))"
}

# click WIDGET: one left click on a widget of the program's window.
click() {
    point_at "$1"
    xdotool click 1
}

# right_click WIDGET: a right click, held long enough for Wine to open a context menu.
right_click() {
    point_at "$1"
    sleep 0.3
    xdotool mousedown 3
    sleep 0.2
    xdotool mouseup 3
}

# type_into WIDGET TEXT: replaces the text of a line edit.
type_into() {
    click "$1"
    xdotool key ctrl+a
    xdotool type --delay 50 "$2"
}

# start_window NAME [options]: the program's window with --trace, its output in CHECK_DIR/NAME.log.
app_pid=
app_window=
start_window() {
    local name=$1 _
    shift
    APP_LOG=$CHECK_DIR/$name.log
    # The program's --trace lines go to standard error, not to the debugger channel. Wine keeps QT_*
    # variables for itself and hands WINEQT_* to the program as QT_*.
    WINEQT_FORCE_STDERR_LOGGING=1 wine "$program_dir/timeclock-setup.exe" --trace "$@" >"$APP_LOG" 2>&1 </dev/null &
    app_pid=$!
    # Searched again and again rather than with --sync: a search fails outright when one of Wine's windows
    # goes away while it looks.
    app_window=
    for _ in $(seq 120); do
        app_window=$(xdotool search --onlyvisible --class timeclock-setup 2>/dev/null | head -n 1) || true
        [ -n "$app_window" ] && break
        sleep 0.5
    done
    if [ -z "$app_window" ]; then
        check_fail "$name: no window within 60 s"
        return 1
    fi
    sleep 1  # the first paint, before clicks and pictures
}

stop_window() {
    [ -n "$app_pid" ] || return 0
    kill "$app_pid" 2>/dev/null || true
    restart_wineserver
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

check_window() {
    check_note "window: 读序列号 with the simulated time clock on COM1"
    start_sim window --serial 12ABEF || return 0
    start_window window || { stop_sim; return 0; }
    click Command4
    if wait_for "$SIM_OUT" '^TX 1212abef' 10 && wait_for "$APP_LOG" 'RX 12 12 ab ef' 5; then
        check_pass "window: 读序列号 sent 12 02 1f on COM1 and read 12 12 ab ef"
    else
        check_fail "window: no serial number exchange after the click (see $APP_LOG, $SIM_OUT)"
    fi
    sleep 1  # the status line and the box are repainted after the reply
    if import -display "$DISPLAY" -window "$app_window" "$CHECK_DIR/window.png" 2>>"$CHECK_DIR/xvfb.log"; then
        cp "$CHECK_DIR/window.png" "$REPO/docs/windows-wine.png"
        check_pass "window: screenshot in docs/windows-wine.png"
    else
        check_fail "window: no screenshot"
    fi

    check_note "window: a COM number that reaches nothing"
    type_into COM1 7
    click Command4
    if wait_for "$APP_LOG" 'open "COM7" failed' 10; then
        check_pass "window: COM7 was not opened"
    else
        check_fail "window: no failed open of COM7 (see $APP_LOG)"
    fi
    type_into COM1 1

    check_note "window: the simulated time clock hangs up during the logo download, then comes back"
    stop_sim
    start_sim unplug --hangup-at 5 || { stop_window; return 0; }
    click DOWNLOG
    if wait_for "$APP_LOG" 'port error' 15; then
        check_pass "window: the lost line was noticed"
    else
        check_fail "window: the hang-up was not noticed (see $APP_LOG)"
    fi
    stop_sim
    start_sim back --serial 00ABCD || { stop_window; return 0; }
    click Command4
    if wait_for "$SIM_OUT" '^TX 1200abcd' 10; then
        check_pass "window: COM1 opened again after the hang-up and the serial number read"
    else
        check_fail "window: COM1 not usable after the hang-up (see $APP_LOG)"
    fi
    stop_window
    stop_sim
}

# --- the command line: the console twin, as a script on Windows would run it

# run_cli NAME ARGS...: one run of timeclock-setup-cli.exe in the program's folder (or cli_dir); standard
# output and error in CHECK_DIR/NAME.out and NAME.err, the exit code in cli_status. In Chinese (or cli_lang)
# whatever Wine's locale says, so the messages compare with the Linux program's own.
cli_dir=
cli_lang=zh
run_cli() {
    local name=$1
    shift
    cli_status=0
    (cd "${cli_dir:-$program_dir}" && wine timeclock-setup-cli.exe "$@" --lang "$cli_lang" >"$CHECK_DIR/$name.out" \
        2>"$CHECK_DIR/$name.err" </dev/null) || cli_status=$?
}

# sim_state FIELD: a field of the simulator's final STATE line (after stop_sim); LOGO: the logo it holds.
sim_state() {
    if [ "$1" = LOGO ]; then
        sed -n 's/^LOGO //p' "$SIM_OUT"
    else
        sed -n "s/^STATE .*\b$1=\([^ ]*\).*/\1/p" "$SIM_OUT"
    fi
}

# expect_cli NAME STATUS TEXT_IN_OUTPUT...: the run's exit code and the lines it printed.
expect_cli() {
    local name=$1 status=$2 text
    shift 2
    if [ "$cli_status" != "$status" ]; then
        check_fail "$name: exit code $cli_status, not $status ($(head -c 300 "$CHECK_DIR/$name.out" "$CHECK_DIR/$name.err"))"
        return 1
    fi
    for text in "$@"; do
        if ! grep -qF -- "$text" "$CHECK_DIR/$name.out" "$CHECK_DIR/$name.err"; then
            check_fail "$name: \"$text\" not printed ($(head -c 300 "$CHECK_DIR/$name.out" "$CHECK_DIR/$name.err"))"
            return 1
        fi
    done
}

# expect_state NAME FIELD VALUE: the simulator's final state.
expect_state() {
    local actual
    actual=$(sim_state "$2")
    if [ "$actual" != "$3" ]; then
        check_fail "$1: the terminal holds $2=${actual:0:80}, not ${3:0:80}"
        return 1
    fi
}

# The logo bytes bmp.txt holds, as the simulator prints them: characters 1 to 32 of its 32 lines.
sample_logo_hex() {
    head -n 32 "$program_dir/bmp.txt" | tr -d '\r' | cut -c1-32 | tr -d '\n' | tr 'A-F' 'a-f'
}

check_console_twin() {
    local console window
    console=$("$MINGW-objdump" -p "$program_dir/timeclock-setup-cli.exe")
    window=$("$MINGW-objdump" -p "$program_dir/timeclock-setup.exe")
    if grep -q 'Subsystem.*Windows CUI' <<<"$console" && grep -q 'Subsystem.*Windows GUI' <<<"$window"; then
        check_pass "command line: timeclock-setup-cli.exe is a console program, timeclock-setup.exe a window program"
    else
        check_fail "command line: the programs' subsystems are not console and window"
    fi
}

check_command_line() {
    check_note "command line: each terminal command on COM1, exit code and the terminal's state afterwards"
    start_sim cli-read --serial 0A1B2C || return 0
    run_cli cli-read read-serial --port 1
    stop_sim
    expect_cli cli-read 0 0A1B2C && check_pass "read-serial: 0A1B2C, exit 0"

    start_sim cli-write || return 0
    run_cli cli-write write-serial 5A6B7C --port 1
    stop_sim
    expect_cli cli-write 0 设置成功！ && expect_state cli-write serial 5a6b7c \
        && check_pass "write-serial 5A6B7C: 设置成功！, exit 0, the terminal holds 5a6b7c"

    start_sim cli-settings || return 0
    run_cli cli-settings settings --mode door --picture --delay 5 --font traditional --port 1
    stop_sim
    expect_cli cli-settings 0 设置成功！ && expect_state cli-settings mode 3 && expect_state cli-settings delay 5 \
        && expect_state cli-settings font 1 \
        && check_pass "settings door, picture, delay 5, traditional: exit 0, the terminal holds mode 3, delay 5, font 1"

    start_sim cli-renumber || return 0
    run_cli cli-renumber renumber 7 --port 1
    stop_sim
    expect_cli cli-renumber 0 设置成功！ && expect_state cli-renumber machine 7 \
        && check_pass "renumber 7: exit 0, the terminal answers to 7"

    start_sim cli-logo || return 0
    run_cli cli-logo logo bmp.txt --port 1
    stop_sim
    expect_cli cli-logo 0 下载完成！ && expect_state cli-logo LOGO "$(sample_logo_hex)" \
        && check_pass "logo bmp.txt: 下载完成！, exit 0, the terminal holds the 512 bytes of bmp.txt"

    run_cli cli-help --help
    expect_cli cli-help 0 read-serial write-serial renumber && check_pass "--help lists the commands, exit 0"

    check_note "command line: faults"
    run_cli cli-no-port read-serial --port 7
    expect_cli cli-no-port 3 串口打开失败！ 无此串口 && check_pass "read-serial on COM7: 无此串口, exit 3"

    start_sim cli-silent --silence all || return 0
    run_cli cli-silent read-serial --port 1
    stop_sim
    expect_cli cli-silent 1 通讯失败！ && check_pass "a silent terminal: 通讯失败！, exit 1"

    start_sim cli-unplug --hangup-at 5 || return 0
    run_cli cli-unplug logo bmp.txt --port 1
    stop_sim
    expect_cli cli-unplug 3 串口已断开！ && check_pass "hang-up at logo line 5: 串口已断开！, exit 3"
    start_sim cli-after --serial 00ABCD || return 0
    run_cli cli-after read-serial --port 1
    stop_sim
    expect_cli cli-after 0 00ABCD && check_pass "COM1 usable again after the hang-up"
    return 0
}

# --- the fault matrix: every command against every fault of the line, on the Win32 line

# frames_hex SIM_OUTPUT N: the first N frames a simulator received, address byte and frame, as one hex string.
frames_hex() {
    awk -v n="$2" '$1 == "FRAME" && count < n { printf "%s%s", $3, $4; count++ }' "$1"
}

# received_hex SIM_OUTPUT: every byte the simulator received, as one hex string.
received_hex() {
    sed -n 's/^RX \([0-9a-f]*\).*/\1/p' "$1" | tr -d '\n'
}

# The rows of the Linux tests' fault matrix, one table that tests/tst_fault_matrix.cpp reads too.
FAULT_MATRIX=$REPO/tests/fault_matrix.tsv

# matrix_command COMMAND: how this check runs a command of the table on COM1. --force: write-serial writes
# the same number in every row, which the history remembers after the first.
matrix_command() {
    case $1 in
    renumber) echo "renumber 7" ;;
    settings) echo "settings --mode door" ;;
    read-serial) echo "read-serial" ;;
    write-serial) echo "write-serial 0A1B2C --force" ;;
    logo) echo "logo bmp.txt" ;;
    *) return 1 ;;
    esac
}

# options_of COLUMN: a column of simulator or program options, "-" for none, as words.
options_of() {
    [ "$1" = - ] || echo "$1"
}

check_fault_matrix() {
    check_note "fault matrix: each row of tests/fault_matrix.tsv (command, fault, exit code, words, frames), through the Win32 line"
    local command fault sim_column program_column status words frames name expected actual
    local -a command_words sim_options program_options
    local -A clean_runs=()
    matrix_passed=0
    local rows_before=$check_failures
    # Descriptor 3: the table; every program run here reads /dev/null.
    while IFS=$'\t' read -r -u 3 command fault sim_column program_column status words frames; do
        case $command in '' | '#'*) continue ;; esac
        if ! matrix_command "$command" >/dev/null; then
            check_fail "fault matrix: a command this check cannot run: $command"
            continue
        fi
        read -r -a command_words <<<"$(matrix_command "$command")"
        read -r -a sim_options <<<"$(options_of "$sim_column")"
        read -r -a program_options <<<"$(options_of "$program_column")"
        # The clean run, once a command: what it puts on the line when every answer is right.
        if [ -z "${clean_runs[$command]:-}" ]; then
            start_sim "matrix-$command" || continue
            run_cli "matrix-$command" "${command_words[@]}" --port 1
            stop_sim
            expect_cli "matrix-$command" 0 || continue
            clean_runs[$command]=$SIM_OUT
        fi
        name=matrix-$command-$(tr -cs 'A-Za-z0-9' - <<<"$fault" | sed 's/-$//')
        start_sim "$name" "${sim_options[@]}" || continue
        run_cli "$name" "${command_words[@]}" "${program_options[@]}" --port 1
        stop_sim
        # read-serial prints the serial number it read (the simulator starts with 000000), not 通讯成功！.
        [ "$command" = read-serial ] && [ "$status" = 0 ] && words=000000
        expect_cli "$name" "$status" "$words" || continue
        expected=$(frames_hex "${clean_runs[$command]}" "$([ "$frames" = all ] && echo 1000 || echo "$frames")")
        actual=$(received_hex "$SIM_OUT")
        if [ "$actual" != "$expected" ]; then
            check_fail "$name: the terminal received ${actual:0:120}, not ${expected:0:120}"
            continue
        fi
        matrix_passed=$((matrix_passed + 1))
    done 3<"$FAULT_MATRIX"
    if [ "$check_failures" = "$rows_before" ]; then
        check_pass "fault matrix: $matrix_passed rows, each with its message, exit code and only whole frames on the line"
    fi
}

# --- ports by the names Windows gives them

# register_usb_serial_adapter [PORT [INSTANCE]]: a USB serial adapter as Windows registers one: PORT (COM5)
# among the serial ports, and its device in the Ports class with the name the Device Manager shows.
register_usb_serial_adapter() {
    local port=${1:-COM5} instance=${2:-1}
    local device="HKLM\\System\\CurrentControlSet\\Enum\\USB\\VID_1A86&PID_7523\\5&2F1A0B3&0&$instance"
    {
        wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "VCP$instance" /d "$port" /f
        wine reg add "$device" /v ClassGUID /d '{4d36e978-e325-11ce-bfc1-08002be10318}' /f
        wine reg add "$device" /v FriendlyName /d "USB-SERIAL CH340 ($port)" /f
        wine reg add "$device\\Device Parameters" /v PortName /d "$port" /f
    } >>"$CHECK_DIR/wineboot.log" 2>&1
}

check_port_names() {
    check_note "window: the tooltip of the box 串口 names a USB serial adapter as the Device Manager does"
    register_usb_serial_adapter
    start_window port-names || return 0
    # Qt shows tooltips in the active window only: a click first, then the mouse rests on the box.
    click COM1
    xdotool mousemove_relative 2 1
    sleep 0.3
    xdotool mousemove_relative 1 0
    sleep 4  # the tooltip's delay and fade-in
    local x y
    read -r x y < <(xdotool getmouselocation --shell | sed -n 's/^[XY]=//p' | paste -sd' ')
    # Below the mouse, enlarged and in grey for the OCR.
    # The window's own captions beside the tooltip can spoil one reading: a few crops, any that reads it.
    local found=false crop
    : >"$CHECK_DIR/port-names.txt"
    if import -display "$DISPLAY" -window root "$CHECK_DIR/port-names.png" 2>>"$CHECK_DIR/xvfb.log"; then
        for crop in "320x90+$((x - 40))+$y" "320x60+$((x - 40))+$((y + 6))" "260x55+$((x - 5))+$((y + 5))"; do
            convert "$CHECK_DIR/port-names.png" -crop "$crop" +repage -colorspace Gray -resize 400% \
                -normalize "$CHECK_DIR/port-names-tooltip.png" || continue
            if tesseract "$CHECK_DIR/port-names-tooltip.png" - -l eng --psm 6 2>/dev/null \
                | tee -a "$CHECK_DIR/port-names.txt" | grep -q 'SERIAL CH'; then
                found=true
                break
            fi
        done
    fi
    if $found; then
        check_pass "window: the tooltip lists 5 → USB-SERIAL CH340 (COM5) (read back from $CHECK_DIR/port-names.png)"
    else
        check_fail "window: no USB-SERIAL CH340 in the tooltip (see $CHECK_DIR/port-names.png, port-names.txt)"
    fi
    stop_window
}

# json_field NAME NUMBER FIELD: a text field of the port NUMBER in the JSON lines of the run NAME.
json_field() {
    { grep -E "\"number\": ?$2[,}]" "$CHECK_DIR/$1.out" || true; } | sed -n "s/.*\"$3\": \?\"\([^\"]*\)\".*/\1/p" | head -n 1
}

check_ports_json() {
    check_note "command line: ports --json gives each port's device as --port takes it, the Device Manager's name apart"
    # HKLM\HARDWARE is volatile: what an earlier check registered went with the Wine server that served it.
    # COM5 again, and COM1, where the simulator is, as the second adapter of the same kind.
    register_usb_serial_adapter
    register_usb_serial_adapter COM1 2
    run_cli ports-json ports --json
    expect_cli ports-json 0 || return 0
    local device name
    device=$(json_field ports-json 5 device)
    name=$(json_field ports-json 5 name)
    if [ "$device" = COM5 ] && [ "$name" = 'USB-SERIAL CH340 (COM5)' ]; then
        check_pass "ports --json: number 5 is device COM5, name USB-SERIAL CH340 (COM5)"
    else
        check_fail "ports --json: number 5 is device \"$device\", name \"$name\" (see $CHECK_DIR/ports-json.out)"
    fi
    device=$(json_field ports-json 1 device)
    start_sim ports-device --serial 0D0E0F || return 0
    run_cli ports-device read-serial --port "$device"
    stop_sim
    expect_cli ports-device 0 0D0E0F && check_pass "read-serial --port $device (the device ports --json gave for 1): 0D0E0F"
}

# --- Qt's own texts in Chinese

check_qt_chinese() {
    check_note "Chinese: Qt's own texts from translations/qtbase_zh_CN.qm"
    # The option parser's complaint is Qt's own text, as the texts of its context menus are.
    run_cli cli-qt-zh read-serial --no-such-option --port 1
    expect_cli cli-qt-zh 2 未知选项 && check_pass "command line: Qt's own message in Chinese (未知选项)"

    # The window's own context menu of a text box is Qt's, so its texts come from the same catalogue. So is
    # the file dialog when the program speaks another language than Windows (Wine's is English here): the
    # program then uses Qt's dialogs, which speak the program's language.
    check_note "Chinese: Qt's context menu of the box 机号 and the file dialog of 打开文件 under --lang zh"
    # The dialog opens in the program's folder: a copy in a folder such as a user's would be, so that the
    # picture shows none of this machine's own paths.
    local build_dir=$program_dir
    program_dir="$WINEPREFIX/drive_c/users/Public/Downloads/$(basename "$build_dir")"
    rm -rf "$program_dir"
    mkdir -p "$(dirname "$program_dir")"
    cp -a "$build_dir" "$program_dir"
    # --reset: a logo file remembered from an earlier check would open the dialog in the build folder.
    start_window chinese --lang zh --reset || { program_dir=$build_dir; return 0; }
    right_click ADDRESS
    sleep 2  # the menu's first paint
    if import -display "$DISPLAY" -window root "$CHECK_DIR/chinese-menu.png" 2>>"$CHECK_DIR/xvfb.log"; then
        cp "$CHECK_DIR/chinese-menu.png" "$REPO/docs/windows-wine-qt-chinese.png"
        check_pass "window: Qt's context menu under --lang zh in docs/windows-wine-qt-chinese.png"
    else
        check_fail "window: no screenshot of the context menu"
    fi
    xdotool key Escape
    picture_file_dialog file-dialog 打开文件 zh

    # Traditional Chinese: the program's own texts and Qt's, from translations/qtbase_zh_TW.qm.
    check_note "Traditional Chinese: the command line and the file dialog of 開啟檔案 under --lang zh_TW"
    cli_lang=zh_TW
    run_cli cli-qt-zh_TW read-serial --no-such-option --port 1
    expect_cli cli-qt-zh_TW 2 未知選項 && check_pass "command line: Qt's own message in Traditional Chinese (未知選項)"
    run_cli cli-zh_TW read-serial --machine 256 --port 1
    expect_cli cli-zh_TW 2 機號錯誤 && check_pass "command line: the program's own message in Traditional Chinese (機號錯誤！)"
    cli_lang=zh
    start_window traditional --lang zh_TW --reset || { program_dir=$build_dir; return 0; }
    picture_file_dialog file-dialog-zh_TW 開啟檔案 zh_TW
    program_dir=$build_dir
}

# picture_file_dialog NAME CAPTION LANG: opens the file dialog of the running window, pictures it into
# docs/windows-wine-NAME.png, and closes dialog and window.
picture_file_dialog() {
    local name=$1 caption=$2 lang=$3
    click OpenFile
    sleep 3  # the dialog's first paint
    if import -display "$DISPLAY" -window root "$CHECK_DIR/$name.png" 2>>"$CHECK_DIR/xvfb.log"; then
        cp "$CHECK_DIR/$name.png" "$REPO/docs/windows-wine-$name.png"
        check_pass "window: Qt's file dialog of $caption under --lang $lang in docs/windows-wine-$name.png"
    else
        check_fail "window: no screenshot of the file dialog under --lang $lang"
    fi
    xdotool key Escape
    stop_window
}

# --- the console twin in a console without escape sequences

# The console twin in a console, as a Unix terminal gives Wine one: Wine's console draws the program's text
# on the terminal with escape sequences of its own, each beginning ESC [. An escape sequence of the program
# that the console did not act on is drawn as text: an ESC followed by anything but "[".
check_console_progress() {
    check_note "console: the logo download's progress in a console without virtual-terminal processing"
    start_sim console-progress || return 0
    local typescript=$CHECK_DIR/console-progress.typescript
    # TERM=dumb: a console that takes no escape sequences, which Wine's console never admits to be.
    (cd "$program_dir" && TERM=dumb script -q -e -c "wine timeclock-setup-cli.exe logo bmp.txt --port 1 --lang zh" \
        "$typescript" </dev/null >/dev/null 2>&1) && cli_status=0 || cli_status=$?
    stop_sim
    local shown
    shown=$(perl -pe 's/\e\[[0-9;?]*[A-Za-z]//g' "$typescript")
    # Wine redraws only what changed on the line, so the bar's text is there in pieces.
    if [ "$cli_status" != 0 ] || ! grep -q '/32' <<<"$shown" || ! grep -qF '[#' <<<"$shown"; then
        check_fail "console: no progress bar, exit $cli_status (see $typescript)"
    elif grep -qP '\e(?!\[)' "$typescript"; then
        check_fail "console: an escape sequence of the program shown as text (see $typescript)"
    else
        check_pass "console: the progress bar drawn with carriage returns only, no escape sequence shown"
    fi
}

# --- the installer: silent install, the installed program, silent removal

# The installed folder under the prefix's drive C.
INSTALLED_DIR="$WINEPREFIX/drive_c/Program Files/timeclock-setup"

# start_menu_shortcut: the path of the shortcut 考勤机设置, if there is one. Windows puts a per-machine
# install's shortcut into the all-users Start menu; Wine 8 puts it into the installing user's.
start_menu_shortcut() {
    find "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" \
        "$WINEPREFIX/drive_c/users/"*"/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" \
        -maxdepth 1 -name '考勤机设置.lnk' 2>/dev/null | head -n 1
}

# uninstall_entry MSI FIELD: a value of the Add/Remove Programs entry of the product an MSI installs; empty
# when that product is not installed.
uninstall_entry() {
    local product_code
    product_code=$(msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
    wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code" /v "$2" 2>/dev/null \
        | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

check_installer() {
    local msi_file=$1
    local msi_windows version
    msi_windows=$(winepath -w "$msi_file")
    version=$(project_version)
    check_note "installer: msiexec /i $(basename "$msi_file") /qn"
    if ! wine msiexec /i "$msi_windows" /qn >"$CHECK_DIR/msi-install.log" 2>&1; then
        check_fail "installer: msiexec /i failed (see $CHECK_DIR/msi-install.log)"
        return 0
    fi
    if [ -f "$INSTALLED_DIR/timeclock-setup.exe" ] && [ -f "$INSTALLED_DIR/timeclock-setup-cli.exe" ] \
        && [ -f "$INSTALLED_DIR/platforms/qwindows.dll" ] && [ -f "$INSTALLED_DIR/translations/qtbase_zh_CN.qm" ] \
        && [ -f "$INSTALLED_DIR/translations/qtbase_zh_TW.qm" ]; then
        check_pass "installer: the program in C:\\Program Files\\timeclock-setup, Qt's Chinese catalogues with it"
    else
        check_fail "installer: the program is not in C:\\Program Files\\timeclock-setup"
        return 0
    fi
    local shortcut
    shortcut=$(start_menu_shortcut)
    if [ -n "$shortcut" ] && grep -qa 'timeclock-setup.exe' "$shortcut"; then
        check_pass "installer: the Start-menu shortcut 考勤机设置 to timeclock-setup.exe"
    else
        check_fail "installer: no Start-menu shortcut 考勤机设置 to timeclock-setup.exe"
    fi
    if [ "$(uninstall_entry "$msi_file" DisplayVersion)" = "$version" ] \
        && [ "$(uninstall_entry "$msi_file" Publisher)" = "$MSI_PUBLISHER" ]; then
        check_pass "installer: Add/Remove Programs lists version $version by $MSI_PUBLISHER"
    else
        check_fail "installer: the Add/Remove Programs entry lacks version or publisher"
    fi

    check_note "installer: the installed command line on COM1"
    cli_dir=$INSTALLED_DIR
    start_sim installed-read --serial 3C4D5E || { cli_dir=; return 0; }
    run_cli installed-read read-serial --port 1
    stop_sim
    expect_cli installed-read 0 3C4D5E && check_pass "installed read-serial: 3C4D5E, exit 0"
    start_sim installed-logo || { cli_dir=; return 0; }
    run_cli installed-logo logo bmp.txt --port 1
    stop_sim
    expect_cli installed-logo 0 下载完成！ && expect_state installed-logo LOGO "$(sample_logo_hex)" \
        && check_pass "installed logo bmp.txt: 下载完成！, exit 0, the terminal holds bmp.txt"
    cli_dir=

    # The same folder packed as the next version.
    check_note "installer: a newer version replaces the installed one; the older does not replace the newer"
    local newer newer_version=$version.1
    newer=$(make_msi "$program_dir" "$CHECK_DIR/newer" "$newer_version" 2>"$CHECK_DIR/msi-newer.log")
    if wine msiexec /i "$(winepath -w "$newer")" /qn >>"$CHECK_DIR/msi-newer.log" 2>&1 \
        && [ "$(uninstall_entry "$newer" DisplayVersion)" = "$newer_version" ] \
        && [ -z "$(uninstall_entry "$msi_file" DisplayVersion)" ] && [ -f "$INSTALLED_DIR/timeclock-setup.exe" ]; then
        check_pass "installer: $newer_version replaced $version"
    else
        check_fail "installer: $newer_version did not replace $version (see $CHECK_DIR/msi-newer.log)"
    fi
    if ! wine msiexec /i "$msi_windows" /qn >>"$CHECK_DIR/msi-newer.log" 2>&1 \
        && [ -z "$(uninstall_entry "$msi_file" DisplayVersion)" ]; then
        check_pass "installer: $version refused over $newer_version"
    else
        check_fail "installer: $version installed over $newer_version"
    fi
    msi_windows=$(winepath -w "$newer")

    check_note "installer: msiexec /x $(basename "$newer") /qn"
    if ! wine msiexec /x "$msi_windows" /qn >"$CHECK_DIR/msi-remove.log" 2>&1; then
        check_fail "installer: msiexec /x failed (see $CHECK_DIR/msi-remove.log)"
    elif [ -e "$INSTALLED_DIR" ] || [ -n "$(start_menu_shortcut)" ]; then
        check_fail "installer: removal left $(ls -d "$INSTALLED_DIR" 2>/dev/null) $(start_menu_shortcut)"
    else
        check_pass "installer: removed, the program's folder and the shortcut gone"
    fi
}

# A TCP port nothing uses now (per /proc/net/tcp), picked at random above the usual services.
free_tcp_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 40000))
        grep -qi ":$(printf '%04X' "$port") " /proc/net/tcp || { echo "$port"; return; }
    done
}

# Terminals behind a serial server: the Windows program's Winsock line through a Linux ser2net, started here
# with a configuration of its own in front of the simulated time clock, RFC 2217 and raw.
check_network_ports() {
    local ser2net
    ser2net=$(PATH=$PATH:/usr/sbin:/sbin command -v ser2net || true)
    if [ -z "$ser2net" ]; then
        check_fail "network ports: ser2net is not installed"
        return 0
    fi
    check_note "network ports: read-serial through ser2net with rfc2217:// and socket://"
    start_sim net --machine 255 --serial FF12FF || return 0
    local rfc_port raw_port config=$CHECK_DIR/ser2net.yaml server_pid
    rfc_port=$(free_tcp_port)
    raw_port=$(free_tcp_port)
    cat >"$config" <<YAML
connection: &rfc2217
    accepter: telnet(rfc2217),tcp,127.0.0.1,$rfc_port
    connector: serialdev,$COM1_LINK,local
    options:
      chardelay: false
connection: &raw
    accepter: tcp,127.0.0.1,$raw_port
    connector: serialdev,$COM1_LINK,local
YAML
    "$ser2net" -n -d -c "$config" -P "$CHECK_DIR/ser2net.pid" >"$CHECK_DIR/ser2net.log" 2>&1 </dev/null &
    server_pid=$!
    local _
    for _ in $(seq 50); do
        grep -qi ":$(printf '%04X' "$rfc_port") .* 0A " /proc/net/tcp && grep -qi ":$(printf '%04X' "$raw_port") .* 0A " /proc/net/tcp && break
        sleep 0.1
    done
    run_cli net-rfc2217 read-serial --port "rfc2217://127.0.0.1:$rfc_port" --machine 255
    expect_cli net-rfc2217 0 FF12FF && check_pass "read-serial --port rfc2217://127.0.0.1:$rfc_port --machine 255: FF12FF, exit 0"
    run_cli net-raw read-serial --port "socket://127.0.0.1:$raw_port" --machine 255
    expect_cli net-raw 0 FF12FF && check_pass "read-serial --port socket://127.0.0.1:$raw_port --machine 255: FF12FF, exit 0"
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    run_cli net-refused read-serial --port "rfc2217://127.0.0.1:$rfc_port" --machine 255
    expect_cli net-refused 3 串口打开失败！ "连接被拒绝：127.0.0.1:$rfc_port" \
        && check_pass "read-serial with ser2net gone: 连接被拒绝, exit 3"
    stop_sim
}

# Nothing of the checks is left running: program, simulator, Wine's server, display.
end_checks() {
    stop_window
    stop_sim
    wineserver -k 2>/dev/null || true
    stop_display
}

# run_windows_checks PROGRAM_DIR MSI
run_windows_checks() {
    program_dir=$1
    rm -rf "$CHECK_DIR"
    mkdir -p "$CHECK_DIR"
    # The Linux simulated time clock, from the normal build folder.
    if [ ! -f "$REPO/build/CMakeCache.txt" ]; then
        cmake -S "$REPO" -B "$REPO/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
    fi
    cmake --build "$REPO/build" --target timeclock-sim >&2
    prepare_wine
    start_display || return 1
    trap end_checks EXIT

    check_console_twin
    check_command_line
    check_console_progress
    check_fault_matrix
    check_window
    check_port_names
    check_ports_json
    check_qt_chinese
    check_network_ports
    check_installer "$2"

    end_checks
    trap - EXIT
    if [ "$check_failures" -gt 0 ]; then
        echo "Windows checks: $check_failures failed (Wine's server log: $WINESERVER_LOG)" >&2
        return 1
    fi
    echo "Windows checks: all passed" >&2
}
