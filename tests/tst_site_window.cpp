#include "command_history.h"
#include "form1.h"
#include "language.h"
#include "machine_scan_dialog.h"
#include "remembered_choices.h"
#include "sim_process.h"
#include "site_table_view.h"
#include "tst_cli_process.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <fcntl.h>
#include <unistd.h>

// The window's part of a whole site: 查找机号 over every mapped port at once against one simulator serving
// several lines, and the site table (Ctrl+I) read from a history written by the test, with its CSV export.
class TestSiteWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyMappedPortScanned_data();
    void everyMappedPortScanned();
    void choosingARowSetsPortAndNumber();
    void cancelStopsEveryLine();
    void siteTableShowsTheHistory();
    void siteTableExportsTheInventoryCsv();
    void siteTableKeepsPortOrderAtManyRows();
    void englishCaptionsAndNames();

private:
    QTemporaryDir m_settings;
};

namespace {

const QString MissingDevice = QStringLiteral("/dev/timeclock-no-such-line");

// "N=LINE" mappings, LINE the simulator's line from 1 (0: a device that is not there), as the window has them.
QList<PortChoice> mappedPorts(const QStringList &mappings, const QStringList &devices, PortDirectory *directory)
{
    QList<PortChoice> ports;
    for (const QString &mapping : mappings) {
        const int line = mapping.section(u'=', 1).toInt();
        directory->mapPort(mapping.section(u'=', 0, 0).toInt(), line == 0 ? MissingDevice : devices.at(line - 1));
    }
    for (const QString &mapping : mappings) {
        const int number = mapping.section(u'=', 0, 0).toInt();
        ports.append(PortChoice{qint16(number), directory->deviceFor(qint16(number)), *directory});
    }
    return ports;
}

QStringList rowTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

// The history as the program writes it, through its own record writer; `entries` oldest first.
void writeHistory(const QList<HistoryEntry> &entries)
{
    QFile::remove(CommandHistory::filePath());
    for (const HistoryEntry &entry : entries)
        QVERIFY(!CommandHistory::append(entry));
}

// An entry at `time` (hh:mm) on 1 December, in a time zone of its own, so the times shown are the test's.
HistoryEntry at(const QString &time, HistoryEntry entry)
{
    entry.time = QDateTime::fromString("2026-12-01T" + time + ":00+08:00", Qt::ISODate);
    return entry;
}

const QString Door = QStringLiteral("mode=door picture=true delay=5 font=traditional");

// A terminal given settings at 5, renumbered to 7, sent a logo there before any answer named it, then found
// at 7 by a scan: one row, followed by its serial. And one on a second line.
const QList<HistoryEntry> RenumberedSite{
    at("09:00", {.time = {}, .device = "/dev/ttyUSB0", .machine = "1-255", .command = "scan", .outcome = "ok 5:0A1B2C"}),
    at("09:01", {.time = {}, .device = "/dev/ttyUSB0", .machine = "5", .command = "settings", .outcome = "ok", .settings = Door}),
    at("09:02", {.time = {}, .device = "/dev/ttyUSB0", .machine = "7", .command = "renumber", .outcome = "ok"}),
    at("09:03", {.time = {}, .device = "/dev/ttyUSB0", .machine = "7", .command = "logo", .outcome = "ok",
                 .logoHash = "ab12cd34ef56ab12cd34", .logoSource = "shop.png"}),
    at("09:04", {.time = {}, .device = "/dev/ttyUSB0", .machine = "1-255", .command = "scan", .outcome = "ok 7:0a1b2c"}),
    at("09:05", {.time = {}, .device = "/dev/ttyUSB1", .machine = "1-255", .command = "scan", .outcome = "ok 18:445566 collision:18:778899"}),
};

QStringList tableRow(const QTableWidget *table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return cells;
}

} // namespace

void TestSiteWindow::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestSiteWindow::init()
{
    QFile::remove(CommandHistory::filePath());
    RememberedChoices::forgetAll();
}

void TestSiteWindow::cleanup()
{
    qDeleteAll(qApp->findChildren<QTranslator *>());
}

