<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CommandHistory</name>
    <message>
        <source>历史记录写不进 %1（%2）；命令照常完成，这次起的记录会丢失</source>
        <translation>Cannot write the history to %1 (%2); the command went ahead, but from now on its record is lost</translation>
    </message>
    <message>
        <source>%1 写入 %2 的 %3 号机</source>
        <translation>on %1 into ID %3 on %2</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>确实让每一台都换成新机号吗？</source>
        <translation>Give every one of them the new number?</translation>
    </message>
    <message>
        <source>不知道这条线上有几台考勤机（记住的设置无法读写）：改号会让每一台都换成新机号。</source>
        <translation>How many terminals are on this line is not known (the remembered settings cannot be read or written): renumbering gives every one of them the new number.</translation>
    </message>
    <message>
        <source>考勤机设置V6.1x</source>
        <translation>Time Clock Setup V6.1x</translation>
    </message>
    <message>
        <source>下载OEM_LOGO图片</source>
        <translation>Download &amp;Logo</translation>
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
        <translation>R&amp;ead Serial No.</translation>
    </message>
    <message>
        <source>写序列号</source>
        <translation>&amp;Write Serial No.</translation>
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
        <translation>Set &amp;Up Terminal</translation>
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
        <translation>&amp;Open File</translation>
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
        <translation>&amp;Renumber…</translation>
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
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>每个点反过来：黑变白，白变黑</source>
        <translation>Turn every dot over: black becomes white, white black</translation>
    </message>
    <message>
        <source>反色(&amp;I)</source>
        <translation>&amp;Invert</translation>
    </message>
    <message>
        <source>用点的疏密表现图片的灰度（只对图片）</source>
        <translation>Show the picture&apos;s greys by how close the dots lie (pictures only)</translation>
    </message>
    <message>
        <source>抖动(&amp;D)</source>
        <translation>&amp;Dither</translation>
    </message>
    <message>
        <source>裁去图片多余的两边，填满 128 × 32；不选则整张放入，留白边</source>
        <translation>Crop what sticks out at the sides and fill 128 × 32; unticked, the whole picture fits in with white margins</translation>
    </message>
    <message>
        <source>填满(&amp;F)</source>
        <translation>&amp;Fill</translation>
    </message>
    <message>
        <source>用输入的文字作图片</source>
        <translation>Make the logo from typed text</translation>
    </message>
    <message>
        <source>文字…(&amp;T)</source>
        <translation>&amp;Text…</translation>
    </message>
    <message>
        <source>把预览的图片另存为 logo 文本文件</source>
        <translation>Save the previewed picture as a logo text file</translation>
    </message>
    <message>
        <source>另存为…(&amp;S)</source>
        <translation>&amp;Save As…</translation>
    </message>
    <message>
        <source>图片太扁：只剩 %1 行点</source>
        <translation>Picture too flat: only %1 rows of dots</translation>
    </message>
    <message>
        <source>文字：%1</source>
        <translation>Text: %1</translation>
    </message>
    <message>
        <source>文本文件和图片 (*.txt %1)</source>
        <translation>Text files and images (*.txt %1)</translation>
    </message>
    <message>
        <source>图片文件 (%1)</source>
        <translation>Images (%1)</translation>
    </message>
    <message>
        <source>查找机号…</source>
        <translation>Find Machine Numbers…</translation>
    </message>
    <message>
        <source>历史记录…</source>
        <translation>History…</translation>
    </message>
    <message>
        <source>线上的每台考勤机都改用机号框里的号</source>
        <translation>Every terminal on the line takes the number in the ID box</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>文件已改变：请看过预览再下载</source>
        <translation>The file has changed: look at the preview, then download.</translation>
    </message>
    <message>
        <source>图片是空白的，仍然下载吗？</source>
        <translation>The picture is blank. Download it anyway?</translation>
    </message>
    <message>
        <source>“%1”</source>
        <translation>“%1”</translation>
    </message>
    <message>
        <source>序列号 %1 是从 %2 号串口、%3 号机的考勤机读出的，这台考勤机（%4 号串口、%5 号机）的序列号却是 %6：两台考勤机会有同一个序列号。仍然写入吗？</source>
        <translation>Serial number %1 was read from the terminal at port %2, ID %3, but this terminal (port %4, ID %5) holds %6: two terminals would have the same serial number. Write it anyway?</translation>
    </message>
    <message>
        <source>序列号 %1 已在 %2，这台考勤机的序列号却是 %3：两台考勤机会有同一个序列号。仍然写入吗？</source>
        <translation>Serial number %1 was written before, %2, but this terminal holds %3: two terminals would have the same serial number. Write it anyway?</translation>
    </message>
    <message>
        <source>没有写入序列号 %1（这台考勤机的序列号仍是 %2）</source>
        <translation>Serial number %1 not written (this terminal still holds %2)</translation>
    </message>
    <message>
        <source>没有下载：图片是空白的</source>
        <translation>Not downloaded: the picture is blank</translation>
    </message>
    <message>
        <source>读不出这台考勤机的序列号，没有写入</source>
        <translation>this terminal&apos;s serial number could not be read; nothing written</translation>
    </message>
    <message>
        <source>序列号框里的 %1 不是从这台考勤机读出的</source>
        <translation>the %1 in the serial number box was not read from this terminal</translation>
    </message>
    <message>
        <source>继续下载</source>
        <translation>The download goes on</translation>
    </message>
    <message>
        <source>机号已设为 %1（查找机号选定）</source>
        <translation>Machine number set to %1 (chosen by Find Machine Numbers)</translation>
    </message>
    <message>
        <source>机号已设为 %1（查找机号没有查完就停了）</source>
        <translation>Machine number set to %1 (Find Machine Numbers stopped before the end)</translation>
    </message>
    <message>
        <source>查找机号已关闭，没有选用机号</source>
        <translation>Find Machine Numbers closed; no number chosen</translation>
    </message>
    <message>
        <source>查找机号已取消，没有查完</source>
        <translation>Find Machine Numbers cancelled before the end</translation>
    </message>
    <message>
        <source>没有改号</source>
        <translation>Not renumbered</translation>
    </message>
    <message>
        <source>没有另存</source>
        <translation>Not saved</translation>
    </message>
    <message>
        <source>图片没有改变（%1）</source>
        <translation>Picture unchanged (%1)</translation>
    </message>
    <message>
        <source>正在退出：等考勤机回答这一行</source>
        <translation>Closing: waiting for the terminal to answer this line</translation>
    </message>
    <message>
        <source>现场一览…</source>
        <translation>Site Table…</translation>
    </message>
    <message>
        <source>串口已设为 %1，机号已设为 %2（查找机号选定）</source>
        <translation>Port set to %1, machine number set to %2 (chosen by Find Machine Numbers)</translation>
    </message>
    <message>
        <source>串口已设为 %1，机号已设为 %2（查找机号没有查完就停了）</source>
        <translation>Port set to %1, machine number set to %2 (Find Machine Numbers stopped before the end)</translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <source>改号</source>
        <translation>Renumber</translation>
    </message>
    <message>
        <source>设置考勤机</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>读序列号</source>
        <translation>Read serial number</translation>
    </message>
    <message>
        <source>写序列号</source>
        <translation>Write serial number</translation>
    </message>
    <message>
        <source>下载OEM_LOGO图片</source>
        <translation>Download logo</translation>
    </message>
    <message>
        <source>查找机号</source>
        <translation>Find machine numbers</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>done</translation>
    </message>
    <message>
        <source>没有回答</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>回答错误</source>
        <translation>wrong answer</translation>
    </message>
    <message>
        <source>串口已断开</source>
        <translation>port lost</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>port did not open</translation>
    </message>
    <message>
        <source>已中断</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>考勤机确认了 %1 行</source>
        <translation>the terminal confirmed %1 lines</translation>
    </message>
    <message>
        <source>机号 %1 序列号 %2</source>
        <translation>machine %1 serial %2</translation>
    </message>
    <message>
        <source>机号 %1 回答太迟（序列号 %2）</source>
        <translation>machine %1 answered too late (serial %2)</translation>
    </message>
    <message>
        <source>机号 %1 回答错误</source>
        <translation>machine %1 answered wrongly</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
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
        <source>反色(&amp;I)</source>
        <translation>&amp;Invert</translation>
    </message>
    <message>
        <source>抖动(&amp;D)</source>
        <translation>&amp;Dither</translation>
    </message>
    <message>
        <source>另存为文本文件…(&amp;S)</source>
        <translation>&amp;Save as Text File…</translation>
    </message>
