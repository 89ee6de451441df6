#pragma once

#include "file_writing.h"
#include "logo_file.h"
#include "logo_picture.h"

#include <QString>

#include <optional>
#include <variant>

// A logo as the operator chooses it: a logo text file, or any image, told apart by the file's contents
// (a PNG named .txt is an image, a text file named .png is a text file).
struct LoadedLogo
{
    LogoPicture picture;     // the bytes that are sent, the choices below applied
    bool fromImage = false;  // dithering applies only to images
    QSize imageSize{};       // the image as decoded (its shape is what counts); empty for a text file
};

// Reads the file at `path` whole and closes it. An image is converted with `options`; a text file's
// bytes are taken as they are, turned over when `options.invert` is set. Errors are the text file's own
// (CannotOpen, TooFewLines, BadLine) or ImageUnreadable for an image that cannot be decoded.
std::variant<LoadedLogo, LogoFileError> loadLogo(const QString &path, LogoImageOptions options);

// Writes the picture as a logo text file (see logoTextFileContents), replacing the file only once it is
// written whole. Why not, when it could not be written.
std::optional<FileWriteFailure> saveLogoTextFile(const QString &path, QByteArrayView bytes);

// The status line's words for a logo that cannot be used.
QString logoFileMessage(const LogoFileError &error, const QString &place = {});
