<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CommandHistory</name>
    <message>
        <source>历史记录写不进 %1（%2）；命令照常完成，这次起的记录会丢失</source>
        <translation>Cannot write the history to %1 (%2); the command went ahead, but from now on its record is lost</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>考勤机设置V6.1x</source>
        <translation>Time Clock Setup V6.1x</translation>
    </message>
    <message>
        <source>下载OEM_LOGO图片</source>
        <translation>Download Logo</translation>
    </message>
    <message>
        <source>机号</source>
        <comment>accessible name</comment>
        <translation>Machine number</translation>
    </message>
    <message>
        <source>机号</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>提示信息</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>读序列号</source>
        <translation>Read Serial No.</translation>
    </message>
    <message>
        <source>写序列号</source>
        <translation>Write Serial No.</translation>
    </message>
    <message>
        <source>开锁延时:</source>
        <translation>Unlock:</translation>
    </message>
    <message>
        <source>开锁延时</source>
        <comment>accessible name</comment>
        <translation>Unlock delay</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>模式选择</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>考勤响铃模式</source>
        <translation>Bell</translation>
    </message>
    <message>
        <source>考勤门禁模式</source>
        <translation>Door lock</translation>
    </message>
    <message>
        <source>字体选择</source>
        <translation>Characters</translation>
    </message>
    <message>
        <source>简体字</source>
        <comment>accessible name</comment>
        <translation>Simplified Chinese</translation>
    </message>
    <message>
        <source>简体</source>
        <translation>Simpl.</translation>
    </message>
    <message>
        <source>繁体字</source>
        <comment>accessible name</comment>
        <translation>Traditional Chinese</translation>
    </message>
    <message>
        <source>繁体</source>
        <translation>Trad.</translation>
    </message>
    <message>
        <source>提示信息：</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>设置考勤机</source>
        <translation>Set Up Terminal</translation>
    </message>
    <message>
        <source>开机OEM图片</source>
        <translation>Start logo</translation>
    </message>
    <message>
        <source>下载进度</source>
        <translation>Download progress</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>打卡延时:</source>
        <translation>Punch:</translation>
    </message>
    <message>
        <source>打卡延时</source>
        <comment>accessible name</comment>
        <translation>Punch delay</translation>
    </message>
    <message>
        <source>改机号</source>
        <comment>accessible name</comment>
        <translation>Change machine number</translation>
    </message>
    <message>
        <source>改号</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>OEM图片预览</source>
        <translation>Logo preview</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>图片文件 (*.png *.bmp *.jpg *.jpeg *.gif)</source>
        <translation>Images (*.png *.bmp *.jpg *.jpeg *.gif)</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>查找机号…</source>
        <translation>Find Machine Numbers…</translation>
    </message>
    <message>
        <source>历史记录…</source>
        <translation>History…</translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>还没有历史记录</source>
        <translation>No history yet</translation>
    </message>
</context>
<context>
    <name>LogoPreview</name>
    <message>
        <source>反色</source>
        <translation>Invert</translation>
    </message>
    <message>
        <source>抖动</source>
        <translation>Dither</translation>
    </message>
    <message>
        <source>另存为文本文件…</source>
        <translation>Save as Text File…</translation>
    </message>
</context>
<context>
    <name>MachineScan</name>
    <message>
        <source>找到 %1 台考勤机</source>
        <translation>Terminals found: %1</translation>
    </message>
    <message>
        <source>上次查找机号时这条线上有 %1 台考勤机：改号会让每一台都换成新机号。</source>
        <translation>The last search found %1 terminals on this line: renumbering gives every one of them the new number.</translation>
    </message>
</context>
<context>
    <name>MachineScanDialog</name>
    <message>
        <source>查找机号</source>
        <translation>Find Machine Numbers</translation>
    </message>
    <message>
        <source>回答的考勤机</source>
        <translation>Terminals that answered</translation>
    </message>
    <message>
        <source>用这个机号</source>
        <translation>Use This Number</translation>
    </message>
    <message>
        <source>正在查找机号 %1-%2（%3）…</source>
        <translation>Asking machine numbers %1-%2 (%3)…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>机号 %1    序列号 %2</source>
        <translation>Machine %1    serial number %2</translation>
    </message>
    <message>
        <source>机号 %1 回答太迟（序列号 %2）</source>
        <translation>Machine %1 answered too late (serial number %2)</translation>
    </message>
    <message>
        <source>机号 %1 回答错误（%2）</source>
        <translation>Machine %1: wrong answer (%2)</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>没有考勤机回答：请检查连线和串口号</source>
        <translation>No terminal answered: check the cable and the port number</translation>
    </message>
    <message>
        <source>不知道机号？在机号框上按右键（或菜单键），选“查找机号…”</source>
        <translation>Machine number unknown? Right-click the ID box (or press the menu key there) and choose “Find Machine Numbers…”</translation>
    </message>
    <message>
        <source>确实让每一台都换成新机号吗？</source>
        <translation>Give every one of them the new number?</translation>
    </message>
