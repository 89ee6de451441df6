#include "write_serial.h"

#include "five_byte_frame.h"
#include "text_conversions.h"

namespace {
constexpr char WriteSerialCode = 0x0F;
} // namespace

QByteArray writeSerialFrame(QStringView serialText)
{
    QByteArray frame;
    frame.append(FiveByteFrameStart).append(WriteSerialCode);
    return frame + bytesFromPairs(serialText, SerialByteCount);
}

Exchange writeSerialExchange(quint8 machineNumber, QStringView serialText)
{
    return {machineNumber, true, writeSerialFrame(serialText), 1};
}
