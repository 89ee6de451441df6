#include "sim_picture.h"

#include "sim_core.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

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
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    // The format is named: the file is a PNG whatever its name ends with.
    QImageWriter writer(&png, "png");
    if (!writer.write(logoPicture(logo))) {
        error = QStringLiteral("cannot write the picture %1: %2").arg(path, writer.errorString());
        return false;
    }
    // The file replaces an earlier one only once all of it reached the disk: QSaveFile alone would rename
    // a file cut short by a full disk into place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write the picture %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray &bytes = png.data();
    qint64 written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(int(file.handle()), bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        written += count;
    }
    if (written < bytes.size() || ::fsync(int(file.handle())) != 0) {
        error = QStringLiteral("cannot write the picture %1: %2").arg(path, QString::fromLocal8Bit(::strerror(errno)));
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (!file.commit()) {
        error = QStringLiteral("cannot write the picture %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace sim
