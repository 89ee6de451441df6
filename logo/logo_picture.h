#pragma once

#include "logo_file.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <variant>

// The picture the 512 logo bytes stand for, as the terminal draws it: 32 rows of 128 dots. Logo line L is
// row L; byte n of a line holds dots 8n to 8n + 7 of its row, the most significant bit leftmost; a 1 bit is
// a dot that is on, dark on the terminal's display. The bytes are still sent exactly as they are: this
// model only draws them and makes them from pictures.
constexpr int LogoPictureWidth = LogoBytesPerLine * 8;
constexpr int LogoPictureHeight = LogoLineCount;
constexpr QSize LogoPictureSize(LogoPictureWidth, LogoPictureHeight);

// An image decoder may take no more memory than this for one picture (QImageReader's limit, in MiB).
constexpr int LogoImageAllocationLimitMiB = 256;

// How an image becomes logo bytes. By default each dot is dark or light by a threshold taken from the
// image's own grey levels; dithering spreads each dot's error to its neighbours instead, which keeps the
// shades of a photograph. Invert turns every dot over, margins included. By default the whole image is
// fitted in, with white margins; fill crops the middle of an image of another shape to 4:1 instead.
struct LogoImageOptions
{
    bool invert = false;
    bool dither = false;
    bool fill = false;
};

// Below this many rows of dots a fitted picture is too flat to read well, and the operator is told.
constexpr int LogoFlatPictureRows = 16;

// The size in dots an image of the given size takes in the logo when fitted whole (at least 1 x 1).
QSize logoFittedSize(QSize imageSize);

// Whether an image of this size is far enough from the logo's 4:1 that fit and fill differ markedly.
bool logoShapeFarFromBanner(QSize imageSize);

enum class LogoImageError {
    NotAnImage,    // no image format recognises the contents (or not a readable regular file): a text file
    CannotDecode,  // looks like an image but is cut short or corrupt
    TooLarge,      // its header asks for more dots than are decoded safely (its size: logoImageSize)
};

// Functions taking picture bytes use the first 512; missing bytes count as dots that are off.

// The picture as a 128 x 32 image of two colours: on is black, off is white.
QImage logoPictureImage(QByteArrayView bytes);

// The exact inverse for an image of 128 x 32 dots in any format: a dot is on when its grey, over white,
// is darker than middle grey. Nothing for an image of any other size.
std::optional<QByteArray> logoBytesFromPicture(const QImage &picture);

// Any image as logo bytes: reduced by area averaging to fit 128 x 32 keeping its proportions (or, with
// fill, its middle cropped to 4:1 to fill it), centred on white, transparent parts counted as white, then
// made two-coloured as the options say. A null image gives a blank picture (all off, or all on when
// inverted).
QByteArray logoBytesFromImage(const QImage &image, LogoImageOptions options = {});

// Every dot turned over.
QByteArray invertedLogoBytes(QByteArrayView bytes);

// Whether the picture shows nothing: all its bytes are one value (all dots off, all on, or one pattern
// repeated everywhere), as a failed drawing or a transparent image gives. An empty picture is blank too.
bool isBlankLogo(QByteArrayView bytes);

// The contents of a logo text file for the picture: 32 lines of 32 upper-case hexadecimal digits, each
// ending in CR LF, which readLogoFile reads back to the same bytes.
QByteArray logoTextFileContents(QByteArrayView bytes);

// Reads an image file, whatever its name, for logoBytesFromImage. A JPEG may come back already reduced
// to a few times the logo's size (decoding a photograph at full size takes far longer), never less; a
// JPEG cut short (no end marker after its last scan) cannot be decoded, as a PNG cut short cannot.
// With `fill` the reduced size covers the logo rather than fitting in it, so the cropped middle keeps its
// detail.
std::variant<QImage, LogoImageError> readLogoImage(const QString &path, bool fill = false);

// The width and height an image file's header gives, without decoding it; invalid when there is none.
QSize logoImageSize(const QString &path);
