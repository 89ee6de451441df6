#pragma once

#include "exchange.h"

// Gives the terminal on the line a new machine number. Whatever its current number, the terminal
// listens for this command on the fixed address 99 and answers 99.
constexpr quint8 RenumberAddress = 0x63;

QByteArray renumberFrame(quint8 newMachineNumber);
Exchange changeNumberExchange(quint8 newMachineNumber);
