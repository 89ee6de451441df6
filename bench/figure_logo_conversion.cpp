// Figure 7: how long turning an image file into the 512 logo bytes takes, from the file on disk to the bytes
// (readLogoImage + logoBytesFromImage), as the window does when a file is chosen. The images are made here:
// a 4000 x 3000 photograph-like JPEG and a 1920 x 1080 PNG logo with a transparent ground. Beside them, a
// two-line Chinese text drawn and fitted (logoBytesFromText), as "文字…" does for each key typed. The first
// run, which also loads the image plugins or the font, is not counted; the details give it.

#include "figures.h"
#include "measuring.h"

#include "logo_picture.h"
#include "logo_text.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>

namespace bench {

namespace {

// A photograph's look without a camera: smooth light across the frame, a few soft shapes, and grain, which
// is what makes a real photograph's JPEG large and slow to decode.
QImage photoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 grain = 2463534242u;
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        const double v = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            grain ^= grain << 13;
            grain ^= grain >> 17;
            grain ^= grain << 5;
            const int noise = int(grain % 25) - 12;
            const double shade = 0.5 + 0.25 * std::sin(6.0 * u + 2.0 * v) + 0.2 * std::cos(9.0 * v * u) -
                                 (std::hypot(u - 0.6, v - 0.45) < 0.2 ? 0.35 : 0.0);
            const auto channel = [&](double tint) {
                return std::clamp(int(255 * shade * tint) + noise, 0, 255);
            };
            row[x] = qRgb(channel(1.0), channel(0.9), channel(0.75));
        }
    }
    return image;
}

// A dark mark and a bar of "lettering" on a transparent ground, with soft edges as a drawing program
// leaves them.
QImage logoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    const double radius = height * 0.3;
    const double centreX = width * 0.2;
    const double centreY = height * 0.5;
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double outsideRing =
                std::abs(std::hypot(x - centreX, y - centreY) - radius) - height * 0.06;
            const bool inLetters = x > width * 0.4 && x < width * 0.92 && y > height * 0.4 &&
                                   y < height * 0.6 && (x / (width / 24)) % 2 == 0;
            const double cover = inLetters ? 1.0 : std::clamp(0.5 - outsideRing, 0.0, 1.0);
            row[x] = qRgba(20, 30, 90, int(255 * cover));
        }
    }
    return image;
}

void save(const QImage &image, const QString &path, const char *format, int quality)
{
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        abortBenchmark(QStringLiteral("cannot write %1: %2").arg(path, writer.errorString()));
}

QByteArray convertFile(const QString &path, LogoImageOptions options)
{
    const auto read = readLogoImage(path);
    if (!std::holds_alternative<QImage>(read))
        abortBenchmark(QStringLiteral("%1 was not read as an image").arg(path));
    const QByteArray bytes = logoBytesFromImage(std::get<QImage>(read), options);
    if (bytes.size() != LogoByteCount)
        abortBenchmark(QStringLiteral("%1 gave %2 bytes").arg(path).arg(bytes.size()));
    return bytes;
}

// The same file decoded whole, as it would be without the reduced JPEG decode: what that reduction buys.
QByteArray convertFileDecodedWhole(const QString &path, LogoImageOptions options)
{
    const QImage image(path);
    if (image.isNull())
        abortBenchmark(QStringLiteral("%1 cannot be decoded whole").arg(path));
    return logoBytesFromImage(image, options);
}

struct Conversion
{
    QString what;
    QString path;
    std::function<QByteArray(const QString &path)> convert;
};

} // namespace

void measureLogoConversion(const Setup &setup, Report &report)
{
    QTemporaryDir directory;
    if (!directory.isValid())
        abortBenchmark(QStringLiteral("no temporary folder"));
    const QString photo = directory.filePath(QStringLiteral("photo.jpg"));
    const QString logo = directory.filePath(QStringLiteral("logo.png"));
    save(photoLike(4000, 3000), photo, "jpeg", 92);
    save(logoLike(1920, 1080), logo, "png", -1);

    const auto threshold = [](const QString &path) { return convertFile(path, {}); };
    const Conversion conversions[] = {
        {QStringLiteral("4000 x 3000 JPEG photograph, threshold"), photo, threshold},
        {QStringLiteral("4000 x 3000 JPEG photograph, dithered"), photo,
         [](const QString &path) { return convertFile(path, {.dither = true}); }},
        {QStringLiteral("1920 x 1080 PNG logo, threshold"), logo, threshold},
        {QStringLiteral("(reference) 4000 x 3000 JPEG decoded whole, threshold"), photo,
         [](const QString &path) { return convertFileDecodedWhole(path, {}); }},
        {QStringLiteral("two lines of Chinese text, fitted"), QString(), [](const QString &) {
             return logoBytesFromText({.text = QStringLiteral("欢迎光临\n考勤管理系统")});
         }},
    };
    for (const Conversion &conversion : conversions) {
        std::vector<double> ms;
        for (int run = 0; run <= setup.counts.conversionRuns; ++run) {
            const qint64 start = monotonicNs();
            conversion.convert(conversion.path);
            ms.push_back(double(monotonicNs() - start) / NsPerMs);
        }
        const double firstMs = ms.front();
        ms.erase(ms.begin());
        const QString what = conversion.path.isEmpty()
                                 ? QStringLiteral("Text → 512 logo bytes: %1 (%2)").arg(conversion.what, defaultLogoFontFamily())
                                 : QStringLiteral("Image file → 512 logo bytes: %1 (%2 KiB)")
                                       .arg(conversion.what)
                                       .arg(QFileInfo(conversion.path).size() / 1024);
        report.addDetail(QStringLiteral("7 (%1): first run %2 ms; runs, ms: %3")
                             .arg(conversion.what, fixed(firstMs, 1), fixedEach(ms, 1)));
        report.add({.figure = QStringLiteral("7"),
                    .what = what,
                    .spread = spreadOf(ms),
                    .unit = QStringLiteral("ms"),
                    .runs = QString::number(setup.counts.conversionRuns)});
    }
}

} // namespace bench
