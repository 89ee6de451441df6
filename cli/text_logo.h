#pragma once

#include "command_line.h"
#include "logo_file.h"
#include "logo_picture.h"
#include "logo_text.h"
#include "outcome.h"

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

#include <optional>
#include <variant>

// A logo from typed text on the command line: show-logo, convert-logo and logo take --text instead of a
// file, with the window's text choices as options.

// Whether the arguments ask for a text logo, and so take no FILE.
bool wantsTextLogo(const QStringList &arguments);

// How many FILE arguments a logo command takes with these arguments: none with --text.
int logoFileCount(const QStringList &arguments);

// --text, --font, --size, --bold and --align.
QList<QCommandLineOption> logoTextOptions();

// The text choices as given, checked: a known font, a size of "fit" or 1 to LogoTextLargestSize dots, one or two lines.
std::variant<LogoTextOptions, Problem> logoTextOptionsFrom(const QCommandLineParser &parser);

// The --text drawn as the window draws it (inverted with `invert`), or nothing when no --text was given.
std::optional<std::variant<LogoPicture, Problem>> textLogoPicture(const QCommandLineParser &parser, bool invert);
