#include "language.h"

#include <QCoreApplication>

void installLanguage(QCoreApplication &app, const QString &requested)
{
    Q_UNUSED(app);
    Q_UNUSED(requested);
}

QString requestedLanguage(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == u"--lang" && i + 1 < arguments.size())
            return arguments.at(i + 1);
        if (argument.startsWith(u"--lang="))
            return argument.mid(7);
    }
    return {};
}
