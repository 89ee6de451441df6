#pragma once

#include "terminal_task.h"

#include <optional>

// Asks the terminal for its three-byte serial number; it answers with its machine number and the three
// bytes.
constexpr int ReadSerialReplyLength = 4;

QByteArray readSerialFrame();
Exchange readSerialExchange(quint8 machineNumber);

// The serial number as the window shows it: every byte as two upper-case hex digits, so the text always
// has six characters and writing it back stores the same bytes (01 02 03 -> "010203", ab 0c de -> "AB0CDE").
QString serialTextFromReply(const QByteArray &reply);

// The serial text of a confirmed read; nothing for any other ending.
std::optional<QString> serialTextFromResult(const CommandResult &result);
