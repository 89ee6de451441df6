#include "sim_picture.h"

#include "sim_core.h"

#include <QImageWriter>

namespace sim {

namespace {
constexpr int DotOff = 0; // colour table indexes of the 1-bit picture
constexpr int DotOn = 1;
} // namespace

QImage logoPicture(const QByteArray &logo)
{
    QImage picture(LogoDotColumns, LogoRowCount, QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int row = 0; row < LogoRowCount; ++row) {
        for (int column = 0; column < LogoDotColumns; ++column)
            picture.setPixel(column, row, logoDotIsOn(logo, row, column) ? DotOn : DotOff);
    }
    return picture;
}

bool writeLogoPicture(const QByteArray &logo, const QString &path, QString &error)
{
    // The format is named: the file is a PNG whatever its name ends with.
    QImageWriter writer(path, "png");
    if (writer.write(logoPicture(logo)))
        return true;
    error = QStringLiteral("cannot write the picture %1: %2").arg(path, writer.errorString());
    return false;
}

} // namespace sim
