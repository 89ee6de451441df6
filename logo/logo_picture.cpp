#include "logo_picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// A dot darker than this is on when the picture itself says nothing better.
constexpr int MiddleGrey = 128;

// Otsu's split is used only when its dark and light classes lie at least this far apart (grey levels
// 0 to 255); closer than that, the "two shades" are noise on a plain image, and splitting them would
// scatter dots over a blank picture.
constexpr double MinimumContrast = 32;

// A JPEG is decoded at this many times the size it will have in the logo: the decoder's own reduction is
// cheap but coarse, and the last smooth step then still averages several dots into each one.
constexpr int JpegDecodeOversampling = 2;

constexpr qint64 BytesPerDecodedDot = 4;  // 32-bit colour, as a full decode would hold it

// The given bytes cut or padded to the 512 of a picture, missing ones off.
QByteArray pictureBytes(QByteArrayView bytes)
{
    QByteArray picture = bytes.first(qMin(bytes.size(), qsizetype(LogoByteCount))).toByteArray();
    picture.append(LogoByteCount - picture.size(), '\0');
    return picture;
}

void setDot(QByteArray &bytes, int x, int y)
{
    bytes[y * LogoBytesPerLine + x / 8] |= char(0x80 >> (x % 8));
}

void invertDots(QByteArray &bytes)
{
    for (char &byte : bytes)
        byte = char(~byte);
}

// Grey level (0 black to 255 white) of a premultiplied pixel laid over white.
int greyOverWhite(QRgb premultiplied)
{
    const int transparency = 255 - qAlpha(premultiplied);
    return qGray(qRed(premultiplied) + transparency, qGreen(premultiplied) + transparency,
                 qBlue(premultiplied) + transparency);
}

// Grey levels of an image, row by row, over white.
struct GreyImage
{
    int width = 0;
    int height = 0;
    std::vector<int> levels;

    explicit GreyImage(const QImage &image)
        : width(image.width()), height(image.height())
    {
        const QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        levels.reserve(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            for (int x = 0; x < width; ++x)
                levels.push_back(greyOverWhite(row[x]));
        }
    }
};

// Otsu's method: the grey level that splits the histogram into the two classes with the greatest
// variance between them. Levels up to the returned one are dark. An image of one shade, or of two too
// close to tell apart, is split at middle grey instead, so a plain light image stays blank.
int darkThreshold(const std::vector<int> &levels)
{
    std::array<qint64, 256> histogram{};
    for (const int level : levels)
        ++histogram[size_t(level)];

    const auto total = qint64(levels.size());
    double totalSum = 0;
    for (int level = 0; level < 256; ++level)
        totalSum += double(level) * double(histogram[size_t(level)]);

    qint64 darkCount = 0;
    double darkSum = 0;
    double bestSpread = -1;
    double bestContrast = 0;
    int best = MiddleGrey - 1;
    for (int level = 0; level < 255; ++level) {
        darkCount += histogram[size_t(level)];
        darkSum += double(level) * double(histogram[size_t(level)]);
        const qint64 lightCount = total - darkCount;
        if (darkCount == 0)
            continue;
        if (lightCount == 0)
            break;
        const double darkMean = darkSum / double(darkCount);
        const double lightMean = (totalSum - darkSum) / double(lightCount);
        const double contrast = lightMean - darkMean;
        const double spread = double(darkCount) * double(lightCount) * contrast * contrast;
        if (spread > bestSpread) {
            bestSpread = spread;
            bestContrast = contrast;
            best = level;
        }
    }
    return bestContrast >= MinimumContrast ? best : MiddleGrey - 1;
}

// Dots on, row by row, for the grey levels split at one threshold.
std::vector<bool> thresholded(const GreyImage &grey)
{
    const int threshold = darkThreshold(grey.levels);
    std::vector<bool> on(grey.levels.size());
    std::transform(grey.levels.begin(), grey.levels.end(), on.begin(),
                   [threshold](int level) { return level <= threshold; });
    return on;
}

// Floyd-Steinberg error diffusion, each row walked the other way from the one before, which keeps the
// error from drifting to one side in diagonal streaks.
std::vector<bool> dithered(const GreyImage &grey)
{
    const int width = grey.width;
    const int height = grey.height;
    std::vector<float> levels(grey.levels.begin(), grey.levels.end());
    std::vector<bool> on(levels.size());
    const auto spread = [&](int x, int y, float error) {
        if (x >= 0 && x < width && y < height)
            levels[size_t(y) * size_t(width) + size_t(x)] += error;
    };
    for (int y = 0; y < height; ++y) {
        const bool leftward = y % 2 == 1;
        const int step = leftward ? -1 : 1;
        for (int i = 0; i < width; ++i) {
            const int x = leftward ? width - 1 - i : i;
            const size_t index = size_t(y) * size_t(width) + size_t(x);
            const bool dark = levels[index] < MiddleGrey;
            on[index] = dark;
            const float error = levels[index] - (dark ? 0.0f : 255.0f);
            spread(x + step, y, error * 7 / 16);
            spread(x - step, y + 1, error * 3 / 16);
            spread(x, y + 1, error * 5 / 16);
            spread(x + step, y + 1, error * 1 / 16);
        }
    }
    return on;
}

