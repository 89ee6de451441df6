// Checks the main window as described by app/form1.ui, built through the
// uic-generated Ui::Form1 on a plain QWidget: every control's kind, parent,
// geometry and caption, initial states, fonts, keyboard focus order, option
// group exclusivity and the serial-number field, which takes what is typed whole.
//
// Geometry: the window was laid out in twips; pixels = twips / 15. Every
// control edge divides exactly. Each line is a 1-pixel-thick strip whose
// geometry covers both end points (so its length is span + 1 pixel).

#include "ui_form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QWidget>

#include <array>

namespace {

constexpr int kTwipsPerPixel = 15;

struct ControlRow
{
    const char *name;
    const char *className;
    const char *parent;
    int left; // twips
    int top;
    int width;
    int height;
    const char *caption; // label/button text, group box title, line edit contents
};

// Lines are given by their end points; the rect below is the pixel strip
// covering both points (span / 15 + 1 long, 1 thick).
const std::array kControls = {
    ControlRow{"Label2", "QLabel", "Form1", 120, 330, 405, 255, "串口"},
    // The port and machine-number boxes are wider than first laid out, into the free space beside their
    // captions, so three digits show unclipped at Song 12.
    ControlRow{"COM1", "QLineEdit", "Form1", 495, 270, 375, 315, "1"},
    ControlRow{"Label1", "QLabel", "Form1", 870, 330, 405, 255, "机号"},
    ControlRow{"ADDRESS", "QLineEdit", "Form1", 1275, 270, 465, 315, "18"},
    // 改号 takes the free space up to 打开文件, so that the English "Renumber…" has room.
    ControlRow{"Cmd2", "QPushButton", "Form1", 1770, 270, 825, 345, "改号"},
    ControlRow{"OpenFile", "QPushButton", "Form1", 2640, 240, 1935, 375, "打开文件"},
    ControlRow{"DOWNLOG", "QPushButton", "Form1", 2640, 720, 1935, 375, "下载OEM_LOGO图片"},
    ControlRow{"oem_log", "QCheckBox", "Form1", 1020, 780, 1305, 255, "开机OEM图片"},
    ControlRow{"Frame1", "QGroupBox", "Form1", 270, 1080, 2055, 975, "模式选择"},
    ControlRow{"mlmode", "QRadioButton", "Frame1", 120, 240, 1575, 255, "考勤响铃模式"},
    ControlRow{"mkmode", "QRadioButton", "Frame1", 120, 600, 1455, 255, "考勤门禁模式"},
    ControlRow{"Command1", "QPushButton", "Form1", 2670, 1200, 1935, 375, "设置考勤机"},
    ControlRow{"Label13", "QLabel", "Form1", 360, 2160, 855, 255, "打卡延时:"},
    ControlRow{"dkys", "QLineEdit", "Form1", 1440, 2130, 885, 285, "0"},
    ControlRow{"Label3", "QLabel", "Form1", 360, 2490, 855, 255, "开锁延时:"},
    ControlRow{"D_Timer", "QLineEdit", "Form1", 1440, 2400, 885, 315, "0"},
    ControlRow{"Frame2", "QGroupBox", "Form1", 240, 2820, 2055, 645, "字体选择"},
    ControlRow{"fontj", "QRadioButton", "Frame2", 120, 240, 855, 375, "简体"},
    ControlRow{"fontf", "QRadioButton", "Frame2", 1080, 240, 855, 375, "繁体"},
    ControlRow{"Command4", "QPushButton", "Form1", 2640, 1920, 1935, 375, "读序列号"},
    ControlRow{"Command5", "QPushButton", "Form1", 2640, 2400, 1935, 375, "写序列号"},
    ControlRow{"xlh", "QLineEdit", "Form1", 2640, 3000, 1935, 375, "000000"},
    ControlRow{"Line1", "QFrame", "Form1", 2520, 1800, 15, 1695, ""},
    ControlRow{"Line2", "QFrame", "Form1", 2520, 3480, 2175, 15, ""},
    ControlRow{"Line3", "QFrame", "Form1", 2520, 1800, 2175, 15, ""},
    ControlRow{"Line4", "QFrame", "Form1", 4680, 1800, 15, 1695, ""},
    ControlRow{"Label4", "QLabel", "Form1", 240, 3600, 975, 255, "提示信息："},
    ControlRow{"PBar1", "QProgressBar", "Form1", 1440, 3600, 3375, 255, ""},
    ControlRow{"HELP1", "QLabel", "Form1", 240, 3960, 4575, 375, ""},
    // Below everything else, where the window has grown: the logo as the terminal will show it, at twice
    // its 128 x 32 dots in a one-pixel frame.
    ControlRow{"Label5", "QLabel", "Form1", 240, 4515, 1800, 255, "OEM图片预览"},
    ControlRow{"logoPreview", "LogoPreview", "Form1", 240, 4785, 3870, 990, ""},
    // Below the preview, the picture's choices in view, and a note when a picture is too flat.
    ControlRow{"invertCheck", "QCheckBox", "Form1", 240, 5865, 1050, 300, "反色(&I)"},
    ControlRow{"ditherCheck", "QCheckBox", "Form1", 1350, 5865, 1050, 300, "抖动(&D)"},
    ControlRow{"fillCheck", "QCheckBox", "Form1", 2460, 5865, 2100, 300, "填满(&F)"},
    ControlRow{"textButton", "QPushButton", "Form1", 240, 6225, 1200, 375, "文字…(&T)"},
    ControlRow{"saveAsButton", "QPushButton", "Form1", 1500, 6225, 1650, 375, "另存为…(&S)"},
    ControlRow{"logoNote", "QLabel", "Form1", 240, 6675, 4560, 255, ""},
};

// As the window reads: the column of boxes and choices on the left top to bottom, each frame whole, then
// the column of buttons on the right (the serial-number rectangle whole), then the picture block below.
// 改号 heads the right column, so Tab from a box never lands on it: a number typed, Tab and Enter would
// renumber every terminal on the line.
const QStringList kTabOrder = {
    QStringLiteral("COM1"),        QStringLiteral("ADDRESS"),     QStringLiteral("oem_log"),
    QStringLiteral("mlmode"),      QStringLiteral("mkmode"),      QStringLiteral("dkys"),
    QStringLiteral("D_Timer"),     QStringLiteral("fontj"),       QStringLiteral("fontf"),
    QStringLiteral("Cmd2"),        QStringLiteral("OpenFile"),    QStringLiteral("DOWNLOG"),
    QStringLiteral("Command1"),    QStringLiteral("Command4"),    QStringLiteral("Command5"),
    QStringLiteral("xlh"),         QStringLiteral("logoPreview"), QStringLiteral("invertCheck"),
    QStringLiteral("ditherCheck"), QStringLiteral("fillCheck"),   QStringLiteral("textButton"),
    QStringLiteral("saveAsButton"),
};

// The window under test: Ui::Form1 set up on a plain QWidget.
struct Window
{
    QWidget form;
    Ui::Form1 ui;
    Window() { ui.setupUi(&form); }

