#pragma once

#include <QFont>
#include <QString>

// The status line's text as it is drawn in a box `width` pixels wide. A text that does not fit loses the
// middle of the file or device path it names, never the message, the reason or a port number; where that
// is not enough (a long translation), it goes on a second line when the box is `height` pixels high
// enough for two, and only then do the letters get smaller, down to a size still easy to read. A note
// after the reason (the ports there are) gives way before anything else; the tooltip keeps the whole text.
struct FittedStatus
{
    QString text;  // two lines are split by a line break
    QFont font;
};

FittedStatus fitStatusText(const QString &text, const QFont &font, int width, int height = 0);

// A tooltip for `text` (plain, lines split by line breaks) that wraps only at blanks: a path or a device
// name is never cut at its slashes.
QString toolTipHtml(const QString &text);
