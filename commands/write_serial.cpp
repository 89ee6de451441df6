#include "write_serial.h"

#include "five_byte_frame.h"
#include "text_conversions.h"

namespace {
constexpr char WriteSerialCode = 0x0F;
} // namespace

std::optional<QByteArray> serialNumberFromText(QStringView text)
{
    // A number copied out of a spreadsheet cell brings its line break along.
    while (!text.isEmpty() && text.front().isSpace())
        text = text.sliced(1);
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return hexBytesFromText(text, SerialByteCount);
}

QByteArray writeSerialFrame(QByteArrayView serialNumber)
{
    Q_ASSERT(serialNumber.size() == SerialByteCount);
    QByteArray frame;
    frame.append(FiveByteFrameStart).append(WriteSerialCode);
    return frame.append(serialNumber);
}

Exchange writeSerialExchange(quint8 machineNumber, QByteArrayView serialNumber)
{
    return {.addressByte = machineNumber, .pauseFirst = true, .commandFrame = writeSerialFrame(serialNumber)};
}
