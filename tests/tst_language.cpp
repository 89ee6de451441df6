#include "command_history.h"
#include "history_view.h"
#include "language.h"
#include "port_catalogue.h"
#include "status_messages.h"
#include "window_bench.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImageReader>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QTest>
#include <QTextDocument>
#include <QTranslator>

// The window in each of its languages, as --lang chooses it: every caption, a status message of each kind,
// and Qt's own dialogs in the same language as the window.
class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void captions_data();
    void captions();
    void statusMessages_data();
    void statusMessages();
    void commandKeys_data();
    void commandKeys();
    void qtDialogsSpeakTheWindowsLanguage_data();
    void qtDialogsSpeakTheWindowsLanguage();
    void historyInTheWindowsWords_data();
    void historyInTheWindowsWords();
    void cleanup();

private:
    static void addLanguageColumn();
    static void startIn(const QString &language);
};

void TestLanguage::choice_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<QString>("requested");
    QTest::addColumn<Language>("expected");
    QTest::newRow("Chinese, mainland") << QStringList{"zh-CN", "zh-Hans-CN", "zh"} << "" << Language::Chinese;
    QTest::newRow("Chinese, Taiwan") << QStringList{"zh-TW", "zh-Hant-TW"} << "" << Language::Chinese;
    QTest::newRow("C locale of a bare server") << QStringList{"C"} << "" << Language::Chinese;
    QTest::newRow("POSIX") << QStringList{"POSIX"} << "" << Language::Chinese;
    QTest::newRow("no UI language at all") << QStringList{} << "" << Language::Chinese;
    QTest::newRow("English") << QStringList{"en-US", "en-Latn-US", "en"} << "" << Language::English;
    QTest::newRow("German, without a translation") << QStringList{"de-DE", "de"} << "" << Language::English;
    QTest::newRow("German, then Chinese") << QStringList{"de", "de-DE", "zh-CN"} << "" << Language::Chinese;
    QTest::newRow("English before Chinese") << QStringList{"en-GB", "zh-CN"} << "" << Language::English;
    QTest::newRow("--lang en on a Chinese system") << QStringList{"zh-CN"} << "en" << Language::English;
    QTest::newRow("--lang zh on an English system") << QStringList{"en-US"} << "zh" << Language::Chinese;
    QTest::newRow("--lang with an unknown language") << QStringList{"zh-CN"} << "fr" << Language::Chinese;
}

void TestLanguage::choice()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(QString, requested);
    QFETCH(Language, expected);
    QCOMPARE(chooseLanguage(uiLanguages, requested), expected);
}

void TestLanguage::addLanguageColumn()
{
    QTest::addColumn<QString>("language");
}

// As the program starts: the language from its arguments, installed before the window is made.
void TestLanguage::startIn(const QString &language)
{
    installLanguage(*qApp, requestedLanguage({QStringLiteral("timeclock-setup"), QStringLiteral("--lang"), language}));
}

void TestLanguage::cleanup()
{
    // A deleted translator takes itself out of the application.
    qDeleteAll(qApp->findChildren<QTranslator *>());
}

