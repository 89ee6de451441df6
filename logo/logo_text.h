#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// A logo made from typed text, drawn for the terminal's one-bit display: no anti-aliasing, full hinting,
// and a bitmap face where one is installed at the size needed, so no stroke of a glyph is lost between
// two shades of grey.
//
// Drawing needs the fonts of a QGuiApplication (the offscreen platform will do); without one nothing is
// drawn.

// The operator's choices for a text logo. A point is one dot: the logo is drawn at 72 dots an inch.
struct LogoTextOptions
{
    QString text{};                        // one or two lines, split at the first line break
    QString family{};                      // empty: defaultLogoFontFamily()
    int pointSize = 0;                     // 0: the largest size that fits 128 x 32
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignHCenter;  // of each line: AlignLeft, AlignHCenter or AlignRight

    friend bool operator==(const LogoTextOptions &, const LogoTextOptions &) = default;
};

constexpr int LogoTextMaxLines = 2;
// The largest size a text logo is drawn at, in dots: the fit tries none above it, and no box, option or
// remembered choice gives more.
constexpr int LogoTextLargestSize = 96;

// The text as drawn: the 512 bytes, the size chosen, and where each character (spaces left out) sits in
// the 128 x 32 dots, as wide as its advance and as high as its line.
struct LogoTextDrawing
{
    QByteArray bytes;
    int pixelSize = 0;
    QList<QRect> characterBoxes;
};

// The lines of the text as drawn: at most two, empty ones kept, trailing spaces kept.
QStringList logoTextLines(const QString &text);

// The font a text logo takes unless the operator chooses another: a sans-serif Chinese face with even
// strokes where one is installed (thin horizontal strokes of a Song face break up at 16 dots).
QString defaultLogoFontFamily();

// The system's font families for the choice, the default and the other Chinese ones first.
QStringList logoFontFamilies();

// Whether the family is installed (as the font database names it, case aside).
bool isLogoFontFamily(const QString &family);

// Whether the text can be drawn as it is: a QGuiApplication, and an installed font (the chosen one or one
// that stands in for it) with a glyph for every character. Otherwise the picture would be empty, or show
// boxes where the characters should be.
bool logoTextDrawable(const LogoTextOptions &options);

LogoTextDrawing drawLogoText(const LogoTextOptions &options);

// The text's 512 logo bytes; inverted when asked, as an image's are.
QByteArray logoBytesFromText(const LogoTextOptions &options, bool invert = false);

// Where a text logo came from, for the records (LogoPicture::source): "text:" and the text, a line break
// written "\n" as on the command line, so the window's and the command line's read alike.
QString textLogoSource(const LogoTextOptions &options);
