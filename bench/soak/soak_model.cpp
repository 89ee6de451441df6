#include "soak_model.h"

#include "read_serial.h"
#include "status_messages.h"

namespace soak {

namespace {

QByteArray logoLineBytes(const QByteArray &picture, int line)
{
    return picture.mid(line * LogoBytesPerLine, LogoBytesPerLine);
}

// Bytes the terminal sends for one exchange, bent by the fault when it hits this exchange.
qsizetype replyBytes(TerminalCommand kind, const PlannedFault *fault)
{
    const qsizetype length = replyLengthOf(kind);
    if (fault == nullptr)
        return length;
    switch (fault->fault) {
    case Fault::Silence:
    case Fault::HangUp:
        return 0;
    case Fault::ShortReply:
        return length - 1;
    case Fault::ExtraByte:
        return length + 1;
    case Fault::Noise:
        return fault->amount + length;
    case Fault::None:
    case Fault::WrongByte:
    case Fault::SplitReply:
    case Fault::DelayInTime:
    case Fault::LateReply:
        break;
    }
    return length;
}

QByteArray onLine(const Exchange &exchange)
{
    return QByteArray(1, char(exchange.addressByte)) + exchange.commandFrame;
}

} // namespace

void TerminalModel::exchangeReached(const PlannedCommand &command, int line, const PlannedFault *fault)
{
    received += onLine(exchangeFor(command, machine, line));
    sent += replyBytes(command.kind, fault);
    applyEffect(command, line, *this);
}

Expected expectedOutcome(const PlannedCommand &command, const PlannedFault *fault)
{
    Expected expected{successMessage(command.kind), exchangesOf(command.kind)};
    if (fault == nullptr)
        return expected;
    const int upToFault = fault->exchange + 1; // the exchange hit is sent; none after it
    switch (fault->fault) {
    case Fault::ExtraByte:
        // The surplus byte is still waiting when the next exchange is due, which is then not sent; after
        // the last exchange it is left over and the answer itself is whole.
        if (upToFault < expected.exchangesSent) {
            expected.message = wrongAnswerMessage(command.kind);
            expected.exchangesSent = upToFault;
            expected.nextHeldBack = true;
        }
        return expected;
    case Fault::None:
    case Fault::SplitReply: // the reader waits for the whole answer
    case Fault::DelayInTime:
        return expected;
    case Fault::WrongByte:
    case Fault::Noise: // the first byte read is noise, never the address
        expected.message = wrongAnswerMessage(command.kind);
        expected.exchangesSent = upToFault;
        return expected;
    case Fault::LateReply:
    case Fault::ShortReply:
    case Fault::Silence:
        expected.message = StatusText::CommunicationFailed.toString();
        expected.exchangesSent = upToFault;
        expected.timesOut = true;
        return expected;
    case Fault::HangUp:
        expected.message = StatusText::PortLost.toString();
        expected.exchangesSent = upToFault;
        expected.linkLost = true;
        return expected;
    }
    return expected;
}

void applyEffect(const PlannedCommand &command, int line, TerminalModel &model)
{
    switch (command.kind) {
    case TerminalCommand::ChangeNumber:
    case TerminalCommand::ReadSerial:
        break;
    case TerminalCommand::Settings:
        model.mode = quint8((command.settings.bellMode ? 0 : 1) + (command.settings.startupPicture ? 2 : 0));
        model.delay = command.delay;
        model.font = command.settings.simplifiedFont ? 0 : 1;
        break;
    case TerminalCommand::WriteSerial:
        model.serial = QByteArray::fromHex(command.serialText.toLatin1()); // read apart from the program
        break;
    case TerminalCommand::DownloadLogo:
        model.logo.replace(line * LogoBytesPerLine, LogoBytesPerLine, logoLineBytes(command.picture, line));
        break;
    }
}

std::optional<QString> shownAnswer(TerminalCommand kind, const TerminalModel &model)
{
    if (kind != TerminalCommand::ReadSerial)
        return std::nullopt;
    return serialTextFromReply(QByteArray(1, char(model.machine)) + model.serial);
}

} // namespace soak
