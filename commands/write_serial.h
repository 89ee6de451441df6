#pragma once

#include "exchange.h"

#include <QByteArrayView>
#include <QStringView>

#include <optional>

// Stores a three-byte serial number in the terminal.
constexpr int SerialByteCount = 3;

// The serial number typed in the window: exactly six hexadecimal digits (see hexBytesFromText), with any
// blanks and line breaks around them (as pasted from a spreadsheet) left out. The
// terminal has no way to refuse a malformed number, so nothing else is ever sent.
std::optional<QByteArray> serialNumberFromText(QStringView text);

QByteArray writeSerialFrame(QByteArrayView serialNumber);
Exchange writeSerialExchange(quint8 machineNumber, QByteArrayView serialNumber);
