#pragma once

#include "exchange.h"

#include <optional>

// Asks the terminal for its three-byte serial number; it answers with its machine number and the three
// bytes.
constexpr int ReadSerialReplyLength = 4;

QByteArray readSerialFrame();
Exchange readSerialExchange(quint8 machineNumber);

// The serial number as the window shows it: each byte in upper-case hex without a leading zero, joined
// (12 34 56 -> "123456", 01 02 03 -> "123", ab 0c de -> "ABCDE").
QString serialTextFromReply(const QByteArray &reply);

// The status message, and the new serial text on success.
QString readSerialMessage(const ExchangeOutcome &outcome);
std::optional<QString> serialTextFromOutcome(const ExchangeOutcome &outcome);
