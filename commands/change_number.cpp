#include "change_number.h"

#include "five_byte_frame.h"

namespace {
constexpr char SetMachineNumberCode = 0x07;
} // namespace

QByteArray renumberFrame(quint8 newMachineNumber)
{
    const char frame[] = {FiveByteFrameStart, SetMachineNumberCode, char(newMachineNumber), 0x00, 0x00};
    return QByteArray(frame, sizeof frame);
}

Exchange changeNumberExchange(quint8 newMachineNumber)
{
    return {.addressByte = RenumberAddress, .pauseFirst = true, .commandFrame = renumberFrame(newMachineNumber)};
}
