#include "machine_scan_dialog.h"

#include "command_history.h"
#include "outcome_words.h"
#include "remembered_choices.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QAbstractButton>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Rows of a scan over several ports: by port, then number; what a line came to after its terminals.
constexpr int LineEndRow = 1000;
constexpr int RowOrderRole = Qt::UserRole + 2;
constexpr int RowLineRole = Qt::UserRole + 3;

} // namespace

MachineScanDialog::MachineScanDialog(const PortChoice &port, std::function<void(int machine)> choose, QWidget *parent)
    : QDialog(parent), m_port(port), m_choose(std::move(choose))
{
    setObjectName(QStringLiteral("machineScan"));
    setWindowTitle(tr("查找机号"));
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("scanState"));
    m_state->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    m_answers = new QListWidget(this);
    m_answers->setObjectName(QStringLiteral("scanAnswers"));
    m_answers->setAccessibleName(tr("回答的考勤机"));
    m_allPorts = new QCheckBox(tr("扫描所有映射的串口"), this);
    m_allPorts->setObjectName(QStringLiteral("scanAllPorts"));
    m_allPorts->setEnabled(false);
    m_allPorts->setToolTip(tr("没有对应的串口：用 --port N=DEVICE 启动窗口时给出"));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("用这个机号"));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_state);
    layout->addWidget(m_progress);
    layout->addWidget(m_answers);
    layout->addWidget(m_allPorts);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &MachineScanDialog::useChosen);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &MachineScanDialog::reject);
    // While the scan runs, Enter on the list ends nothing: the button chooses then.
    connect(m_answers, &QListWidget::itemActivated, this, [this] {
        if (!isScanning())
            useChosen();
    });
    connect(m_answers, &QListWidget::currentRowChanged, this, [this](int row) {
        const QListWidgetItem *item = m_answers->item(row);
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(item && item->data(Qt::UserRole).isValid());
    });
    // The other choice starts over: what the running scan asked so far is recorded as cancelled.
    connect(m_allPorts, &QCheckBox::toggled, this, [this] {
        if (!m_started)
            return;
        stopScan();
        start(m_range, m_wait);
    });
}

MachineScanDialog::~MachineScanDialog()
{
    // Closed with the window mid-scan: what was asked so far is still recorded.
    stopScan();
}

void MachineScanDialog::offerMappedPorts(const QList<PortChoice> &ports,
                                         std::function<void(const PortChoice &port, int machine)> choose)
{
    m_mappedPorts = ports;
    m_choosePort = std::move(choose);
    m_allPorts->setEnabled(!ports.isEmpty());
    QStringList mapped;
    for (const PortChoice &port : ports)
        mapped << tr("串口 %1 = %2").arg(port.number).arg(port.deviceName);
    if (!ports.isEmpty())
        m_allPorts->setToolTip(mapped.join(u'\n'));
}

bool MachineScanDialog::isScanning() const
{
    return std::any_of(m_lines.cbegin(), m_lines.cend(), [](const auto &line) { return line->session->isRunning(); });
}

bool MachineScanDialog::scansMappedPorts() const
{
    return m_site;
}

void MachineScanDialog::start(MachineRange range, std::chrono::milliseconds wait)
{
    m_started = true;
    m_stopping = false;
    m_site = m_allPorts->isChecked() && !m_mappedPorts.isEmpty();
    m_found = 0;
    m_range = range;
    m_wait = wait;
    m_lines.clear();
    m_answers->clear();
    const QList<PortChoice> ports = m_site ? m_mappedPorts : QList<PortChoice>{m_port};
    m_progress->setRange(0, int(ports.size()) * range.count());
    m_progress->setValue(0);
    if (m_site)
        m_state->setText(tr("正在查找 %1 个串口的机号 %2-%3…").arg(ports.size()).arg(range.first).arg(range.last));
    else
        m_state->setText(tr("正在查找机号 %1-%2（%3）…").arg(range.first).arg(range.last).arg(m_port.label()));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    // No default button while the scan runs: Enter pressed out of habit would end it early.
    setDefaultButtonWhileScanning(true);
    for (const PortChoice &port : ports)
        m_lines.push_back(std::make_unique<Line>(Line{.port = port}));
    showProgress();
    // Every session is connected before any runs: a port that reaches no device finishes within run().
    for (qsizetype index = 0; index < qsizetype(m_lines.size()); ++index) {
        Line &line = *m_lines.at(size_t(index));
        connect(line.session.get(), &CommandSession::finished, this,
                [this, index](const CommandResult &result) { endLine(index, result); });
    }
    for (qsizetype index = 0; index < qsizetype(m_lines.size()); ++index) {
        Line &line = *m_lines.at(size_t(index));
        auto task = std::make_unique<MachineScanTask>(
            range, wait, [this, index](const ScanAnswer &answer) { addAnswer(index, answer); },
            [this, &line](int asked, int) {
                line.asked = asked;
                showProgress();
            });
        line.session->run(line.port, std::move(task));
    }
}

