#include "form1.h"

#include "change_number.h"
#include "logo_download.h"
#include "logo_file.h"
#include "read_serial.h"
#include "single_exchange_task.h"
#include "status_messages.h"
#include "terminal_settings.h"
#include "text_conversions.h"
#include "write_serial.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QScreen>

namespace {
const QString LogoFileName = QStringLiteral("bmp.txt");
// The operator picks among text files only.
const QString LogoFileFilter = QStringLiteral("文本文件 (*.txt)");
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
    // The captions were laid out for a 9-point Song face; a larger default font would clip them.
    setFont(QFont(QStringLiteral("宋体"), 9));
    setFixedSize(size());
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    ui.PBar1->hide();

    fileOpen = new QFileDialog(this);
    fileOpen->setObjectName(QStringLiteral("fileOpen"));
    fileOpen->setFileMode(QFileDialog::ExistingFile);
    fileOpen->setAcceptMode(QFileDialog::AcceptOpen);
    fileOpen->setWindowModality(Qt::WindowModal);
    connect(fileOpen, &QFileDialog::fileSelected, this, [this](const QString &file) {
        m_logoFilePath = QDir::toNativeSeparators(file);
        showStatus(m_logoFilePath);
    });
    // A cancelled choice keeps the file chosen before (or the default) and shows it.
    connect(fileOpen, &QFileDialog::rejected, this, [this] { showStatus(m_logoFilePath); });

    connect(ui.Cmd2, &QPushButton::clicked, this, &Form1::Cmd2_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui.Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui.Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(ui.DOWNLOG, &QPushButton::clicked, this, &Form1::DOWNLOG_Click);
    connect(ui.OpenFile, &QPushButton::clicked, this, &Form1::OpenFile_Click);
    connect(ui.oem_log, &QCheckBox::clicked, this, &Form1::oem_log_Click);
    ui.DOWNLOG->installEventFilter(this);
    ui.COM1->installEventFilter(this);

    connect(&m_session, &CommandSession::messageReady, this, &Form1::showStatus);
    connect(&m_session, &CommandSession::finished, this, &Form1::endCommand);

    Form_Load();

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
    startCommand(ui.Cmd2, true, target->deviceName,
                 std::make_unique<SingleExchangeTask>(changeNumberExchange(target->machineNumber), settingMessage));
}

void Form1::Command1_Click()
{
    const auto target = commandTarget();
    if (!target)
        return;
    const TerminalSettings settings{ui.mlmode->isChecked(), ui.oem_log->isChecked(), ui.fontj->isChecked()};
    // Only the delay box the terminal will use is read.
    const QLineEdit *delayBox = usesUnlockDelay(settings) ? ui.D_Timer : ui.dkys;
    const auto delay = byteFromText(delayBox->text());
    if (!delay) {
        showStatus(StatusText::BadDelay.toString());
        return;
    }
    startCommand(ui.Command1, true, target->deviceName,
                 std::make_unique<SingleExchangeTask>(settingsExchange(target->machineNumber, settings, *delay),
                                                      settingMessage));
}

void Form1::Command4_Click()
{
    const auto target = commandTarget();
    if (!target)
        return;
    auto conclude = [this](const ExchangeOutcome &outcome) {
        if (const auto serialText = serialTextFromOutcome(outcome))
            ui.xlh->setText(*serialText);
        return readSerialMessage(outcome);
    };
    startCommand(nullptr, false, target->deviceName,
                 std::make_unique<SingleExchangeTask>(readSerialExchange(target->machineNumber), conclude));
}

void Form1::Command5_Click()
{
    const auto target = commandTarget();
    if (!target)
        return;
    startCommand(nullptr, false, target->deviceName,
                 std::make_unique<SingleExchangeTask>(writeSerialExchange(target->machineNumber, ui.xlh->text()),
                                                      settingMessage));
}

void Form1::DOWNLOG_Click()
{
    // The machine number is read again before every line; a text that cannot be one sends nothing at all.
    const auto target = commandTarget();
    if (!target)
        return;

    ui.DOWNLOG->setEnabled(false);
    ui.PBar1->setValue(0);
    ui.PBar1->show();
    // The whole picture is read and checked before the port is opened, so a bad or short file never
    // leaves the terminal with half a new picture. The file is closed again by the time this returns.
    auto picture = readLogoFile(m_logoFilePath);
    if (const auto *error = std::get_if<LogoFileError>(&picture)) {
        showStatus(*error == LogoFileError::CannotOpen ? StatusText::FileOpenFailed.toString()
                                                       : StatusText::FileTooShort.toString());
        ui.PBar1->hide();
        ui.DOWNLOG->setEnabled(true);
        return;
    }
    auto task = std::make_unique<LogoDownloadTask>(
        std::get<LogoPicture>(std::move(picture)), [this] { return byteFromText(ui.ADDRESS->text()); },
        [this](int linesBegun) { ui.PBar1->setValue(linesBegun); });
    startCommand(ui.DOWNLOG, true, target->deviceName, std::move(task));
}

void Form1::DOWNLOG_KeyPress(quint16 keyAscii)
{
    Q_UNUSED(keyAscii);
    ui.DOWNLOG->setEnabled(true);
}

void Form1::OpenFile_Click()
{
    fileOpen->setNameFilter(LogoFileFilter);
    fileOpen->open();
}

void Form1::oem_log_Click()
{
    showStatus(m_logoFilePath);
}

std::optional<Form1::CommandTarget> Form1::commandTarget()
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
    const auto machineNumber = byteFromText(ui.ADDRESS->text());
    if (!machineNumber) {
        showStatus(StatusText::BadMachineNumber.toString());
        return std::nullopt;
    }
    return CommandTarget{m_ports.deviceFor(*portNumber), *machineNumber};
}

void Form1::startCommand(QPushButton *buttonToDisable, bool closeFirst, const QString &deviceName,
                         std::unique_ptr<TerminalTask> task)
{
    if (buttonToDisable) {
        buttonToDisable->setEnabled(false);
        m_disabledButton = buttonToDisable;
    }
    m_session.run(deviceName, closeFirst, std::move(task));
}

void Form1::endCommand()
{
    ui.PBar1->hide();
    if (m_disabledButton) {
        m_disabledButton->setEnabled(true);
        m_disabledButton = nullptr;
    }
}

void Form1::showStatus(const QString &text)
{
    ui.HELP1->setText(text);
    ui.HELP1->setToolTip(text);  // a long path does not fit the line
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The running command stops here; the port is released before the program ends.
    m_session.abort();
    event->accept();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.DOWNLOG && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty())
            DOWNLOG_KeyPress(key->text().at(0).unicode());
    } else if (watched == ui.COM1 && event->type() == QEvent::ToolTip) {
        // Ports come and go (USB adapters), so the tooltip says what each number reaches right now.
        ui.COM1->setToolTip(m_ports.describe());
    }
    return QWidget::eventFilter(watched, event);
}
