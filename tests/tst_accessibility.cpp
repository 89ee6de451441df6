#include "form1.h"
#include "language.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <memory>

// What a screen reader finds in the window, through Qt's accessibility interfaces (the ones AT-SPI serves):
// each control by its role and name, never by its position, and the status line by the message it shows.
class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void controlFoundByRoleAndName_data();
    void controlFoundByRoleAndName();
    void noControlWithoutAName_data();
    void noControlWithoutAName();
    void statusLineNamedByItsMessage();
    void windowHasThePackagedIcon();
    void cleanup();
};

namespace {
QList<QAccessibleInterface *> everyInterfaceBelow(QAccessibleInterface *root)
{
    QList<QAccessibleInterface *> found;
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface *child = root->child(i);
        found << child << everyInterfaceBelow(child);
    }
    return found;
}

// The window as a screen reader meets it: shown, in `language`.
std::unique_ptr<Form1> openWindow(const QString &language)
{
    installLanguage(*qApp, language);
    auto window = std::make_unique<Form1>();
    window->show();
    return window;
}

QString roleName(QAccessible::Role role)
{
    return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
}

} // namespace

void TestAccessibility::cleanup()
{
    qDeleteAll(qApp->findChildren<QTranslator *>());
}

void TestAccessibility::controlFoundByRoleAndName_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    struct Row
    {
        const char *control;
        QAccessible::Role role;
        const char *chinese;
        const char *english;
    };
    const Row rows[] = {
        {"COM1", QAccessible::EditableText, "串口", "Port"},
        {"ADDRESS", QAccessible::EditableText, "机号", "Machine number"},
        {"Cmd2", QAccessible::PushButton, "改机号", "Change machine number"},
        {"OpenFile", QAccessible::PushButton, "打开文件", "Open File"},
        {"DOWNLOG", QAccessible::PushButton, "下载OEM_LOGO图片", "Download Logo"},
        {"oem_log", QAccessible::CheckBox, "开机OEM图片", "Start logo"},
        {"Frame1", QAccessible::Grouping, "模式选择", "Mode"},
        {"mlmode", QAccessible::RadioButton, "考勤响铃模式", "Bell"},
        {"mkmode", QAccessible::RadioButton, "考勤门禁模式", "Door lock"},
        {"Command1", QAccessible::PushButton, "设置考勤机", "Set Up Terminal"},
        {"dkys", QAccessible::EditableText, "打卡延时", "Punch delay"},
        {"D_Timer", QAccessible::EditableText, "开锁延时", "Unlock delay"},
        {"Command4", QAccessible::PushButton, "读序列号", "Read Serial No."},
        {"Command5", QAccessible::PushButton, "写序列号", "Write Serial No."},
        {"xlh", QAccessible::EditableText, "序列号", "Serial number"},
        {"Frame2", QAccessible::Grouping, "字体选择", "Characters"},
        {"fontj", QAccessible::RadioButton, "简体字", "Simplified Chinese"},
        {"fontf", QAccessible::RadioButton, "繁体字", "Traditional Chinese"},
        {"PBar1", QAccessible::ProgressBar, "下载进度", "Download progress"},
        {"logoPreview", QAccessible::Client, "OEM图片预览", "Logo preview"},
    };
    for (const char *language : {"zh", "en"}) {
        for (const Row &row : rows) {
            QTest::addRow("%s %s", language, row.control)
                << language << row.control << row.role
                << QString::fromUtf8(*language == 'z' ? row.chinese : row.english);
        }
    }
}

void TestAccessibility::controlFoundByRoleAndName()
{
    QFETCH(QString, language);
    QFETCH(QString, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    const auto window = openWindow(language);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QStringList matching;
    for (QAccessibleInterface *iface : everyInterfaceBelow(QAccessible::queryAccessibleInterface(window.get()))) {
        if (iface->role() == role && iface->text(QAccessible::Name) == name)
            matching << iface->object()->objectName();
    }
    QCOMPARE(matching, QStringList{control});
}

void TestAccessibility::noControlWithoutAName_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("zh") << "zh";
    QTest::newRow("en") << "en";
}

void TestAccessibility::noControlWithoutAName()
{
    QFETCH(QString, language);
    const auto window = openWindow(language);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QStringList nameless;
    for (QAccessibleInterface *iface : everyInterfaceBelow(QAccessible::queryAccessibleInterface(window.get()))) {
        const QString name = iface->text(QAccessible::Name);
        const QString line = QStringLiteral("%1 %2 \"%3\" %4")
                                 .arg(iface->object()->objectName(), roleName(iface->role()), name,
                                      iface->text(QAccessible::Description));
        qInfo().noquote() << line;
        // Whatever takes the keyboard focus is something the operator works with, and must say what it is.
        if (iface->state().focusable && name.isEmpty())
            nameless << line;
    }
    QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(u'\n')));
}

void TestAccessibility::statusLineNamedByItsMessage()
{
    const auto window = openWindow(QStringLiteral("zh"));
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *statusLine = window->findChild<QLabel *>(QStringLiteral("HELP1"));
    QAccessibleInterface *status = QAccessible::queryAccessibleInterface(statusLine);
    QCOMPARE(status->role(), QAccessible::StaticText);
    QCOMPARE(status->text(QAccessible::Description), QStringLiteral("提示信息"));

    // The line is known by the message it shows, each in turn. (Qt hands the name-change event that makes a
    // screen reader read it out only to a running accessibility bridge, which no test display has.)
    auto *port = window->findChild<QLineEdit *>(QStringLiteral("COM1"));
    auto *cmd2 = window->findChild<QPushButton *>(QStringLiteral("Cmd2"));
    port->setText(QStringLiteral("x"));
    cmd2->click();
    QCOMPARE(status->text(QAccessible::Name), QStringLiteral("串口号错误！（“x”）"));
    port->setText(QStringLiteral("1"));
    window->findChild<QLineEdit *>(QStringLiteral("ADDRESS"))->setText(QStringLiteral("x"));
    cmd2->click();
    QCOMPARE(status->text(QAccessible::Name), QStringLiteral("机号错误！（“x”）"));
}

void TestAccessibility::windowHasThePackagedIcon()
{
    Form1 window;
    const QImage packaged(QStringLiteral(PACKAGED_ICON));
    QVERIFY(!packaged.isNull());
    const QImage shown = window.windowIcon().pixmap(packaged.size()).toImage();
    QCOMPARE(shown.size(), packaged.size());
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied), packaged.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