</context>
<context>
    <name>LogoTextDialog</name>
    <message>
        <source>文字</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>（可不填）</source>
        <translation>(optional)</translation>
    </message>
    <message>
        <source>放满</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source> 点</source>
        <translation> dots</translation>
    </message>
    <message>
        <source>粗体(&amp;B)</source>
        <translation>&amp;Bold</translation>
    </message>
    <message>
        <source>居左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>居中</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>居右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>第一行(&amp;1)：</source>
        <translation>Line &amp;1:</translation>
    </message>
    <message>
        <source>第二行(&amp;2)：</source>
        <translation>Line &amp;2:</translation>
    </message>
    <message>
        <source>字体(&amp;F)：</source>
        <translation>&amp;Font:</translation>
    </message>
    <message>
        <source>大小(&amp;S)：</source>
        <translation>&amp;Size:</translation>
    </message>
    <message>
        <source>对齐(&amp;A)：</source>
        <translation>&amp;Alignment:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>MachineScan</name>
    <message>
        <source>找到 %1 台考勤机</source>
        <translation>Terminals found: %1</translation>
    </message>
    <message>
        <source>机号 %1：可能有两台考勤机同号</source>
        <translation>Machine %1: two terminals may share this number</translation>
    </message>
    <message>
        <source>上次查找机号时这条线上有 %1 台考勤机：改号会让每一台都换成新机号。</source>
        <translation>The last search found %1 terminals on this line: renumbering gives every one of them the new number.</translation>
    </message>
    <message>
        <source>上次查找机号没有查完每个机号（找到 %1 台，其余机号不知道）：改号会让这条线上每一台都换成新机号。</source>
        <translation>The last search did not ask every number (it found %1 terminals; the other numbers are unknown): renumbering gives every terminal on this line the new number.</translation>
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
        <source>机号 %1    序列号 %2    回答慢</source>
        <translation>Machine %1    serial number %2    slow</translation>
    </message>
    <message>
        <source>短等待内没有回答，等一秒再问一次才找到</source>
        <translation>No answer within the short wait; found when asked again with a one-second wait</translation>
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
        <source>扫描所有映射的串口</source>
        <translation>Scan every mapped port</translation>
    </message>
    <message>
        <source>没有对应的串口：用 --port N=DEVICE 启动窗口时给出</source>
        <translation>No port is mapped: give them with --port N=DEVICE when starting the window</translation>
    </message>
    <message>
        <source>串口 %1 = %2</source>
        <translation>Port %1 = %2</translation>
    </message>
    <message>
        <source>正在查找 %1 个串口的机号 %2-%3…</source>
        <translation>Finding machine numbers %2-%3 on %1 ports…</translation>
    </message>
    <message>
        <source>%1/%2 串口，%3/%4 个机号</source>
        <translation>%1/%2 ports, %3/%4 machine numbers</translation>
    </message>
    <message>
        <source>串口 %1    %2</source>
        <translation>Port %1    %2</translation>
    </message>
    <message>
        <source>没有考勤机回答</source>
        <translation>No terminal answered</translation>
    </message>
    <message>
        <source>串口 %1（%2）：%3</source>
        <translation>Port %1 (%2): %3</translation>
    </message>
    <message>
        <source>%1 个串口查完：</source>
        <translation>%1 ports scanned: </translation>
    </message>
    <message>
        <source>；%1 个串口打不开或断开了（见列表）</source>
        <translation>; %1 ports could not be opened or were lost (see the list)</translation>
    </message>
    <message>
        <source>正在停止：每条线等它在途的回答…</source>
        <translation>Stopping: each line waits for the answer on its way…</translation>
    </message>