namespace {
struct Caption
{
    const char *control;  // object name; "" for the window's title
    const char *chinese;
    const char *english;
};

// What the operator reads on the window; the English must fit the same controls (see docs/window-en.png).
const Caption Captions[] = {
    {"", "考勤机设置V6.1x", "Time Clock Setup V6.1x"},
    {"Label2", "串口", "Port"},
    {"Label1", "机号", "ID"},
    {"Cmd2", "改号", "&Renumber…"},
    {"OpenFile", "打开文件", "&Open File"},
    {"DOWNLOG", "下载OEM_LOGO图片", "Download &Logo"},
    {"oem_log", "开机OEM图片", "Start logo"},
    {"Frame1", "模式选择", "Mode"},
    {"mlmode", "考勤响铃模式", "Bell"},
    {"mkmode", "考勤门禁模式", "Door lock"},
    {"Command1", "设置考勤机", "Set &Up Terminal"},
    {"Label13", "打卡延时:", "Punch:"},
    {"Label3", "开锁延时:", "Unlock:"},
    {"Command4", "读序列号", "R&ead Serial No."},
    {"Command5", "写序列号", "&Write Serial No."},
    {"Frame2", "字体选择", "Characters"},
    {"fontj", "简体", "Simpl."},
    {"fontf", "繁体", "Trad."},
    {"Label4", "提示信息：", "Status:"},
    {"Label5", "OEM图片预览", "Logo preview"},
    {"invertCheck", "反色(&I)", "&Invert"},
    {"ditherCheck", "抖动(&D)", "&Dither"},
    {"fillCheck", "填满(&F)", "&Fill"},
    {"textButton", "文字…(&T)", "&Text…"},
    {"saveAsButton", "另存为…(&S)", "&Save As…"},
};

QString captionOf(QWidget *window, const char *name)
{
    if (!*name)
        return window->windowTitle();
    QWidget *control = window->findChild<QWidget *>(QLatin1String(name));
    if (const auto *label = qobject_cast<QLabel *>(control))
        return label->text();
    if (const auto *button = qobject_cast<QAbstractButton *>(control))
        return button->text();
    if (const auto *group = qobject_cast<QGroupBox *>(control))
        return group->title();
    return QStringLiteral("(no control %1)").arg(QLatin1String(name));
}
} // namespace

void TestLanguage::captions_data()
{
    addLanguageColumn();
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<QStringList>("filters");
    QStringList chinese;
    QStringList english;
    for (const Caption &caption : Captions) {
        chinese << QString::fromUtf8(caption.chinese);
        english << QString::fromUtf8(caption.english);
    }
    QStringList patterns;  // every picture format this Qt reads
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns << "*." + QString::fromLatin1(format);
    const QString pictures = patterns.join(u' ');
    QTest::newRow("zh") << "zh" << chinese << QStringList{"反色(&I)", "抖动(&D)", "另存为文本文件…(&S)"}
                        << QStringList{"文本文件和图片 (*.txt " + pictures + ")", "文本文件 (*.txt)",
                                       "图片文件 (" + pictures + ")", "所有文件 (*)"};
    QTest::newRow("en") << "en" << english << QStringList{"&Invert", "&Dither", "&Save as Text File…"}
                        << QStringList{"Text files and images (*.txt " + pictures + ")", "Text files (*.txt)",
                                       "Images (" + pictures + ")", "All files (*)"};
}

void TestLanguage::captions()
{
    QFETCH(QString, language);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, menu);
    QFETCH(QStringList, filters);
    startIn(language);
    Form1 window;

    QStringList shown;
    for (const Caption &caption : Captions)
        shown << captionOf(&window, caption.control);
    QCOMPARE(shown, expected);

    QStringList menuShown;
    for (const QAction *action : window.findChild<LogoPreview *>()->findChildren<QAction *>())
        menuShown << action->text();
    QCOMPARE(menuShown, menu);

    auto *dialog = window.findChild<QFileDialog *>(QStringLiteral("fileOpen"));
    window.findChild<QPushButton *>(QStringLiteral("OpenFile"))->click();
    QCOMPARE(dialog->nameFilters(), filters);
    dialog->reject();
}

