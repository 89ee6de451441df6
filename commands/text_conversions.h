#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// Conversions of what the operator types into bytes for the terminal.
//
// Chinese input methods type full-width forms ("１８", an ideographic space); every box takes them as the
// ASCII characters they stand for, before any other rule applies.
//
// Numbers in the boxes are decimal: blanks (space, tab) around the number are ignored, an optional sign
// and an optional fraction are allowed ("12", " +3.5 ", "-0.4", "7.", ".5"); a fraction is rounded to the
// nearest whole number, exactly half goes to the even neighbour (2.5 -> 2, 3.5 -> 4). Anything else
// (empty text, letters, exponents, hex prefixes, group separators, other scripts' digits) is a failure, and
// so is a result outside the target's range. Any length of text is accepted without overflow.

// The text with every full-width character replaced by its ASCII counterpart (only the width changes:
// circled, superscript or other scripts' digits stay as they are).
QString foldFullWidth(QStringView text);

// Port number of box COM1: signed 16-bit.
std::optional<qint16> portNumberFromText(QStringView text);

// Machine number, delays: 0 to 255.
std::optional<quint8> byteFromText(QStringView text);

// Exactly 2 x `byteCount` hexadecimal digits, either case, blanks around them ignored: the bytes they
// spell; anything else (a missing or extra digit, a letter O for a zero, "G1") gives nothing.
std::optional<QByteArray> hexBytesFromText(QStringView text, int byteCount);
