#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The stored logo as a picture file, so that a test can compare what reached the terminal with what the
// program showed, dot for dot.
namespace sim {

// 128 × 32 dots, one bit each (logoDotIsOn): black where a dot is on, white elsewhere.
QImage logoPicture(const QByteArray &logo);

// Writes logoPicture(logo) as a PNG file; on failure, `error` says why.
bool writeLogoPicture(const QByteArray &logo, const QString &path, QString &error);

} // namespace sim
