#pragma once

#include "terminal_task.h"

#include <QCoreApplication>
#include <QString>

// Every text the program writes into its status line. The Chinese text is the source; toString() gives it in
// the program's language, looked up at the moment it is shown, so the constants can live in constexpr tables.
namespace StatusText {

class Message
{
public:
    static constexpr const char *Context = "StatusText";

    constexpr explicit Message(const char *source) : m_source(source) {}

    QString toString() const { return QCoreApplication::translate(Context, m_source); }
    const char *source() const { return m_source; }

    // What the status line shows equals the message in the language in use.
    friend bool operator==(const QString &shown, const Message &message) { return shown == message.toString(); }

private:
    const char *m_source;
};

inline constexpr Message SettingSucceeded{QT_TRANSLATE_NOOP("StatusText", "设置成功！")};
inline constexpr Message CommunicationFailed{QT_TRANSLATE_NOOP("StatusText", "通讯失败！")};
inline constexpr Message CommunicationSucceeded{QT_TRANSLATE_NOOP("StatusText", "通讯成功！")};
inline constexpr Message CommunicationInterrupted{QT_TRANSLATE_NOOP("StatusText", "通讯中断！")};
inline constexpr Message DownloadComplete{QT_TRANSLATE_NOOP("StatusText", "下载完成！")};
// A command stopped on request (Ctrl-C) after the exchange on the line had ended.
inline constexpr Message Interrupted{QT_TRANSLATE_NOOP("StatusText", "已中断！")};

// Shown the moment a command starts, so that a repeated outcome still shows that something happened.
inline constexpr Message Communicating{QT_TRANSLATE_NOOP("StatusText", "正在通讯…")};
inline constexpr Message Downloading{QT_TRANSLATE_NOOP("StatusText", "正在下载…")};
// The status line's tooltip after a terminal did not answer, or answered wrongly.
inline constexpr Message CheckTheLineHint{QT_TRANSLATE_NOOP("StatusText", "请检查连线、串口号和机号")};
// What the tooltip says came back after "通讯失败！" or "通讯中断！".
inline constexpr Message NoAnswer{QT_TRANSLATE_NOOP("StatusText", "没有回答")};
// %1: the bytes received, in hex.
inline constexpr Message WrongAnswer{QT_TRANSLATE_NOOP("StatusText", "回答错误：收到 %1")};
// A line that never goes quiet (a server at another rate, noise, another master) answers nothing we ask.
inline constexpr Message LineTalking{QT_TRANSLATE_NOOP("StatusText", "线上一直有数据（可能是波特率不对或别的设备在发）")};
// %1 bytes in all, after the first few in hex.
inline constexpr Message BytesInAll{QT_TRANSLATE_NOOP("StatusText", "…（共 %1 字节）")};
// A download that ended early: %1 the line that failed (from 1), %2 the lines the terminal holds anew.
inline constexpr Message DownloadStoppedAtLine{
    QT_TRANSLATE_NOOP("StatusText", "第%1行没有完成，考勤机的图片只更新到第%2行")};
inline constexpr Message DownloadStoppedAtFirstLine{
    QT_TRANSLATE_NOOP("StatusText", "第1行没有完成，考勤机的图片没有改变")};

inline constexpr Message BadPortNumber{QT_TRANSLATE_NOOP("StatusText", "串口号错误！")};
inline constexpr Message BadMachineNumber{QT_TRANSLATE_NOOP("StatusText", "机号错误！")};
inline constexpr Message BadDelay{QT_TRANSLATE_NOOP("StatusText", "延时错误！")};
inline constexpr Message BadSerialNumber{QT_TRANSLATE_NOOP("StatusText", "序列号错误！")};
// 写序列号 while the box still holds the start-up placeholder.
inline constexpr Message SerialNumberFirst{QT_TRANSLATE_NOOP("StatusText", "请先读出或输入序列号！")};
// %1: the device (or the port number), after the reason when there is one.
inline constexpr Message PortOpenFailed{QT_TRANSLATE_NOOP("StatusText", "串口打开失败！（%1）")};
// %1: why the port did not open, %2: the device or the port number.
inline constexpr Message ReasonAndPlace{QT_TRANSLATE_NOOP("StatusText", "%1：%2")};
inline constexpr Message NoSuchPortReason{QT_TRANSLATE_NOOP("StatusText", "无此串口")};
inline constexpr Message PermissionReason{QT_TRANSLATE_NOOP("StatusText", "权限不足")};
inline constexpr Message PortBusyReason{QT_TRANSLATE_NOOP("StatusText", "串口被占用")};
inline constexpr Message FolderReason{QT_TRANSLATE_NOOP("StatusText", "这是文件夹")};
inline constexpr Message NotSerialPortReason{QT_TRANSLATE_NOOP("StatusText", "不是串口")};
// A network port: the server refused the connection, or closed it while the port was being set up.
inline constexpr Message ConnectionRefusedReason{QT_TRANSLATE_NOOP("StatusText", "连接被拒绝")};
// A network port whose host's name is not known, or was not found within the connection's time.
inline constexpr Message HostNotFoundReason{QT_TRANSLATE_NOOP("StatusText", "找不到主机")};
inline constexpr Message ConnectionTimedOutReason{QT_TRANSLATE_NOOP("StatusText", "连接超时，服务器没有回应")};
inline constexpr Message SettingsUnansweredReason{QT_TRANSLATE_NOOP("StatusText", "服务器没有回答端口设置")};
inline constexpr Message ComPortRefusedReason{QT_TRANSLATE_NOOP("StatusText", "服务器不接受 RFC 2217 端口设置")};
inline constexpr Message BinaryRefusedReason{QT_TRANSLATE_NOOP("StatusText", "服务器不接受二进制传输，0xFF 等字节过不去")};
inline constexpr Message AddressMalformedReason{QT_TRANSLATE_NOOP("StatusText", "地址错误")};
// --rs485 on a port whose driver cannot switch the RS-485 direction itself: %1 the port.
inline constexpr Message Rs485UnsupportedReason{QT_TRANSLATE_NOOP("StatusText", "驱动不能切换 RS-485 收发方向：%1")};
// After a server that did not set its port up: %1 the server's HOST:PORT.
inline constexpr Message RawPortHint{
    QT_TRANSLATE_NOOP("StatusText", "如果服务器的串口已经是 9600 8N1，可以用 socket://%1 连接")};
// %1: a reason and its place, %2: what the user can do about it.
inline constexpr Message ReasonAndHint{QT_TRANSLATE_NOOP("StatusText", "%1；%2")};
// %1: the reason and the place, %2: the system's own words for it ("Connection refused").
inline constexpr Message PlaceAndSystemReason{QT_TRANSLATE_NOOP("StatusText", "%1，%2")};
// Why the bytes of a file did not all reach the disk.
inline constexpr Message DiskFullReason{QT_TRANSLATE_NOOP("StatusText", "磁盘已满")};
inline constexpr Message QuotaReason{QT_TRANSLATE_NOOP("StatusText", "超出磁盘配额")};
inline constexpr Message FileTooLargeReason{QT_TRANSLATE_NOOP("StatusText", "文件超出大小限制")};
inline constexpr Message DiskErrorReason{QT_TRANSLATE_NOOP("StatusText", "磁盘读写出错")};
inline constexpr Message ReadOnlyDiskReason{QT_TRANSLATE_NOOP("StatusText", "磁盘只读")};
// A port number that reaches no device.
inline constexpr Message PortNumberOnly{QT_TRANSLATE_NOOP("StatusText", "%1号")};
// The line handed back the frame sent (an RS-485 adapter's echo) and nothing after it.
inline constexpr Message EchoOnly{QT_TRANSLATE_NOOP("StatusText", "通讯失败！（只收到自己发出的回声：没有考勤机回答）")};
// What came back where the echo belongs is not the frame sent: another sender on the line, or noise.
inline constexpr Message EchoDiffers{
    QT_TRANSLATE_NOOP("StatusText", "通讯失败！（回声和发出的不一样：线上另有设备在发，或有干扰）")};
// --echo on, and the frame did not come back.
inline constexpr Message EchoMissing{QT_TRANSLATE_NOOP("StatusText", "通讯失败！（没有收到回声：这条线不回声，请用 --echo auto）")};
inline constexpr Message PortLost{QT_TRANSLATE_NOOP("StatusText", "串口已断开！")};
inline constexpr Message Busy{QT_TRANSLATE_NOOP("StatusText", "正在通讯，请稍候！")};
inline constexpr Message FileOpenFailed{QT_TRANSLATE_NOOP("StatusText", "文件打开失败！")};
inline constexpr Message FileTooShort{QT_TRANSLATE_NOOP("StatusText", "文件数据不足！")};
inline constexpr Message BadFileLine{QT_TRANSLATE_NOOP("StatusText", "文件数据错误！（第%1行）")};
inline constexpr Message ImageUnreadable{QT_TRANSLATE_NOOP("StatusText", "图片无法读取！")};
// %1 × %2: the width and height of an image refused before it is decoded.
inline constexpr Message ImageTooLargeReason{QT_TRANSLATE_NOOP("StatusText", "图片太大，%1 × %2")};
inline constexpr Message FileSaveFailed{QT_TRANSLATE_NOOP("StatusText", "文件保存失败！")};

// %1: a message, %2: what it is about (a file, an option as given).
inline constexpr Message WithDetail{QT_TRANSLATE_NOOP("StatusText", "%1（%2）")};
inline QString withDetail(const QString &message, const QString &detail)
{
    return WithDetail.toString().arg(message, detail);
}

// Text is drawn with the system's fonts; without one that has its characters it would come out empty or
// as boxes.
inline constexpr Message NoFontForText{QT_TRANSLATE_NOOP("StatusText", "没有能画出这些文字的字体！")};

// The received bytes as a tooltip or a message names them: in hex, the first few only.
inline QString receivedBytes(const QByteArray &bytes)
{
    constexpr int named = 8;
    const QString shown = QString::fromLatin1(bytes.left(named).toHex(' ').toUpper());
    return bytes.size() > named ? shown + QStringLiteral(" …") : shown;
}

// Bytes that are no answer, as a row or a note names them: the first few dozen in hex and how many there were,
// so that a line that floods never floods the output.
inline QString cappedBytes(const QByteArray &bytes)
{
    constexpr int named = 32;
    const QString shown = QString::fromLatin1(bytes.left(named).toHex(' '));
    return bytes.size() > named ? shown + u' ' + BytesInAll.toString().arg(bytes.size()) : shown;
}

// What came back, after "通讯失败！": nothing, or the wrong bytes; empty for any other end. The window's
// tooltip and the command line's message say it in the same words.
inline QString answerReason(const CommandResult &result)
{
    if (result.reasonGiven)
        return {};
    if (result.status == CommandStatus::NoReply)
        return NoAnswer.toString();
    if (result.status == CommandStatus::WrongReply)
        return WrongAnswer.toString().arg(receivedBytes(result.reply));
    return {};
}

inline constexpr Message ConfirmQuitDuringDownload{QT_TRANSLATE_NOOP("StatusText", "正在下载OEM图片，确定退出吗？")};
} // namespace StatusText