void TestSiteWindow::everyMappedPortScanned_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QStringList>("mappings");  // "N=LINE"
    // The rows in order: "PORT MACHINE SERIAL" for a terminal, "PORT -" for a line that says it failed.
    QTest::addColumn<QStringList>("rows");
    // Found in the order 2, 3, 7, 9, 20 across the lines; listed by port, then number.
    QTest::newRow("three lines, terminals at known numbers")
        << QStringList{"--lines", "3", "--line-bus", "1:3:000003,20:000014", "--line-bus", "2:7:000007,9:000009", "--line-bus", "3:2:000002"}
        << QStringList{"7=3", "5=1", "6=2"} << QStringList{"5 3 000003", "5 20 000014", "6 7 000007", "6 9 000009", "7 2 000002"};
    // The missing line is a row of its own; the others are scanned all the same.
    QTest::newRow("a mapped line missing")
        << QStringList{"--lines", "2", "--line-bus", "1:3:000003", "--line-bus", "2:12:00000C"}
        << QStringList{"4=0", "5=1", "6=2"} << QStringList{"4 -", "5 3 000003", "6 12 00000C"};
}

void TestSiteWindow::everyMappedPortScanned()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, mappings);
    QFETCH(QStringList, rows);
    sim::SimProcess site(simOptions);
    QVERIFY(site.start());
    PortDirectory directory;
    QList<PortChoice> ports = mappedPorts(mappings, site.devicePaths(), &directory);
    std::sort(ports.begin(), ports.end(), [](const PortChoice &a, const PortChoice &b) { return a.number < b.number; });
    MachineScanDialog dialog(ports.constFirst(), [](int) { QFAIL("a row of one port was chosen"); });
    dialog.offerMappedPorts(ports, [](const PortChoice &, int) {});
    auto *all = dialog.findChild<QCheckBox *>("scanAllPorts");
    QVERIFY(all->isEnabled());
    all->setChecked(true);
    QSignalSpy finished(&dialog, &MachineScanDialog::scanFinished);
    dialog.show();
    dialog.start({0, 30});
    QVERIFY(finished.wait(60000));
    QVERIFY(dialog.scansMappedPorts());

    auto *answers = dialog.findChild<QListWidget *>("scanAnswers");
    const QStringList shown = rowTexts(answers);
    QCOMPARE(shown.size(), rows.size());
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList expected = rows.at(row).split(u' ');
        const QListWidgetItem *item = answers->item(row);
        if (expected.at(1) == u"-") {
            // Named by its number and its device, never chosen.
            QVERIFY2(item->text().startsWith(QStringLiteral("串口 %1（%2）：").arg(expected.at(0), MissingDevice)), qPrintable(item->text()));
            QVERIFY(!(item->flags() & Qt::ItemIsSelectable));
            continue;
        }
        // Whether an answer came within its short wait belongs to the machine's load.
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(
            QStringLiteral("串口 %1    机号 %2    序列号 %3(    回答慢)?").arg(expected.at(0), expected.at(1), expected.at(2))));
        QVERIFY2(pattern.match(item->text()).hasMatch(), qPrintable(shown.join(u'\n')));
        QCOMPARE(item->data(Qt::UserRole).toInt(), expected.at(1).toInt());
    }
    const bool missing = mappings.contains("4=0");
    QCOMPARE(finished.constFirst().constFirst().value<CommandResult>().status, missing ? CommandStatus::PortLost : CommandStatus::Done);
    QVERIFY2(dialog.findChild<QLabel *>("scanState")->text().contains(missing ? "1 个串口打不开或断开了" : "3 个串口查完"),
             qPrintable(dialog.findChild<QLabel *>("scanState")->text()));
    // One history entry per port, each naming its device.
    QStringList recorded;
    for (const HistoryEntry &entry : CommandHistory::read()) {
        QCOMPARE(entry.command, "scan");
        recorded << entry.device;
    }
    QStringList devices;
    for (const PortChoice &port : std::as_const(ports))
        devices << port.deviceName;
    recorded.sort();
    devices.sort();
    QCOMPARE(recorded, devices);
    QVERIFY(!dialog.isScanning());
    QVERIFY(site.stop());
}

