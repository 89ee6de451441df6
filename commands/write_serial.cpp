#include "write_serial.h"

#include "five_byte_frame.h"
#include "text_conversions.h"

namespace {
constexpr char WriteSerialCode = 0x0F;
} // namespace

std::optional<QByteArray> serialNumberFromText(QStringView text)
{
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