</context>
<context>
    <name>NetworkAddress</name>
    <message>
        <source>不是网络地址</source>
        <translation>not a network address</translation>
    </message>
    <message>
        <source>方括号里要是 IPv6 地址</source>
        <translation>the brackets must hold an IPv6 address</translation>
    </message>
    <message>
        <source>方括号后面要是冒号和端口号</source>
        <translation>the brackets must be followed by a colon and the port number</translation>
    </message>
    <message>
        <source>IPv6 地址要写在方括号里，如 [::1]:端口</source>
        <translation>an IPv6 address goes in brackets, as in [::1]:PORT</translation>
    </message>
    <message>
        <source>缺少主机名</source>
        <translation>the host name is missing</translation>
    </message>
    <message>
        <source>主机名错误：%1</source>
        <translation>bad host name: %1</translation>
    </message>
    <message>
        <source>端口号后面不能再有别的：%1</source>
        <translation>nothing may follow the port number: %1</translation>
    </message>
    <message>
        <source>%1 要写端口号，如 %1主机:端口</source>
        <translation>%1 needs a port number, as in %1HOST:PORT</translation>
    </message>
    <message>
        <source>端口号要在 1 到 65535 之间：%1</source>
        <translation>the port number must be 1 to 65535: %1</translation>
    </message>
</context>
<context>
    <name>NetworkLine</name>
    <message>
        <source>服务器断开了连接</source>
        <translation>the server closed the connection</translation>
    </message>
    <message>
        <source>服务器的串口是 %1 波特，不是 %2</source>
        <translation>the server&apos;s port runs at %1 baud, not %2</translation>
    </message>
    <message>
        <source>服务器的串口是 %1 位数据，不是 %2 位</source>
        <translation>the server&apos;s port has %1 data bits, not %2</translation>
    </message>
    <message>
        <source>服务器的串口有校验位（RFC 2217 的第 %1 种），不是无校验</source>
        <translation>the server&apos;s port has parity (RFC 2217 kind %1), not none</translation>
    </message>
    <message>
        <source>服务器的串口不是 1 个停止位（RFC 2217 的第 %1 种）</source>
        <translation>the server&apos;s port does not have 1 stop bit (RFC 2217 kind %1)</translation>
    </message>
    <message>
        <source>%1 秒内没有查到这个名字</source>
        <translation>the name was not found within %1 s</translation>
    </message>
</context>
<context>
    <name>PortCatalogue</name>
    <message>
        <source>（不存在）</source>
        <translation> (not there)</translation>
    </message>
    <message>
        <source>%1，进程 %2</source>
        <translation>%1, process %2</translation>
    </message>
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
    <message>
        <source>进程 %1</source>
        <translation>process %1</translation>
    </message>
    <message>
        <source>%1（进程 %2）</source>
        <translation>%1 (process %2)</translation>
    </message>
    <message>
        <source>（有回声）</source>
        <translation> (echoes)</translation>
    </message>
    <message>
        <source>另一个程序（%1）也打开了这个串口</source>
        <translation>Another program (%1) has this port open too</translation>
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
    <name>RememberedChoices</name>
    <message>
        <source>记住的 %1 无法使用，已忘掉：%2</source>
        <translation>the remembered %1 cannot be used and is forgotten: %2</translation>
    </message>
    <message>
        <source>记住的选择文件太大（%1 字节），已忘掉：%2</source>
        <translation>the file of remembered choices is too large (%1 bytes) and is forgotten: %2</translation>
    </message>
    <message>
        <source>记住的选择文件有错，已移到一边：%1</source>
        <translation>the file of remembered choices is damaged and was moved aside: %1</translation>
    </message>
