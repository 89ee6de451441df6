#include "read_serial.h"

#include "status_messages.h"

namespace {
constexpr char TwoByteFrameStart = 0x02;
constexpr char ReadSerialCode = 0x1F;
} // namespace

QByteArray readSerialFrame()
{
    const char frame[] = {TwoByteFrameStart, ReadSerialCode};
    return QByteArray(frame, sizeof frame);
}

Exchange readSerialExchange(quint8 machineNumber)
{
    return {.addressByte = machineNumber,
            .pauseFirst = true,
            .commandFrame = readSerialFrame(),
            .replyLength = ReadSerialReplyLength};
}

QString serialTextFromReply(const QByteArray &reply)
{
    return QString::fromLatin1(reply.mid(1).toHex().toUpper());
}

QString readSerialMessage(const ExchangeOutcome &outcome)
{
    return outcome.kind == ExchangeOutcome::Kind::Replied ? StatusText::CommunicationSucceeded.toString()
                                                          : StatusText::CommunicationFailed.toString();
}

std::optional<QString> serialTextFromOutcome(const ExchangeOutcome &outcome)
{
    if (outcome.kind != ExchangeOutcome::Kind::Replied)
        return std::nullopt;
    return serialTextFromReply(outcome.reply);
}
