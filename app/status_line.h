#pragma once

#include <QFont>
#include <QString>

// The status line's text as it is drawn in a box `width` pixels wide. A text that does not fit loses the
// middle of the file or device path it names, never the message, the reason or a port number; where that
// is not enough (a long translation), the letters get smaller, down to a size still easy to read. A note
// after the reason (the ports there are) gives way before anything else; the tooltip keeps the whole text.
struct FittedStatus
{
    QString text;
    QFont font;
};

FittedStatus fitStatusText(const QString &text, const QFont &font, int width);
