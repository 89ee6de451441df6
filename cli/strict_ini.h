#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <variant>

// A small INI reader that guesses nothing, for files a user writes by hand:
// - UTF-8 with or without a byte-order mark, or UTF-16 with one; anything else is an error.
// - "[section]", "key=value", blank lines, and comments starting with ; or #; a ; or # after a blank also
//   starts a comment at the end of a line. Backslashes, commas and quotes are part of the value.
// - Sections and keys as `known` lists them, spelt exactly; a key given twice, or before any section, and a
//   line of any other form are errors.
// Every error names its line.
struct IniEntry
{
    QString value;
    int line = 0;
};

struct IniError
{
    int line = 0;  // 0: the file as a whole (it could not be decoded)
    QString message;
};

using IniSchema = QHash<QString, QStringList>;          // section -> its keys
using IniEntries = QHash<QString, IniEntry>;            // "section/key" -> value; "section/" -> its first header's line

std::variant<IniEntries, IniError> readStrictIni(const QByteArray &bytes, const IniSchema &known);
