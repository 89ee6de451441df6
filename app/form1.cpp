#include "form1.h"

#include "command_history.h"
#include "logo_file.h"
#include "logo_picture.h"
#include "logo_source.h"
#include "machine_scan_dialog.h"
#include "network_address.h"
#include "port_catalogue.h"
#include "read_serial.h"
#include "status_line.h"
#include "status_messages.h"
#include "terminal_settings.h"
#include "text_conversions.h"
#include "write_serial.h"

#include <QAccessible>
#include <QApplication>
#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {
const QString LogoFileName = QStringLiteral("bmp.txt");

QString textFileFilter()
{
    return QCoreApplication::translate("Form1", "文本文件 (*.txt)");
}

// Every picture format this Qt reads, as file patterns.
QString picturePatterns()
{
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return patterns.join(u' ');
}

// Logo text files and pictures together first, so a picture shows without a change of filter; then each
// kind alone, and everything.
QStringList logoFileFilters()
{
    const QString pictures = picturePatterns();
    return {QCoreApplication::translate("Form1", "文本文件和图片 (*.txt %1)").arg(pictures), textFileFilter(),
            QCoreApplication::translate("Form1", "图片文件 (%1)").arg(pictures),
            QCoreApplication::translate("Form1", "所有文件 (*)")};
}

// A caption is never set smaller than this to fit its button.
constexpr qreal SmallestCaptionSize = 6.5;

// The machine and port boxes have room for three digits and no more: a longer text would show only in
// part, its start out of sight.
constexpr qsizetype NumberBoxLength = 3;

QString withoutBlanksAround(QString text)
{
    while (text.startsWith(u' ') || text.startsWith(u'\t'))
        text.remove(0, 1);
    while (text.endsWith(u' ') || text.endsWith(u'\t'))
        text.chop(1);
    return text;
}

bool fitsNumberBox(const QString &text)
{
    return text.size() <= NumberBoxLength && !text.contains(u'\n') && !text.contains(u'\r');
}

// A refused text as a message quotes it: whole, with its line breaks to be seen.
QString quoted(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("↵")).replace(u'\n', u'↵').replace(u'\r', u'↵');
    return QCoreApplication::translate("Form1", "“%1”").arg(text);
}
} // namespace

void installChineseFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                                                      QStringLiteral("Noto Serif CJK SC")});
}

