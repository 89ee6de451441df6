#include "logo_source.h"

#include "status_messages.h"

#include <QFileInfo>


std::variant<LoadedLogo, LogoFileError> loadLogo(const QString &path, LogoImageOptions options)
{
    // The records name the file wherever the command was started.
    const QString source = QFileInfo(path).absoluteFilePath();
    auto image = readLogoImage(path, options.fill);
    if (const auto *decoded = std::get_if<QImage>(&image))
        return LoadedLogo{LogoPicture{logoBytesFromImage(*decoded, options), source}, true, decoded->size()};
    if (std::get<LogoImageError>(image) == LogoImageError::CannotDecode)
        return LogoFileError{LogoFileError::Kind::ImageUnreadable};
    if (std::get<LogoImageError>(image) == LogoImageError::TooLarge)
        return LogoFileError{.kind = LogoFileError::Kind::ImageUnreadable, .imageSize = logoImageSize(path)};

    auto text = readLogoFile(path);
    if (const auto *error = std::get_if<LogoFileError>(&text))
        return *error;
    LogoPicture picture = std::get<LogoPicture>(std::move(text));
    if (options.invert)
        picture.bytes = invertedLogoBytes(picture.bytes);
    picture.source = source;
    return LoadedLogo{std::move(picture), false};
}

std::optional<FileWriteFailure> saveLogoTextFile(const QString &path, QByteArrayView bytes)
{
    return writeWholeFile(path, logoTextFileContents(bytes));
}

QString logoFileMessage(const LogoFileError &error, const QString &place)
{
    // "图片无法读取！（图片太大，8200 × 8200：big.png）", as a file that cannot be saved names its reason.
    if (error.kind == LogoFileError::Kind::ImageUnreadable && error.imageSize.isValid()) {
        const QString reason =
            StatusText::ImageTooLargeReason.toString().arg(error.imageSize.width()).arg(error.imageSize.height());
        return StatusText::withDetail(StatusText::ImageUnreadable.toString(),
                                      place.isEmpty() ? reason : StatusText::ReasonAndPlace.toString().arg(reason, place));
    }
    if (!place.isEmpty())
        return StatusText::withDetail(logoFileMessage(error), place);
    switch (error.kind) {
    case LogoFileError::Kind::CannotOpen:
        return StatusText::FileOpenFailed.toString();
    case LogoFileError::Kind::TooFewLines:
        return StatusText::FileTooShort.toString();
    case LogoFileError::Kind::ImageUnreadable:
        return StatusText::ImageUnreadable.toString();
    case LogoFileError::Kind::BadLine:
        break;
    }
    return StatusText::BadFileLine.toString().arg(error.line);
}
