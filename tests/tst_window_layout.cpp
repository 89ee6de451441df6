// Checks the main window as described by app/form1.ui, built through the
// uic-generated Ui::Form1 on a plain QWidget: every control's kind, parent and
// caption, that each lies inside its window or frame and none covers another,
// that captions fit their controls, the arrangement the operator reads (each
// caption beside its box, the serial-number rectangle, the picture block
// below), initial states, fonts, keyboard focus order, option group
// exclusivity and the serial-number field, which takes what is typed whole.
// Coordinates are the .ui file's business: a control may move as long as the
// window still reads the same.

#include "ui_form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QToolBar>
#include <QWidget>

#include <array>

namespace {

struct ControlRow
{
    const char *name;
    const char *className;
    const char *parent;
    const char *caption; // label/button text, group box title, line edit contents
};

const std::array kControls = {
    ControlRow{"Label2", "QLabel", "Form1", "串口"},
    ControlRow{"COM1", "QLineEdit", "Form1", "1"},
    ControlRow{"Label1", "QLabel", "Form1", "机号"},
    ControlRow{"ADDRESS", "QLineEdit", "Form1", "18"},
    ControlRow{"Cmd2", "QPushButton", "Form1", "改号"},
    ControlRow{"OpenFile", "QPushButton", "Form1", "打开文件"},
    ControlRow{"DOWNLOG", "QPushButton", "Form1", "下载OEM_LOGO图片"},
    ControlRow{"oem_log", "QCheckBox", "Form1", "开机OEM图片"},
    ControlRow{"Frame1", "QGroupBox", "Form1", "模式选择"},
    ControlRow{"mlmode", "QRadioButton", "Frame1", "考勤响铃模式"},
    ControlRow{"mkmode", "QRadioButton", "Frame1", "考勤门禁模式"},
    ControlRow{"Command1", "QPushButton", "Form1", "设置考勤机"},
    ControlRow{"Label13", "QLabel", "Form1", "打卡延时:"},
    ControlRow{"dkys", "QLineEdit", "Form1", "0"},
    ControlRow{"Label3", "QLabel", "Form1", "开锁延时:"},
    ControlRow{"D_Timer", "QLineEdit", "Form1", "0"},
    ControlRow{"Frame2", "QGroupBox", "Form1", "字体选择"},
    ControlRow{"fontj", "QRadioButton", "Frame2", "简体"},
    ControlRow{"fontf", "QRadioButton", "Frame2", "繁体"},
    ControlRow{"Command4", "QPushButton", "Form1", "读序列号"},
    ControlRow{"Command5", "QPushButton", "Form1", "写序列号"},
    ControlRow{"xlh", "QLineEdit", "Form1", "000000"},
    ControlRow{"Line1", "QFrame", "Form1", ""},
    ControlRow{"Line2", "QFrame", "Form1", ""},
    ControlRow{"Line3", "QFrame", "Form1", ""},
    ControlRow{"Line4", "QFrame", "Form1", ""},
    ControlRow{"Label4", "QLabel", "Form1", "提示信息："},
    ControlRow{"PBar1", "QProgressBar", "Form1", ""},
    ControlRow{"HELP1", "QLabel", "Form1", ""},
    // Below everything else: the logo as the terminal will show it, its choices, and a note when a
    // picture is too flat.
    ControlRow{"Label5", "QLabel", "Form1", "OEM图片预览"},
    ControlRow{"logoPreview", "LogoPreview", "Form1", ""},
    ControlRow{"invertCheck", "QCheckBox", "Form1", "反色(&I)"},
    ControlRow{"ditherCheck", "QCheckBox", "Form1", "抖动(&D)"},
    ControlRow{"fillCheck", "QCheckBox", "Form1", "填满(&F)"},
    ControlRow{"textButton", "QPushButton", "Form1", "文字…(&T)"},
    ControlRow{"saveAsButton", "QPushButton", "Form1", "另存为…(&S)"},
    ControlRow{"logoNote", "QLabel", "Form1", ""},
};

const QStringList kLines = {QStringLiteral("Line1"), QStringLiteral("Line2"), QStringLiteral("Line3"),
                            QStringLiteral("Line4")};

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
    // The font the program gives the window, for which its captions were laid out.
    void useProgramFont()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                                                          QStringLiteral("Noto Serif CJK SC")});
        form.setFont(QFont(QStringLiteral("宋体"), 9));
    }

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

