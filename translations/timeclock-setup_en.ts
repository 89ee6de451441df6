<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
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
</context>
</TS>
