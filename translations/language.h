#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// The language the program speaks: `requested` is what --lang asked for ("zh", "en", or empty for the
// system's choice). Installs the program's own translation, and Qt's for its dialogs, on `app`.
void installLanguage(QCoreApplication &app, const QString &requested);

// The value of --lang among the program's arguments ("--lang en" or "--lang=en"); empty when not given.
QString requestedLanguage(const QStringList &arguments);
