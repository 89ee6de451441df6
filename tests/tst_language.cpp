#include "command_history.h"
#include "help.h"
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
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTextDocument>
#include <QTranslator>

// The window in each of its languages, as --lang chooses it: every caption, a status message of each kind,
// Qt's own dialogs in the same language as the window, and every caption whole in its control.
class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void languageWords_data();
    void languageWords();
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
    void helpInTheLanguage_data();
    void helpInTheLanguage();
    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
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
    QTest::newRow("Chinese, Taiwan") << QStringList{"zh-TW", "zh-Hant-TW"} << "" << Language::TraditionalChinese;
    QTest::newRow("Chinese, Hong Kong") << QStringList{"zh-HK", "zh-Hant-HK"} << "" << Language::TraditionalChinese;
    QTest::newRow("Chinese, Macao") << QStringList{"zh-MO"} << "" << Language::TraditionalChinese;
    QTest::newRow("zh-Hant in the list") << QStringList{"zh-Hant"} << "" << Language::TraditionalChinese;
    QTest::newRow("Chinese, Singapore") << QStringList{"zh-SG", "zh-Hans-SG"} << "" << Language::Chinese;
    QTest::newRow("German, then Taiwan") << QStringList{"de-DE", "zh-TW"} << "" << Language::TraditionalChinese;
    QTest::newRow("mainland before Taiwan") << QStringList{"zh-CN", "zh-TW"} << "" << Language::Chinese;
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
    QTest::newRow("--lang zh_TW on an English system") << QStringList{"en-US"} << "zh_TW" << Language::TraditionalChinese;
    QTest::newRow("--lang zh_TW on a mainland system") << QStringList{"zh-CN"} << "zh_TW" << Language::TraditionalChinese;
    QTest::newRow("--lang zh on a Taiwan system") << QStringList{"zh-TW"} << "zh" << Language::Chinese;
    QTest::newRow("--lang en on a Taiwan system") << QStringList{"zh-TW"} << "en" << Language::English;
}

void TestLanguage::choice()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(QString, requested);
    QFETCH(Language, expected);
    QCOMPARE(chooseLanguage(uiLanguages, requested), expected);
}

void TestLanguage::languageWords_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("zh") << "zh" << true;
    QTest::newRow("zh_TW") << "zh_TW" << true;
    QTest::newRow("en") << "en" << true;
    QTest::newRow("zh-TW, the system's spelling") << "zh-TW" << false;
    QTest::newRow("zh_tw") << "zh_tw" << false;
    QTest::newRow("zh_HK") << "zh_HK" << false;
    QTest::newRow("fr") << "fr" << false;
    QTest::newRow("empty") << "" << false;
}

void TestLanguage::languageWords()
{
    QFETCH(QString, word);
    QFETCH(bool, accepted);
    QCOMPARE(isLanguageWord(word), accepted);
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
    const char *traditional;
};

// What the operator reads on the window; the translations must fit the same controls (see docs/window-en.png,
// docs/window-zh_TW.png): the port caption in Traditional Chinese is 埠號, as 序列埠 is wider than its room.
const Caption Captions[] = {
    {"", "考勤机设置V6.1x", "Time Clock Setup V6.1x", "考勤機設定V6.1x"},
    {"Label2", "串口", "Port", "埠號"},
    {"Label1", "机号", "ID", "機號"},
    {"Cmd2", "改号", "&Renumber…", "改號"},
    {"OpenFile", "打开文件", "&Open File", "開啟檔案"},
    {"DOWNLOG", "下载OEM_LOGO图片", "Download &Logo", "下載OEM_LOGO圖片"},
    {"oem_log", "开机OEM图片", "Start logo", "開機OEM圖片"},
    {"Frame1", "模式选择", "Mode", "模式選擇"},
    {"mlmode", "考勤响铃模式", "Bell", "考勤響鈴模式"},
    {"mkmode", "考勤门禁模式", "Door lock", "考勤門禁模式"},
    {"Command1", "设置考勤机", "Set &Up Terminal", "設定考勤機"},
    {"Label13", "打卡延时:", "Punch:", "打卡延遲:"},
    {"Label3", "开锁延时:", "Unlock:", "開鎖延遲:"},
    {"Command4", "读序列号", "R&ead Serial No.", "讀序號"},
    {"Command5", "写序列号", "&Write Serial No.", "寫序號"},
    {"Frame2", "字体选择", "Characters", "字型選擇"},
    {"fontj", "简体", "Simpl.", "簡體"},
    {"fontf", "繁体", "Trad.", "繁體"},
    {"Label4", "提示信息：", "Status:", "提示資訊："},
    {"Label5", "OEM图片预览", "Logo preview", "OEM圖片預覽"},
    {"invertCheck", "反色(&I)", "&Invert", "反色(&I)"},
    {"ditherCheck", "抖动(&D)", "&Dither", "抖動(&D)"},
    {"fillCheck", "填满(&F)", "&Fill", "填滿(&F)"},
    {"textButton", "文字…(&T)", "&Text…", "文字…(&T)"},
    {"saveAsButton", "另存为…(&S)", "&Save As…", "另存為…(&S)"},
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
    QStringList traditional;
    for (const Caption &caption : Captions) {
        chinese << QString::fromUtf8(caption.chinese);
        english << QString::fromUtf8(caption.english);
        traditional << QString::fromUtf8(caption.traditional);
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
    QTest::newRow("zh_TW") << "zh_TW" << traditional << QStringList{"反色(&I)", "抖動(&D)", "另存為文字檔案…(&S)"}
                           << QStringList{"文字檔案和圖片 (*.txt " + pictures + ")", "文字檔案 (*.txt)",
                                          "圖片檔案 (" + pictures + ")", "所有檔案 (*)"};
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
    QTest::newRow("zh_TW done") << "zh_TW" << QStringList() << "1" << 0 << "Command1" << "設定成功！" << "";
    QTest::newRow("zh_TW serial number read") << "zh_TW" << QStringList() << "1" << 0 << "Command4" << "通訊成功！" << "";
    QTest::newRow("zh_TW no answer")
        << "zh_TW" << silent << "1" << 0 << "Cmd2" << "通訊失敗！" << "請檢查連線、序列埠號和機號";
    QTest::newRow("zh_TW bad box") << "zh_TW" << QStringList() << "x" << 0 << "Cmd2" << "序列埠號錯誤！（「x」）" << "";
    QTest::newRow("zh_TW port reaches nothing")
        << "zh_TW" << QStringList() << "0" << 0 << "Command4" << "序列埠開啟失敗！（無此序列埠：0號NOTE）" << "";
    QTest::newRow("zh_TW short logo file") << "zh_TW" << QStringList() << "1" << 31 << "DOWNLOG" << "檔案資料不足！" << "";
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
    for (const char *language : {"zh", "en", "zh_TW"}) {
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
        const QString everyTerminal = language == u"en"      ? QStringLiteral("Every terminal on the line takes the number")
                                      : language == u"zh_TW" ? QStringLiteral("線上的每臺考勤機都改用機號框裡的號")
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
                 StatusText::withDetail(StatusText::BadPortNumber.toString(), QCoreApplication::translate("Form1", "“%1”").arg(QStringLiteral("x"))));
    }
}