Form1::Form1(PortDirectory ports, QWidget *parent)
    : QWidget(parent), m_ports(std::move(ports))
{
    installChineseFontSubstitutes();
    ui.setupUi(this);
    // The icon the package installs, for the title bar and the task switcher.
    setWindowIcon(QIcon(QStringLiteral(":/icons/timeclock-setup.png")));
    // The captions were laid out for a 9-point Song face; a larger default font would clip them.
    setFont(QFont(QStringLiteral("宋体"), 9));
    setFixedSize(size());
    // COM1 has only the room between its caption and the next one: without the line edit's inner margins
    // and with the digits set a little closer, "255" fits it whole.
    QFont portFont = ui.COM1->font();
    portFont.setLetterSpacing(QFont::PercentageSpacing, 92);
    ui.COM1->setFont(portFont);
    ui.COM1->setTextMargins(-2, 0, -2, 0);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    ui.PBar1->hide();

    fileOpen = new QFileDialog(this);
    fileOpen->setObjectName(QStringLiteral("fileOpen"));
    fileOpen->setFileMode(QFileDialog::ExistingFile);
    fileOpen->setAcceptMode(QFileDialog::AcceptOpen);
    fileOpen->setWindowModality(Qt::WindowModal);
    m_logoChoices = new LogoChoices({.preview = ui.logoPreview,
                                     .invert = ui.invertCheck,
                                     .dither = ui.ditherCheck,
                                     .fill = ui.fillCheck,
                                     .text = ui.textButton,
                                     .saveAs = ui.saveAsButton,
                                     .note = ui.logoNote},
                                    m_logoFilePath, this);
    connect(m_logoChoices, &LogoChoices::statusChanged, this, [this](const QString &text) { showStatus(text); });
    connect(fileOpen, &QFileDialog::fileSelected, this, [this](const QString &file) {
        m_logoFilePath = QDir::toNativeSeparators(file);
        showStatus(m_logoFilePath);
        // The choices belong to the picture they were made for: another file starts plain.
        m_logoChoices->useFile();
    });
    // A cancelled choice keeps the logo chosen before (or the default) and shows it.
    connect(fileOpen, &QFileDialog::rejected, this, [this] { showStatus(m_logoChoices->name()); });
    // The name completion's popup is a window of its own that would stay over the options, holding the
    // keyboard so that the first Alt key after the dialog went to it; it goes with the dialog.
    connect(fileOpen, &QFileDialog::finished, this, [this] {
        for (QCompleter *completer : fileOpen->findChildren<QCompleter *>())
            if (completer->popup())
                completer->popup()->hide();
        activateWindow();
    });

    connect(ui.Cmd2, &QPushButton::clicked, this, &Form1::Cmd2_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui.Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui.Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(ui.DOWNLOG, &QPushButton::clicked, this, &Form1::DOWNLOG_Click);
    connect(ui.OpenFile, &QPushButton::clicked, this, &Form1::OpenFile_Click);
    connect(ui.oem_log, &QCheckBox::clicked, this, &Form1::oem_log_Click);
    for (QPushButton *button : {ui.Cmd2, ui.OpenFile, ui.DOWNLOG, ui.Command1, ui.Command4, ui.Command5, ui.textButton,
                                ui.saveAsButton})
        button->installEventFilter(this);
    ui.COM1->installEventFilter(this);
    ui.HELP1->installEventFilter(this);

    // The start-up serial number is a placeholder; typing or pasting makes it the operator's, no longer one
    // read from a terminal.
    connect(ui.xlh, &QLineEdit::textEdited, this, [this] {
        m_serialNumberGiven = true;
        m_serialReadFrom.reset();
        ui.xlh->setToolTip(QString());
    });
    keepNumberBoxShowable(ui.ADDRESS, StatusText::BadMachineNumber);
    keepNumberBoxShowable(ui.COM1, StatusText::BadPortNumber);
    for (QAbstractButton *choice : std::initializer_list<QAbstractButton *>{ui.mlmode, ui.mkmode, ui.oem_log})
        connect(choice, &QAbstractButton::toggled, this, &Form1::followDelayChoice);
    installFirstContactTools();
    giveCommandKeys();

    connect(&m_session, &CommandSession::messageReady, this, [this](const QString &message) { showStatus(message); });
    connect(&m_session, &CommandSession::finished, this, &Form1::endCommand);

    Form_Load();
    m_logoChoices->refresh();
    followDelayChoice();

    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    ui.DOWNLOG->setFocus();
}

Form1::~Form1() = default;

void Form1::keepNumberBoxShowable(QLineEdit *box, const StatusText::Message &refusal)
{
    auto shown = std::make_shared<QString>(box->text());
    connect(box, &QLineEdit::textChanged, this, [shown](const QString &text) {
        if (fitsNumberBox(text))
            *shown = text;
    });
    connect(box, &QLineEdit::textEdited, this, [this, box, shown, refusal](const QString &typed) {
        // A full-width digit is wider than the box allows for, and blanks around the number are not used:
        // the box shows the digits that are.
        const QString folded = withoutBlanksAround(foldFullWidth(typed));
        if (!fitsNumberBox(folded)) {
            box->setText(*shown);
            showStatus(StatusText::withDetail(refusal.toString(), quoted(typed)));
            return;
        }
        if (folded != typed) {
            const int cursor = box->cursorPosition();
            box->setText(folded);
            box->setCursorPosition(cursor);
        }
    });
}

void Form1::Form_Load()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString separator = folder.endsWith(u'/') ? QString() : QStringLiteral("/");
    m_logoFilePath = QDir::toNativeSeparators(folder + separator + LogoFileName);
}

