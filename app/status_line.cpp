#include "status_line.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <QTextLayout>

#include <optional>

namespace {
constexpr qreal SmallestPointSize = 7;
constexpr qreal PointSizeStep = 0.5;
constexpr int PathCharactersKept = 12; // an elided path still shows its start and its file or device name

// Where the path in a status text starts and ends: from its first separator (or drive letter) to the
// closing bracket that ends the text, or to the end of the text.
std::pair<qsizetype, qsizetype> pathSpan(const QString &text)
{
    static const QRegularExpression pathStart(QStringLiteral("([A-Za-z]:)?[/\\\\]"));
    const QRegularExpressionMatch found = pathStart.match(text);
    if (!found.hasMatch())
        return {-1, -1};
    const qsizetype start = found.capturedStart();
    qsizetype end = text.size();
    if (text.endsWith(u'.') || text.endsWith(u'。'))
        --end;
    if (end > start && (text.at(end - 1) == u')' || text.at(end - 1) == u'）'))
        --end;
    else
        end = text.size();
    return {start, end};
}

// Where a note added to the message starts and ends ("；可用：1 号 /dev/ttyS0", the ports there are): from its
// separator to the closing bracket that ends the text. It is the first thing to give way.
std::pair<qsizetype, qsizetype> noteSpan(const QString &text)
{
    qsizetype start = text.indexOf(u'；');
    if (start < 0)
        start = text.indexOf(QStringLiteral("; "));
    if (start < 0)
        return {-1, -1};
    qsizetype end = text.size();
    if (text.endsWith(u'.') || text.endsWith(u'。'))
        --end;
    if (end <= start || (text.at(end - 1) != u')' && text.at(end - 1) != u'）'))
        return {-1, -1};
    return {start, end - 1};
}
// The text broken at word boundaries (or between Chinese characters) into two lines of `width`; nothing
// where two are not enough.
std::optional<QString> inTwoLines(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    bool fits = true;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        fits = fits && line.naturalTextWidth() <= width;
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (!fits || lines.size() != 2)
        return std::nullopt;
    return lines.join(u'\n');
}
} // namespace

QString toolTipHtml(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(u'\n')) {
        QString html;
        QString word;
        const auto endWord = [&html, &word] {
            // Rich text would otherwise break a path after any of its slashes.
            const bool path = word.contains(u'/') || word.contains(u'\\');
            html += path ? QStringLiteral("<nobr>%1</nobr>").arg(word.toHtmlEscaped()) : word.toHtmlEscaped();
            word.clear();
        };
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line.at(i) != u' ') {
                word += line.at(i);
                continue;
            }
            endWord();
            // A blank at the start or after a blank would be lost in rich text, where blanks collapse.
            html += i == 0 || line.at(i - 1) == u' ' ? QStringLiteral("&nbsp;") : QStringLiteral(" ");
        }
        endWord();
        lines << html;
    }
    return QStringLiteral("<qt>%1</qt>").arg(lines.join(QStringLiteral("<br>")));
}

FittedStatus fitStatusText(const QString &text, const QFont &font, int width, int height)
{
    if (const auto [noteStart, noteEnd] = noteSpan(text); noteStart >= 0) {
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(text) <= width)
            return {text, font};
        const QString withoutNote = text.left(noteStart) + text.mid(noteEnd);
        const int room = width - metrics.horizontalAdvance(withoutNote);
        if (room < metrics.averageCharWidth() * PathCharactersKept)
            return fitStatusText(withoutNote, font, width, height);
        const QString note = metrics.elidedText(text.mid(noteStart, noteEnd - noteStart), Qt::ElideRight, room);
        return {text.left(noteStart) + note + text.mid(noteEnd), font};
    }
    const auto [start, end] = pathSpan(text);
    const bool hasPath = start >= 0 && end > start;
    const QString head = hasPath ? text.left(start) : QString();
    const QString path = hasPath ? text.mid(start, end - start) : QString();
    const QString tail = hasPath ? text.mid(end) : QString();

    QFont shown = font;
    if (font.pointSizeF() <= 0) // a pixel-sized font is not made smaller
        shown.setPointSizeF(SmallestPointSize);
    for (qreal size = shown.pointSizeF();; size -= PointSizeStep) {
        const bool smallest = size - PointSizeStep < SmallestPointSize;
        shown.setPointSizeF(size);
        const QFontMetrics metrics(shown);
        if (metrics.horizontalAdvance(text) <= width)
            return {text, shown};
        if (hasPath) {
            const int room = width - metrics.horizontalAdvance(head + tail);
            if (room >= metrics.averageCharWidth() * PathCharactersKept || (smallest && room > 0))
                return {head + metrics.elidedText(path, Qt::ElideMiddle, room) + tail, shown};
        }
        // Two lines are read better than one of smaller letters.
        if (2 * metrics.height() <= height) {
            if (const auto lines = inTwoLines(text, shown, width))
                return {*lines, shown};
        }
        if (smallest)
            return {metrics.elidedText(text, Qt::ElideRight, width), shown};
    }
}