</context>
<context>
    <name>PortCatalogue</name>
    <message>
        <source>%1 号 %2</source>
        <translation>port %1 %2</translation>
    </message>
    <message>
        <source>；可用：%1</source>
        <translation>; available: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>PortListPopup</name>
    <message>
        <source>没有找到串口：请插上 USB 转串口线</source>
        <translation>No serial port found: plug in the USB serial adapter</translation>
    </message>
    <message>
        <source>按 ↓ 选择</source>
        <translation>Press ↓ to choose</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>设置成功！</source>
        <translation>Done.</translation>
    </message>
    <message>
        <source>通讯失败！</source>
        <translation>No answer from the terminal.</translation>
    </message>
    <message>
        <source>通讯成功！</source>
        <translation>Serial number read.</translation>
    </message>
    <message>
        <source>通讯中断！</source>
        <translation>Download interrupted.</translation>
    </message>
    <message>
        <source>下载完成！</source>
        <translation>Download complete.</translation>
    </message>
    <message>
        <source>正在通讯…</source>
        <translation>Talking to the terminal…</translation>
    </message>
    <message>
        <source>正在下载…</source>
        <translation>Downloading…</translation>
    </message>
    <message>
        <source>请检查连线、串口号和机号</source>
        <translation>Check the cable, the port number and the machine number.</translation>
    </message>
    <message>
        <source>串口号错误！</source>
        <translation>Invalid port number.</translation>
    </message>
    <message>
        <source>机号错误！</source>
        <translation>Invalid machine number.</translation>
    </message>
    <message>
        <source>延时错误！</source>
        <translation>Invalid delay.</translation>
    </message>
    <message>
        <source>序列号错误！</source>
        <translation>Invalid serial number.</translation>
    </message>
    <message>
        <source>串口打开失败！（%1）</source>
        <translation>Cannot open the port (%1).</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>无此串口</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>权限不足</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>串口被占用</source>
        <translation>in use</translation>
    </message>
    <message>
        <source>%1号</source>
        <translation>port %1</translation>
    </message>
    <message>
        <source>串口已断开！</source>
        <translation>The port was disconnected.</translation>
    </message>
    <message>
        <source>正在通讯，请稍候！</source>
        <translation>Busy, please wait.</translation>
    </message>
    <message>
        <source>文件打开失败！</source>
        <translation>Cannot open the file.</translation>
    </message>
    <message>
        <source>文件数据不足！</source>
        <translation>The file is too short.</translation>
    </message>
    <message>
        <source>文件数据错误！（第%1行）</source>
        <translation>Bad data in the file (line %1).</translation>
    </message>
    <message>
        <source>图片无法读取！</source>
        <translation>Cannot read the picture.</translation>
    </message>
    <message>
        <source>文件保存失败！</source>
        <translation>Cannot save the file.</translation>
    </message>
    <message>
        <source>正在下载OEM图片，确定退出吗？</source>
        <translation>The logo is still downloading. Quit anyway?</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>cli</name>
    <message>
        <source>未知命令：%1（timeclock-setup --help 列出所有命令）</source>
        <translation>Unknown command: %1 (timeclock-setup --help lists them all)</translation>
    </message>
    <message>
        <source>串口：号码按窗口的规则找设备，路径按原样使用（默认 1）</source>
        <translation>Port: a number finds its device as the window does, a path is used as it is (default 1)</translation>
    </message>
    <message>
        <source>考勤机的机号（默认 18）</source>
        <translation>The terminal&apos;s machine number (default 18)</translation>
    </message>
    <message>
        <source>每个结果输出一个 JSON 对象到标准输出</source>
        <translation>Write each result as one JSON object to standard output</translation>
    </message>
    <message>
        <source>在标准错误上显示收发的每个字节及时间</source>
        <translation>Show every byte written and read, with its time, on standard error</translation>
    </message>
    <message>
        <source>语言：zh 或 en</source>
        <translation>Language: zh or en</translation>
    </message>
    <message>
        <source>显示本命令的帮助</source>
        <translation>Show this command&apos;s help</translation>
    </message>
    <message>
        <source>缺少参数</source>
        <translation>missing argument</translation>
    </message>
    <message>
        <source>多余的参数</source>
        <translation>too many arguments</translation>
    </message>
    <message>
        <source>用法:</source>
        <translation>Usage:</translation>
    </message>
    <message>
        <source>选项:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>退出码:</source>
        <translation>Exit codes:</translation>
    </message>
    <message>
        <source>  0  完成
  1  考勤机没有及时回答，或回答错误
  2  用法或输入错误（什么也没发送）
  3  串口打不开或已断开
  4  文件无法使用
