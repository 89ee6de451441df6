#pragma once

#include "command_session.h"
#include "machine_scan.h"

#include <QDialog>

#include <functional>

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QProgressBar;

// "查找机号…": asks every machine number on the port with the serial-number read, which changes nothing,
// shows the progress with a Cancel button, and lists the terminals that answered; the one chosen is
// handed to `choose`.
class MachineScanDialog : public QDialog
{
    Q_OBJECT

public:
    MachineScanDialog(const PortChoice &port, std::function<void(int machine)> choose, QWidget *parent = nullptr);
    ~MachineScanDialog() override;

    void start(MachineRange range = {}, std::chrono::milliseconds wait = DefaultScanWait);
    bool isScanning() const { return m_session.isRunning(); }

signals:
    void scanFinished(const CommandResult &result);

protected:
    void reject() override;

private:
    void addAnswer(const ScanAnswer &answer);
    void endScan(const CommandResult &result);
    void useChosen();
    void stopScan();
    void setDefaultButtonWhileScanning(bool scanning);
    void recordInHistory(QStringView outcome);

    PortChoice m_port;
    std::function<void(int machine)> m_choose;
    CommandSession m_session;
    QLabel *m_state = nullptr;
    QProgressBar *m_progress = nullptr;
    QListWidget *m_answers = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    MachineRange m_range;
    int m_found = 0;
    int m_asked = 0;  // numbers whose question has gone out
    QList<ScanAnswer> m_heard;
};

// Shift+F10 opens the widget's context menu, as the menu key does where the platform turns that key into
// a context-menu request (X11, Windows); the widget's menu is a custom one.
void openContextMenuOnShiftF10(QWidget *widget);

// Where a terminal did not answer: the status line's tooltip points to finding its number.
QString findMachinesHint();
