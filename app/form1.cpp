#include "form1.h"

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
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyle>

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
    });
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
    confirmRenumberOnSharedLine(target->port.deviceName, [this, target = *target] {
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
        showStatus(StatusText::BadSerialNumber.toString());
        return;
    }
    const auto write = [this, target = *target, serialNumber = *serialNumber] {
        startCommand(TerminalCommand::WriteSerial, target.port,
                     {.machineNumber = target.machineNumber, .serialNumber = serialNumber});
    };
    // A number read from one terminal and written into another gives two terminals the same number.
    const bool readHere = !m_serialReadFrom
                          || (m_serialReadFrom->port.number == target->port.number
                              && m_serialReadFrom->port.deviceName == target->port.deviceName
                              && m_serialReadFrom->machineNumber == target->machineNumber);
    if (readHere) {
        write();
        return;
    }
    askBeforeSending(QStringLiteral("serialNumberSourceQuestion"),
                     tr("序列号 %1 是从 %2 号串口、%3 号机读出的。写入 %4 号串口、%5 号机吗？")
                         .arg(QString::fromLatin1(serialNumber->toHex().toUpper()))
                         .arg(m_serialReadFrom->port.number)
                         .arg(m_serialReadFrom->machineNumber)
                         .arg(target->port.number)
                         .arg(target->machineNumber),
                     write);
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
    askBeforeSending(QStringLiteral("blankLogoQuestion"), tr("图片是空白的，仍然下载吗？"),
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

void Form1::askBeforeSending(const QString &name, const QString &question, std::function<void()> proceed)
{
    auto *box = new QMessageBox(QMessageBox::Question, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(name);
    box->setDefaultButton(QMessageBox::No);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, proceed = std::move(proceed)](int answer) {
        if (answer == QMessageBox::Yes && !m_session.isRunning())
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
        // A translated caption longer than the button was laid out for is set a little smaller, never cut.
        QFont font = button->font();
        const QString caption = QString(button->text()).remove(u'&');
        const int room = button->width() - 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) - 2;
        while (QFontMetrics(font).horizontalAdvance(caption) > room && font.pointSizeF() > SmallestCaptionSize)
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

std::optional<PortChoice> Form1::idlePort()
{
    // A second command would write into the middle of the running one's exchange.
    if (m_session.isRunning()) {
        showStatus(StatusText::Busy.toString());
        return std::nullopt;
    }
    const auto portNumber = portNumberFromText(ui.COM1->text());
    if (!portNumber) {
        showStatus(StatusText::BadPortNumber.toString());
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
        showStatus(StatusText::BadMachineNumber.toString());
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
    if (QString tip = failureToolTip(result, download); !tip.isEmpty()) {
        // Another program reading the port takes the answer before this one sees it.
        if (result.status == CommandStatus::NoReply)
            for (const QString &holder : otherProgramsHolding(m_runningPort.deviceName))
                tip.prepend(tr("另一个程序（%1）也打开了这个串口").arg(holder) + u'\n');
        showStatus(result.message, tip);
    }
    if (result.status == CommandStatus::Done && m_runningCommand == TerminalCommand::ReadSerial) {
        ui.xlh->setText(serialTextFromResult(result).value_or(QString()));
        m_serialNumberGiven = true;
        m_serialReadFrom = SerialNumberSource{m_runningPort, m_runningInputs.machineNumber};
    }
    if (download) {
        if (result.status == CommandStatus::Done)
            ui.logoPreview->setConfirmedRows(LogoLineCount);
        lockPicture(false);
    }

    QPushButton *button = std::exchange(m_commandButton, nullptr);
    if (!button)
        return;
    button->setEnabled(true);
    // Back to the button that started it, so pressing Space or Enter again repeats the command; a control
    // the operator chose meanwhile keeps the focus.
    if (!QApplication::focusWidget() || QApplication::focusWidget() == this)
        button->setFocus();
}

void Form1::showStatus(const QString &text, const QString &toolTip)
{
    ui.HELP1->setText(text);
    // A screen reader knows the status line by its text; a name change is what makes it read the new one.
    QAccessibleEvent changed(ui.HELP1, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    // A long path does not fit the line, so the tooltip shows it whole; as plain text, like the line.
    const QString tip = toolTip.isEmpty() ? text : toolTip;
    const QString html = tip.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
    ui.HELP1->setToolTip(tip.isEmpty() ? QString() : QStringLiteral("<qt>%1</qt>").arg(html));
}

FittedStatus Form1::fittedStatus() const
{
    return fitStatusText(ui.HELP1->text(), ui.HELP1->font(), ui.HELP1->contentsRect().width());
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
    if (m_quitQuestion)
        return;
    m_quitQuestion = new QMessageBox(QMessageBox::Question, windowTitle(),
                                     StatusText::ConfirmQuitDuringDownload.toString(),
                                     QMessageBox::Yes | QMessageBox::No, this);
    m_quitQuestion->setObjectName(QStringLiteral("quitQuestion"));
    m_quitQuestion->setDefaultButton(QMessageBox::No);
    m_quitQuestion->setWindowModality(Qt::WindowModal);
    m_quitQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_quitQuestion, &QMessageBox::finished, this, [this](int answer) {
        if (answer != QMessageBox::Yes)
            return;
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