// The room a control's caption has, and the width the caption needs there, in the control's font.
int captionRoom(const QWidget *w)
{
    const QStyle *style = w->style();
    if (qobject_cast<const QCheckBox *>(w))
        return w->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w)
               - style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    if (qobject_cast<const QRadioButton *>(w))
        return w->width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w)
               - style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    if (qobject_cast<const QPushButton *>(w))
        return w->width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->contentsRect().width();
    if (const auto *edit = qobject_cast<const QLineEdit *>(w)) {
        const QMargins margins = edit->textMargins();
        return edit->contentsRect().width() - margins.left() - margins.right();
    }
    return w->width();
}

QRect geometryOf(const Window &w, const char *name)
{
    const QWidget *control = w.find(QString::fromLatin1(name));
    return control ? control->geometry() : QRect();
}

// Where a control shows something: a label only where its text is drawn, so a caption may lie
// closer to its box than its label's frame would allow.
QRect shownArea(const QWidget *w)
{
    const auto *label = qobject_cast<const QLabel *>(w);
    if (!label || label->text().isEmpty())
        return w->geometry();
    const QRect contents = label->contentsRect().translated(label->pos());
    const int width = qMin(contents.width(), label->fontMetrics().horizontalAdvance(label->text()));
    if (label->alignment() & Qt::AlignRight)
        return QRect(contents.right() - width + 1, contents.top(), width, contents.height());
    if (label->alignment() & Qt::AlignHCenter)
        return QRect(contents.center().x() - width / 2, contents.top(), width, contents.height());
    return QRect(contents.left(), contents.top(), width, contents.height());
}

// The two lie side by side: `left` wholly left of `right`, and their heights overlap.
bool sideBySide(const QRect &left, const QRect &right)
{
    return left.right() < right.left() && left.top() <= right.bottom() && right.top() <= left.bottom();
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
    void noControlCoversAnother();
    void captionsBesideTheirBoxes_data();
    void captionsBesideTheirBoxes();
    void arrangement();
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
    // A window of fixed size, laid out by hand.
    QVERIFY(!w.form.size().isEmpty());
    QCOMPARE(w.form.minimumSize(), w.form.size());
    QCOMPARE(w.form.maximumSize(), w.form.size());
    QVERIFY(!w.form.testAttribute(Qt::WA_SetFont));
    QVERIFY(w.form.findChildren<QMenuBar *>().isEmpty());
    QVERIFY(w.form.findChildren<QToolBar *>().isEmpty());
    QVERIFY(w.form.findChildren<QStatusBar *>().isEmpty());
}

void WindowLayoutTest::controls_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");

    for (const ControlRow &row : kControls) {
        QTest::newRow(row.name) << QString::fromLatin1(row.className)
                                << QString::fromLatin1(row.parent)
                                << QString::fromUtf8(row.caption);
    }
}

void WindowLayoutTest::controls()
{
    QFETCH(QString, className);
    QFETCH(QString, parent);
    QFETCH(QString, caption);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    Window w;
    w.useProgramFont();
    const QWidget *control = w.find(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
    QVERIFY(control->parentWidget());
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(captionOf(control), caption);
    // Inside its window or frame, where it can be seen whole.
    QVERIFY(!control->geometry().isEmpty());
    QVERIFY2(control->parentWidget()->rect().contains(control->geometry()), qPrintable(name));
    // A caption is never cut.
    const QString shown = QString(caption).remove(u'&');
    if (!shown.isEmpty() && !qobject_cast<const QGroupBox *>(control)) {
        const int needed = control->fontMetrics().horizontalAdvance(shown);
        QVERIFY2(needed <= captionRoom(control),
                 qPrintable(QStringLiteral("%1 needs %2 of %3").arg(name).arg(needed).arg(captionRoom(control))));
    }
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

void WindowLayoutTest::noControlCoversAnother()
{
    // The four lines meet at the corners of their rectangle; every other pair keeps apart, but for a frame
    // edge in common (the two delay boxes stand one pixel into each other, as the window was first drawn).
    Window w;
    w.useProgramFont();
    QList<const QWidget *> controls;
    for (const ControlRow &row : kControls)
        controls << w.find(QString::fromLatin1(row.name));
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            const QWidget *a = controls[i];
            const QWidget *b = controls[j];
            if (a->parentWidget() != b->parentWidget())
                continue;
            if (kLines.contains(a->objectName()) && kLines.contains(b->objectName()))
                continue;
            const QRect shared = shownArea(a) & shownArea(b);
            QVERIFY2(shared.width() <= 1 || shared.height() <= 1,
                     qPrintable(a->objectName() + QStringLiteral(" covers ") + b->objectName()));
        }
    }
}