    template<typename T = QWidget>
    T *find(const QString &name) const
    {
        return form.findChild<T *>(name);
    }
};

QString captionOf(const QWidget *w)
{
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (const auto *edit = qobject_cast<const QLineEdit *>(w))
        return edit->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (const auto *box = qobject_cast<const QGroupBox *>(w))
        return box->title();
    return QString();
}

bool takesTabFocus(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

QRect pixels(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

} // namespace

class WindowLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void window();
    void controls_data();
    void controls();
    void noUnlistedControls();
    void checkStates_data();
    void checkStates();
    void pushButtons_data();
    void pushButtons();
    void lines_data();
    void lines();
    void progressBar();
    void fonts_data();
    void fonts();
    void focusChain();
    void tabKeyWalk();
    void optionGroups_data();
    void optionGroups();
    void serialNumberLength_data();
    void serialNumberLength();
};

void WindowLayoutTest::window()
{
    Window w;
    QCOMPARE(w.form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("考勤机设置V6.1x"));
    // The window has grown downwards only, for the logo preview and its choices.
    QCOMPARE(w.form.size(), QSize(336, 468));
    QCOMPARE(w.form.minimumSize(), QSize(336, 468));
    QCOMPARE(w.form.maximumSize(), QSize(336, 468));
    QVERIFY(!w.form.testAttribute(Qt::WA_SetFont));
    QVERIFY(w.form.findChildren<QMenuBar *>().isEmpty());
    QVERIFY(w.form.findChildren<QToolBar *>().isEmpty());
    QVERIFY(w.form.findChildren<QStatusBar *>().isEmpty());
}

void WindowLayoutTest::controls_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    for (const ControlRow &row : kControls) {
        QTest::newRow(row.name) << QString::fromLatin1(row.className)
                                << QString::fromLatin1(row.parent)
                                << pixels(row.left, row.top, row.width, row.height)
                                << QString::fromUtf8(row.caption);
    }
}