// The size an image of the given size takes in the logo.
QSize fittedSize(QSize size)
{
    return size.scaled(LogoPictureSize, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

} // namespace

QImage logoPictureImage(QByteArrayView bytes)
{
    // QImage's one-bit format keeps the leftmost dot in the most significant bit, as the logo does, so
    // each line of bytes is a row of the image as it stands.
    const QByteArray picture = pictureBytes(bytes);
    QImage image(LogoPictureSize, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int line = 0; line < LogoLineCount; ++line)
        std::copy_n(picture.constData() + line * LogoBytesPerLine, LogoBytesPerLine, image.scanLine(line));
    return image;
}

std::optional<QByteArray> logoBytesFromPicture(const QImage &picture)
{
    if (picture.size() != LogoPictureSize)
        return std::nullopt;
    const GreyImage grey(picture);
    QByteArray bytes(LogoByteCount, '\0');
    for (int y = 0; y < LogoPictureHeight; ++y) {
        for (int x = 0; x < LogoPictureWidth; ++x) {
            if (grey.levels[size_t(y * LogoPictureWidth + x)] < MiddleGrey)
                setDot(bytes, x, y);
        }
    }
    return bytes;
}

QByteArray logoBytesFromImage(const QImage &image, LogoImageOptions options)
{
    QByteArray bytes(LogoByteCount, '\0');
    if (!image.isNull()) {
        const QSize fit = fittedSize(image.size());
        // The threshold comes from the image alone: counting the white margins would pull it towards
        // light and darken a small picture.
        const GreyImage grey(image.size() == fit
                                 ? image
                                 : image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        const std::vector<bool> on = options.dither ? dithered(grey) : thresholded(grey);
        const int left = (LogoPictureWidth - fit.width()) / 2;
        const int top = (LogoPictureHeight - fit.height()) / 2;
        for (int y = 0; y < fit.height(); ++y) {
            for (int x = 0; x < fit.width(); ++x) {
                if (on[size_t(y * fit.width() + x)])
                    setDot(bytes, left + x, top + y);
            }
        }
    }
    if (options.invert)
        invertDots(bytes);
    return bytes;
}

QByteArray invertedLogoBytes(QByteArrayView bytes)
{
    QByteArray picture = pictureBytes(bytes);
    invertDots(picture);
    return picture;
}

QByteArray logoTextFileContents(QByteArrayView bytes)
{
    const QByteArray picture = pictureBytes(bytes);
    QByteArray text;
    text.reserve(LogoLineCount * (2 * LogoBytesPerLine + 2));
    for (int line = 0; line < LogoLineCount; ++line)
        text.append(picture.mid(line * LogoBytesPerLine, LogoBytesPerLine).toHex().toUpper()).append("\r\n");
    return text;
}

std::variant<QImage, LogoImageError> readLogoImage(const QString &path)
{
    // Only regular files: a FIFO or a device could block. What cannot be opened here is left to the
    // text file reader, which says so in its own words.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return LogoImageError::NotAnImage;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
        return LogoImageError::NotAnImage;

    // The limit is the reader's, for the whole program; this is the only place that decodes images.
    QImageReader::setAllocationLimit(LogoImageAllocationLimitMiB);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    // A photograph stands as its camera's orientation tag says, as any viewer shows it.
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return LogoImageError::NotAnImage;

    // Refused from its header, whatever the format: what a full decode would need, not what a reduced
    // decode happens to need, so the same file is refused in every format and no decoder spends seconds
    // on rows a short file never had.
    const QSize stored = reader.size();
    if (stored.isValid()
        && qint64(stored.width()) * stored.height() * BytesPerDecodedDot
               > qint64(LogoImageAllocationLimitMiB) * 1024 * 1024)
        return LogoImageError::CannotDecode;

    if (reader.format() == "jpeg" && !stored.isEmpty()) {
        // A whole multiple of the size in the logo, so the picture comes out as a full decode would place
        // it. The decoder works in the file's own orientation, before the tag turns the picture.
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        QSize decoded = fittedSize(turned ? stored.transposed() : stored) * JpegDecodeOversampling;
        if (turned)
            decoded.transpose();
        if (decoded.width() < stored.width() && decoded.height() < stored.height())
            reader.setScaledSize(decoded);
    }

    QImage image;
    if (!reader.read(&image))
        return LogoImageError::CannotDecode;
    return image;
}
