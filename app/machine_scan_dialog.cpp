#include "machine_scan_dialog.h"

#include "command_history.h"
#include "outcome_words.h"
#include "remembered_choices.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QAbstractButton>
#include <QPushButton>
#include <QVBoxLayout>

MachineScanDialog::MachineScanDialog(const PortChoice &port, std::function<void(int machine)> choose, QWidget *parent)
    : QDialog(parent), m_port(port), m_choose(std::move(choose))
{
    setObjectName(QStringLiteral("machineScan"));
    setWindowTitle(tr("查找机号"));
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("scanState"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    m_answers = new QListWidget(this);
    m_answers->setObjectName(QStringLiteral("scanAnswers"));
    m_answers->setAccessibleName(tr("回答的考勤机"));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("用这个机号"));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_state);
    layout->addWidget(m_progress);
    layout->addWidget(m_answers);
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
    connect(&m_session, &CommandSession::finished, this, &MachineScanDialog::endScan);
}

MachineScanDialog::~MachineScanDialog()
{
    // Closed with the window mid-scan: what was asked so far is still recorded.
    stopScan();
}

void MachineScanDialog::start(MachineRange range, std::chrono::milliseconds wait)
{
    m_found = 0;
    m_asked = 0;
    m_heard.clear();
    m_range = range;
    m_answers->clear();
    m_progress->setRange(0, range.count());
    m_progress->setValue(0);
    m_state->setText(tr("正在查找机号 %1-%2（%3）…").arg(range.first).arg(range.last).arg(m_port.label()));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    // No default button while the scan runs: Enter pressed out of habit would end it early.
    setDefaultButtonWhileScanning(true);
    auto task = std::make_unique<MachineScanTask>(
        range, wait, [this](const ScanAnswer &answer) { addAnswer(answer); },
        [this](int asked, int) {
            m_asked = asked;
            m_progress->setValue(asked);
        });
    m_session.run(m_port, std::move(task));
}

void MachineScanDialog::addAnswer(const ScanAnswer &answer)
{
    m_heard << answer;
    auto *item = new QListWidgetItem(m_answers);
    switch (answer.kind) {
    case ScanAnswer::Kind::Found:
        item->setText(answer.slow ? tr("机号 %1    序列号 %2    回答慢").arg(answer.machine).arg(answer.serial())
                                  : tr("机号 %1    序列号 %2").arg(answer.machine).arg(answer.serial()));
        if (answer.slow)
            item->setToolTip(tr("短等待内没有回答，等一秒再问一次才找到"));
        item->setData(Qt::UserRole, answer.machine);
        item->setData(Qt::UserRole + 1, QStringLiteral("%1:%2").arg(answer.machine).arg(answer.serial()));
        if (++m_found == 1)
            m_answers->setCurrentItem(item);
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

void MachineScanDialog::endScan(const CommandResult &result)
{
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
    recordInHistory(outcomeWord(result.status));
    emit scanFinished(result);
}

void MachineScanDialog::recordInHistory(QStringView outcome)
{
    if (const auto problem = CommandHistory::appendScan(m_port, m_range, m_asked, outcome, m_heard))
        m_state->setToolTip(*problem);
}

void MachineScanDialog::useChosen()
{
    const QListWidgetItem *item = m_answers->currentItem();
    if (!item || !item->data(Qt::UserRole).isValid())
        return;
    stopScan();
    m_choose(item->data(Qt::UserRole).toInt());
    accept();
}

void MachineScanDialog::reject()
{
    stopScan();
    QDialog::reject();
}

void MachineScanDialog::stopScan()
{
    if (!m_session.isRunning())
        return;
    // The port is closed again at once; what was found so far still counts for a later renumber.
    m_session.abort();
    RememberedChoices().noteTerminalsFound(m_port.line, m_found, false);
    recordInHistory(OutcomeWord::Cancelled);
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