void MachineScanDialog::showProgress()
{
    int asked = 0;
    int done = 0;
    for (const auto &line : m_lines) {
        asked += line->asked;
        done += line->finished;
    }
    m_progress->setValue(std::min(asked, m_progress->maximum()));
    if (m_site)
        m_progress->setFormat(tr("%1/%2 串口，%3/%4 个机号").arg(done).arg(m_lines.size()).arg(asked).arg(m_progress->maximum()));
    else
        m_progress->resetFormat();
}

void MachineScanDialog::addRow(QListWidgetItem *item, qsizetype line, int machine)
{
    item->setData(RowLineRole, int(line));
    if (!m_site) {
        m_answers->addItem(item);
        return;
    }
    const int order = int(line) * (LineEndRow + 1) + machine;
    item->setData(RowOrderRole, order);
    int row = m_answers->count();
    while (row > 0 && m_answers->item(row - 1)->data(RowOrderRole).toInt() > order)
        --row;
    m_answers->insertItem(row, item);
}

void MachineScanDialog::addAnswer(qsizetype lineIndex, const ScanAnswer &answer)
{
    Line &line = *m_lines.at(size_t(lineIndex));
    line.heard << answer;
    auto *item = new QListWidgetItem;
    switch (answer.kind) {
    case ScanAnswer::Kind::Found:
        item->setText(answer.slow ? tr("机号 %1    序列号 %2    回答慢").arg(answer.machine).arg(answer.serial())
                                  : tr("机号 %1    序列号 %2").arg(answer.machine).arg(answer.serial()));
        if (answer.slow)
            item->setToolTip(tr("短等待内没有回答，等一秒再问一次才找到"));
        item->setData(Qt::UserRole, answer.machine);
        item->setData(Qt::UserRole + 1, QStringLiteral("%1:%2").arg(answer.machine).arg(answer.serial()));
        ++line.found;
        break;
    case ScanAnswer::Kind::Late:
        item->setText(tr("机号 %1 回答太迟（序列号 %2）").arg(answer.machine).arg(answer.serial()));
        item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        break;
    case ScanAnswer::Kind::Wrong:
        item->setText(tr("机号 %1 回答错误（%2）").arg(answer.machine).arg(QString::fromLatin1(answer.reply.toHex(' '))));
        item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        break;
    case ScanAnswer::Kind::Collision:
        item->setText(collisionNote(answer.machine));
        item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        break;
    }
    if (m_site)
        item->setText(tr("串口 %1    %2").arg(line.port.number).arg(item->text()));
    addRow(item, lineIndex, answer.machine);
    if (answer.kind == ScanAnswer::Kind::Found && ++m_found == 1)
        m_answers->setCurrentItem(item);
}

void MachineScanDialog::setDefaultButtonWhileScanning(bool scanning)
{
    for (QAbstractButton *button : m_buttons->buttons()) {
        if (auto *push = qobject_cast<QPushButton *>(button)) {
            push->setAutoDefault(!scanning);
            push->setDefault(false);
        }
    }
    if (!scanning)
        m_buttons->button(QDialogButtonBox::Ok)->setDefault(true);
}

void MachineScanDialog::endLine(qsizetype lineIndex, const CommandResult &result)
{
    Line &line = *m_lines.at(size_t(lineIndex));
    line.finished = true;
    line.lost = result.status == CommandStatus::PortOpenFailed || result.status == CommandStatus::PortLost;
    if (!m_site) {
        endScan(result);
        return;
    }
    const bool cancelled = m_stopping && result.status == CommandStatus::Interrupted;
    const bool wholeRange = result.status == CommandStatus::Done || result.status == CommandStatus::NoReply
                            || result.status == CommandStatus::WrongReply;
    // Only a scan that asked every number knows how many terminals the line holds; one the port cut short
    // knows of at least those it found.
    if (result.status != CommandStatus::PortOpenFailed)
        RememberedChoices().noteTerminalsFound(line.port.line, line.found, wholeRange && m_range == MachineRange{});
    recordInHistory(line, cancelled ? OutcomeWord::Cancelled : outcomeWord(result.status));
    // A line that found nobody, did not open or was lost says so in a row of its own; the others go on.
    if (!cancelled && (line.found == 0 || !wholeRange)) {
        const QString said = result.status == CommandStatus::NoReply ? tr("没有考勤机回答") : result.message;
        auto *item = new QListWidgetItem(tr("串口 %1（%2）：%3").arg(line.port.number).arg(line.port.label(), said));
        item->setToolTip(item->text());
        item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        addRow(item, lineIndex, LineEndRow);
    }
    if (wholeRange)
        line.asked = m_range.count();
    showProgress();
    if (std::all_of(m_lines.cbegin(), m_lines.cend(), [](const auto &each) { return each->finished; }))
        endSiteScan();
}