void WindowLayoutTest::controls()
{
    QFETCH(QString, className);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    Window w;
    const QWidget *control = w.find(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
    QVERIFY(control->parentWidget());
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(captionOf(control), caption);
    QVERIFY(!control->isHidden());
    QVERIFY(control->isEnabled());
    // Only the controls in the tab chain take keyboard focus.
    QCOMPARE(takesTabFocus(control), kTabOrder.contains(name));
    if (!kTabOrder.contains(name))
        QCOMPARE(control->focusPolicy(), Qt::NoFocus);
}

void WindowLayoutTest::noUnlistedControls()
{
    QStringList listed;
    for (const ControlRow &row : kControls)
        listed << QString::fromLatin1(row.name);

    Window w;
    const QList<QWidget *> children = w.form.findChildren<QWidget *>();
    for (const QWidget *child : children) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue; // internal parts of Qt's own widgets
        QVERIFY2(listed.contains(name), qPrintable(name));
    }
}

void WindowLayoutTest::checkStates_data()
{
    QTest::addColumn<bool>("checked");
    QTest::newRow("oem_log") << false;
    QTest::newRow("mlmode") << true;
    QTest::newRow("mkmode") << false;
    QTest::newRow("fontj") << true;
    QTest::newRow("fontf") << false;
}

void WindowLayoutTest::checkStates()
{
    QFETCH(bool, checked);
    Window w;
    const auto *button = w.find<QAbstractButton>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(button);
    QVERIFY(button->isCheckable());
    QCOMPARE(button->isChecked(), checked);
}

void WindowLayoutTest::pushButtons_data()
{
    QTest::addColumn<QString>("name");
    for (const ControlRow &row : kControls) {
        if (qstrcmp(row.className, "QPushButton") == 0)
            QTest::newRow(row.name) << QString::fromLatin1(row.name);
    }
}

void WindowLayoutTest::pushButtons()
{
    QFETCH(QString, name);
    Window w;
    const auto *button = w.find<QPushButton>(name);
    QVERIFY(button);
    QVERIFY(!button->autoDefault());
    QVERIFY(!button->isDefault());
    QVERIFY(!button->isCheckable());
}

void WindowLayoutTest::lines_data()
{
    QTest::addColumn<QFrame::Shape>("shape");
    QTest::addColumn<QPoint>("from"); // end points in twips
    QTest::addColumn<QPoint>("to");

    QTest::newRow("Line1") << QFrame::VLine << QPoint(2520, 1800) << QPoint(2520, 3480);
    QTest::newRow("Line2") << QFrame::HLine << QPoint(2520, 3480) << QPoint(4680, 3480);
    QTest::newRow("Line3") << QFrame::HLine << QPoint(2520, 1800) << QPoint(4680, 1800);
    QTest::newRow("Line4") << QFrame::VLine << QPoint(4680, 3480) << QPoint(4680, 1800);
}

void WindowLayoutTest::lines()
{
    QFETCH(QFrame::Shape, shape);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);

    Window w;
    const auto *line = w.find<QFrame>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(line);
    QCOMPARE(line->frameShape(), shape);
    QCOMPARE(line->frameShadow(), QFrame::Plain);
    QCOMPARE(line->lineWidth(), 1);
    const QRect g = line->geometry();
    QCOMPARE(shape == QFrame::HLine ? g.height() : g.width(), 1);
    QVERIFY(g.contains(from / kTwipsPerPixel));
    QVERIFY(g.contains(to / kTwipsPerPixel));
}

void WindowLayoutTest::progressBar()
{
    Window w;
    const QProgressBar *bar = w.ui.PBar1;
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 32);
    QCOMPARE(bar->value(), 0);
    QVERIFY(!bar->isTextVisible());
}

void WindowLayoutTest::fonts_data()
{
    // An empty family means the control keeps the window's default font.
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");

    const QStringList songti = {QStringLiteral("COM1"), QStringLiteral("ADDRESS"),
                                QStringLiteral("dkys"), QStringLiteral("D_Timer"),
                                QStringLiteral("xlh"), QStringLiteral("HELP1")};
    for (const ControlRow &row : kControls) {
        if (songti.contains(QString::fromLatin1(row.name)))
            QTest::newRow(row.name) << QStringLiteral("宋体") << 12;
        else
            QTest::newRow(row.name) << QString() << 0;
    }
}

