#pragma once

#include "exchange.h"

#include <QStringView>

// Stores a three-byte serial number in the terminal. The text is read as three hexadecimal pairs; a
// malformed text still gives a frame (see bytesFromPairs), as the terminal has no way to refuse one.
constexpr int SerialByteCount = 3;

QByteArray writeSerialFrame(QStringView serialText);
Exchange writeSerialExchange(quint8 machineNumber, QStringView serialText);
