#pragma once

#include "command_line.h"
#include "logo_file.h"
#include "logo_picture.h"
#include "outcome.h"

#include <QCommandLineOption>
#include <QList>

#include <variant>

// The logo a command reads: from its FILE or from --text, and the choices it is converted with.

// The logo choices an image is converted with (--invert, --dither), for every command that reads one.
QList<QCommandLineOption> logoImageOptions();
LogoImageOptions logoImageOptionsFrom(const QCommandLineParser &parser);

// A logo file as the window reads it; a file that cannot be used is a problem naming the file.
std::variant<LogoPicture, Problem> pictureFromFile(const QString &path, LogoImageOptions options);

// The logo a command was given: its FILE as the window reads it, or the --text drawn as the window draws
// it (inverted with --invert).
std::variant<LogoPicture, Problem> logoPictureFrom(const CommandLine &line, LogoImageOptions options);