void Form1::Cmd2_Click()
{
    // The number in ADDRESS is the one the terminal is to take.
    const auto target = commandTarget();
    if (!target)
        return;
    confirmRenumberOnSharedLine(target->port.line, [this, target = *target] {
        if (!m_session.isRunning())
            startCommand(TerminalCommand::ChangeNumber, target.port, {.machineNumber = target.machineNumber});
    });
}

void Form1::Command1_Click()
{
    const auto target = commandTarget();
    if (!target)
        return;
    const TerminalSettings settings{ui.mlmode->isChecked(), ui.oem_log->isChecked(), ui.fontj->isChecked()};
    // Only the delay box the terminal will use is read (the other one is disabled).
    const QLineEdit *delayBox = usesUnlockDelay(settings) ? ui.D_Timer : ui.dkys;
    const auto delay = byteFromText(delayBox->text());
    if (!delay) {
        showStatus(StatusText::BadDelay.toString());
        return;
    }
    startCommand(TerminalCommand::Settings, target->port,
                 {.machineNumber = target->machineNumber, .settings = settings, .delay = *delay});
}

void Form1::Command4_Click()
{
    const auto target = commandTarget();
    if (!target)
        return;
    startCommand(TerminalCommand::ReadSerial, target->port, {.machineNumber = target->machineNumber});
}

void Form1::Command5_Click()
{
    const auto target = commandTarget();
    if (!target)
        return;
    // Writing the placeholder would wipe the terminal's serial number by a slip of the Tab key.
    if (!m_serialNumberGiven) {
        showStatus(StatusText::SerialNumberFirst.toString());
        return;
    }
    const auto serialNumber = serialNumberFromText(ui.xlh->text());
    if (!serialNumber) {
        showStatus(StatusText::withDetail(StatusText::BadSerialNumber.toString(), quoted(ui.xlh->text())));
        return;
    }
    // The terminal's own number first (one exchange): whether this number would be a second copy of one
    // another terminal holds is decided by what is on the line now, not by where the box was filled.
    m_serialWriteCheck = SerialWriteCheck{*target, *serialNumber};
    startCommand(TerminalCommand::ReadSerial, target->port, {.machineNumber = target->machineNumber});
}

void Form1::writeSerialAfterCheck(const CommandTarget &target, const QByteArray &serialNumber, const QString &now)
{
    const QString wanted = QString::fromLatin1(serialNumber.toHex().toUpper());
    const auto write = [this, target, serialNumber] {
        startCommand(TerminalCommand::WriteSerial, target.port,
                     {.machineNumber = target.machineNumber, .serialNumber = serialNumber});
    };
    // Writing a terminal its own number again gives nobody a second copy of it.
    if (now == wanted) {
        write();
        return;
    }
    const QString declined = tr("没有写入序列号 %1（这台考勤机的序列号仍是 %2）").arg(wanted, now);
    if (m_serialReadFrom) {
        askBeforeSending(QStringLiteral("serialNumberSourceQuestion"),
                         tr("序列号 %1 是从 %2 号串口、%3 号机的考勤机读出的，这台考勤机（%4 号串口、%5 号机）的序列号却是 %6："
                            "两台考勤机会有同一个序列号。仍然写入吗？")
                             .arg(wanted)
                             .arg(m_serialReadFrom->port.number)
                             .arg(m_serialReadFrom->machineNumber)
                             .arg(target.port.number)
                             .arg(target.machineNumber)
                             .arg(now),
                         declined, write);
        return;
    }
    if (const auto written = CommandHistory::lastWriteOfSerial(wanted)) {
        askBeforeSending(QStringLiteral("serialNumberWrittenQuestion"),
                         tr("序列号 %1 已在 %2，这台考勤机的序列号却是 %3：两台考勤机会有同一个序列号。仍然写入吗？")
                             .arg(wanted, CommandHistory::serialWrittenWhere(*written), now),
                         declined, write);
        return;
    }
    write();
}

