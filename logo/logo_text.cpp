#include "logo_text.h"

#include "logo_file.h"
#include "logo_picture.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {

// Dots left empty between two lines.
constexpr int LineGap = 2;
// The sizes tried when the text is fitted, in dots.
constexpr int SmallestFitSize = 6;

// Chinese faces with even strokes, best first; the Song faces last, as they lose strokes at small sizes. The
// "Sharp" twin of WenQuanYi Zen Hei carries hand-drawn bitmaps at 12 to 16 dots (the size of each line of a
// two-line logo) and the same outlines at every other size, so it is the one preferred.
const char *const PreferredFamilies[] = {"WenQuanYi Zen Hei Sharp", "WenQuanYi Zen Hei", "Noto Sans CJK SC", "Source Han Sans SC",
                                         "Microsoft YaHei", "SimHei", "WenQuanYi Micro Hei",
                                         "Droid Sans Fallback", "AR PL UMing CN", "SimSun"};

bool fontsAvailable()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

QFont logoFont(const LogoTextOptions &options, int pixelSize)
{
    QFont font(options.family.isEmpty() ? defaultLogoFontFamily() : options.family);
    font.setPixelSize(pixelSize);
    font.setBold(options.bold);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias | QFont::PreferBitmap));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// One line drawn alone in black on white, and where its ink lies.
struct DrawnLine
{
    QString text;
    QImage image;
    QPoint pen;  // where the line starts on its baseline
    QRect ink;   // empty for a line without ink
};

DrawnLine drawLine(const QString &text, const QFont &font)
{
    const QFontMetricsF metrics(font);
    // Room for glyphs that reach past their advance or above the ascent (bold, accents).
    const int margin = font.pixelSize() / 2 + 2;
    const QSize size(int(std::ceil(metrics.horizontalAdvance(text))) + 2 * margin,
                     int(std::ceil(metrics.ascent() + metrics.descent())) + 2 * margin);
    DrawnLine line{text, QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32),
                   QPoint(margin, margin + int(std::ceil(metrics.ascent()))), QRect()};
    line.image.fill(Qt::white);
    {
        QPainter painter(&line.image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(line.pen, text);
    }
    int left = size.width(), right = -1, top = size.height(), bottom = -1;
    for (int y = 0; y < line.image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(line.image.constScanLine(y));
        for (int x = 0; x < line.image.width(); ++x) {
            if (qGray(row[x]) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right >= 0)
        line.ink = QRect(QPoint(left, top), QPoint(right, bottom));
    return line;
}

// All the lines at one size, and the height of the band each takes: the ink of every line measured from
// its baseline, so the lines share one baseline position within their bands.
struct DrawnText
{
    QList<DrawnLine> lines;
    int inkAboveBaseline = 0;  // rows of the band above the baseline row
    int bandHeight = 0;

    int widest() const
    {
        int width = 0;
        for (const DrawnLine &line : lines)
            width = std::max(width, line.ink.width());
        return width;
    }
    int height() const { return int(lines.size()) * bandHeight + (int(lines.size()) - 1) * LineGap; }
    bool fits() const { return widest() <= LogoPictureWidth && height() <= LogoPictureHeight; }
};

DrawnText drawText(const QStringList &lines, const QFont &font)
{
    DrawnText drawn;
    int highest = 0;
    int lowest = -1;
    bool anyInk = false;
    for (const QString &text : lines) {
        DrawnLine line = drawLine(text, font);
        if (!line.ink.isEmpty()) {
            const int top = line.ink.top() - line.pen.y();
            const int bottom = line.ink.bottom() - line.pen.y();
            highest = anyInk ? std::min(highest, top) : top;
            lowest = anyInk ? std::max(lowest, bottom) : bottom;
            anyInk = true;
        }
        drawn.lines.append(std::move(line));
    }
    drawn.inkAboveBaseline = -highest;
    drawn.bandHeight = anyInk ? lowest - highest + 1 : 0;
    return drawn;
}

// The largest size at which the text fits the logo whole; the smallest tried if none does.
int fittingSize(const QStringList &lines, const LogoTextOptions &options)
{
    int fits = SmallestFitSize;
    int tooLarge = LogoTextLargestSize + 1;
    while (tooLarge - fits > 1) {
        const int size = (fits + tooLarge) / 2;
        if (drawText(lines, logoFont(options, size)).fits())
            fits = size;
        else
            tooLarge = size;
    }
    return fits;
}

void setDot(QByteArray &bytes, int x, int y)
{
    if (x >= 0 && x < LogoPictureWidth && y >= 0 && y < LogoPictureHeight)
        bytes[y * LogoBytesPerLine + x / 8] |= char(0x80 >> (x % 8));
}

// Where a line of the given ink width starts, left to right, for the alignment.
int alignedLeft(Qt::Alignment alignment, int inkWidth)
{
    if (alignment & Qt::AlignLeft)
        return 0;
    if (alignment & Qt::AlignRight)
        return LogoPictureWidth - inkWidth;
    return (LogoPictureWidth - inkWidth) / 2;
}

} // namespace

QStringList logoTextLines(const QString &text)
{
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QStringList lines = plain.split(u'\n');
    while (lines.size() > LogoTextMaxLines)
        lines[LogoTextMaxLines - 1] += u' ' + lines.takeAt(LogoTextMaxLines);
    return lines;
}

QString defaultLogoFontFamily()
{
    if (!fontsAvailable())
        return {};
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char *preferred : PreferredFamilies) {
            if (installed.contains(QString::fromLatin1(preferred), Qt::CaseInsensitive))
                return QString::fromLatin1(preferred);
        }
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        return chinese.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont).family() : chinese.front();
    }();
    return family;
}