void TestLanguage::statusMessages_data()
{
    addLanguageColumn();
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("logoLines");  // a logo file of this many lines is chosen first; 0 keeps the sample
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("toolTip");  // what the status line's tooltip says; empty: the message itself

    const QStringList silent{"--silence", "all"};
    QTest::newRow("zh done") << "zh" << QStringList() << "1" << 0 << "Command1" << "设置成功！" << "";
    QTest::newRow("en done") << "en" << QStringList() << "1" << 0 << "Command1" << "Done." << "";
    QTest::newRow("zh serial number read") << "zh" << QStringList() << "1" << 0 << "Command4" << "通讯成功！" << "";
    QTest::newRow("en serial number read")
        << "en" << QStringList() << "1" << 0 << "Command4" << "Serial number read." << "";
    QTest::newRow("zh no answer") << "zh" << silent << "1" << 0 << "Cmd2" << "通讯失败！" << "请检查连线、串口号和机号";
    QTest::newRow("en no answer") << "en" << silent << "1" << 0 << "Cmd2" << "Communication failed."
                                  << "Check the cable, the port number and the machine number.";
    QTest::newRow("zh bad box") << "zh" << QStringList() << "x" << 0 << "Cmd2" << "串口号错误！（“x”）" << "";
    QTest::newRow("en bad box") << "en" << QStringList() << "x" << 0 << "Cmd2" << "Invalid port number. (“x”)" << "";
    QTest::newRow("zh port reaches nothing")
        << "zh" << QStringList() << "0" << 0 << "Command4" << "串口打开失败！（无此串口：0号NOTE）" << "";
    QTest::newRow("en port reaches nothing")
        << "en" << QStringList() << "0" << 0 << "Command4" << "Cannot open the port (not found: port 0NOTE)." << "";
    QTest::newRow("zh short logo file") << "zh" << QStringList() << "1" << 31 << "DOWNLOG" << "文件数据不足！" << "";
    QTest::newRow("en short logo file")
        << "en" << QStringList() << "1" << 31 << "DOWNLOG" << "The file is too short." << "";
}

void TestLanguage::statusMessages()
{
    QFETCH(QString, language);
    QFETCH(QStringList, simOptions);
    QFETCH(QString, port);
    QFETCH(int, logoLines);
    QFETCH(QString, button);
    QFETCH(QString, expected);
    QFETCH(QString, toolTip);
    startIn(language);
    WindowBench bench(simOptions);
    QVERIFY(bench.start());
    // NOTE: the ports the window reaches, its mapping of port 1 included, which a port-open message names.
    PortDirectory windowPorts;
    windowPorts.mapPort(1, bench.clock.devicePath());
    expected.replace(QStringLiteral("NOTE"), availablePortsNote(windowPorts));
    QTemporaryDir dir;
    if (logoLines > 0)
        bench.chooseLogoFile(writeCountingLogoFile(dir, logoLines));
    bench.setText("COM1", port);

    bench.control<QPushButton>(qPrintable(button))->click();
    QTRY_VERIFY_WITH_TIMEOUT(bench.idle(), 10000);
    QCOMPARE(bench.status(), expected);
    QTextDocument tip;  // rich text: the tooltip as it reads
    tip.setHtml(bench.control<QLabel>("HELP1")->toolTip());
    QVERIFY2(tip.toPlainText().contains(toolTip.isEmpty() ? expected : toolTip), qPrintable(tip.toPlainText()));
}

void TestLanguage::commandKeys_data()
{
    addLanguageColumn();
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    const std::pair<const char *, Qt::Key> keys[] = {{"Cmd2", Qt::Key_R},     {"OpenFile", Qt::Key_O},
                                                    {"DOWNLOG", Qt::Key_L},  {"Command1", Qt::Key_U},
                                                    {"Command4", Qt::Key_E}, {"Command5", Qt::Key_W}};
    for (const char *language : {"zh", "en"}) {
        for (const auto &[button, key] : keys)
            QTest::addRow("%s %s", language, button) << language << button << int(key);
    }
}