void Form1::DOWNLOG_Click()
{
    // All 32 lines go to the machine number in ADDRESS now, whatever is typed there meanwhile.
    const auto target = commandTarget();
    if (!target)
        return;

    // The file is read again now, whole, and checked before the port is opened, so a bad or short file
    // never leaves the terminal with half a new picture; the preview shows what is sent. The file is
    // closed again by the time this returns.
    const std::optional<LoadedLogo> &logo = m_logoChoices->logo();
    const std::optional<QByteArray> shown = logo ? std::optional<QByteArray>(logo->picture.bytes) : std::nullopt;
    m_logoChoices->refresh();
    if (!logo) {
        showStatus(ui.logoPreview->problem());
        return;
    }
    // A file replaced since it was shown: the preview now shows the new picture, which the operator sees
    // before anything is sent.
    if (shown != logo->picture.bytes) {
        showStatus(tr("文件已改变：请看过预览再下载"));
        return;
    }
    const LogoPicture picture = logo->picture;
    if (!isBlankLogo(picture.bytes)) {
        startDownload(*target, picture);
        return;
    }
    askBeforeSending(QStringLiteral("blankLogoQuestion"), tr("图片是空白的，仍然下载吗？"), tr("没有下载：图片是空白的"),
                     [this, target = *target, picture] { startDownload(target, picture); });
}

void Form1::startDownload(const CommandTarget &target, const LogoPicture &picture)
{
    ui.PBar1->setValue(0);
    ui.PBar1->show();
    ui.logoPreview->setConfirmedRows(0);
    lockPicture(true);
    startCommand(TerminalCommand::DownloadLogo, target.port,
                 {.machineNumber = target.machineNumber,
                  .picture = picture,
                  .progress = [this](int linesBegun) {
                      // Line L is on its way once lines 0 .. L-1 have been confirmed.
                      ui.logoPreview->setConfirmedRows(linesBegun);
                      ui.PBar1->setValue(linesBegun);
                  }});
}

void Form1::OpenFile_Click()
{
    const QStringList filters = logoFileFilters();
    fileOpen->setNameFilters(filters);
    fileOpen->selectNameFilter(filters.front());
    // Start where the current logo is: the operator usually wants one beside it.
    fileOpen->setDirectory(QFileInfo(m_logoFilePath).absolutePath());
    fileOpen->open();
}

void Form1::oem_log_Click()
{
    // The status of a running download stays; otherwise the logo the terminal would get is named.
    if (!downloadRunning())
        showStatus(m_logoChoices->name());
}

void Form1::askBeforeSending(const QString &name, const QString &question, const QString &declined,
                             std::function<void()> proceed)
{
    auto *box = new QMessageBox(QMessageBox::Question, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(name);
    box->setDefaultButton(QMessageBox::No);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, declined, proceed = std::move(proceed)](int answer) {
        if (answer != QMessageBox::Yes)
            showStatus(declined);
        else if (!m_session.isRunning())
            proceed();
    });
    box->open();
}

void Form1::giveCommandKeys()
{
    // The Chinese captions stay as they are and carry no letter; an English caption underlines the same one.
    const std::pair<QPushButton *, Qt::Key> keys[] = {
        {ui.Cmd2, Qt::Key_R},     {ui.OpenFile, Qt::Key_O}, {ui.DOWNLOG, Qt::Key_L},
        {ui.Command1, Qt::Key_U}, {ui.Command4, Qt::Key_E}, {ui.Command5, Qt::Key_W},
    };
    for (const auto &[button, key] : keys) {
        // A translated caption longer than the button was laid out for gets the room it needs from the labels
        // before it in its row; only where they have too little to give is it set a little smaller, never cut.
        QFont font = button->font();
        const QString caption = QString(button->text()).remove(u'&');
        const auto room = [this, button] {
            return button->width() - 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) - 2;
        };
        if (const int missing = QFontMetrics(font).horizontalAdvance(caption) - room(); missing > 0)
            widenIntoRow(button, missing);
        while (QFontMetrics(font).horizontalAdvance(caption) > room() && font.pointSizeF() > SmallestCaptionSize)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        if (font != button->font())
            button->setFont(font);
        const QKeySequence shortcut(Qt::ALT | key);
        button->setShortcut(shortcut);
        // The tooltip is where a caption without the letter tells it.
        const QString keyName = shortcut.toString(QKeySequence::NativeText);
        const QString tip = button->toolTip();
        button->setToolTip(tip.isEmpty() ? keyName : tr("%1（%2）").arg(tip, keyName));
    }
}

