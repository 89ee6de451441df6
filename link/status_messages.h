#pragma once

#include <QStringView>

// Every text the program writes into its status line, in the operator's language.
namespace StatusText {
inline constexpr QStringView SettingSucceeded = u"设置成功！";
inline constexpr QStringView CommunicationFailed = u"通讯失败！";
inline constexpr QStringView CommunicationSucceeded = u"通讯成功！";
inline constexpr QStringView CommunicationInterrupted = u"通讯中断！";
inline constexpr QStringView DownloadComplete = u"下载完成！";

// Shown the moment a command starts, so that a repeated outcome still shows that something happened.
inline constexpr QStringView Communicating = u"正在通讯…";
inline constexpr QStringView Downloading = u"正在下载…";
// The status line's tooltip after a terminal did not answer, or answered wrongly.
inline constexpr QStringView CheckTheLineHint = u"请检查连线、串口号和机号";

inline constexpr QStringView BadPortNumber = u"串口号错误！";
inline constexpr QStringView BadMachineNumber = u"机号错误！";
inline constexpr QStringView BadDelay = u"延时错误！";
inline constexpr QStringView BadSerialNumber = u"序列号错误！";
inline constexpr QStringView PortOpenFailed = u"串口打开失败！";
// Why the port did not open, followed by "：" and the device (or the port number) in brackets.
inline constexpr QStringView NoSuchPortReason = u"无此串口";
inline constexpr QStringView PermissionReason = u"权限不足";
inline constexpr QStringView PortBusyReason = u"串口被占用";
inline constexpr QStringView PortNumberOnly = u"%1号";  // a port number that reaches no device
inline constexpr QStringView PortLost = u"串口已断开！";
inline constexpr QStringView Busy = u"正在通讯，请稍候！";
inline constexpr QStringView FileOpenFailed = u"文件打开失败！";
inline constexpr QStringView FileTooShort = u"文件数据不足！";
inline constexpr QStringView BadFileLine = u"文件数据错误！（第%1行）";
inline constexpr QStringView ImageUnreadable = u"图片无法读取！";
inline constexpr QStringView FileSaveFailed = u"文件保存失败！";

inline constexpr QStringView ConfirmQuitDuringDownload = u"正在下载OEM图片，确定退出吗？";
} // namespace StatusText
