#include "strict_ini.h"

#include <QCoreApplication>
#include <QStringDecoder>

namespace {

std::optional<QString> decoded(const QByteArray &bytes, int *badLine)
{
    QStringDecoder::Encoding encoding = QStringDecoder::Utf8;
    qsizetype bomSize = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bomSize = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = QStringDecoder::Utf16LE;
        bomSize = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = QStringDecoder::Utf16BE;
        bomSize = 2;
    }
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    const QString text = decoder(QByteArrayView(bytes).sliced(bomSize));
    // UTF-16 without its mark decodes as UTF-8 full of NULs, which no profile holds.
    qsizetype bad = text.indexOf(QChar::ReplacementCharacter) >= 0 ? text.indexOf(QChar::ReplacementCharacter)
                                                                   : text.indexOf(QChar(u'\0'));
    // UTF-16's decoder lets a lone surrogate through, which no text holds.
    for (qsizetype i = 0; i < text.size() && bad < 0; ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            bad = i;
    }
    if (decoder.hasError() || bad >= 0) {
        *badLine = bad >= 0 ? int(text.left(bad).count(u'\n')) + 1 : 0;
        return std::nullopt;
    }
    return text;
}

// The line without a trailing comment: a ; or # at its start or after a blank.
QString withoutComment(const QString &line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        if ((line[i] == u';' || line[i] == u'#') && (i == 0 || line[i - 1].isSpace()))
            return line.left(i);
    }
    return line;
}


} // namespace

std::variant<IniEntries, IniError> readStrictIni(const QByteArray &bytes, const IniSchema &known)
{
    int badLine = 0;
    const auto text = decoded(bytes, &badLine);
    if (!text)
        return IniError{badLine, QCoreApplication::translate("cli", "无法解码：应为 UTF-8，或带字节顺序标记的 UTF-16")};

    IniEntries entries;
    QString section;
    const QStringList lines = text->split(u'\n');
    for (int index = 0; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        const QString line = withoutComment(lines.at(index)).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return IniError{lineNumber, QCoreApplication::translate("cli", "不是 [节]、键=值 或注释：%1").arg(line)};
            section = line.sliced(1, line.size() - 2).trimmed();
            if (!known.contains(section))
                return IniError{lineNumber, QCoreApplication::translate("cli", "未知的节 [%1]").arg(section)};
            // The section itself, so that an empty one is seen.
            if (!entries.contains(section + u'/'))
                entries.insert(section + u'/', {QString(), lineNumber});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            return IniError{lineNumber, QCoreApplication::translate("cli", "不是 [节]、键=值 或注释：%1").arg(line)};
        const QString key = line.left(equals).trimmed();
        if (section.isEmpty())
            return IniError{lineNumber, QCoreApplication::translate("cli", "键 %1 不在任何节中").arg(key)};
        if (!known.value(section).contains(key))
            return IniError{lineNumber, QCoreApplication::translate("cli", "未知的键 %1").arg(key)};
        const QString path = section + u'/' + key;
        if (const auto earlier = entries.constFind(path); earlier != entries.constEnd())
            return IniError{lineNumber, QCoreApplication::translate("cli", "键 %1 重复（第 %2 行已有）").arg(key).arg(earlier->line)};
        entries.insert(path, {line.sliced(equals + 1).trimmed(), lineNumber});
    }
    return entries;
}