void WindowLayoutTest::fonts()
{
    QFETCH(QString, family);
    QFETCH(int, pointSize);

    Window w;
    const QWidget *control = w.find(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(control);
    const QFont font = control->font();
    if (family.isEmpty()) {
        QVERIFY(!control->testAttribute(Qt::WA_SetFont));
        QCOMPARE(font, QApplication::font(control));
        return;
    }
    QVERIFY(control->testAttribute(Qt::WA_SetFont));
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pointSize(), pointSize);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic());
    QVERIFY(!font.underline());
}

void WindowLayoutTest::focusChain()
{
    // Walking the focus chain from the window itself gives the order Tab
    // follows, starting with the control that takes focus first.
    Window w;
    QStringList order;
    for (QWidget *it = w.form.nextInFocusChain(); it != &w.form; it = it->nextInFocusChain()) {
        QVERIFY(it);
        if (takesTabFocus(it))
            order << it->objectName();
    }
    QCOMPARE(order, kTabOrder);
}

void WindowLayoutTest::tabKeyWalk()
{
    // Pressing Tab follows the chain above, except that Qt enters an option
    // group only at its selected button (arrow keys move inside the group),
    // so the unselected mkmode and fontf are passed over.
    Window w;
    QStringList expected;
    for (const QString &name : kTabOrder) {
        const auto *radio = w.find<QRadioButton>(name);
        if (!radio || radio->isChecked())
            expected << name;
    }
    QVERIFY(!expected.contains(QStringLiteral("mkmode")));
    QVERIFY(!expected.contains(QStringLiteral("fontf")));

    w.form.show();
    QApplication::setActiveWindow(&w.form);
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QTRY_VERIFY(QApplication::focusWidget());

    QStringList visited;
    visited << QApplication::focusWidget()->objectName();
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // One full turn, back to where it started.
    QCOMPARE(visited, expected + QStringList{expected.first()});
}

void WindowLayoutTest::optionGroups_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<bool>("mlmode");
    QTest::addColumn<bool>("mkmode");
    QTest::addColumn<bool>("fontj");
    QTest::addColumn<bool>("fontf");

    QTest::newRow("mkmode") << QStringLiteral("mkmode") << false << true << true << false;
    QTest::newRow("mlmode") << QStringLiteral("mlmode") << true << false << true << false;
    QTest::newRow("fontf") << QStringLiteral("fontf") << true << false << false << true;
    QTest::newRow("fontj") << QStringLiteral("fontj") << true << false << true << false;
}

void WindowLayoutTest::optionGroups()
{
    QFETCH(QString, clicked);
    QFETCH(bool, mlmode);
    QFETCH(bool, mkmode);
    QFETCH(bool, fontj);
    QFETCH(bool, fontf);

    Window w;
    auto *button = w.find<QRadioButton>(clicked);
    QVERIFY(button);
    button->click();
    QCOMPARE(w.ui.mlmode->isChecked(), mlmode);
    QCOMPARE(w.ui.mkmode->isChecked(), mkmode);
    QCOMPARE(w.ui.fontj->isChecked(), fontj);
    QCOMPARE(w.ui.fontf->isChecked(), fontf);
}

void WindowLayoutTest::serialNumberLength_data()
{
    QTest::addColumn<bool>("emptyFirst");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    // The box takes everything typed, so a number one digit too long is seen whole and refused when
    // written, never cut to six digits that were not meant.
    QTest::newRow("a seventh digit after the initial six is kept")
        << false << QStringLiteral("7") << QStringLiteral("0000007");
    QTest::newRow("emptied stays empty") << true << QString() << QString();
    QTest::newRow("six typed digits fit") << true << QStringLiteral("654321")
                                          << QStringLiteral("654321");
    QTest::newRow("a seventh typed digit is kept")
        << true << QStringLiteral("1234567") << QStringLiteral("1234567");
    QTest::newRow("blanks around are kept as typed")
        << true << QStringLiteral(" 0a1b2c ") << QStringLiteral(" 0a1b2c ");
}

void WindowLayoutTest::serialNumberLength()
{
    QFETCH(bool, emptyFirst);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    Window w;
    QLineEdit *xlh = w.ui.xlh;
    QCOMPARE(xlh->maxLength(), QLineEdit().maxLength());
    QCOMPARE(xlh->text(), QStringLiteral("000000"));
    xlh->end(false);
    if (emptyFirst) {
        QTest::keyClick(xlh, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(xlh, Qt::Key_Backspace);
        QVERIFY(xlh->text().isEmpty());
    }
    QTest::keyClicks(xlh, typed);
    QCOMPARE(xlh->text(), expected);
}

QTEST_MAIN(WindowLayoutTest)
#include "tst_window_layout.moc"
