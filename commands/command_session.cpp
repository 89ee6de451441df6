#include "command_session.h"

#include "network_address.h"
#include "port_catalogue.h"
#include "status_messages.h"

CommandSession::CommandSession(QObject *parent)
    : QObject(parent)
{
    connect(&m_link, &SerialLink::exchangeFinished, this, [this](const ExchangeOutcome &outcome) {
        if (!m_task)
            return;
        CommandStep step = m_task->next(outcome);
        // A stop is the operator's, whatever the exchange it cut short: a frame left unanswered after it
        // is no fault of the terminal. Only a command whose last answer came in is done.
        if (m_stopRequested) {
            const auto *result = std::get_if<CommandResult>(&step);
            if (!result || result->status != CommandStatus::Done) {
                // The exchange the task asked for next is never sent.
                if (!result)
                    m_task->withdraw();
                step = CommandResult{StatusText::Interrupted.toString(), CommandStatus::Interrupted, outcome.reply};
            }
        }
        if (auto *result = std::get_if<CommandResult>(&step))
            explainEcho(*result, outcome);
        proceed(step);
    });
    connect(&m_link, &SerialLink::linkPrepared, this, [this](std::optional<OpenFailure> failure) {
        if (!m_task)
            return;
        if (failure)
            conclude({openFailureMessage(*failure, m_port, m_link.openFailureDetail()), CommandStatus::PortOpenFailed});
        else if (m_stopRequested)  // asked while the port opened: nothing has been sent yet
            conclude({StatusText::Interrupted.toString(), CommandStatus::Interrupted});
        else
            proceed(m_task->begin());
    });
    connect(&m_link, &SerialLink::linkLost, this, [this] {
        if (m_task)
            conclude({StatusText::PortLost.toString(), CommandStatus::PortLost});
    });
}

void CommandSession::run(const PortChoice &port, std::unique_ptr<TerminalTask> task)
{
    Q_ASSERT(!m_task);
    m_task = std::move(task);
    m_port = port;
    m_stopRequested = false;
    if (m_task->wantsLowLatency())
        m_lowLatency = std::make_unique<LowLatencyForScan>(port.line);
    m_link.prepareLinkLater(port.deviceName);
}

void CommandSession::requestStop()
{
    m_stopRequested = true;
    // Nothing has reached the terminal yet: the open is abandoned at once.
    if (m_task && m_link.isOpening()) {
        m_link.releaseLink();
        conclude({StatusText::Interrupted.toString(), CommandStatus::Interrupted});
    }
}

void CommandSession::abort()
{
    m_task.reset();
    m_link.releaseLink();
    m_lowLatency.reset();
}

QString CommandSession::openFailureMessage(OpenFailure failure, const PortChoice &port, const QString &detail)
{
    QString where = port.deviceName.isEmpty() ? StatusText::PortNumberOnly.toString().arg(port.number) : port.deviceName;
    // A network port is named by the server it reaches, as the connection failed there.
    if (const auto address = parseNetworkAddress(port.deviceName))
        where = address->place();
    QString reason;
    switch (failure) {
    case OpenFailure::NoSuchPort:
        reason = StatusText::NoSuchPortReason.toString();
        break;
    case OpenFailure::PermissionDenied:
        reason = StatusText::PermissionReason.toString();
        break;
    case OpenFailure::PortBusy:
        reason = StatusText::PortBusyReason.toString();
        // The program that has it is what the operator needs to know to free it.
        if (const QString holder = portHolder(port.line); !holder.isEmpty())
            where = holder;
        break;
    case OpenFailure::Folder:
        reason = StatusText::FolderReason.toString();
        break;
    case OpenFailure::NotSerialPort:
        reason = StatusText::NotSerialPortReason.toString();
        break;
    case OpenFailure::ConnectionFailed:
        reason = StatusText::ConnectionRefusedReason.toString();
        break;
    case OpenFailure::AddressMalformed:
        reason = StatusText::AddressMalformedReason.toString();
        break;
    case OpenFailure::HostNotFound:
        reason = StatusText::HostNotFoundReason.toString();
        break;
    case OpenFailure::ConnectionTimedOut:
        reason = StatusText::ConnectionTimedOutReason.toString();
        break;
    case OpenFailure::SettingsUnanswered:
        reason = StatusText::SettingsUnansweredReason.toString();
        break;
    case OpenFailure::ComPortRefused:
        reason = StatusText::ComPortRefusedReason.toString();
        break;
    case OpenFailure::BinaryRefused:
        reason = StatusText::BinaryRefusedReason.toString();
        break;
    case OpenFailure::ServerPortSettings:
        // What the server confirmed says it all ("服务器的串口是 115200 波特，不是 9600").
        return StatusText::PortOpenFailed.toString().arg(detail);
    case OpenFailure::Rs485Unsupported:
        return StatusText::PortOpenFailed.toString().arg(StatusText::Rs485UnsupportedReason.toString().arg(where));
    case OpenFailure::Other:
        break;
    }
    QString shown = reason.isEmpty() ? where : StatusText::ReasonAndPlace.toString().arg(reason, where);
    if (!detail.isEmpty())
        shown = StatusText::PlaceAndSystemReason.toString().arg(shown, detail);
    // A server that cannot or will not set its port up may still serve one already at 9600 8N1, raw.
    if (failure == OpenFailure::SettingsUnanswered || failure == OpenFailure::ComPortRefused)
        shown = StatusText::ReasonAndHint.toString().arg(shown, StatusText::RawPortHint.toString().arg(where));
    // A port that is not there: name the ones that are.
    const QString available = failure == OpenFailure::NoSuchPort ? availablePortsNote(port.directory) : QString();
    return StatusText::PortOpenFailed.toString().arg(shown + available);
}

QString CommandSession::echoFailureMessage(ExchangeOutcome::Echo echo)
{
    switch (echo) {
    case ExchangeOutcome::Echo::Only:
        return StatusText::EchoOnly.toString();
    case ExchangeOutcome::Echo::Differs:
        return StatusText::EchoDiffers.toString();
    case ExchangeOutcome::Echo::Missing:
        return StatusText::EchoMissing.toString();
    case ExchangeOutcome::Echo::None:
        break;
    }
    return {};
}

void CommandSession::explainEcho(CommandResult &result, const ExchangeOutcome &last)
{
    // A failure on the line's echo says so, whichever command met it.
    if (last.echo != ExchangeOutcome::Echo::None
        && (result.status == CommandStatus::NoReply || result.status == CommandStatus::WrongReply)) {
        result.message = echoFailureMessage(last.echo);
        result.reasonGiven = true;
    }
}

void CommandSession::proceed(const CommandStep &step)
{
    if (const auto *exchange = std::get_if<Exchange>(&step))
        m_link.transact(*exchange);
    else
        conclude(std::get<CommandResult>(step));
}

void CommandSession::conclude(CommandResult result)
{
    if (!result.linesConfirmed)
        result.linesConfirmed = m_task->linesConfirmed();
    emit messageReady(result.message);
    m_link.releaseLink();
    m_lowLatency.reset();
    m_task.reset();
    emit finished(result);
}