</context>
<context>
    <name>SiteTableDialog</name>
    <message>
        <source>已确认</source>
        <translation>confirmed</translation>
    </message>
    <message>
        <source>未确认（%1/%2 行）</source>
        <translation>unconfirmed (%1/%2 lines)</translation>
    </message>
    <message>
        <source>未确认</source>
        <translation>unconfirmed</translation>
    </message>
    <message>
        <source>现场一览</source>
        <translation>Site Table</translation>
    </message>
    <message>
        <source>设置和图片：这台电脑记录的发送且考勤机确认的内容（考勤机读不回来）</source>
        <translation>Settings and logo: what this PC recorded sending and the terminal confirmed (a terminal cannot be read back)</translation>
    </message>
    <message>
        <source>现场的考勤机</source>
        <translation>Terminals of the site</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>机号</source>
        <translation>Machine</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>最后回答</source>
        <translation>Last answered</translation>
    </message>
    <message>
        <source>同号</source>
        <translation>Shared number</translation>
    </message>
    <message>
        <source>最后发送的设置</source>
        <translation>Settings last sent</translation>
    </message>
    <message>
        <source>最后发送的图片</source>
        <translation>Logo last sent</translation>
    </message>
    <message>
        <source>全部确认</source>
        <translation>All confirmed</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>导出 CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>导出 CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>历史记录里还没有考勤机（%1）</source>
        <translation>No terminal in the history yet (%1)</translation>
    </message>
    <message>
        <source>%1 台考勤机，按序列号跟踪（%2）</source>
        <translation>%1 terminals, followed by serial number (%2)</translation>
    </message>
    <message>
        <source>（不知道）</source>
        <translation>(unknown)</translation>
    </message>
    <message>
        <source>可能有两台同号</source>
        <translation>two may share this number</translation>
    </message>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>no</translation>
    </message>
    <message>
        <source>已导出 %1 台考勤机：%2</source>
        <translation>Exported %1 terminals: %2</translation>
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
        <translation>Communication failed.</translation>
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
    <message>
        <source>已中断！</source>
        <translation>Interrupted.</translation>
    </message>
    <message>
        <source>没有回答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>回答错误：收到 %1</source>
        <translation>Wrong answer: received %1</translation>
    </message>
    <message>
        <source>第%1行没有完成，考勤机的图片只更新到第%2行</source>
        <translation>Line %1 failed; the terminal&apos;s picture is new only up to line %2</translation>
    </message>
    <message>
        <source>第1行没有完成，考勤机的图片没有改变</source>
        <translation>Line 1 failed; the terminal&apos;s picture is unchanged</translation>
    </message>
    <message>
        <source>请先读出或输入序列号！</source>
        <translation>Read or type the serial number first.</translation>
    </message>
    <message>
        <source>这是文件夹</source>
        <translation>a folder</translation>
    </message>
    <message>
        <source>不是串口</source>
        <translation>not a serial port</translation>
    </message>
    <message>
        <source>连接被拒绝</source>
        <translation>connection refused</translation>
    </message>
    <message>
        <source>%1，%2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>图片太大，%1 × %2</source>
        <translation>image too large, %1 × %2</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>超出磁盘配额</source>
        <translation>disk quota exceeded</translation>
    </message>
    <message>
        <source>文件超出大小限制</source>
        <translation>file size limit exceeded</translation>
    </message>
    <message>
        <source>磁盘读写出错</source>
        <translation>disk input/output error</translation>
    </message>
    <message>
        <source>磁盘只读</source>
        <translation>read-only disk</translation>
    </message>
    <message>
        <source>没有能画出这些文字的字体！</source>
        <translation>No installed font can draw this text.</translation>
    </message>
    <message>
        <source>找不到主机</source>
        <translation>host not found</translation>
    </message>
    <message>
        <source>连接超时，服务器没有回应</source>
        <translation>connection timed out, the server did not respond</translation>
    </message>
    <message>
        <source>服务器没有回答端口设置</source>
        <translation>the server did not answer the port settings</translation>
    </message>
    <message>
        <source>服务器不接受 RFC 2217 端口设置</source>
        <translation>the server does not take RFC 2217 port settings</translation>
    </message>
    <message>
        <source>服务器不接受二进制传输，0xFF 等字节过不去</source>
        <translation>the server refuses binary transmission, bytes such as 0xFF would not pass</translation>
    </message>
    <message>
        <source>驱动不能切换 RS-485 收发方向：%1</source>
        <translation>the driver cannot switch the RS-485 direction: %1</translation>
    </message>
    <message>
        <source>地址错误</source>
        <translation>malformed address</translation>
    </message>
    <message>
        <source>如果服务器的串口已经是 9600 8N1，可以用 socket://%1 连接</source>
        <translation>if the server&apos;s port already runs at 9600 8N1, socket://%1 reaches it</translation>
    </message>
    <message>
        <source>%1；%2</source>
        <translation>%1; %2</translation>
    </message>
    <message>
        <source>通讯失败！（只收到自己发出的回声：没有考勤机回答）</source>
        <translation>Communication failed! (only the echo of what was sent came back: no terminal answered)</translation>
    </message>
    <message>
        <source>通讯失败！（回声和发出的不一样：线上另有设备在发，或有干扰）</source>
        <translation>Communication failed! (the echo differs from what was sent: another device is sending on the line, or there is noise)</translation>
    </message>
    <message>
        <source>通讯失败！（没有收到回声：这条线不回声，请用 --echo auto）</source>
        <translation>Communication failed! (no echo came back: this line does not echo, use --echo auto)</translation>
    </message>
    <message>
        <source>线上一直有数据（可能是波特率不对或别的设备在发）</source>
        <translation>The line never goes quiet (the baud rate may be wrong, or another device is sending)</translation>
    </message>
    <message>
        <source>…（共 %1 字节）</source>
        <translation>… (%1 bytes in all)</translation>
    </message>
</context>
<context>
    <name>cli</name>
    <message>
        <source>已查机号 %1-%2</source>
        <translation>machine numbers %1-%2 asked</translation>
    </message>
    <message>
        <source>--port all：没有对应的串口（用 --port N=DEVICE 给出，或在窗口里设过）</source>
        <translation>--port all: no port is mapped (give --port N=DEVICE, or set one in the window)</translation>
    </message>
    <message>
        <source>%1/%2 串口，%3/%4 个机号</source>
        <translation>%1/%2 ports, %3/%4 machine numbers</translation>
    </message>
    <message>
        <source>最多同时 %1 个串口，给了 %2 个：请分几次做</source>
        <translation>At most %1 ports at once, %2 were given: take them in several goes</translation>
    </message>
    <message>
        <source>%1 个串口同时打开要 %2 个文件描述符，这个进程最多 %3 个（ulimit -n），已用 %4 个：请提高上限或少给几个串口</source>
        <translation>%1 ports open at once need %2 file descriptors; this process may have %3 (ulimit -n) and has %4 in use: raise the limit or give fewer ports</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
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
        <source>缺少 -o FILE.txt</source>
        <translation>-o FILE.txt is missing</translation>
    </message>
    <message>
        <source>剩余 %1 秒</source>
        <translation>%1 s left</translation>
    </message>
    <message>
        <source>第 %1 台失败：按回车重试，s 跳过，q 结束</source>
        <translation>Terminal %1 failed: Enter tries again, s skips, q ends</translation>
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
        <source>写序列号：六位十六进制数（先读出考勤机现在的序列号）</source>
        <translation>Write the serial number: six hexadecimal digits (the terminal&apos;s own number is read first)</translation>
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
        <source>图片裁去多余的两边，填满 128 × 32（默认整张放入，留白边）</source>
        <translation>Crop the picture&apos;s sides to fill 128 × 32 (by default the whole picture fits in, with white margins)</translation>
    </message>
    <message>
        <source>用文字作图片，不读文件（一行或两行，\n 分行）</source>
        <translation>Make the logo from text instead of a file (one or two lines, \n between them)</translation>
    </message>
    <message>
        <source>文字的字体（默认：装有的中文黑体）</source>
        <translation>The text&apos;s font (default: an installed Chinese sans-serif face)</translation>
    </message>
    <message>
        <source>文字大小：fit 放满 128 × 32（默认），或 1-%1 点</source>
        <translation>Text size: fit fills 128 × 32 (default), or 1-%1 dots</translation>
    </message>
    <message>
        <source>文字加粗</source>
        <translation>Bold text</translation>
    </message>
    <message>
        <source>文字对齐：left、center（默认）或 right</source>
        <translation>Text alignment: left, center (default) or right</translation>
    </message>
    <message>
        <source>文字是空的！</source>
        <translation>The text is empty.</translation>
    </message>
    <message>
        <source>文字最多两行！</source>
        <translation>The text has more than two lines.</translation>
    </message>
    <message>
        <source>没有这个字体！</source>
        <translation>No such font.</translation>
    </message>
    <message>
        <source>文字大小错误！</source>
        <translation>Invalid text size.</translation>
    </message>
    <message>
        <source>对齐方式错误！</source>
        <translation>Invalid alignment.</translation>
    </message>
    <message>
        <source>语言错误！</source>
        <translation>Invalid language.</translation>
    </message>
    <message>
        <source>  0  完成
  1  考勤机没有及时回答，或回答错误
  2  用法或输入错误（什么也没发送）
  3  串口打不开或已断开
  4  文件无法使用，或拒绝写入（已存在、是输入文件、不是普通文件）
  5  输出无法写入（标准输出已关闭或磁盘已满）
  6  provision：有机号没有完成（跳过、没轮到、序列号重复或线上已有设置好的考勤机），但没有失败的
  130、143  被 SIGINT、SIGTERM 中断（当前一行的回答收到后才停）