void TestSiteWindow::choosingARowSetsPortAndNumber()
{
    sim::SimProcess site({"--lines", "2", "--line-bus", "1:3:000003", "--line-bus", "2:7:000007"});
    QVERIFY(site.start());
    PortDirectory directory;
    mappedPorts({"5=1", "6=2"}, site.devicePaths(), &directory);
    Form1 form(directory);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // Port 5 in the box, so the scan that starts at once reaches a simulated line.
    form.findChild<QLineEdit *>("COM1")->setText("5");
    form.findChild<QAction *>("findMachines")->trigger();
    QTRY_VERIFY(form.findChild<MachineScanDialog *>());
    auto *dialog = form.findChild<MachineScanDialog *>();
    auto *all = dialog->findChild<QCheckBox *>("scanAllPorts");
    QVERIFY(all->toolTip().contains(site.devicePaths().at(1)));
    all->setChecked(true);
    QVERIFY(dialog->scansMappedPorts());
    auto *answers = dialog->findChild<QListWidget *>("scanAnswers");
    const auto rowOf = [answers](const QString &start) {
        for (int row = 0; row < answers->count(); ++row) {
            if (answers->item(row)->text().startsWith(start))
                return row;
        }
        return -1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(rowOf("串口 6    机号 7") >= 0, 30000);
    answers->setCurrentRow(rowOf("串口 6    机号 7"));
    QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QTRY_VERIFY(!form.findChild<MachineScanDialog *>());
    QCOMPARE(form.findChild<QLineEdit *>("COM1")->text(), "6");
    QCOMPARE(form.findChild<QLineEdit *>("ADDRESS")->text(), "7");
    QVERIFY2(form.shownStatus().startsWith("串口已设为 6，机号已设为 7（查找机号"), qPrintable(form.shownStatus()));
    // Both lines were closed when the row was chosen, and each is in the history.
    const QList<HistoryEntry> entries = CommandHistory::read();
    QVERIFY(entries.size() >= 2);
    QSet<QString> devices;
    for (const HistoryEntry &entry : entries.last(2))
        devices.insert(entry.device);
    QCOMPARE(devices, (QSet<QString>{site.devicePaths().at(0), site.devicePaths().at(1)}));
    QVERIFY(site.stop());
}

void TestSiteWindow::cancelStopsEveryLine()
{
    // Nobody answers below 200: every question waits its whole time.
    sim::SimProcess site({"--lines", "2", "--machine", "200"});
    QVERIFY(site.start());
    PortDirectory directory;
    const QList<PortChoice> ports = mappedPorts({"5=1", "6=2"}, site.devicePaths(), &directory);
    MachineScanDialog dialog(ports.constFirst(), [](int) {});
    dialog.offerMappedPorts(ports, [](const PortChoice &, int) { QFAIL("nothing was chosen"); });
    dialog.findChild<QCheckBox *>("scanAllPorts")->setChecked(true);
    QSignalSpy closed(&dialog, &QDialog::finished);
    QSignalSpy finished(&dialog, &MachineScanDialog::scanFinished);
    dialog.show();
    dialog.start();
    auto *progress = dialog.findChild<QProgressBar *>("scanProgress");
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 4, 10000);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    // Each line ends once the question on its way has its answer or its time: then the dialog closes.
    QVERIFY(closed.count() == 1 || closed.wait(10000));
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.isScanning());
    QVERIFY(finished.isEmpty());
    const QList<HistoryEntry> entries = CommandHistory::read();
    QCOMPARE(entries.size(), 2);
    for (int line = 1; line <= 2; ++line) {
        const QString device = site.devicePaths().at(line - 1);
        const auto it = std::find_if(entries.cbegin(), entries.cend(), [&](const HistoryEntry &e) { return e.device == device; });
        QVERIFY(it != entries.cend());
        QCOMPARE(it->outcome, "cancelled");
        // Nothing was asked after the recorded numbers (3 bytes each): a marker written behind them is next.
        const int asked = it->machine.section(u'-', 1).toInt() + 1;
        const QByteArray marker = QByteArray::fromHex("a55ac33c9669f00f");
        const int fd = ::open(QFile::encodeName(device).constData(), O_WRONLY | O_NOCTTY);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, marker.constData(), size_t(marker.size())), ssize_t(marker.size()));
        ::close(fd);
        QVERIFY(site.waitUntil([&] { return site.reader().line(line).received().endsWith(marker); }, 5000));
        QCOMPARE(site.reader().line(line).received().size() - marker.size(), 3 * asked);
    }
    QVERIFY(site.stop());
}