void Form1::widenIntoRow(QWidget *button, int missing)
{
    // The controls before the button in its row, nearest first.
    QList<QWidget *> row;
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect place = control->geometry();
        if (control != button && !control->isWindow() && place.right() < button->x()
            && place.top() < button->geometry().bottom() && place.bottom() > button->y())
            row << control;
    }
    std::sort(row.begin(), row.end(), [](const QWidget *a, const QWidget *b) { return a->x() > b->x(); });
    // What each label there does not need of its width.
    QList<int> spare;
    int total = 0;
    for (QWidget *control : std::as_const(row)) {
        const auto *label = qobject_cast<QLabel *>(control);
        const int free = label ? qMax(0, label->width() - label->fontMetrics().horizontalAdvance(label->text()) - 1) : 0;
        spare << free;
        total += free;
    }
    if (total < missing)
        return;
    // Everything between the button and a label that gives room moves left with the button's left edge.
    int shift = missing;
    for (qsizetype i = 0; i < row.size() && shift > 0; ++i) {
        QWidget *control = row.at(i);
        const int given = qMin(spare.at(i), shift);
        control->setGeometry(control->x() - shift + given, control->y(), control->width() - given, control->height());
        shift -= given;
    }
    button->setGeometry(button->x() - missing, button->y(), button->width() + missing, button->height());
}

std::optional<PortChoice> Form1::idlePort()
{
    // A second command would write into the middle of the running one's exchange.
    if (m_session.isRunning()) {
        showStatus(StatusText::Busy.toString());
        return std::nullopt;
    }
    const auto portNumber = portNumberFromText(ui.COM1->text());
    if (!portNumber) {
        showStatus(StatusText::withDetail(StatusText::BadPortNumber.toString(), quoted(ui.COM1->text())));
        return std::nullopt;
    }
    const QString device = m_ports.deviceFor(*portNumber);
    // A network address given by --port that cannot be one: said before anything is looked up.
    if (isNetworkPortName(device)) {
        if (const auto reading = readNetworkAddress(device); !reading.address) {
            showStatus(StatusText::withDetail(StatusText::BadPortNumber.toString(),
                                              StatusText::ReasonAndPlace.toString().arg(reading.problem, device)));
            return std::nullopt;
        }
    }
    return PortChoice{*portNumber, device, m_ports};
}

std::optional<Form1::CommandTarget> Form1::commandTarget()
{
    auto port = idlePort();
    if (!port)
        return std::nullopt;
    const auto machineNumber = byteFromText(ui.ADDRESS->text());
    if (!machineNumber) {
        showStatus(StatusText::withDetail(StatusText::BadMachineNumber.toString(), quoted(ui.ADDRESS->text())));
        return std::nullopt;
    }
    return CommandTarget{std::move(*port), *machineNumber};
}

QPushButton *Form1::buttonFor(TerminalCommand command) const
{
    switch (command) {
    case TerminalCommand::ChangeNumber:
        return ui.Cmd2;
    case TerminalCommand::Settings:
        return ui.Command1;
    case TerminalCommand::ReadSerial:
        return ui.Command4;
    case TerminalCommand::WriteSerial:
        return ui.Command5;
    case TerminalCommand::DownloadLogo:
        break;
    }
    return ui.DOWNLOG;
}

void Form1::startCommand(TerminalCommand command, const PortChoice &port, const CommandInputs &inputs)
{
    m_runningCommand = command;
    m_runningPort = port;
    m_runningInputs = inputs;
    rememberCommandChoices(command, port);
    m_commandButton = buttonFor(command);
    showStatus((command == TerminalCommand::DownloadLogo ? StatusText::Downloading : StatusText::Communicating)
                   .toString());
    // The serial-number buttons stay usable (a second press is refused while a command runs); the others
    // are disabled until their command ends.
    if (command != TerminalCommand::ReadSerial && command != TerminalCommand::WriteSerial) {
        // A disabled button hands the focus on to the next control, where a stray key would edit a box or
        // tick an option; with no focus at all, keys do nothing until the command ends.
        if (m_commandButton->hasFocus())
            m_commandButton->clearFocus();
        m_commandButton->setEnabled(false);
    }
    m_session.run(port, makeCommandTask(command, inputs));
}

