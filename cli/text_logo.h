#pragma once

#include "command_line.h"
#include "logo_file.h"
#include "logo_picture.h"
#include "logo_text.h"
#include "outcome.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QList>
#include <QStringList>

#include <memory>
#include <variant>

// A logo from typed text on the command line: show-logo, convert-logo and logo take --text instead of a
// file, with the window's text choices as options.

// The application the command line runs in. Drawing text needs fonts, which only a QGuiApplication has: a
// run with --text gets one on the offscreen platform, so no display is needed; every other run a plain
// QCoreApplication.
std::unique_ptr<QCoreApplication> makeCommandLineApplication(int &argc, char *argv[]);

// Whether the arguments ask for a text logo, and so take no FILE.
bool wantsTextLogo(const QStringList &arguments);

// How many FILE arguments a logo command takes with these arguments: none with --text.
int logoFileCount(const QStringList &arguments);

// --text, --font, --size, --bold and --align.
QList<QCommandLineOption> logoTextOptions();

// The text choices as given, checked: a known font, a size of "fit" or 1 to LogoTextLargestSize dots, one or two lines.
std::variant<LogoTextOptions, Problem> logoTextOptionsFrom(const QCommandLineParser &parser);

// The logo a command was given: its FILE as the window reads it, or the --text drawn as the window draws
// it (inverted with --invert).
std::variant<LogoPicture, Problem> logoPictureFrom(const CommandLine &line, LogoImageOptions options);