void TestLanguage::commandKeys()
{
    QFETCH(QString, language);
    QFETCH(QString, button);
    QFETCH(int, key);
    startIn(language);
    Form1 window;
    // Every command stops at the port number, so no port is opened by a key.
    window.findChild<QLineEdit *>(QStringLiteral("COM1"))->setText(QStringLiteral("x"));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *pressed = window.findChild<QPushButton *>(button);
    const QKeySequence altKey(Qt::ALT | Qt::Key(key));
    QCOMPARE(pressed->shortcut(), altKey);
    for (const QAbstractButton *other : window.findChildren<QAbstractButton *>()) {
        if (other != pressed && other->window() == &window)  // the file dialog's keys are its own window's
            QVERIFY2(other->shortcut() != altKey, qPrintable(other->objectName()));
    }
    // The caption shows whole in its button, in either language.
    const QString caption = QString(pressed->text()).remove(u'&');
    QVERIFY2(QFontMetrics(pressed->font()).horizontalAdvance(caption) < pressed->width(), qPrintable(caption));
    // Drawn as large as the captions beside it: the layout makes the room, the letters do not shrink.
    QCOMPARE(pressed->font().pointSizeF(), window.font().pointSizeF());
    QVERIFY(window.rect().contains(pressed->geometry()));
    if (language == u"en") {
        QCOMPARE(QKeySequence::mnemonic(pressed->text()), altKey);  // the letter underlined is the key
    } else {
        QVERIFY(!pressed->text().contains(u'&'));  // the caption stays as it is; the tooltip tells the key
        QVERIFY2(pressed->toolTip().contains(altKey.toString(QKeySequence::NativeText)), qPrintable(pressed->toolTip()));
    }

    if (button == u"Cmd2") {
        // "Set" beside "ID" read as "apply this ID": the tooltip says what the button does to the line.
        const QString everyTerminal = language == u"en" ? QStringLiteral("Every terminal on the line takes the number")
                                                        : QStringLiteral("线上的每台考勤机都改用机号框里的号");
        QVERIFY2(pressed->toolTip().contains(everyTerminal), qPrintable(pressed->toolTip()));
    }

    QSignalSpy clicked(pressed, &QAbstractButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
    QTRY_COMPARE(clicked.size(), 1);
    if (button == u"OpenFile") {
        auto *dialog = window.findChild<QFileDialog *>(QStringLiteral("fileOpen"));
        QTRY_VERIFY(dialog->isVisible());
        dialog->reject();
    } else {
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("HELP1"))->text(),
                 StatusText::withDetail(StatusText::BadPortNumber.toString(), QStringLiteral("“x”")));
    }
}

void TestLanguage::qtDialogsSpeakTheWindowsLanguage_data()
{
    addLanguageColumn();
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("lookIn");
    QTest::newRow("zh") << "zh" << "取消" << "查找范围：";
    QTest::newRow("en") << "en" << "Cancel" << "Look in:";
}

void TestLanguage::qtDialogsSpeakTheWindowsLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, cancel);
    QFETCH(QString, lookIn);
    startIn(language);
    Form1 window;
    auto *dialog = window.findChild<QFileDialog *>(QStringLiteral("fileOpen"));
    window.findChild<QPushButton *>(QStringLiteral("OpenFile"))->click();
    QVERIFY(dialog->isVisible());
    const auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY2(buttons, "the file dialog is Qt's own, not the platform's");
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), cancel);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lookInLabel"))->text(), lookIn);
    dialog->reject();
}

void TestLanguage::historyInTheWindowsWords_data()
{
    addLanguageColumn();
    QTest::addColumn<QString>("outcome");  // the history file's words
    QTest::addColumn<QString>("shown");
    QTest::newRow("zh download cut short") << "zh" << "port-lost lines=18" << "下载OEM_LOGO图片  串口已断开，考勤机确认了 18 行";
    QTest::newRow("en download cut short")
        << "en" << "port-lost lines=18" << "Download logo  port lost, the terminal confirmed 18 lines";
    QTest::newRow("en closed mid-download") << "en" << "interrupted lines=3" << "Download logo  interrupted, the terminal confirmed 3 lines";
}

void TestLanguage::historyInTheWindowsWords()
{
    QFETCH(QString, language);
    QFETCH(QString, outcome);
    QFETCH(QString, shown);
    startIn(language);
    const HistoryEntry entry{QDateTime::currentDateTime(), "/dev/ttyUSB0", "18", "logo", outcome};
    QVERIFY2(historyLineShown(entry).contains(shown), qPrintable(historyLineShown(entry)));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
