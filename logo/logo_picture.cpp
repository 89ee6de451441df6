#include "logo_picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// libpng prints its own "libpng error: …" straight to standard error (Qt leaves it libpng's default
// error function); while an image is decoded, standard error points at the null device, so the
// program's own message is the one line the operator reads.
class QuietStandardError
{
public:
    QuietStandardError()
    {
#ifndef Q_OS_WIN
        std::fflush(stderr);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0)
            return;
        m_saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
        if (m_saved >= 0)
            ::dup2(null, STDERR_FILENO);
        ::close(null);
#endif
    }
    ~QuietStandardError()
    {
#ifndef Q_OS_WIN
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
#endif
    }
    QuietStandardError(const QuietStandardError &) = delete;
    QuietStandardError &operator=(const QuietStandardError &) = delete;

private:
    [[maybe_unused]] int m_saved = -1;
};

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

// Grey level (0 black to 255 white) of a colour, in the weights of qGray.
float greyOf(float red, float green, float blue)
{
    return (red * 11 + green * 16 + blue * 5) / 32;
}

// Grey level of a premultiplied pixel laid over white.
float greyOverWhite(QRgb premultiplied)
{
    const int transparency = 255 - qAlpha(premultiplied);
    return greyOf(float(qRed(premultiplied) + transparency), float(qGreen(premultiplied) + transparency),
                  float(qBlue(premultiplied) + transparency));
}

// Grey level of a straight (not premultiplied) pixel laid over white. Grey is a weighted sum of the
// channels, so the grey of the colour can be laid over white instead of each channel.
float straightGreyOverWhite(QRgb pixel)
{
    const int alpha = qAlpha(pixel);
    const int weighted = qRed(pixel) * 11 + qGreen(pixel) * 16 + qBlue(pixel) * 5;  // 32 times the grey
    return float(weighted * alpha) * (1.0f / (32 * 255)) + float(255 - alpha);
}

// One source pixel's share of one reduced dot along an axis: dot `target` is the weighted sum of the
// source pixels that overlap it, each weighted by how much of the dot it covers.
struct AxisShare
{
    int source;
    int target;
    float weight;
};

// The shares of `sourceLength` pixels in `targetLength` dots, in order of source pixel (and so of dot).
std::vector<AxisShare> axisShares(int sourceLength, int targetLength)
{
    std::vector<AxisShare> shares;
    shares.reserve(size_t(sourceLength) + size_t(targetLength));
    const double scale = double(sourceLength) / double(targetLength);  // source pixels per dot
    for (int target = 0; target < targetLength; ++target) {
        const double begin = target * scale;
        const double end = (target + 1) * scale;
        for (int source = int(begin); source < sourceLength && source < end; ++source) {
            const double overlap = std::min(end, source + 1.0) - std::max(begin, double(source));
            if (overlap > 1e-9)
                shares.push_back({source, target, float(overlap / scale)});
        }
    }
    return shares;
}

// Turns one row of source pixels (from `left`, `width` of them) into grey levels over white.
class GreyRowReader
{
public:
    explicit GreyRowReader(const QImage &image)
    {
        switch (image.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_ARGB32:
        case QImage::Format_Grayscale8:
            m_image = image;
            break;
        case QImage::Format_Indexed8: {
            m_image = image;
            const QList<QRgb> colours = image.colorTable();
            m_paletteGrey.assign(256, 255.0f);
            for (qsizetype i = 0; i < colours.size() && i < 256; ++i)
                m_paletteGrey[size_t(i)] = straightGreyOverWhite(colours[i]);
            break;
        }
        default:
            // Rare formats (one-bit, 16 bits a channel, ...) are converted once; the common ones are read
            // as they are.
            m_image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            break;
        }
    }

    void read(int y, int left, int width, float *grey) const
    {
        const uchar *line = m_image.constScanLine(y);
        switch (m_image.format()) {
        case QImage::Format_RGB32: {
            const auto *row = reinterpret_cast<const QRgb *>(line) + left;
            for (int x = 0; x < width; ++x)
                grey[x] = greyOf(float(qRed(row[x])), float(qGreen(row[x])), float(qBlue(row[x])));
            break;
        }
        case QImage::Format_ARGB32: {
            const auto *row = reinterpret_cast<const QRgb *>(line) + left;
            for (int x = 0; x < width; ++x)
                grey[x] = straightGreyOverWhite(row[x]);
            break;
        }
        case QImage::Format_Grayscale8:
            for (int x = 0; x < width; ++x)
                grey[x] = float(line[left + x]);
            break;
        case QImage::Format_Indexed8:
            for (int x = 0; x < width; ++x)
                grey[x] = m_paletteGrey[line[left + x]];
            break;
        default: {
            const auto *row = reinterpret_cast<const QRgb *>(line) + left;
            for (int x = 0; x < width; ++x)
                grey[x] = greyOverWhite(row[x]);
            break;
        }
        }
    }

private:
    QImage m_image;
    std::vector<float> m_paletteGrey;
};