</source>
        <translation>  0  done
  1  the terminal did not answer in time, or answered wrongly
  2  bad usage or input (nothing was sent)
  3  the port could not be opened, or went away
  4  a file could not be used, or was refused as a target (exists, is an input, is not a regular file)
  5  the output could not be written (standard output closed, a disk full)
  6  provision: numbers not done (skipped, not reached, a serial number twice, a terminal already set up on the line), none failed
  130, 143  stopped by SIGINT, SIGTERM (once the line&apos;s answer had come)
</translation>
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
        <source>Qt 的窗口选项（如 -platform offscreen、-style Fusion）</source>
        <translation>Qt&apos;s window options (e.g. -platform offscreen, -style Fusion)</translation>
    </message>
    <message>
        <source>忘掉以前记住的串口、--port 对应和图片文件</source>
        <translation>Forget the port, --port mappings and logo file kept from earlier runs</translation>
    </message>
    <message>
        <source>  --json 时每个结果在标准输出上占一行 JSON 对象，每个对象都有这些键（不适用时为 null）：command、port、machine、ok、status、message、serial、lines_confirmed、elapsed_ms、step、not_done。status 为 %1 之一。</source>
        <translation>  With --json each result is one JSON object on one line of standard output, every object with the keys (null where they do not apply): command, port, machine, ok, status, message, serial, lines_confirmed, elapsed_ms, step, not_done. status is one of %1.</translation>
    </message>
    <message>
        <source>provision 的配置文件 (INI，UTF-8 或带 BOM 的 UTF-16；未知的节或键、重复的键都是错误):</source>
        <translation>The profile of provision (INI, UTF-8 or UTF-16 with a byte-order mark; an unknown section or key, or a key given twice, is an error):</translation>
    </message>
    <message>
        <source>  缺少的键取窗口的初始值；没有 [logo] 时不下载图片（有 [logo] 就必须有 file=）。
  第一次按回车时先查一遍整条线：除出厂机号外还有考勤机回答，就说出它们并停下，什么也不写。
  每台：用出厂机号读序列号（不回答的不设置），改号为 N（之前先问 N 和本次给过的机号，有回答就不改），设置，下载图片，用机号 N 读序列号确认。
  重试（回车）和 --resume 先在给过的机号上问这台考勤机、核对序列号，再从第一个没确认的步骤接着做。
  每个要求的机号在输出和 --report 的 CSV 里都有一行：done、failed、skipped、not-reached 或 interrupted。</source>
        <translation>  A missing key takes the window&apos;s initial state; without [logo] no logo is sent ([logo] needs file=).
  At the first Enter the whole line is scanned once: terminals answering at any number but the factory one are named and the batch stops with nothing written.
  Each terminal: its serial number read at the factory number (one that does not answer is not set up), renumbered to N (N and the numbers this run gave are asked first; if one answers, no renumber), set, sent the logo, and its serial number read at N to confirm.
  Trying again (Enter) and --resume ask the unit first at the number it was given, check its serial number, and carry on with the first step not confirmed.
  Every requested number gets a line in the output and a row in the --report CSV: done, failed, skipped, not-reached or interrupted.</translation>
    </message>
    <message>
        <source>无法写入标准输出！</source>
        <translation>Cannot write to standard output.</translation>
    </message>
    <message>
        <source>这是文件夹</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>这是输入文件</source>
        <translation>it is the input</translation>
    </message>
    <message>
        <source>文件已存在，用 --force 替换</source>
        <translation>it exists; --force replaces it</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>路径中有一段不是文件夹</source>
        <translation>a part of the path is not a folder</translation>
    </message>
    <message>
        <source>要写的 logo 文本文件；- 为标准输出</source>
        <translation>The logo text file to write; - for standard output</translation>
    </message>
    <message>
        <source>替换已有的文件（输入文件永远不会被替换）</source>
        <translation>Replace an existing file (the input is never replaced)</translation>
    </message>
    <message>
        <source>不用串口：在终端里画出将要下载的 128 × 32 图片（每个字符 2 × 2 点，66 列宽）</source>
        <translation>No port: draws the 128 × 32 picture that would be sent (2 × 2 dots a character, 66 columns wide)</translation>
    </message>
    <message>
        <source>不用串口：把图片转换成 logo 文本文件，输出写入的路径；不替换已有文件，除非 --force</source>
        <translation>No port: converts a picture into a logo text file and prints the path written; an existing file is replaced only with --force</translation>
    </message>
    <message>
        <source>终端太窄：图片要 %1 列，这里只有 %2 列；请加宽窗口，或把输出写入文件</source>
        <translation>The terminal is too narrow: the picture takes %1 columns, this one has %2; widen the window, or write the output to a file</translation>
    </message>
    <message>
        <source>-o - 与 --json 不能同用：两者都写标准输出</source>
        <translation>-o - and --json cannot go together: both write to standard output</translation>
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
        <source>串口号 N 对应设备 DEVICE（可重复），同窗口的 --port</source>
        <translation>Port number N reaches DEVICE (repeatable), as the window&apos;s --port</translation>
    </message>
    <message>
        <source>列出能用的串口：号码（同窗口和 --port）、设备、USB 名称和编号、固定名、是否被占用</source>
        <translation>List the serial ports: number (as the window and --port take it), device, USB names and ids, stable name, whether in use</translation>
    </message>
    <message>
        <source>没有找到串口：请插上 USB 转串口线，或用 --port N=DEVICE 指定设备</source>
        <translation>No serial port found: plug in the USB serial adapter, or name the device with --port N=DEVICE</translation>
    </message>
    <message>
        <source>要给的机号，如 1-20,25（必须给出；同一机号只能出现一次）</source>
        <translation>The machine numbers to give, e.g. 1-20,25 (required; each number once)</translation>
    </message>
    <message>
        <source>每个机号一行写入 CSV 报告；已有的本程序报告接着往下写，别的文件不碰</source>
        <translation>Write a CSV row per number; a report of this program is appended to, any other file is left alone</translation>
    </message>
    <message>
        <source>跳过报告里已经完成的机号</source>
        <translation>Pass over the numbers the report shows as done</translation>
    </message>
    <message>
        <source>上一台考勤机（机号 %1）还接在线上：换上新的考勤机后按回车</source>
        <translation>The last terminal (number %1) is still connected: connect a new one and press Enter</translation>
    </message>
    <message>
        <source>没有 %1 号考勤机回答：接上新的考勤机后按回车</source>
        <translation>No terminal answers at number %1: connect a new one and press Enter</translation>
    </message>
    <message>
        <source>序列号 %1 已设置过（机号 %2）</source>
        <translation>Serial number %1 was set up already (number %2)</translation>
    </message>
    <message>
        <source>第一次按回车时查一遍整条线，每个机号先等回答的毫秒数，从问题发完算起（默认 %1）</source>
        <translation>The scan of the whole line at the first Enter: how long to wait first for each machine number&apos;s answer, in milliseconds from the end of the question (default %1)</translation>
    </message>
    <message>
        <source>机号 %1（序列号 %2）</source>
        <translation>number %1 (serial number %2)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>机号 %1 已有考勤机回答：先取下已设置好的考勤机</source>
        <translation>A terminal already answers at number %1: take the terminals already set up off the line first</translation>
    </message>
    <message>
        <source>改号 %1</source>
        <translation>renumbered to %1</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>settings</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>logo</translation>
    </message>
    <message>
        <source>图片前 %1 行</source>
        <translation>the logo&apos;s first %1 lines</translation>
    </message>
    <message>
        <source>已确认：%1</source>
        <translation>confirmed: %1</translation>
    </message>
    <message>
        <source>线上已有设置好的考勤机：%1。先取下它们再成批设置</source>
        <translation>Terminals already set up are on the line: %1. Take them off before the batch</translation>
    </message>
    <message>
        <source>不知道这条线上有几台考勤机（记住的设置无法读写）：改号会让每一台都换成新机号。</source>
        <translation>How many terminals are on this line is not known (the remembered settings cannot be read or written): renumbering gives every one of them the new number.</translation>
    </message>
    <message>
        <source>机号 %1 读到的序列号 %2 不是出厂机号读到的 %3</source>
        <translation>Number %1 answered with serial number %2, not %3 as read at the factory number</translation>
    </message>
    <message>
        <source>失败 %1 台（%2）</source>
        <translation>%1 failed (%2)</translation>
    </message>
    <message>
        <source>机号已有考勤机 %1 台（%2）</source>
        <translation>%1 with the number taken (%2)</translation>
    </message>
    <message>
        <source>序列号已设置过 %1 台（%2）</source>
        <translation>%1 already set up (%2)</translation>
    </message>
    <message>
        <source>报告少了 %1 的一行</source>
        <translation>the report lacks the row of %1</translation>
    </message>
    <message>
        <source>机号 %1（序列号 %2）的一行没有写进报告：%3</source>
        <translation>The row of number %1 (serial number %2) did not get into the report: %3</translation>
    </message>
    <message>
        <source>%1：机号 %2 重复</source>
        <translation>%1: number %2 is repeated</translation>
    </message>
    <message>
        <source>中断 %1 台（%2）</source>
        <translation>%1 interrupted (%2)</translation>
    </message>
    <message>
        <source>跳过 %1 台（%2）</source>
        <translation>%1 skipped (%2)</translation>
    </message>
    <message>
        <source>没轮到 %1 台（%2）</source>
        <translation>%1 not reached (%2)</translation>
    </message>
    <message numerus="yes">
        <source>共 %n 台，全部完成</source>
        <translation>
            <numerusform>%n terminal, all done</numerusform>
            <numerusform>%n terminals, all done</numerusform>
        </translation>
    </message>
    <message>
        <source>完成 %1 台</source>
        <translation>%1 done</translation>
    </message>
    <message numerus="yes">
        <source>共 %n 台：%2</source>
        <translation>
            <numerusform>%n terminal: %2</numerusform>
            <numerusform>%n terminals: %2</numerusform>
        </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>成批设置：每台先用出厂机号读序列号，再改号、设置、下载图片，最后用新机号读序列号确认</source>
        <translation>Sets up a batch: each terminal is read at the factory number, renumbered, set, sent the logo, and read at its new number to confirm</translation>
    </message>
    <message>
        <source>provision 需要 --numbers，如 --numbers 1-20</source>
        <translation>provision needs --numbers, e.g. --numbers 1-20</translation>
    </message>
    <message>
        <source>--resume 需要 --report FILE.csv</source>
        <translation>--resume needs --report FILE.csv</translation>
    </message>
    <message>
        <source>报告中已完成</source>
        <translation>done, as the report shows</translation>
    </message>
    <message>
        <source>接上第 %1 台考勤机（机号 %2）后按回车，s 跳过，q 结束</source>
        <translation>Connect terminal %1 (number %2) and press Enter; s skips, q ends</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>skipped</translation>
    </message>
    <message>
        <source>（s 跳过，q 结束）</source>
        <translation> (s skips, q ends)</translation>
    </message>
    <message>
        <source>%1 第 %2 行：%3</source>
        <translation>%1 line %2: %3</translation>
    </message>
    <message>
        <source>[logo] 缺少 file=</source>
        <translation>[logo] without file=</translation>
    </message>
    <message>
        <source>不是本程序的报告（第一行不是报告的标题行）</source>
        <translation>not a report of this program (its first line is not the report&apos;s header)</translation>
    </message>
    <message>
        <source>不是本程序的报告（第 %1 条记录不是本程序写的）</source>
        <translation>not a report of this program (its record %1 is not one this program writes)</translation>
    </message>
    <message>
        <source>报告太大（超过 %1 MB）：请换一个新的报告文件</source>
        <translation>the report is too large (over %1 MB): use a new report file</translation>
    </message>
    <message>
        <source>%1：最后一行没有写完，已略去：%2</source>
        <translation>%1: its last row was not written to the end and is left out: %2</translation>
    </message>
    <message>
        <source>配置文件太大（超过 %1 KB）</source>
        <translation>the profile is too large (over %1 KB)</translation>
    </message>
    <message>
        <source>机号 %1：序列号 %2</source>
        <translation>Machine %1: serial number %2</translation>
    </message>
    <message>
        <source>机号 %1 回答太迟（序列号 %2），再问时一秒内没有回答</source>
        <translation>Machine %1 answered too late (serial number %2) and did not answer within a second when asked again</translation>
    </message>
    <message>
        <source>机号 %1：序列号 %2（回答慢：短等待内没有回答，再问一次才找到）</source>
        <translation>Machine %1: serial number %2 (slow: no answer within the short wait, found when asked again)</translation>
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
        <source>要查的机号，如 0-255（默认）或 18</source>
        <translation>The machine numbers to ask, e.g. 0-255 (default) or 18</translation>
    </message>
    <message>
        <source>每个机号先等回答的毫秒数，从问题发完算起（默认 %1）；晚到的回答让这个机号再问一次，等一秒</source>
        <translation>Milliseconds to wait first for each number&apos;s answer, from the end of the question (default %1); a late answer has that number asked again with a one-second wait</translation>
    </message>
    <message>
        <source>查找机号：依次读每个机号的序列号（不改变考勤机），列出回答的考勤机</source>
        <translation>Find machine numbers: read the serial number at each number in turn (nothing on the terminal changes) and list the terminals that answer</translation>
    </message>
    <message>
        <source>几条线同时查：--port 可以给几次（号码、设备、网络地址，或 N=DEVICE），--port all 取每个对应的串口；每行以串口开头</source>
        <translation>Several lines at once: give --port more than once (numbers, devices, network addresses, or N=DEVICE); --port all takes every mapped port; each row then starts with its port</translation>
    </message>
    <message>
        <source>等待时间错误！（1-10000 毫秒）</source>
        <translation>Invalid wait (1-10000 ms).</translation>
    </message>
    <message>
        <source>没有考勤机回答（机号 %1）：请检查连线和串口号</source>
        <translation>No terminal answered (machine numbers %1): check the cable and the port number</translation>
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
        <source>无法解码：应为 UTF-8，或带字节顺序标记的 UTF-16</source>
        <translation>cannot be decoded: UTF-8 expected, or UTF-16 with a byte-order mark</translation>
    </message>
    <message>
        <source>不是 [节]、键=值 或注释：%1</source>
        <translation>not a [section], key=value or comment: %1</translation>
    </message>
    <message>
        <source>未知的节 [%1]</source>
        <translation>unknown section [%1]</translation>
    </message>
    <message>
        <source>键 %1 不在任何节中</source>
        <translation>key %1 is in no section</translation>
    </message>
    <message>
        <source>未知的键 %1</source>
        <translation>unknown key %1</translation>
    </message>
    <message>
        <source>键 %1 重复（第 %2 行已有）</source>
        <translation>key %1 given twice (already on line %2)</translation>
    </message>
    <message>
        <source>线上有几台考勤机时，确实让每一台都换成新机号</source>
        <translation>With several terminals on the line: do give every one of them the new number</translation>
    </message>
    <message>
        <source>考勤机的图片只更新到第 %1 行</source>
        <translation>the terminal&apos;s picture is new up to line %1 only</translation>
    </message>
    <message>
        <source>第 %1 行</source>
        <translation>line %1</translation>
    </message>
    <message>
        <source>timeclock-setup：窗口需要显示器（没有设置 DISPLAY 或 WAYLAND_DISPLAY）；没有显示器时请给出命令：timeclock-setup 命令 …（timeclock-setup --help 列出所有命令）</source>
        <translation>timeclock-setup: the window needs a display (DISPLAY or WAYLAND_DISPLAY is not set); without one, give a command: timeclock-setup COMMAND ... (timeclock-setup --help lists them)</translation>
    </message>
    <message>
        <source>选项重复！</source>
        <translation>Option given twice.</translation>
    </message>
    <message>
        <source>图片是空白的也下载（默认拒绝）</source>
        <translation>download the picture even when it is blank (refused otherwise)</translation>
    </message>
    <message>
        <source>图片是空白的，没有下载；确实要下载请加 --allow-blank</source>
        <translation>The picture is blank, nothing was sent; add --allow-blank to send it anyway</translation>
    </message>
    <message>
        <source>这台电脑已把这个序列号写进过另一台考勤机时，仍然写入（默认拒绝）</source>
        <translation>write even where this PC has written the number into another terminal before (refused by default)</translation>
    </message>
    <message>
        <source>写之前读不出考勤机现在的序列号，没有写入</source>
        <translation>the terminal&apos;s serial number could not be read before writing; nothing written</translation>
    </message>
    <message>
        <source>序列号 %1 已在 %2；这台考勤机现在的序列号是 %3，写入会让两台考勤机序列号相同。没有写入；确实要写，请加 --force</source>
        <translation>Serial number %1 was written before, %2; this terminal holds %3 now, and writing would give two terminals the same serial number. Nothing written; to write it all the same, add --force</translation>
    </message>
    <message>
        <source>线路的回声（两线 RS-485）：auto 自动识别（默认），on 总有回声，off 没有回声</source>
        <translation>the line&apos;s echo (two-wire RS-485): auto recognises it (default), on always echoes, off never echoes</translation>
    </message>
    <message>
        <source>由串口的驱动切换 RS-485 收发方向（发送时 RTS 有效）；驱动不能切换时不打开串口</source>
        <translation>the port&apos;s driver switches the RS-485 direction (RTS raised while sending); a port whose driver cannot is not opened</translation>
    </message>
    <message>
        <source>回声选项错误！</source>
        <translation>Bad echo option!</translation>
    </message>
    <message>
        <source>语言：zh、zh_TW 或 en</source>
        <translation>Language: zh, zh_TW or en</translation>
    </message>
    <message>
        <source>--csv 和 --json 只能选一个</source>
        <translation>Give --csv or --json, not both</translation>
    </message>
    <message>
        <source>--offline 不打开串口，不用 --%1</source>
        <translation>--offline opens no port and takes no --%1</translation>
    </message>
    <message>
        <source>先同时查找给出的每条线路（--port 与 scan 相同），再列出表格；--offline 只用这台电脑的记录</source>
        <translation>First scans every line given, side by side (--port as for scan), then prints the table; --offline uses this PC&apos;s records alone</translation>
    </message>
    <message>
        <source>现在回答</source>
        <translation>answered now</translation>
    </message>
    <message>
        <source>这些串口上没有已知的考勤机</source>
        <translation>No terminal known on these ports</translation>
    </message>
    <message>
        <source>不打开串口：只用这台电脑的历史记录</source>
        <translation>Open no port: use this PC&apos;s history alone</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>全部确认</source>
        <translation>All confirmed</translation>
    </message>
    <message>
        <source>历史记录里还没有考勤机（%1）</source>
        <translation>No terminal in the history yet (%1)</translation>
    </message>
    <message>
        <source>可能有两台同号</source>
        <translation>two may share this number</translation>
    </message>
    <message>
        <source>否</source>
        <translation>no</translation>
    </message>
    <message>
        <source>已确认</source>
        <translation>confirmed</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>最后回答</source>
        <translation>Last answered</translation>
    </message>
    <message>
        <source>未确认</source>
        <translation>unconfirmed</translation>
    </message>
    <message>
        <source>未确认 %1/%2 行</source>
        <translation>unconfirmed %1/%2 lines</translation>
    </message>
    <message>
        <source>机号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>现场一览：每台考勤机一行（按序列号跟踪），连同最后回答的时间和最后写入的设置和图片</source>
        <translation>The site at a glance: a row per terminal (followed by serial number), when it last answered, and the settings and logo last written</translation>
    </message>
    <message>
        <source>设置和图片：这台电脑记录的发送且考勤机确认的内容（考勤机读不回来）</source>
        <translation>Settings and logo: what this PC recorded sending and the terminal confirmed</translation>
    </message>
    <message>
        <source>输出 CSV（表格软件照原样打开）</source>
        <translation>Write CSV (a spreadsheet opens it as it is)</translation>
    </message>
    <message>
        <source>每个串口上要设置的机号，如 1-20（给出时不查找）</source>
        <translation>Machine numbers to set on each port, e.g. 1-20 (given: no scan)</translation>
    </message>
    <message>
        <source>不问，直接开始（给脚本用）</source>
        <translation>Start without asking (for scripts)</translation>
    </message>
    <message>
        <source>跳过按本机记录已经是这些设置和图片、并且考勤机确认过的考勤机</source>
        <translation>Skip terminals that, by this PC&apos;s records, already hold these settings and this logo, confirmed by the terminal</translation>
    </message>
    <message>
        <source>只重做这份报告里失败的考勤机（不查找）</source>
        <translation>Redo only the terminals that failed in this report (no scan)</translation>
    </message>
    <message>
        <source>%1 的 %2（序列号 %3）的一行没有写进报告：%4</source>
        <translation>The row of %2 on %1 (serial %3) was not written to the report: %4</translation>
    </message>
    <message>
        <source>%1 的 %2</source>
        <translation>%2 on %1</translation>
    </message>
    <message>
        <source>设置和图片</source>
        <translation>settings and logo</translation>
    </message>
    <message>
        <source>把配置文件的设置和图片发给几条线上的每台考勤机（几条线同时，一条线上一台接一台；不改号，不写序列号）</source>
        <translation>Send a profile&apos;s settings and logo to every terminal on several lines (the lines at once, the terminals of a line one after another; never renumbers, never writes a serial number)</translation>
    </message>
    <message>
        <source>考勤机由查找得出（--port 可以给几次，--port all 取每个对应的串口），或用 --machines 给出；开始前问一次，列出要改的考勤机</source>
        <translation>The terminals are those a scan finds (--port may be given several times, --port all takes every mapped port), or those --machines names; asks once before starting, listing the terminals to change</translation>
    </message>
    <message>
        <source>配置文件没有 [settings] 也没有 [logo]：没有要发的</source>
        <translation>The profile has neither [settings] nor [logo]: nothing to send</translation>
    </message>
    <message>
        <source>报告里没有失败的考勤机</source>
        <translation>No terminal failed in the report</translation>
    </message>
    <message>
        <source>%1：%2，没有设置</source>
        <translation>%1: %2, not set</translation>
    </message>
    <message>
        <source>按记录已相同</source>
        <translation>same by the records</translation>
    </message>
    <message>
        <source>  %1：机号 %2</source>
        <translation>  %1: machine numbers %2</translation>
    </message>
    <message>
        <source>将把%1发给 %2 个串口上的 %3 台考勤机：</source>
        <translation>Will send the %1 to %3 terminal(s) on %2 port(s):</translation>
    </message>
    <message>
        <source>按回车开始，q 取消</source>
        <translation>Press Enter to start, q to cancel</translation>
    </message>
    <message>
        <source>没有发送任何命令</source>
        <translation>Nothing was sent</translation>
    </message>
    <message>
        <source>没有找到要设置的考勤机</source>
        <translation>No terminal found to set</translation>
    </message>
    <message>
        <source>apply 用同一种配置文件（不用 [factory]）：有 [settings] 才发设置，有 [logo] 才下载图片；不改号，不写序列号。
  每台考勤机在输出和 --report 的 CSV 里都有一行（settings、logo 两步）；--redo-failed 只重做报告里 failed 的行。</source>
        <translation>apply takes the same profile (without [factory]): settings are sent only with [settings], a logo only with [logo]; it never renumbers and never writes a serial number.
  Every terminal has a row in the output and in the --report CSV (two steps, settings and logo); --redo-failed redoes only the report&apos;s failed rows.</translation>
    </message>
</context>
</TS>