</source>
        <translation>  0  done
  1  the terminal did not answer in time, or answered wrongly
  2  wrong usage or input (nothing was sent)
  3  the port could not be opened, or went away
  4  a file could not be used
</translation>
    </message>
    <message>
        <source>不用串口：在终端里画出将要下载的 128 × 32 图片</source>
        <translation>No port: draw the 128 × 32 picture a download would send, in the terminal</translation>
    </message>
    <message>
        <source>不用串口：把图片转换成 logo 文本文件</source>
        <translation>No port: convert a picture to a logo text file</translation>
    </message>
    <message>
        <source>成批设置：改号、设置、下载图片、读序列号，一台接一台</source>
        <translation>Set up many terminals, one after another: number, settings, logo, serial number</translation>
    </message>
    <message>
        <source>设置串口上的考勤机。不带命令时打开窗口；带命令时不开窗口，执行一个命令后退出（不需要显示器），适合脚本和成批设置。</source>
        <translation>Sets up a time-attendance terminal on a serial port. Without a command it opens the window; with one it runs that command without a window and exits (no display needed), for scripts and for setting up many terminals.</translation>
    </message>
    <message>
        <source>命令:</source>
        <translation>Commands:</translation>
    </message>
    <message>
        <source>命令的通用选项:</source>
        <translation>Options of every command:</translation>
    </message>
    <message>
        <source>显示版本</source>
        <translation>Show the version</translation>
    </message>
    <message>
        <source>每个命令的选项: timeclock-setup COMMAND --help</source>
        <translation>Each command&apos;s options: timeclock-setup COMMAND --help</translation>
    </message>
    <message>
        <source>窗口的选项:</source>
        <translation>Options of the window:</translation>
    </message>
    <message>
        <source>串口号 N 对应设备 DEVICE（可重复）</source>
        <translation>Port number N reaches DEVICE (repeatable)</translation>
    </message>
    <message>
        <source>JSON:</source>
        <translation>JSON:</translation>
    </message>
    <message>
        <source>  --json 时每个结果在标准输出上占一行 JSON 对象，键为 command、ok、status、message、serial、machine、elapsed_ms；status 为 ok、no-reply、wrong-reply、port-lost、port-open-failed、bad-input、file-error 之一。</source>
        <translation>  With --json each result is one line on standard output, a JSON object with the keys command, ok, status, message, serial, machine, elapsed_ms; status is one of ok, no-reply, wrong-reply, port-lost, port-open-failed, bad-input, file-error.</translation>
    </message>
    <message>
        <source>provision 的配置文件 (INI):</source>
        <translation>provision&apos;s profile (INI):</translation>
    </message>
    <message>
        <source>  [settings] mode=bell|door picture=true|false delay=0-255 font=simplified|traditional
  [logo] file=图片或 logo 文本文件（相对于配置文件所在目录） invert=true|false dither=true|false
  缺少的键取窗口的初始值；没有 [logo] 时不下载图片。
  每台：改号为 N，设置，下载图片，用机号 N 读序列号；--report FILE.csv 每台写一行。</source>
        <translation>  [settings] mode=bell|door picture=true|false delay=0-255 font=simplified|traditional
  [logo] file=a picture or logo text file (relative to the profile&apos;s folder) invert=true|false dither=true|false
  A missing key takes the window&apos;s starting value; without [logo] no picture is downloaded.
  Each terminal: number it N, write the settings, download the logo, read the serial number at N; --report FILE.csv writes a line for each.</translation>
    </message>
    <message>
        <source>不用串口：在终端里画出将要下载的 128 × 32 图片（每行文字两行点）</source>
        <translation>No port: draw the 128 × 32 picture a download would send, in the terminal (two rows of dots per line of text)</translation>
    </message>
    <message>
        <source>不用串口：把图片转换成 logo 文本文件，输出写入的路径</source>
        <translation>No port: convert a picture to a logo text file and print the path written</translation>
    </message>
    <message>
        <source>要写的 logo 文本文件</source>
        <translation>The logo text file to write</translation>
    </message>
    <message>
        <source>缺少 -o FILE.txt</source>
        <translation>-o FILE.txt is missing</translation>
    </message>
    <message>
        <source>剩余 %1 秒</source>
        <translation>%1 s left</translation>
    </message>
    <message>
        <source>共 %1 台，全部成功</source>
        <translation>%1 terminals, all done</translation>
    </message>
    <message>
        <source>共 %1 台：成功 %2 台，失败 %3 台（%4）</source>
        <translation>%1 terminals: %2 done, %3 failed (%4)</translation>
    </message>
    <message>
        <source>成批设置：每台接上后改号、设置、下载图片，再用新机号读序列号确认。标准输入不是终端时按来的行回答，读完后不再询问，失败的跳过</source>
        <translation>Set up many terminals: as each is connected, give it its number, write the settings and download the logo, then read its serial number at the new number to confirm. When standard input is not a terminal its lines are the answers; once they run out nothing more is asked and failed terminals are skipped</translation>
    </message>
    <message>
        <source>要给的机号，如 1-20,25（默认 1-255）</source>
        <translation>The machine numbers to give, e.g. 1-20,25 (default 1-255)</translation>
    </message>
    <message>
        <source>每台一行写入 CSV 报告</source>
        <translation>Write a CSV report, one line per terminal</translation>
    </message>
    <message>
        <source>接上第 %1 台考勤机（机号 %2）后按回车，输入 q 结束</source>
        <translation>Connect terminal %1 (machine number %2) and press Enter, or type q to stop</translation>
    </message>
    <message>
        <source>第 %1 台失败：按回车重试，s 跳过，q 结束</source>
        <translation>Terminal %1 failed: Enter tries again, s skips it, q stops</translation>
    </message>
    <message>
        <source>配置文件格式错误！</source>
        <translation>The profile is not a valid INI file.</translation>
    </message>
    <message>
        <source>模式错误！</source>
        <translation>Invalid mode.</translation>
    </message>
    <message>
        <source>应为 true 或 false</source>
        <translation>must be true or false</translation>
    </message>
    <message>
        <source>字体错误！</source>
        <translation>Invalid font.</translation>
    </message>
    <message>
        <source>考勤响铃模式 bell（默认）或考勤门禁模式 door</source>
        <translation>Attendance with a bell: bell (default), or door lock: door</translation>
    </message>
    <message>
        <source>开机显示OEM图片</source>
        <translation>Show the logo at start-up</translation>
    </message>
    <message>
        <source>延时（0-255，默认 0）：门禁模式或开机图片时为开锁延时，否则为打卡延时</source>
        <translation>Delay (0-255, default 0): the unlock delay in door mode or with the start-up logo, else the punch delay</translation>
    </message>
    <message>
        <source>字体：简体 simplified（默认）或繁体 traditional</source>
        <translation>Characters: simplified (default) or traditional Chinese</translation>
    </message>
    <message>
        <source>改号：把新机号 NEW 发到改号地址（不用 --machine）</source>
        <translation>Renumber: send the new machine number NEW to the renumbering address (--machine is not used)</translation>
    </message>
    <message>
        <source>设置考勤机：模式、开机图片、延时和字体（默认同窗口初始状态）</source>
        <translation>Write the terminal&apos;s settings: mode, start-up logo, delay and characters (defaults as the window starts)</translation>
    </message>
    <message>
        <source>读序列号：输出六位十六进制数</source>
        <translation>Read the serial number: prints six hexadecimal digits</translation>
    </message>
    <message>
        <source>写序列号：六位十六进制数</source>
        <translation>Write the serial number: six hexadecimal digits</translation>
    </message>
    <message>
        <source>下载OEM_LOGO图片：logo 文本文件或任何图片（同窗口的读法）</source>
        <translation>Download the logo: a logo text file or any picture (read as the window reads it)</translation>
    </message>
    <message>
        <source>图片反色</source>
        <translation>Invert the picture</translation>
    </message>
    <message>
        <source>图片用抖动保留灰度（只对图片）</source>
        <translation>Dither the picture to keep its greys (pictures only)</translation>
    </message>
    <message>
        <source>不用考勤机：列出能用的串口，连同 USB 名称、固定名和是否被占用</source>
        <translation>No terminal: list the serial ports with their USB names, stable names and whether they are in use</translation>
    </message>
    <message>
        <source>查找机号：列出这条线上回答的考勤机和它们的序列号</source>
        <translation>Find machine numbers: list the terminals that answer on this line, with their serial numbers</translation>
    </message>
    <message>
        <source>不用串口：列出发给考勤机的命令的历史记录</source>
        <translation>No port: list the history of commands sent to terminals</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>free</translation>
    </message>
    <message>
        <source>被占用</source>
        <translation>in use</translation>
    </message>
    <message>
        <source>权限不足</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>制造商 %1</source>
        <translation>manufacturer %1</translation>
    </message>
    <message>
        <source>序列号 %1</source>
        <translation>serial number %1</translation>
    </message>
    <message>
        <source>列出能用的串口：号码（同窗口和 --port）、设备、USB 名称和编号、固定名、是否被占用</source>
        <translation>List the serial ports: number (as the window and --port take it), device, USB names and ids, stable name, whether in use</translation>
    </message>
    <message>
        <source>串口号 N 对应设备 DEVICE（可重复），同窗口的 --port</source>
        <translation>Port number N reaches DEVICE (repeatable), as the window&apos;s --port</translation>
    </message>
    <message>
        <source>没有找到串口：请插上 USB 转串口线，或用 --port N=DEVICE 指定设备</source>
        <translation>No serial port found: plug in the USB serial adapter, or name the device with --port N=DEVICE</translation>
    </message>
    <message>
        <source>机号 %1：序列号 %2</source>
        <translation>Machine %1: serial number %2</translation>
    </message>
    <message>
        <source>机号 %1 回答太迟（序列号 %2）：请用更长的 --timeout 再查</source>
        <translation>Machine %1 answered too late (serial number %2): scan again with a longer --timeout</translation>
    </message>
    <message>
        <source>机号 %1：回答错误（%2）</source>
        <translation>Machine %1: wrong answer (%2)</translation>
    </message>
    <message>
        <source>确实要这样，请加 --all；只改一台，请先拔掉其他考勤机</source>
        <translation>To do that, add --all; to renumber one alone, unplug the others first</translation>
    </message>
    <message>
        <source>查找机号：依次读每个机号的序列号（不改变考勤机），列出回答的考勤机</source>
        <translation>Find machine numbers: read the serial number at each number in turn (nothing on the terminal changes) and list the terminals that answer</translation>
    </message>
    <message>
        <source>要查的机号，如 0-255（默认）或 18</source>
        <translation>The machine numbers to ask, e.g. 0-255 (default) or 18</translation>
    </message>
    <message>
        <source>每个机号等回答的毫秒数（默认 %1）</source>
        <translation>Milliseconds to wait for each number&apos;s answer (default %1)</translation>
    </message>
    <message>
        <source>等待时间错误！（1-10000 毫秒）</source>
        <translation>Invalid wait (1-10000 ms).</translation>
    </message>
    <message>
        <source>不用串口：列出窗口和命令行发给考勤机的每个命令（时间、串口、机号、命令、结果、序列号、图片摘要）</source>
        <translation>No port: list every command the window and the command line sent to terminals (time, port, machine number, command, outcome, serial number, logo digest)</translation>
    </message>
    <message>
        <source>还没有历史记录（%1）</source>
        <translation>No history yet (%1)</translation>
    </message>
    <message>
        <source>线上有几台考勤机时，确实让每一台都换成新机号</source>
        <translation>With several terminals on the line: do give every one of them the new number</translation>
    </message>
    <message>
        <source>忘掉以前记住的串口、--port 对应和图片文件</source>
        <translation>Forget the port, --port mappings and logo file kept from earlier runs</translation>
    </message>
    <message>
        <source>没有考勤机回答（机号 %1）：请检查连线和串口号</source>
        <translation>No terminal answered (machine numbers %1): check the cable and the port number</translation>
    </message>
</context>
</TS>