QStringList logoFontFamilies()
{
    if (!fontsAvailable())
        return {};
    const QString preferred = defaultLogoFontFamily();
    QStringList families{preferred};
    const auto addPublic = [&families](const QStringList &more) {
        for (const QString &family : more) {
            if (!QFontDatabase::isPrivateFamily(family) && !families.contains(family))
                families.append(family);
        }
    };
    addPublic(QFontDatabase::families(QFontDatabase::SimplifiedChinese));
    addPublic(QFontDatabase::families());
    return families;
}

bool isLogoFontFamily(const QString &family)
{
    return fontsAvailable() && QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

bool logoTextDrawable(const LogoTextOptions &options)
{
    if (!fontsAvailable())
        return false;
    // With no font file at all, Qt resolves every family to nothing and draws a box for each character.
    const QFont font = logoFont(options, LogoPictureHeight);
    if (QFontInfo(font).family().isEmpty())
        return false;
    // Laid out as it is drawn, fonts standing in included: glyph 0 is the box a font shows for a
    // character it does not have.
    for (const QString &line : logoTextLines(options.text)) {
        QTextLayout layout(line, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun &run : layout.glyphRuns()) {
            const QList<quint32> glyphs = run.glyphIndexes();
            if (std::find(glyphs.begin(), glyphs.end(), 0u) != glyphs.end())
                return false;
        }
    }
    return true;
}

LogoTextDrawing drawLogoText(const LogoTextOptions &options)
{
    LogoTextDrawing drawing{QByteArray(LogoByteCount, '\0'), 0, {}};
    const QStringList lines = logoTextLines(options.text);
    if (!fontsAvailable() || options.text.trimmed().isEmpty())
        return drawing;

    drawing.pixelSize = options.pointSize > 0 ? options.pointSize : fittingSize(lines, options);
    const QFont font = logoFont(options, drawing.pixelSize);
    const DrawnText drawn = drawText(lines, font);
    const QFontMetricsF metrics(font);
    // The band of lines is centred top to bottom; one too tall for the logo loses the same at each end.
    int bandTop = (LogoPictureHeight - drawn.height()) / 2;
    for (const DrawnLine &line : drawn.lines) {
        if (!line.ink.isEmpty()) {
            // Where the line image's own origin lands in the logo.
            const QPoint offset(alignedLeft(options.alignment, line.ink.width()) - line.ink.left(),
                                bandTop + drawn.inkAboveBaseline - line.pen.y());
            for (int y = line.ink.top(); y <= line.ink.bottom(); ++y) {
                const auto *row = reinterpret_cast<const QRgb *>(line.image.constScanLine(y));
                for (int x = line.ink.left(); x <= line.ink.right(); ++x) {
                    if (qGray(row[x]) < 128)
                        setDot(drawing.bytes, x + offset.x(), y + offset.y());
                }
            }
            const int penX = line.pen.x() + offset.x();
            for (qsizetype i = 0; i < line.text.size(); ++i) {
                if (line.text.at(i).isSpace())
                    continue;
                const int left = penX + qRound(metrics.horizontalAdvance(line.text.left(i)));
                const int right = penX + qRound(metrics.horizontalAdvance(line.text.left(i + 1)));
                drawing.characterBoxes.append(QRect(left, bandTop, right - left, drawn.bandHeight));
            }
        }
        bandTop += drawn.bandHeight + LineGap;
    }
    return drawing;
}

QByteArray logoBytesFromText(const LogoTextOptions &options, bool invert)
{
    QByteArray bytes = drawLogoText(options).bytes;
    return invert ? invertedLogoBytes(bytes) : bytes;
}

QString textLogoSource(const LogoTextOptions &options)
{
    return QStringLiteral("text:") + QString(options.text).replace(u'\n', QStringLiteral("\\n"));
}
