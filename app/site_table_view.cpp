#include "site_table_view.h"

#include "command_history.h"
#include "file_writing.h"
#include "inventory_command.h"
#include "logo_file.h"
#include "status_messages.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column { PortColumn, MachineColumn, SerialColumn, AnsweredColumn, CollisionColumn, SettingsColumn, LogoColumn,
              ConfirmedColumn, ColumnCount };

constexpr int OrderRole = Qt::UserRole;
constexpr int SentColumnWidth = 240;

// Sorted by the value it was given to sort by where it has one (a port in the order a person reads ports),
// else as Qt sorts a cell (numbers by value).
class TableCell : public QTableWidgetItem
{
public:
    using QTableWidgetItem::QTableWidgetItem;

    bool operator<(const QTableWidgetItem &other) const override
    {
        const QVariant mine = data(OrderRole);
        const QVariant theirs = other.data(OrderRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toInt() < theirs.toInt();
        return QTableWidgetItem::operator<(other);
    }
};

QString minuteOf(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

QString confirmedShown(bool confirmed, const std::optional<int> &lines = std::nullopt)
{
    if (confirmed)
        return SiteTableDialog::tr("已确认");
    if (lines)
        return SiteTableDialog::tr("未确认（%1/%2 行）").arg(*lines).arg(LogoLineCount);
    return SiteTableDialog::tr("未确认");
}

} // namespace

SiteTableDialog::SiteTableDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("siteTable"));
    setWindowTitle(tr("现场一览"));
    auto *note = new QLabel(tr("设置和图片：这台电脑记录的发送且考勤机确认的内容（考勤机读不回来）"), this);
    note->setObjectName(QStringLiteral("siteTableNote"));
    note->setWordWrap(true);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("siteTableState"));
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_state->setWordWrap(true);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("siteTableView"));
    m_table->setAccessibleName(tr("现场的考勤机"));
    m_table->setHorizontalHeaderLabels({tr("串口"), tr("机号"), tr("序列号"), tr("最后回答"), tr("同号"),
                                        tr("最后发送的设置"), tr("最后发送的图片"), tr("全部确认")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *close = buttons->button(QDialogButtonBox::Close);
    close->setText(tr("关闭"));
    close->setAccessibleName(tr("关闭"));
    auto *exportButton = buttons->addButton(tr("导出 CSV…"), QDialogButtonBox::ActionRole);
    exportButton->setObjectName(QStringLiteral("exportCsv"));
    exportButton->setAccessibleName(tr("导出 CSV"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_saveDialog = new QFileDialog(this);
    m_saveDialog->setObjectName(QStringLiteral("saveSiteCsv"));
    m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    m_saveDialog->setFileMode(QFileDialog::AnyFile);
    m_saveDialog->setNameFilter(tr("CSV 文件 (*.csv)"));
    m_saveDialog->setDefaultSuffix(QStringLiteral("csv"));
    m_saveDialog->setWindowModality(Qt::WindowModal);
    m_saveDialog->selectFile(QStringLiteral("inventory.csv"));
    connect(exportButton, &QPushButton::clicked, m_saveDialog, qOverload<>(&QFileDialog::open));
    connect(m_saveDialog, &QFileDialog::fileSelected, this, &SiteTableDialog::exportCsv);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_table);
    layout->addWidget(m_state);
    layout->addWidget(buttons);
    fill();
    resize(1080, 420);
}

void SiteTableDialog::fill()
{
    m_terminals = siteInventory(CommandHistory::read());
    m_state->setText(m_terminals.isEmpty()
                         ? tr("历史记录里还没有考勤机（%1）").arg(QDir::toNativeSeparators(CommandHistory::filePath()))
                         : tr("%1 台考勤机，按序列号跟踪（%2）")
                               .arg(m_terminals.size())
                               .arg(QDir::toNativeSeparators(CommandHistory::filePath())));
    m_table->setSortingEnabled(false);
    m_table->setRowCount(int(m_terminals.size()));
    for (int row = 0; row < int(m_terminals.size()); ++row) {
        const SiteTerminal &terminal = m_terminals.at(row);
        const auto put = [&](int column, const QString &text, const QString &toolTip = {}) {
            auto *cell = new TableCell(text);
            cell->setToolTip(toolTip.isEmpty() ? text : toolTip);
            m_table->setItem(row, column, cell);
            return cell;
        };
        // The history's order is by port as a person reads ports, then number.
        put(PortColumn, terminal.port)->setData(OrderRole, row);
        auto *machine = new TableCell;
        machine->setData(Qt::DisplayRole, terminal.machine);
        m_table->setItem(row, MachineColumn, machine);
        put(SerialColumn, terminal.serial.isEmpty() ? tr("（不知道）") : terminal.serial);
        put(AnsweredColumn, minuteOf(terminal.lastAnswered));
        put(CollisionColumn, terminal.collision ? tr("可能有两台同号") : QString());
        if (const auto &settings = terminal.settings)
            put(SettingsColumn,
                QStringLiteral("%1  %2  %3").arg(minuteOf(settings->time), confirmedShown(settings->confirmed), settings->words));
        else
            put(SettingsColumn, QString());
        if (const auto &logo = terminal.logo)
            put(LogoColumn,
                QStringLiteral("%1  %2  %3  %4")
                    .arg(minuteOf(logo->time), confirmedShown(logo->confirmed, logo->linesConfirmed), logo->source, logo->hash.left(12)),
                QStringLiteral("%1\n%2").arg(logo->source, logo->hash));
        else
            put(LogoColumn, QString());
        const std::optional<bool> confirmed = terminal.everyStepConfirmed();
        put(ConfirmedColumn, confirmed ? (*confirmed ? tr("是") : tr("否")) : QString());
    }
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(PortColumn, Qt::AscendingOrder);
    m_table->resizeColumnsToContents();
    // What was sent is long; its cell shows the start, its tooltip all of it.
    for (const int column : {SettingsColumn, LogoColumn})
        m_table->setColumnWidth(column, std::min(m_table->columnWidth(column), SentColumnWidth));
}

void SiteTableDialog::exportCsv(const QString &path)
{
    const QString place = QDir::toNativeSeparators(path);
    // The whole file or none: a failed write leaves what was there before.
    if (const auto failure = writeWholeFile(path, inventoryCsv(m_terminals)))
        m_state->setText(StatusText::withDetail(StatusText::FileSaveFailed.toString(),
                                                StatusText::ReasonAndPlace.toString().arg(failure->reason, place)));
    else
        m_state->setText(tr("已导出 %1 台考勤机：%2").arg(m_terminals.size()).arg(place));
}

SiteTableDialog *showSiteTable(QWidget *parent)
{
    auto *dialog = new SiteTableDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}