// Grey levels of an image, row by row, over white.
struct GreyImage
{
    int width = 0;
    int height = 0;
    std::vector<int> levels;

    // The part `source` of the image reduced (or enlarged) to `size` by area averaging, in one pass over
    // the source rows and without a full-size copy of the image.
    GreyImage(const QImage &image, const QRect &source, QSize size)
        : width(size.width()), height(size.height())
    {
        const GreyRowReader reader(image);
        const std::vector<AxisShare> columns = axisShares(source.width(), width);
        const std::vector<AxisShare> rows = axisShares(source.height(), height);
        std::vector<float> sourceRow(size_t(source.width()));
        std::vector<float> reducedRow(static_cast<size_t>(width));
        std::vector<float> sums(size_t(width) * size_t(height), 0.0f);
        int lastRead = -1;
        for (const AxisShare &row : rows) {
            if (row.source != lastRead) {
                reader.read(source.top() + row.source, source.left(), source.width(), sourceRow.data());
                std::fill(reducedRow.begin(), reducedRow.end(), 0.0f);
                for (const AxisShare &column : columns)
                    reducedRow[size_t(column.target)] += sourceRow[size_t(column.source)] * column.weight;
                lastRead = row.source;
            }
            float *sum = sums.data() + size_t(row.target) * size_t(width);
            for (int x = 0; x < width; ++x)
                sum[x] += reducedRow[size_t(x)] * row.weight;
        }
        levels.resize(sums.size());
        std::transform(sums.begin(), sums.end(), levels.begin(),
                       [](float level) { return std::clamp(int(std::lround(level)), 0, 255); });
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

// The middle of an image of the given size cut to the logo's 4:1 (at least one pixel each way).
QRect middleAtBannerShape(QSize size)
{
    const QSize cut = LogoPictureSize.scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)).boundedTo(size);
    return QRect(QPoint((size.width() - cut.width()) / 2, (size.height() - cut.height()) / 2), cut);
}

// Whether a JPEG file ends as a whole one does: an end-of-image marker after its last start-of-scan. The
// decoder pads a file cut short with grey and calls it read, so the cut is found here. The coded picture
// data cannot hold either marker (a 0xFF byte there is always followed by 0 or a restart number), and
// whatever a camera leaves after the end marker does not matter.
bool jpegIsWhole(QFile &file)
{
    const qint64 size = file.size();
    QByteArray read;
    const uchar *mapped = file.map(0, size);
    if (!mapped) {
        const qint64 position = file.pos();
        file.seek(0);
        read = file.readAll();
        file.seek(position);
    }
    const QByteArrayView contents = mapped ? QByteArrayView(mapped, size) : QByteArrayView(read);
    const qsizetype end = contents.lastIndexOf(QByteArrayView("\xFF\xD9"));
    const bool whole = end >= 0 && contents.indexOf(QByteArrayView("\xFF\xDA"), end) < 0;
    if (mapped)
        file.unmap(const_cast<uchar *>(mapped));
    return whole;
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

QSize logoFittedSize(QSize imageSize)
{
    return imageSize.scaled(LogoPictureSize, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

bool logoShapeFarFromBanner(QSize imageSize)
{
    // Half as wide again as 4:1 or more, or two thirds of it or less.
    if (imageSize.isEmpty())
        return false;
    const double shape = double(imageSize.width()) / double(imageSize.height());
    return shape >= 6.0 || shape <= 8.0 / 3.0;
}

std::optional<QByteArray> logoBytesFromPicture(const QImage &picture)
{
    if (picture.size() != LogoPictureSize)
        return std::nullopt;
    const GreyImage grey(picture, picture.rect(), LogoPictureSize);
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
        const QRect source = options.fill ? middleAtBannerShape(image.size()) : image.rect();
        const QSize fit = options.fill ? LogoPictureSize : logoFittedSize(image.size());
        // The threshold comes from the image alone: counting the white margins would pull it towards
        // light and darken a small picture.
        const GreyImage grey(image, source, fit);
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

bool isBlankLogo(QByteArrayView bytes)
{
    return bytes.isEmpty()
           || std::all_of(bytes.begin(), bytes.end(), [first = bytes.front()](char byte) { return byte == first; });
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

std::variant<QImage, LogoImageError> readLogoImage(const QString &path, bool fill)
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
    const QuietStandardError quiet;
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
        return LogoImageError::TooLarge;

    if (reader.format() == "jpeg" && !jpegIsWhole(file))
        return LogoImageError::CannotDecode;

    if (reader.format() == "jpeg" && !stored.isEmpty()) {
        // A whole multiple of the size in the logo, so the picture comes out as a full decode would place
        // it. The decoder works in the file's own orientation, before the tag turns the picture.
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize shown = turned ? stored.transposed() : stored;
        QSize decoded = (fill ? shown.scaled(LogoPictureSize, Qt::KeepAspectRatioByExpanding) : logoFittedSize(shown))
                        * JpegDecodeOversampling;
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

QSize logoImageSize(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.size();
}