void TestSiteWindow::siteTableShowsTheHistory()
{
    writeHistory(RenumberedSite);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // In the status line's menu beside 历史记录…, and on Ctrl+I.
    const QList<QAction *> menu = form.findChild<QLabel *>("HELP1")->actions();
    QVERIFY(std::any_of(menu.cbegin(), menu.cend(), [](QAction *a) { return a->objectName() == "showSiteTable"; }));
    QTest::keyClick(&form, Qt::Key_I, Qt::ControlModifier);
    QTRY_VERIFY(form.findChild<SiteTableDialog *>());
    auto *dialog = form.findChild<SiteTableDialog *>();
    QVERIFY(dialog->isVisible());
    auto *table = dialog->findChild<QTableWidget *>("siteTableView");
    QCOMPARE(table->rowCount(), 3);
    // The renumbered terminal is one row, at its new number, with what was sent before and after.
    const QStringList first = tableRow(table, 0);
    QCOMPARE(first.mid(0, 5), (QStringList{"/dev/ttyUSB0", "7", "0A1B2C", "2026-12-01 09:04", ""}));
    QCOMPARE(first.at(5), "2026-12-01 09:01  已确认  " + Door);
    QCOMPARE(first.at(6), "2026-12-01 09:03  已确认  shop.png  ab12cd34ef56");
    QCOMPARE(first.at(7), "是");
    QCOMPARE(tableRow(table, 1).mid(0, 5), (QStringList{"/dev/ttyUSB1", "18", "445566", "2026-12-01 09:05", "可能有两台同号"}));
    QCOMPARE(tableRow(table, 2).mid(0, 3), (QStringList{"/dev/ttyUSB1", "18", "778899"}));
    QCOMPARE(tableRow(table, 2).at(7), "");
    QVERIFY(dialog->findChild<QLabel *>("siteTableNote")->text().contains("这台电脑记录的发送且考勤机确认"));
    // Read-only.
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    dialog->close();
    QTRY_VERIFY(!form.findChild<SiteTableDialog *>());
}

