#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The logo commands that need no port: show-logo draws the picture in the terminal, convert-logo writes a
// logo text file from an image.
int runShowLogo(const QStringList &arguments);
int runConvertLogo(const QStringList &arguments);

// The 128 x 32 picture in 16 text rows of half blocks, two dot rows per text row, in a frame; a dot that
// is on is drawn.
QString halfBlockDrawing(QByteArrayView logoBytes);
