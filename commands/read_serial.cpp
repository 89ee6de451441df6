#include "read_serial.h"

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

std::optional<QString> serialTextFromResult(const CommandResult &result)
{
    if (result.status != CommandStatus::Done || result.reply.size() != ReadSerialReplyLength)
        return std::nullopt;
    return serialTextFromReply(result.reply);
}
