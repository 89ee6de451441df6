// timeclock-soak: thousands of commands and logo downloads against the simulated time clock, driven
// through CommandSession as the window drives them, with one random fault per simulator. Every outcome is
// compared with the one the fault should give, and so is what the terminal holds and received at the end;
// open descriptors, resident memory and port errors are watched over the whole run.
//
// Batches: each starts a fresh timeclock-sim with one fault at one frame of the batch (or none), runs its
// commands and stops the simulator. A hang-up ends that simulator; the rest of the batch runs on a new one.
// Progress goes to standard error, the summary to standard output.
//
//   soak_plan     the random plan: commands, batches, faults
//   soak_model    what the terminal should hold and the program should report
//   soak_run      runs the plan and compares
//   soak_report   what was counted and found, and the verdict
//   soak_commands everything that differs from one terminal command to another

#include "soak_run.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr int ExitBadOptions = 2;

std::optional<int> countFrom(const QString &text)
{
    bool ok = false;
    const int count = text.toInt(&ok);
    return ok && count >= 0 ? std::optional<int>(count) : std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("timeclock-soak"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs single-command exchanges and logo downloads against timeclock-sim with random faults and "
        "checks every outcome, open descriptors, resident memory and port errors."));
    parser.addHelpOption();
    const QCommandLineOption exchangesOption(QStringLiteral("exchanges"),
                                             QStringLiteral("Single-command exchanges (default 10000)."),
                                             QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption downloadsOption(QStringLiteral("downloads"),
                                             QStringLiteral("Full logo downloads (default 100)."),
                                             QStringLiteral("M"), QStringLiteral("100"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"), QStringLiteral("Seed of the random plan (default: a fresh one, printed)."),
        QStringLiteral("S"));
    const QCommandLineOption backToBackOption(
        QStringLiteral("back-to-back"),
        QStringLiteral("Start the next command at once even while a late reply is still on its way."));
    parser.addOptions({exchangesOption, downloadsOption, seedOption, backToBackOption});
    parser.process(application);

    soak::SoakOptions options;
    const std::optional<int> exchanges = countFrom(parser.value(exchangesOption));
    const std::optional<int> downloads = countFrom(parser.value(downloadsOption));
    if (!exchanges || !downloads) {
        std::fprintf(stderr, "timeclock-soak: bad --%s\n", exchanges ? "downloads" : "exchanges");
        return ExitBadOptions;
    }
    options.exchanges = *exchanges;
    options.downloads = *downloads;
    if (parser.isSet(seedOption)) {
        bool ok = false;
        options.seed = parser.value(seedOption).toUInt(&ok);
        if (!ok) {
            std::fprintf(stderr, "timeclock-soak: bad --seed\n");
            return ExitBadOptions;
        }
    } else {
        options.seed = QRandomGenerator::system()->generate();
    }
    options.settle = !parser.isSet(backToBackOption);

    soak::Soak soak(options);
    return soak.run() ? 0 : 1;
}
