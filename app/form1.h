#pragma once

#include "command_session.h"
#include "command_table.h"
#include "logo_source.h"
#include "port_directory.h"
#include "ui_form1.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class PortListPopup;
class QAction;
class QFileDialog;
class QMessageBox;
class QPushButton;

// The program's only window. It reads its controls, hands the command to the link, and shows the one
// status message that comes back; one command runs at a time.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(PortDirectory ports = {}, QWidget *parent = nullptr);
    ~Form1() override;

    QString LogoFilePath() const { return m_logoFilePath; }
    // The port and logo of the last run, from the platform's settings store (the program does this at start).
    void restoreRememberedChoices();
    PortListPopup *portList() const { return m_portList; }
    CommandSession &session() { return m_session; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Cmd2_Click();
    void Command1_Click();
    void Command4_Click();
    void Command5_Click();
    void DOWNLOG_Click();
    void DOWNLOG_KeyPress(quint16 keyAscii);
    void OpenFile_Click();
    void oem_log_Click();

    // Where a command goes: the port that COM1 reaches and the machine number in ADDRESS. Both are
    // converted before the port is touched; on a bad text, or while a command runs, the status line
    // says why and nothing is sent.
    struct CommandTarget
    {
        PortChoice port;
        quint8 machineNumber = 0;
    };
    std::optional<CommandTarget> commandTarget();

    QPushButton *buttonFor(TerminalCommand command) const;
    void startCommand(TerminalCommand command, const PortChoice &port, const CommandInputs &inputs);
    void endCommand(const CommandResult &result);
    void showStatus(const QString &text, const QString &toolTip = {});
    bool downloadRunning() const;
    void askBeforeClosing();
    // Reads the logo file again and shows what a download would send, or why it cannot.
    void refreshLogo();
    void saveLogoAsText();
    void installFirstContactTools();
    void rememberCommandChoices(TerminalCommand command, const PortChoice &port);
    void recordInHistory(const CommandResult &result);
    void findMachineNumbers();

    Ui::Form1 ui;
    PortDirectory m_ports;
    CommandSession m_session;
    QFileDialog *fileOpen = nullptr;
    QString m_logoFilePath;
    TerminalCommand m_runningCommand = TerminalCommand::ChangeNumber;
    QPushButton *m_commandButton = nullptr;  // the button that started the running command
    QPointer<QMessageBox> m_quitQuestion;
    QFileDialog *m_saveDialog = nullptr;
    LogoImageOptions m_logoOptions;
    std::optional<LoadedLogo> m_logo;  // what refreshLogo() last read
    bool m_quitConfirmed = false;
    PortListPopup *m_portList = nullptr;
    QAction *m_findMachines = nullptr;
    PortChoice m_runningPort;
    CommandInputs m_runningInputs;
};

// Song-style Chinese fonts to use where "宋体" itself is not installed.
void installChineseFontSubstitutes();