void Form1::endCommand(const CommandResult &result)
{
    ui.PBar1->hide();
    recordInHistory(result);
    const bool download = m_runningCommand == TerminalCommand::DownloadLogo;
    QString message = result.message;
    QString tip = failureToolTip(result, download);
    // Another program reading the port takes the answer before this one sees it.
    if (!tip.isEmpty() && result.status == CommandStatus::NoReply)
        for (const QString &note : otherProgramNotes(m_runningPort.line))
            tip.prepend(note + u'\n');
    const auto serialWriteCheck = std::exchange(m_serialWriteCheck, std::nullopt);
    const bool read = m_runningCommand == TerminalCommand::ReadSerial;
    if (read && serialWriteCheck) {
        // A port that did not open says all there is to say.
        if (result.status != CommandStatus::Done && result.status != CommandStatus::PortOpenFailed)
            message = StatusText::withDetail(message, tr("读不出这台考勤机的序列号，没有写入"));
    } else if (read && result.status == CommandStatus::Done) {
        ui.xlh->setText(serialTextFromResult(result).value_or(QString()));
        ui.xlh->setToolTip(QString());
        m_serialNumberGiven = true;
        m_serialReadFrom = SerialNumberSource{m_runningPort, m_runningInputs.machineNumber};
    } else if (read && m_serialNumberGiven && result.status != CommandStatus::PortOpenFailed) {
        // The box keeps its text, but nothing says it belongs to the terminal on the line now.
        m_serialReadFrom.reset();
        const QString notThis = tr("序列号框里的 %1 不是从这台考勤机读出的").arg(ui.xlh->text());
        message = StatusText::withDetail(message, notThis);
        ui.xlh->setToolTip(notThis);
    }
    if (!tip.isEmpty() || message != result.message)
        showStatus(message, tip);
    if (download) {
        if (result.status == CommandStatus::Done)
            ui.logoPreview->setConfirmedRows(LogoLineCount);
        lockPicture(false);
        // The question was about a download that is over now.
        if (m_quitQuestion)
            m_quitQuestion->done(QMessageBox::No);
    }

    QPushButton *button = std::exchange(m_commandButton, nullptr);
    if (button) {
        button->setEnabled(true);
        // Back to the button that started it, so pressing Space or Enter again repeats the command; a control
        // the operator chose meanwhile keeps the focus.
        if (!QApplication::focusWidget() || QApplication::focusWidget() == this)
            button->setFocus();
    }
    if (m_closeAfterCommand) {
        close();
        return;
    }
    if (serialWriteCheck && result.status == CommandStatus::Done)
        writeSerialAfterCheck(serialWriteCheck->target, serialWriteCheck->serialNumber,
                              serialTextFromResult(result).value_or(QString()));
}