void TestLanguage::qtDialogsSpeakTheWindowsLanguage_data()
{
    addLanguageColumn();
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("lookIn");
    QTest::newRow("zh") << "zh" << "取消" << "查找范围：";
    QTest::newRow("en") << "en" << "Cancel" << "Look in:";
    QTest::newRow("zh_TW") << "zh_TW" << "取消" << "尋找於：";
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
    QTest::newRow("zh_TW download cut short")
        << "zh_TW" << "port-lost lines=18" << "下載OEM_LOGO圖片  序列埠已斷開，考勤機確認了 18 行";
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

void TestLanguage::helpInTheLanguage_data()
{
    addLanguageColumn();
    QTest::addColumn<QString>("summary");
    QTest::newRow("zh") << "zh" << "设置串口上的考勤机。";
    QTest::newRow("en") << "en" << "Sets up a time-attendance terminal on a serial port.";
    QTest::newRow("zh_TW") << "zh_TW" << "設定序列埠上的考勤機。";
}

// --help (and the man page made from it) in the language asked for; the words of --json stay as they are.
void TestLanguage::helpInTheLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, summary);
    startIn(language);
    const QString help = generalHelp();
    QVERIFY2(help.contains(summary), qPrintable(help));
    QVERIFY2(help.contains(QStringLiteral("[--lang zh|zh_TW|en]")), qPrintable(help));
    for (const char *word : {"port-lost", "duplicate-serial", "lines_confirmed"})
        QVERIFY2(help.contains(QLatin1String(word)), word);
}

void TestLanguage::captionsFitTheirControls_data()
{
    addLanguageColumn();
    QTest::newRow("zh") << "zh";
    QTest::newRow("en") << "en";
    QTest::newRow("zh_TW") << "zh_TW";
}

// Every caption of the window is drawn whole inside its own control, in the room the style leaves it beside
// an indicator or inside a frame, so no caption is cut or runs into the next control (where the controls
// stand is the .ui file's, the same in every language). CTest runs this once more at 150 % (QT_SCALE_FACTOR),
// where text is laid out at another pixel size.
void TestLanguage::captionsFitTheirControls()
{
    QFETCH(QString, language);
    startIn(language);
    Form1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    if (!scale.isEmpty())
        QCOMPARE(window.devicePixelRatio(), scale.toDouble());

    int checked = 0;
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (control->window() != &window || !control->isVisibleTo(&window))
            continue;
        QString caption;
        QRect room;  // where the caption may be drawn, in the control's own coordinates
        if (auto *group = qobject_cast<QGroupBox *>(control)) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = caption = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            // The style sizes the title to its text: the title must stay inside the box's frame.
            const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
            QVERIFY2(group->rect().contains(title), qPrintable(group->objectName() + u' ' + caption));
            ++checked;
            continue;
        }
        if (auto *button = qobject_cast<QAbstractButton *>(control)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = caption = button->text();
            const QStyle::SubElement contents = qobject_cast<QCheckBox *>(button)      ? QStyle::SE_CheckBoxContents
                                                : qobject_cast<QRadioButton *>(button) ? QStyle::SE_RadioButtonContents
                                                                                       : QStyle::SE_PushButtonContents;
            room = button->style()->subElementRect(contents, &option, button);
        } else if (auto *label = qobject_cast<QLabel *>(control)) {
            if (label->wordWrap() || label->textFormat() == Qt::RichText)
                continue;
            caption = label->text();
            room = label->contentsRect();
        }
        caption.remove(u'&');
        if (caption.isEmpty())
            continue;
        const int needed = control->fontMetrics().horizontalAdvance(caption);
        QVERIFY2(needed <= room.width() && control->rect().contains(room),
                 qPrintable(QStringLiteral("%1 \"%2\" needs %3 of %4").arg(control->objectName(), caption).arg(needed).arg(room.width())));
        ++checked;
    }
    QVERIFY2(checked >= 20, "every caption of the window was looked at");
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