void MachineScanDialog::endSiteScan()
{
    if (m_stopping) {
        // Cancel: every line has had its answer; the dialog closes as it does for one port.
        QDialog::reject();
        return;
    }
    m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("关闭"));
    setDefaultButtonWhileScanning(false);
    const auto lost = std::count_if(m_lines.cbegin(), m_lines.cend(), [](const auto &line) { return line->lost; });
    QString text = tr("%1 个串口查完：").arg(m_lines.size())
                   + (m_found > 0 ? scanSummary(m_found) : tr("没有考勤机回答"));
    if (lost > 0)
        text += tr("；%1 个串口打不开或断开了（见列表）").arg(lost);
    m_state->setText(text);
    emit scanFinished({text, lost > 0 ? CommandStatus::PortLost : m_found > 0 ? CommandStatus::Done : CommandStatus::NoReply});
}

void MachineScanDialog::endScan(const CommandResult &result)
{
    const Line &line = *m_lines.front();
    m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("关闭"));
    setDefaultButtonWhileScanning(false);
    const bool wholeRange = result.status == CommandStatus::Done || result.status == CommandStatus::NoReply
                            || result.status == CommandStatus::WrongReply;
    if (wholeRange)
        m_progress->setValue(m_progress->maximum());
    // Only a scan that asked every number knows how many terminals the line holds; one the port cut short
    // knows of at least those it found.
    if (result.status != CommandStatus::PortOpenFailed)
        RememberedChoices().noteTerminalsFound(m_port.line, m_found, wholeRange && m_range == MachineRange{});
    if (wholeRange)
        m_state->setText(m_found > 0 ? scanSummary(m_found) : result.status == CommandStatus::NoReply
                                                                  ? tr("没有考勤机回答：请检查连线和串口号")
                                                                  : result.message);
    else
        // The port failed or went away: the scan stopped where it was, and says so, with what it found.
        m_state->setText(m_found > 0 ? result.message + u' ' + scanSummary(m_found) : result.message);
    recordInHistory(line, outcomeWord(result.status));
    emit scanFinished(result);
}

void MachineScanDialog::recordInHistory(const Line &line, QStringView outcome)
{
    if (const auto problem = CommandHistory::appendScan(line.port, m_range, line.asked, outcome, line.heard))
        m_state->setToolTip(*problem);
}

void MachineScanDialog::useChosen()
{
    const QListWidgetItem *item = m_answers->currentItem();
    if (!item || !item->data(Qt::UserRole).isValid())
        return;
    const bool site = m_site;
    const PortChoice port = m_lines.at(size_t(item->data(RowLineRole).toInt()))->port;
    const int machine = item->data(Qt::UserRole).toInt();
    stopScan();
    if (site && m_choosePort)
        m_choosePort(port, machine);
    else
        m_choose(machine);
    accept();
}

void MachineScanDialog::reject()
{
    // Over several lines, Cancel lets each line have the answer on its way first; pressed again, or over
    // one line, it stops at once.
    if (m_site && isScanning() && !m_stopping) {
        m_stopping = true;
        m_state->setText(tr("正在停止：每条线等它在途的回答…"));
        for (const auto &line : m_lines) {
            if (line->session->isRunning())
                line->session->requestStop();
        }
        return;
    }
    stopScan();
    QDialog::reject();
}

void MachineScanDialog::stopScan()
{
    for (const auto &line : m_lines) {
        if (!line->session->isRunning())
            continue;
        // The port is closed again at once; what was found so far still counts for a later renumber.
        line->session->abort();
        line->finished = true;
        RememberedChoices().noteTerminalsFound(line->port.line, line->found, false);
        recordInHistory(*line, OutcomeWord::Cancelled);
    }
}

namespace {

class ShiftF10Filter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F10 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier)
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        emit widget->customContextMenuRequested(widget->rect().center());
        return true;
    }
};

} // namespace

void openContextMenuOnShiftF10(QWidget *widget)
{
    widget->installEventFilter(new ShiftF10Filter(widget));
}

QString findMachinesHint()
{
    return QCoreApplication::translate("MachineScanDialog", "不知道机号？在机号框上按右键（或菜单键），选“查找机号…”");
}
