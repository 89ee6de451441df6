#pragma once

#include <QByteArrayView>
#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

// The logo commands that need no port: show-logo draws the picture in the terminal, convert-logo writes a
// logo text file from an image.
int runShowLogo(const QStringList &arguments);
int runConvertLogo(const QStringList &arguments);

QString showLogoSummary();
QString convertLogoSummary();
QList<QCommandLineOption> convertLogoOptions();  // its own, beyond those every command shares

// The 128 x 32 picture in 16 text rows of 64 quadrant characters, 2 x 2 dots each, in a frame: 66 columns,
// so it fits an 80-column terminal; a dot that is on is drawn.
QString quadrantDrawing(QByteArrayView logoBytes);
