#pragma once

#include "command_session.h"
#include "machine_scan.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;

// "查找机号…": asks every machine number on the port with the serial-number read, which changes nothing,
// shows the progress with a Cancel button, and lists the terminals that answered; the one chosen is
// handed to `choose`. With "扫描所有映射的串口" ticked it asks every mapped port instead, the lines side by
// side on this one thread, each row naming its port.
class MachineScanDialog : public QDialog
{
    Q_OBJECT

public:
    MachineScanDialog(const PortChoice &port, std::function<void(int machine)> choose, QWidget *parent = nullptr);
    ~MachineScanDialog() override;

    // The ports the window has mapped (--port N=DEVICE, or remembered), and where a row found on one of them
    // goes: its port and its number. Without any, the choice to scan them stays off.
    void offerMappedPorts(const QList<PortChoice> &ports, std::function<void(const PortChoice &port, int machine)> choose);

    void start(MachineRange range = {}, std::chrono::milliseconds wait = DefaultScanWait);
    bool isScanning() const;
    bool scansMappedPorts() const;

signals:
    // Every line has asked its numbers, or stopped on its own (not by Cancel).
    void scanFinished(const CommandResult &result);

protected:
    void reject() override;

private:
    // One port being scanned: its own session, so that no line waits for another's answers.
    struct Line
    {
        PortChoice port;
        std::unique_ptr<CommandSession> session = std::make_unique<CommandSession>();
        QList<ScanAnswer> heard{};
        int found = 0;
        int asked = 0;  // numbers whose question has gone out
        bool finished = false;
        bool lost = false;  // did not open, or went away
    };

    void addAnswer(qsizetype line, const ScanAnswer &answer);
    void endLine(qsizetype line, const CommandResult &result);
    void endScan(const CommandResult &result);
    void endSiteScan();
    void showProgress();
    void addRow(QListWidgetItem *item, qsizetype line, int machine);
    void useChosen();
    void stopScan();
    void setDefaultButtonWhileScanning(bool scanning);
    void recordInHistory(const Line &line, QStringView outcome);

    PortChoice m_port;
    std::function<void(int machine)> m_choose;
    QList<PortChoice> m_mappedPorts;
    std::function<void(const PortChoice &port, int machine)> m_choosePort;
    std::vector<std::unique_ptr<Line>> m_lines;
    QLabel *m_state = nullptr;
    QProgressBar *m_progress = nullptr;
    QListWidget *m_answers = nullptr;
    QCheckBox *m_allPorts = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    MachineRange m_range;
    std::chrono::milliseconds m_wait = DefaultScanWait;
    bool m_started = false;
    bool m_site = false;      // the running or last scan is of every mapped port
    bool m_stopping = false;  // Cancel pressed: each line ends after the answer on its way
    int m_found = 0;
};

// Shift+F10 opens the widget's context menu, as the menu key does where the platform turns that key into
// a context-menu request (X11, Windows); the widget's menu is a custom one.
void openContextMenuOnShiftF10(QWidget *widget);

// Where a terminal did not answer: the status line's tooltip points to finding its number.
QString findMachinesHint();