void WindowLayoutTest::captionsBesideTheirBoxes_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("box");
    QTest::newRow("port") << QStringLiteral("Label2") << QStringLiteral("COM1");
    QTest::newRow("machine number") << QStringLiteral("Label1") << QStringLiteral("ADDRESS");
    QTest::newRow("clock-in delay") << QStringLiteral("Label13") << QStringLiteral("dkys");
    QTest::newRow("unlock delay") << QStringLiteral("Label3") << QStringLiteral("D_Timer");
    QTest::newRow("progress") << QStringLiteral("Label4") << QStringLiteral("PBar1");
    // The two boxes of the top row are read left to right: port, then machine number.
    QTest::newRow("port before machine number") << QStringLiteral("COM1") << QStringLiteral("Label1");
}

void WindowLayoutTest::captionsBesideTheirBoxes()
{
    QFETCH(QString, caption);
    QFETCH(QString, box);
    Window w;
    w.useProgramFont();
    QVERIFY(sideBySide(shownArea(w.find(caption)), shownArea(w.find(box))));
}

void WindowLayoutTest::arrangement()
{
    Window w;
    // The serial-number rectangle drawn by the four lines holds its two buttons and its box, and nothing else.
    QRect rectangle;
    for (const QString &line : kLines)
        rectangle |= w.find(line)->geometry();
    for (const ControlRow &row : kControls) {
        const QString name = QString::fromLatin1(row.name);
        if (kLines.contains(name) || qstrcmp(row.parent, "Form1") != 0)
            continue;
        const bool inside = name == QStringLiteral("Command4") || name == QStringLiteral("Command5")
                            || name == QStringLiteral("xlh");
        QVERIFY2(rectangle.contains(w.find(name)->geometry()) == inside, qPrintable(name));
    }
    // The command buttons make the right column, beside the boxes and choices on the left.
    for (const char *left : {"oem_log", "Frame1", "dkys", "D_Timer", "Frame2"})
        for (const char *right : {"OpenFile", "DOWNLOG", "Command1", "Command4", "Command5", "xlh"})
            QVERIFY2(geometryOf(w, left).right() < geometryOf(w, right).left(), qPrintable(QString::fromLatin1(left)));
    // The status line runs under both columns, and the picture block comes after it.
    const QRect status = geometryOf(w, "HELP1");
    for (const char *above : {"Frame2", "xlh", "Line2", "Label4", "PBar1"})
        QVERIFY2(geometryOf(w, above).bottom() < status.top(), above);
    for (const char *below : {"Label5", "logoPreview", "invertCheck", "ditherCheck", "fillCheck", "textButton",
                              "saveAsButton", "logoNote"})
        QVERIFY2(geometryOf(w, below).top() > status.bottom(), below);
    // The preview shows the terminal's 128 x 32 dots at twice their size, within a frame of one pixel.
    QCOMPARE(w.find("logoPreview")->size(), QSize(2 * 128 + 2, 2 * 32 + 2));
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
    QTest::newRow("Line1") << QFrame::VLine;
    QTest::newRow("Line2") << QFrame::HLine;
    QTest::newRow("Line3") << QFrame::HLine;
    QTest::newRow("Line4") << QFrame::VLine;
}

void WindowLayoutTest::lines()
{
    QFETCH(QFrame::Shape, shape);

    Window w;
    const auto *line = w.find<QFrame>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(line);
    QCOMPARE(line->frameShape(), shape);
    QCOMPARE(line->frameShadow(), QFrame::Plain);
    QCOMPARE(line->lineWidth(), 1);
    const QRect g = line->geometry();
    QCOMPARE(shape == QFrame::HLine ? g.height() : g.width(), 1);
    // Each line is one whole side of the rectangle the four draw: the lines meet at its corners.
    QRect rectangle;
    for (const QString &name : kLines)
        rectangle |= w.find(name)->geometry();
    if (shape == QFrame::HLine) {
        QVERIFY(g.top() == rectangle.top() || g.bottom() == rectangle.bottom());
        QCOMPARE(g.left(), rectangle.left());
        QCOMPARE(g.right(), rectangle.right());
    } else {
        QVERIFY(g.left() == rectangle.left() || g.right() == rectangle.right());
        QCOMPARE(g.top(), rectangle.top());
        QCOMPARE(g.bottom(), rectangle.bottom());
    }
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