void TestSiteWindow::siteTableExportsTheInventoryCsv()
{
    writeHistory(RenumberedSite + QList<HistoryEntry>{at("09:06", {.time = {}, .device = "=HYPERLINK(1)", .machine = "3", .command = "read-serial",
                                                                   .outcome = "ok", .serial = "001E05"})});
    SiteTableDialog dialog;
    dialog.show();
    QTemporaryDir dir;
    const auto exportTo = [&dialog](const QString &path) {
        auto *save = dialog.findChild<QFileDialog *>("saveSiteCsv");
        dialog.findChild<QPushButton *>("exportCsv")->click();
        QTRY_VERIFY(save->isVisible());
        save->selectFile(path);
        static_cast<QDialog *>(save)->accept();
    };
    exportTo(dir.filePath("site.csv"));
    QFile written(dir.filePath("site.csv"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    // The same bytes as the command line's inventory --csv of the same history.
    const ProgramRun run = runProgram({"inventory", "--offline", "--csv"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(bytes, run.out);
    const QList<QByteArray> rows = bytes.split('\n');
    QCOMPARE(rows.size(), 6);  // header, four terminals, nothing after the last CRLF
    QCOMPARE(rows.at(0), QByteArray("\xEF\xBB\xBFport,machine,serial,last_answered,collision,settings,settings_time,"
                                    "settings_confirmed,logo_source,logo_sha256,logo_time,logo_confirmed,confirmed,answered_now\r"));
    const auto renumbered = std::find_if(rows.cbegin(), rows.cend(), [](const QByteArray &row) { return row.startsWith("/dev/ttyUSB0,"); });
    QVERIFY(renumbered != rows.cend());
    QCOMPARE(*renumbered, QByteArray("/dev/ttyUSB0,7,\t0A1B2C,\t2026-12-01T09:04:00+08:00,no,") + Door.toUtf8()
                             + ",\t2026-12-01T09:01:00+08:00,yes,shop.png,\tab12cd34ef56ab12cd34,\t2026-12-01T09:03:00+08:00,yes,yes,\r");
    QVERIFY(dialog.findChild<QLabel *>("siteTableState")->text().contains(QDir::toNativeSeparators(dir.filePath("site.csv"))));

    // A folder gone by the time the file is written (the save dialog itself refuses one not there): said,
    // and nothing written.
    const QString nowhere = dir.filePath("missing/site.csv");
    emit dialog.findChild<QFileDialog *>("saveSiteCsv")->fileSelected(nowhere);
    QVERIFY2(dialog.findChild<QLabel *>("siteTableState")->text().startsWith("文件保存失败！"),
             qPrintable(dialog.findChild<QLabel *>("siteTableState")->text()));
    QVERIFY(dialog.findChild<QLabel *>("siteTableState")->text().contains(QDir::toNativeSeparators(nowhere)));
    QVERIFY(!QFile::exists(nowhere));
}

void TestSiteWindow::siteTableKeepsPortOrderAtManyRows()
{
    // 150 terminals on three lines; ttyUSB2 comes before ttyUSB10 as a person reads them.
    QList<HistoryEntry> lines;
    const QList<std::pair<QString, QString>> ports{{"/dev/ttyUSB10", "A1"}, {"/dev/ttyUSB2", "B2"}, {"/dev/ttyUSB1", "C3"}};
    for (const auto &[port, serialStart] : ports) {
        QStringList found;
        for (int machine = 1; machine <= 50; ++machine)
            found << QStringLiteral("%1:%2%3").arg(machine).arg(serialStart).arg(machine, 4, 10, QLatin1Char('0'));
        lines << at("09:00", {.time = {}, .device = port, .machine = "0-255", .command = "scan", .outcome = "ok " + found.join(u' ')});
    }
    writeHistory(lines);
    SiteTableDialog dialog;
    dialog.show();
    auto *table = dialog.findChild<QTableWidget *>("siteTableView");
    QCOMPARE(table->rowCount(), 150);
    QCOMPARE(table->item(0, 0)->text(), "/dev/ttyUSB1");
    QCOMPARE(table->item(50, 0)->text(), "/dev/ttyUSB2");
    QCOMPARE(table->item(149, 0)->text(), "/dev/ttyUSB10");
    // Sorted by number: numbers by value.
    table->sortByColumn(1, Qt::AscendingOrder);
    QCOMPARE(table->item(0, 1)->text(), "1");
    QCOMPARE(table->item(149, 1)->text(), "50");
    table->sortByColumn(0, Qt::DescendingOrder);
    QCOMPARE(table->item(0, 0)->text(), "/dev/ttyUSB10");
}

void TestSiteWindow::englishCaptionsAndNames()
{
    installLanguage(*qApp, "en");
    writeHistory(RenumberedSite);
    SiteTableDialog table;
    QCOMPARE(table.windowTitle(), "Site Table");
    auto *view = table.findChild<QTableWidget *>("siteTableView");
    QStringList headers;
    for (int column = 0; column < view->columnCount(); ++column)
        headers << view->horizontalHeaderItem(column)->text();
    QCOMPARE(headers, (QStringList{"Port", "Machine", "Serial", "Last answered", "Shared number", "Settings last sent",
                                   "Logo last sent", "All confirmed"}));
    QCOMPARE(view->accessibleName(), "Terminals of the site");
    QCOMPARE(table.findChild<QPushButton *>("exportCsv")->accessibleName(), "Export CSV");
    QCOMPARE(table.findChild<QPushButton *>("exportCsv")->text(), "Export CSV…");
    QVERIFY(table.findChild<QLabel *>("siteTableNote")->text().startsWith("Settings and logo: "));
    QCOMPARE(tableRow(view, 0).at(5), "2026-12-01 09:01  confirmed  " + Door);

    MachineScanDialog scan({1, MissingDevice}, [](int) {});
    QCOMPARE(scan.findChild<QCheckBox *>("scanAllPorts")->text(), "Scan every mapped port");
    Form1 form;
    QCOMPARE(form.findChild<QAction *>("showSiteTable")->text(), "Site Table…");
}

QTEST_MAIN(TestSiteWindow)
#include "tst_site_window.moc"
