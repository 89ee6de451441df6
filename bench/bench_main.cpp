// timeclock-bench: measures the serial link, the logo download and the window against the simulated time
// clock and prints one markdown table. Each figure is a median over repeated runs, with min and max.
// What lies behind the figures (per-run values, where the time goes) is written to the file named by
// --details. Progress goes to standard error; standard output carries only the table.

#include "figures.h"
#include "measuring.h"
#include "report.h"

#include "logo_file.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace bench;

// The figures, in the order they are measured. Figure 4 is read from figure 1's waits.
struct Figure
{
    QList<int> numbers; // as the table names them; --only picks by these
    const char *what;
    void (*measure)(const Setup &, Report &);
};

const Figure Figures[] = {
    {{1, 4},
     "one-second waits for a reply that never comes, event-driven and polling side by side",
     measureWaits},
    {{2}, "reply detection latency", measureLatency},
    {{3}, "logo downloads at 9600 baud", measureDownloads},
    {{5}, "start-up of the window, and peak memory of a whole session", measureWindow},
    {{6}, "exchanges back to back without line-rate limiting", measureThroughput},
    {{7}, "image files to logo bytes", measureLogoConversion},
    {{8}, "the command line from process start to its first byte on the line", measureCommandLineStart},
    {{9}, "a scan of every machine number on a line where nobody answers", measureScan},
    {{10}, "logo downloads through a serial server (ser2net) and directly", measureNetworkDownload},
    {{11}, "logo downloads on an echoing line and on one without echo", measureEchoDownload},
    {{12}, "a scan of eight lines at once beside one line's", measureSiteScan},
    {{13}, "settings and logo to eight terminals on eight lines at once beside one terminal's", measureSiteApply},
};

constexpr Counts QuickCounts{.waitPairs = 2,
                             .latencyRuns = 2,
                             .latencyExchanges = 200,
                             .downloads = 2,
                             .startups = 3,
                             .memoryRuns = 1,
                             .throughputRuns = 2,
                             .throughputExchanges = 500,
                             .conversionRuns = 3,
                             .scanRuns = 1};

LogoPicture sampleLogo()
{
    auto picture = readLogoFile(QStringLiteral(TIMECLOCK_SAMPLE_LOGO));
    if (!std::holds_alternative<LogoPicture>(picture))
        abortBenchmark(
            QStringLiteral("cannot read the sample logo %1").arg(QStringLiteral(TIMECLOCK_SAMPLE_LOGO)));
    return std::get<LogoPicture>(picture);
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed())
                                          : QStringLiteral("?");
}

QString numbersText(const QList<int> &numbers)
{
    QStringList texts;
    for (const int number : numbers)
        texts << QString::number(number);
    return texts.join(QStringLiteral(", "));
}

} // namespace

int main(int argc, char *argv[])
{
    // The window probe and the text logo of figure 7 run without a display, like the program's tests; the
    // text needs the fonts of a QGuiApplication.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    // The program's runs remember choices and keep a history; the benchmark's go to a folder of its own.
    const QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures timeclock-setup against timeclock-sim."));
    parser.addHelpOption();
    const QCommandLineOption detailsOption(QStringLiteral("details"),
                                           QStringLiteral("Write what lies behind the figures to FILE."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Fewer runs, for a try."));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"), QStringLiteral("Measure only these figures, e.g. 2,3 (4 comes with 1)."),
        QStringLiteral("LIST"));
    parser.addOptions({detailsOption, quickOption, onlyOption});
    parser.process(app);
    QList<int> only;
    for (const QString &number : parser.value(onlyOption).split(u',', Qt::SkipEmptyParts))
        only.append(number.toInt());

    QTemporaryDir runtimeDir; // Qt wants a private runtime folder; without one it warns on every start
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.isValid())
        ::setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);

    const Setup setup{.counts = parser.isSet(quickOption) ? QuickCounts : Counts{}, .logo = sampleLogo()};
    Report report;
    report.addDetail(QStringLiteral("load average at the start: ") + loadAverage());
    for (const Figure &figure : Figures) {
        const bool wanted =
            only.isEmpty() || std::any_of(figure.numbers.cbegin(), figure.numbers.cend(),
                                          [&only](int number) { return only.contains(number); });
        if (!wanted)
            continue;
        std::fprintf(stderr, "bench: %s: %s\n", qPrintable(numbersText(figure.numbers)), figure.what);
        figure.measure(setup, report);
    }
    report.addDetail(QStringLiteral("load average at the end: ") + loadAverage());

    const QByteArray table = markdownTable(report.rows()).toUtf8();
    std::fwrite(table.constData(), 1, size_t(table.size()), stdout);
    std::fflush(stdout);
    if (parser.isSet(detailsOption)) {
        QFile file(parser.value(detailsOption));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            file.write(report.details().join(u'\n').append(u'\n').toUtf8());
    }
    return 0;
}
