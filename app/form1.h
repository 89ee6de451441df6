#pragma once

#include "command_session.h"
#include "command_table.h"
#include "logo_choices.h"
#include "port_directory.h"
#include "status_line.h"
#include "ui_form1.h"

#include <QPointer>
#include <QWidget>

#include <functional>
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
    // The text choices of "文字…", kept while a file is the logo so the dialog opens with them again.
    const LogoTextOptions &logoTextOptions() const { return m_logoChoices->textOptions(); }
    // The status line as drawn: its text with the middle of a long path left out where it does not fit.
    QString shownStatus() const { return fittedStatus().text; }

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
    // The port that COM1 reaches, where no command runs; otherwise the status line says why not.
    std::optional<PortChoice> idlePort();
    void startDownload(const CommandTarget &target, const LogoPicture &picture);
    // A window-modal question whose default is 否; `proceed` runs on 是, if no command has started meanwhile;
    // on 否 (or the question closed) the status line says `declined`.
    void askBeforeSending(const QString &name, const QString &question, const QString &declined,
                          std::function<void()> proceed);
    // Before 写序列号 the terminal's own serial number has been read (`now`): writes, or asks first where
    // the number would give a second terminal a number another one holds.
    void writeSerialAfterCheck(const CommandTarget &target, const QByteArray &serialNumber, const QString &now);
    // Before a renumber: where the last scan of the device found several terminals, every one of them takes
    // the new number, so the operator is asked first. `proceed` runs at once, or when the operator agrees.
    void confirmRenumberOnSharedLine(const LineIdentity &line, std::function<void()> proceed);
    // ADDRESS and COM1 hold what they can show whole: a longer text, or one with a line break, is refused
    // with the text quoted (`refusal`); full-width digits become the digits they are taken as.
    void keepNumberBoxShowable(QLineEdit *box, const StatusText::Message &refusal);
    // Alt and a letter for each command button, in every language.
    void giveCommandKeys();
    // Makes `button` `missing` pixels wider to its left, from what the labels before it in its row do not
    // need of their width; nothing moves when they have less than that to give.
    void widenIntoRow(QWidget *button, int missing);

    QPushButton *buttonFor(TerminalCommand command) const;
    void startCommand(TerminalCommand command, const PortChoice &port, const CommandInputs &inputs);
    void endCommand(const CommandResult &result);
    void showStatus(const QString &text, const QString &toolTip = {});
    FittedStatus fittedStatus() const;
    void paintStatus();
    static QString failureToolTip(const CommandResult &result, bool download);
    // Only the delay box the settings command will read is enabled.
    void followDelayChoice();
    // While a download runs, nothing may change the picture being sent.
    void lockPicture(bool locked);
    bool downloadRunning() const;
    void askBeforeClosing();
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
    LogoChoices *m_logoChoices = nullptr;
    bool m_quitConfirmed = false;
    // xlh holds a serial number typed, pasted or read from a terminal, not the start-up placeholder.
    bool m_serialNumberGiven = false;
    // Where the serial number in xlh was read, while it is the one read; typing or pasting forgets it, and
    // so does a read that failed (the terminal on the line may be another one by now).
    struct SerialNumberSource
    {
        PortChoice port;
        quint8 machineNumber = 0;
    };
    std::optional<SerialNumberSource> m_serialReadFrom;
    // 写序列号 pressed: the read of the terminal's own number that runs first, and what is to be written.
    struct SerialWriteCheck
    {
        CommandTarget target;
        QByteArray serialNumber;
    };
    std::optional<SerialWriteCheck> m_serialWriteCheck;
    // The download ended under the close question, or the close was confirmed mid-download: the window
    // closes once the line's answer is in and recorded.
    bool m_closeAfterCommand = false;
    PortListPopup *m_portList = nullptr;
    QAction *m_findMachines = nullptr;
    PortChoice m_runningPort;
    CommandInputs m_runningInputs;
};

// Song-style Chinese fonts to use where "宋体" itself is not installed.
void installChineseFontSubstitutes();