void Form1::showStatus(const QString &text, const QString &toolTip)
{
    ui.HELP1->setText(text);
    // A screen reader knows the status line by its text; a name change is what makes it read the new one.
    QAccessibleEvent changed(ui.HELP1, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    // A long path does not fit the line, so the tooltip shows it whole; as plain text, like the line.
    const QString tip = toolTip.isEmpty() ? text : toolTip;
    ui.HELP1->setToolTip(tip.isEmpty() ? QString() : toolTipHtml(tip));
}

FittedStatus Form1::fittedStatus() const
{
    return fitStatusText(ui.HELP1->text(), ui.HELP1->font(), ui.HELP1->contentsRect().width(),
                         ui.HELP1->contentsRect().height());
}

void Form1::paintStatus()
{
    // Drawn here rather than by the label, so that a long path loses its middle and not the end of the text;
    // the label keeps the whole text for the tooltip and for screen readers.
    const FittedStatus fitted = fittedStatus();
    QPainter painter(ui.HELP1);
    painter.setFont(fitted.font);
    painter.setPen(ui.HELP1->palette().color(ui.HELP1->foregroundRole()));
    painter.drawText(ui.HELP1->contentsRect(), int(ui.HELP1->alignment()), fitted.text);
}

QString Form1::failureToolTip(const CommandResult &result, bool download)
{
    QStringList lines;
    if (const QString reason = StatusText::answerReason(result); !reason.isEmpty())
        lines << reason;
    else if (result.status != CommandStatus::PortLost)
        return {};
    if (download && result.linesConfirmed) {
        const int confirmed = *result.linesConfirmed;
        lines << (confirmed == 0 ? StatusText::DownloadStoppedAtFirstLine.toString()
                                 : StatusText::DownloadStoppedAtLine.toString().arg(confirmed + 1).arg(confirmed));
    }
    if (result.status == CommandStatus::PortLost)
        return download ? result.message + u'\n' + lines.join(u'\n') : QString();
    lines << StatusText::CheckTheLineHint.toString() << findMachinesHint();
    return lines.join(u'\n');
}

void Form1::followDelayChoice()
{
    const bool unlockDelay = usesUnlockDelay({ui.mlmode->isChecked(), ui.oem_log->isChecked(), ui.fontj->isChecked()});
    ui.D_Timer->setEnabled(unlockDelay);
    ui.dkys->setEnabled(!unlockDelay);
}

void Form1::lockPicture(bool locked)
{
    ui.OpenFile->setEnabled(!locked);
    m_logoChoices->setLocked(locked);
}

bool Form1::downloadRunning() const
{
    return m_session.isRunning() && m_runningCommand == TerminalCommand::DownloadLogo;
}

void Form1::askBeforeClosing()
{
    if (m_quitQuestion && m_quitQuestion->isVisible())
        return;
    // One answered before may not have been deleted yet; it is not asked again.
    if (m_quitQuestion)
        m_quitQuestion->deleteLater();
    m_quitQuestion = new QMessageBox(QMessageBox::Question, windowTitle(),
                                     StatusText::ConfirmQuitDuringDownload.toString(),
                                     QMessageBox::Yes | QMessageBox::No, this);
    m_quitQuestion->setObjectName(QStringLiteral("quitQuestion"));
    m_quitQuestion->setDefaultButton(QMessageBox::No);
    m_quitQuestion->setWindowModality(Qt::WindowModal);
    m_quitQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_quitQuestion, &QMessageBox::finished, this, [this](int answer) {
        if (answer != QMessageBox::Yes) {
            // The download may have ended under the question; then its own outcome stays on the line.
            if (downloadRunning())
                showStatus(tr("继续下载"));
            return;
        }
        m_quitConfirmed = true;
        close();
    });
    m_quitQuestion->open();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Leaving mid-download leaves half a picture on the terminal, so that one asks first; any other
    // command ends within a second and simply stops.
    if (downloadRunning() && !m_quitConfirmed) {
        event->ignore();
        askBeforeClosing();
        return;
    }
    // The line in flight gets its answer (at most the reply limit) before the history says how far the
    // picture got; the window closes when the download has ended.
    if (downloadRunning()) {
        event->ignore();
        if (!m_closeAfterCommand) {
            m_closeAfterCommand = true;
            setEnabled(false);
            showStatus(tr("正在退出：等考勤机回答这一行"));
            m_session.requestStop();
        }
        return;
    }
    // The running command stops here; the port is released before the program ends. The history still
    // says what was done, and how far a download got.
    if (m_session.isRunning())
        recordInHistory({StatusText::Interrupted.toString(), CommandStatus::Interrupted, {}, m_session.linesConfirmed()});
    m_session.abort();
    event->accept();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.HELP1) {
        if (event->type() != QEvent::Paint)
            return QWidget::eventFilter(watched, event);
        paintStatus();
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched != ui.COM1) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Enter presses the focused button, as operators know it from Windows; Space works as always.
        auto *button = static_cast<QPushButton *>(watched);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
