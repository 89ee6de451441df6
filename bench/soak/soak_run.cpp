#include "soak_run.h"

#include "read_serial.h"

#include "guarded_wait.h"

#include <QElapsedTimer>

namespace soak {

namespace {

constexpr int SingleGuardMs = 10'000; // a command that has not finished by then has hung
constexpr int DownloadGuardMs = 60'000;
constexpr int SettleMs = 5'000;          // the simulator reports what it received and sent within this
constexpr int ShortestTimeoutMs = 1'000; // "no reply" may never be decided before the reply limit
constexpr int LongestTimeoutMs = 2'000;  // nor long after it
constexpr int ProgressEveryBatches = 20;

qsizetype firstDifference(const QByteArray &a, const QByteArray &b)
{
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

} // namespace

void Soak::recordUnexpected(int batch, int command, const QString &name, const PlannedFault &fault,
                            const QString &what)
{
    m_tally.unexpected.append({batch, command, name, fault.describe(), what});
    printProgress(QStringLiteral("UNEXPECTED batch %1, command %2 (%3), fault %4: %5")
                      .arg(batch)
                      .arg(command)
                      .arg(name, fault.describe(), what));
}

std::unique_ptr<sim::SimProcess> Soak::startSimulator(TerminalModel &model, quint8 machine,
                                                      const QByteArray &serial,
                                                      const QStringList &faultOptions, int batch)
{
    model = TerminalModel{};
    model.machine = machine;
    model.serial = serial;
    const QStringList options = QStringList{QStringLiteral("--machine"), QString::number(machine),
                                            QStringLiteral("--serial"), QString::fromLatin1(serial.toHex())} +
                                faultOptions;
    auto simulator = std::make_unique<sim::SimProcess>(options);
    ++m_tally.simulators;
    if (!simulator->start()) {
        printProgress(QStringLiteral("batch %1: the simulator did not start").arg(batch));
        return nullptr;
    }
    return simulator;
}

Soak::CommandResult Soak::runCommand(const PlannedCommand &command, const QString &device, quint8 machine)
{
    CommandResult result;
    auto made = taskFor(command, machine, m_dir.path(), result.watch);
    if (const QString *why = std::get_if<QString>(&made)) {
        result.message = *why;
        return result;
    }
    CommandTask task = std::get<CommandTask>(std::move(made));

    bench::GuardedWait wait(exchangesOf(command.kind) > 1 ? DownloadGuardMs : SingleGuardMs);
    QObject::connect(&m_session, &CommandSession::messageReady, wait.context(),
                     [&result](const QString &message) {
                         result.message = message;
                         ++result.messages;
                     });
    QObject::connect(&m_session, &CommandSession::finished, wait.context(),
                     [&result, &wait](const ::CommandResult &ended) {
                         result.finished = true;
                         result.watch.serialText = serialTextFromResult(ended);
                         wait.end();
                     });

    QElapsedTimer sinceStart;
    sinceStart.start();
    m_session.run(PortChoice{.deviceName = device}, std::move(task.task));
    if (!result.finished)
        wait.run();
    result.elapsedMs =
        (result.watch.sinceLineBegun.isValid() ? result.watch.sinceLineBegun : sinceStart).elapsed();
    if (!result.finished)
        m_session.abort(); // hung: release the port so that the soak can go on
    return result;
}

void Soak::finishSimulator(std::unique_ptr<sim::SimProcess> simulator, const TerminalModel &model, int batch,
                           const PlannedFault &fault)
{
    const auto recordWrongState = [&](const QString &what) {
        recordUnexpected(batch, -1, QStringLiteral("terminal"), fault, what);
    };
    ++m_tally.simulatorChecks;
    const sim::OutputReader &output = simulator->reader();
    // The last frame may still be on its way to the simulator, and a reply on its way back.
    if (!simulator->waitUntil(
            [&] {
                return output.received().size() >= model.received.size() &&
                       output.transmitted().size() >= model.sent;
            },
            SettleMs)) {
        recordWrongState(QStringLiteral("after %1 s it had received %2 of %3 bytes and sent %4 of %5")
                             .arg(SettleMs / 1000)
                             .arg(output.received().size())
                             .arg(model.received.size())
                             .arg(output.transmitted().size())
                             .arg(model.sent));
    }
    if (!simulator->stop()) {
        recordWrongState(QStringLiteral("the simulator did not stop cleanly:\n%1")
                             .arg(QString::fromLocal8Bit(output.text().right(2000))));
        return;
    }
    if (output.received() != model.received)
        recordWrongState(
            QStringLiteral("received %1 bytes that differ from the %2 sent (first difference at byte %3)")
                .arg(output.received().size())
                .arg(model.received.size())
                .arg(firstDifference(output.received(), model.received)));
    if (output.transmitted().size() != model.sent)
        recordWrongState(
            QStringLiteral("sent %1 bytes, expected %2").arg(output.transmitted().size()).arg(model.sent));
    const sim::TerminalState held = *output.finalState();
    if (held.machineNumber != model.machine || held.serial != model.serial || held.mode != model.mode ||
        held.delay != model.delay || held.font != model.font)
        recordWrongState(
            QStringLiteral("holds machine=%1 serial=%2 mode=%3 delay=%4 font=%5, expected %6 %7 %8 %9 %10")
                .arg(held.machineNumber)
                .arg(QString::fromLatin1(held.serial.toHex()))
                .arg(held.mode)
                .arg(held.delay)
                .arg(held.font)
                .arg(model.machine)
                .arg(QString::fromLatin1(model.serial.toHex()))
                .arg(model.mode)
                .arg(model.delay)
                .arg(model.font));
    if (held.logo != model.logo)
        recordWrongState(QStringLiteral("holds a logo other than the lines sent"));
}

QStringList Soak::checkOutcome(const PlannedCommand &command, const Expected &expected,
                               const CommandResult &result, const TerminalModel &model)
{
    QStringList wrong;
    if (!result.finished)
        wrong << QStringLiteral("no outcome within the guard time");
    if (result.messages != 1)
        wrong << QStringLiteral("%1 messages").arg(result.messages);
    if (result.message != expected.message)
        wrong << QStringLiteral("expected \"%1\", got \"%2\"").arg(expected.message, result.message);
    if (m_session.isRunning() || m_session.link().isOpen())
        wrong << QStringLiteral("the port is still open");
    if (expected.message == successMessage(command.kind)) {
        if (const std::optional<QString> shown = shownAnswer(command.kind, model);
            shown && result.watch.serialText != shown)
            wrong << QStringLiteral("read serial \"%1\", the terminal holds \"%2\"")
                         .arg(result.watch.serialText.value_or(QStringLiteral("(none)")), *shown);
    }
    const int linesBegun = expected.exchangesSent + (expected.nextHeldBack ? 1 : 0);
    if (exchangesOf(command.kind) > 1 && result.watch.linesBegun != linesBegun)
        wrong << QStringLiteral("%1 lines begun, expected %2").arg(result.watch.linesBegun).arg(linesBegun);
    if (expected.timesOut && result.message == expected.message) {
        m_tally.countTimeout(result.elapsedMs);
        if (result.elapsedMs < ShortestTimeoutMs || result.elapsedMs > LongestTimeoutMs)
            wrong << QStringLiteral("no reply was decided after %1 ms").arg(result.elapsedMs);
    }
    return wrong;
}

void Soak::runBatch(int batch, const QList<PlannedCommand> &commands, const PlannedFault &fault)
{
    // Each simulator gets a machine number and serial of its own; a change of number keeps that number.
    const auto machine = quint8(m_random.bounded(256));
    QByteArray serial(3, '\0');
    for (char &byte : serial)
        byte = char(m_random.bounded(256));

    TerminalModel model;
    std::unique_ptr<sim::SimProcess> simulator =
        startSimulator(model, machine, serial, fault.simulatorOptions(), batch);
    for (int i = 0; i < commands.size(); ++i) {
        const PlannedCommand &command = commands[i];
        const PlannedFault *hit = i == fault.command ? &fault : nullptr;
        const Expected expected = expectedOutcome(command, hit);
        const QString name = commandName(command.kind);
        if (exchangesOf(command.kind) > 1)
            ++m_tally.downloadsRun;
        else
            ++m_tally.exchangesRun;
        if (!simulator) {
            recordUnexpected(batch, i, name, fault, QStringLiteral("not run: no simulator"));
            continue;
        }
        const CommandResult result = runCommand(command, simulator->devicePath(), model.machine);
        const QStringList wrong = checkOutcome(command, expected, result, model);
        if (wrong.isEmpty())
            ++m_tally.outcomesExpected;
        else
            recordUnexpected(batch, i, name, fault, wrong.join(QStringLiteral("; ")));

        for (int line = 0; line < expected.exchangesSent; ++line)
            model.exchangeReached(command, line, hit != nullptr && hit->exchange == line ? hit : nullptr);

        if (expected.linkLost) {
            // The simulator has closed its line; the rest of the batch runs against a new one.
            ++m_tally.hangUps;
            finishSimulator(std::move(simulator), model, batch, fault);
            if (i + 1 < commands.size())
                simulator = startSimulator(model, machine, serial, {}, batch);
        } else if (hit != nullptr && m_options.settle) {
            // An operator reads the message before pressing the next button: a reply still on its way
            // (late, or the last logo line's after a surplus byte) lands while the port is closed and is
            // cleared when it opens again.
            const sim::OutputReader &output = simulator->reader();
            if (!simulator->waitUntil([&] { return output.transmitted().size() >= model.sent; }, SettleMs))
                recordUnexpected(batch, i, name, fault,
                                 QStringLiteral("the simulator sent %1 bytes, expected %2")
                                     .arg(output.transmitted().size())
                                     .arg(model.sent));
        }
    }
    if (simulator)
        finishSimulator(std::move(simulator), model, batch, fault);
}

bool Soak::run()
{
    if (!m_dir.isValid()) {
        printLine(QStringLiteral("soak: no temporary folder for the logo file"));
        return false;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    m_tally.atStart = lookAtResources();

    const QList<TerminalCommand> kinds = planKinds(m_options.exchanges, m_options.downloads, m_random);
    const QList<int> batchSizes = planBatchSizes(kinds.size(), m_random);
    const int batches = int(batchSizes.size());
    m_tally.warmUpBatches = std::max(1, batches / 10);

    printLine(
        QStringLiteral("soak: seed %1, %2 single-command exchanges and %3 logo downloads in %4 batches%5")
            .arg(m_options.seed)
            .arg(m_options.exchanges)
            .arg(m_options.downloads)
            .arg(batches)
            .arg(m_options.settle ? QString()
                                  : QStringLiteral(" (back to back: no settling after a fault)")));

    qsizetype next = 0;
    for (int batch = 0; batch < batches; ++batch) {
        QList<PlannedCommand> commands;
        for (int i = 0; i < batchSizes[batch]; ++i)
            commands.append(planCommand(kinds[next++], m_random));
        const PlannedFault fault = planFault(commands, m_random);
        ++m_tally.faultCounts[fault.fault];
        runBatch(batch, commands, fault);

        if (batch + 1 == m_tally.warmUpBatches)
            m_tally.afterWarmUp = lookAtResources();
        if ((batch + 1) % ProgressEveryBatches == 0 || batch + 1 == batches)
            printProgress(QStringLiteral("%1/%2 batches, %3 exchanges, %4 downloads, %5 unexpected, %6 s")
                              .arg(batch + 1)
                              .arg(batches)
                              .arg(m_tally.exchangesRun)
                              .arg(m_tally.downloadsRun)
                              .arg(m_tally.unexpected.size())
                              .arg(elapsed.elapsed() / 1000));
    }

    m_tally.atEnd = lookAtResources();
    m_tally.portErrors = m_session.link().portErrorCount();
    m_tally.elapsedMs = elapsed.elapsed();
    return printSummary(m_tally);
}

} // namespace soak
