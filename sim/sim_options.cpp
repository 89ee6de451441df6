#include "sim_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>
#include <functional>
#include <utility>

namespace sim {

namespace {

constexpr int MaxDecimalDigits = 9; // keeps every accepted number inside int

// Plain decimal digits only: no sign, blanks or base prefix, so a typo is never taken for a number.
std::optional<int> decimalFrom(const QString &text)
{
    if (text.isEmpty() || text.size() > MaxDecimalDigits)
        return std::nullopt;
    int value = 0;
    for (const QChar character : text) {
        if (character < u'0' || character > u'9')
            return std::nullopt;
        value = value * 10 + (character.unicode() - u'0');
    }
    return value;
}

bool isHexText(const QString &text)
{
    for (const QChar character : text) {
        const char16_t c = character.unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

std::optional<FrameSelector> selectorFrom(const QString &text)
{
    if (text == u"all")
        return FrameSelector{};
    if (const std::optional<int> index = decimalFrom(text))
        return FrameSelector{index};
    return std::nullopt;
}

std::optional<SizedFault> sizedFaultFrom(const QString &text, int minimumAmount)
{
    const qsizetype at = text.indexOf(u'@');
    const std::optional<int> amount = decimalFrom(at < 0 ? text : text.left(at));
    if (!amount || *amount < minimumAmount)
        return std::nullopt;
    if (at < 0)
        return SizedFault{*amount, FrameSelector{}};
    const std::optional<int> index = decimalFrom(text.mid(at + 1));
    if (!index)
        return std::nullopt;
    return SizedFault{*amount, FrameSelector{index}};
}

// Takes an option's value (empty for a switch) into the options; false when the value is bad.
using ValueReader = std::function<bool(const QString &value, SimulatorOptions &options)>;

ValueReader switchOn(bool SimulatorOptions::*member)
{
    return [member](const QString &, SimulatorOptions &options) {
        options.*member = true;
        return true;
    };
}

ValueReader path(QString SimulatorOptions::*member)
{
    return [member](const QString &value, SimulatorOptions &options) {
        options.*member = value;
        return !value.isEmpty();
    };
}

ValueReader frames(std::optional<FrameSelector> FaultConfig::*fault)
{
    return [fault](const QString &value, SimulatorOptions &options) {
        options.faults.*fault = selectorFrom(value);
        return (options.faults.*fault).has_value();
    };
}

ValueReader sizedFault(std::optional<SizedFault> FaultConfig::*fault, int minimumAmount)
{
    return [fault, minimumAmount](const QString &value, SimulatorOptions &options) {
        options.faults.*fault = sizedFaultFrom(value, minimumAmount);
        return (options.faults.*fault).has_value();
    };
}

ValueReader byteFault(std::optional<SizedFault> FaultConfig::*fault)
{
    return [fault](const QString &value, SimulatorOptions &options) {
        options.faults.*fault = sizedFaultFrom(value, 0);
        return (options.faults.*fault).has_value() && (options.faults.*fault)->amount <= 255;
    };
}

bool machineNumber(const QString &value, SimulatorOptions &options)
{
    const std::optional<int> number = decimalFrom(value);
    if (!number || *number > 255)
        return false;
    options.initial.machineNumber = static_cast<quint8>(*number);
    return true;
}

bool serialNumber(const QString &value, SimulatorOptions &options)
{
    if (value.size() != 2 * SerialSize || !isHexText(value))
        return false;
    options.initial.serial = QByteArray::fromHex(value.toLatin1());
    return true;
}

bool hangUpFrame(const QString &value, SimulatorOptions &options)
{
    options.faults.hangUpAtFrame = decimalFrom(value);
    return options.faults.hangUpAtFrame.has_value();
}

bool countFrom(const QString &value, SimulatorOptions &options)
{
    const QByteArray hex = value.toLatin1().toLower();
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (bytes.isEmpty() || bytes.toHex() != hex)
        return false;
    options.faults.countFrom = bytes;
    return true;
}

bool lineRate(const QString &value, SimulatorOptions &options)
{
    const std::optional<int> baud = decimalFrom(value);
    if (!baud || *baud == 0)
        return false;
    options.faults.lineRateBaud = *baud;
    return true;
}

// "N:HEX6", then any of ":silence", ":wrong-byte", ":extra-byte", ":delay=MS", comma-separated, one entry per
// terminal; each fault applies to every frame that terminal answers.
bool busTerminals(const QString &value, SimulatorOptions &options)
{
    options.bus.clear();
    for (const QString &entry : value.split(u',')) {
        const QStringList fields = entry.trimmed().split(u':');
        if (fields.size() < 2)
            return false;
        BusTerminal terminal;
        SimulatorOptions single;
        if (!machineNumber(fields.at(0), single) || !serialNumber(fields.at(1), single))
            return false;
        terminal.initial = single.initial;
        for (const QString &fault : fields.mid(2)) {
            if (fault == u"silence") {
                terminal.faults.silence = FrameSelector{};
            } else if (fault == u"wrong-byte") {
                terminal.faults.wrongFirstByte = FrameSelector{};
            } else if (fault == u"extra-byte") {
                terminal.faults.extraByte = FrameSelector{};
            } else if (fault.startsWith(u"delay=")) {
                const std::optional<int> delay = decimalFrom(fault.mid(6));
                if (!delay)
                    return false;
                terminal.faults.delay = SizedFault{*delay, {}};
            } else {
                return false;
            }
        }
        options.bus.append(terminal);
    }
    return !options.bus.isEmpty();
}

// "I:REST" of a per-line option: the line I (1 to --lines' most) and the rest.
std::optional<std::pair<int, QString>> lineAndRest(const QString &value)
{
    const qsizetype colon = value.indexOf(u':');
    const std::optional<int> line = decimalFrom(value.left(colon));
    if (colon < 0 || !line || *line < 1 || *line > MaxLines)
        return std::nullopt;
    return std::make_pair(*line, value.mid(colon + 1));
}

bool lineBus(const QString &value, SimulatorOptions &options)
{
    const auto parts = lineAndRest(value);
    SimulatorOptions line;
    if (!parts || !busTerminals(parts->second, line))
        return false;
    options.lineBus.insert(parts->first, line.bus);
    return true;
}

bool lineHangUp(const QString &value, SimulatorOptions &options)
{
    const auto parts = lineAndRest(value);
    const std::optional<int> frame = parts ? decimalFrom(parts->second) : std::nullopt;
    if (!frame)
        return false;
    options.lineHangUpAt.insert(parts->first, *frame);
    return true;
}

bool lineCount(const QString &value, SimulatorOptions &options)
{
    const std::optional<int> lines = decimalFrom(value);
    if (!lines || *lines < 1 || *lines > MaxLines)
        return false;
    options.lines = *lines;
    return true;
}

enum class Times { Once, Repeatable };

struct OptionRow
{
    QCommandLineOption option;
    ValueReader read;
    Times times = Times::Once;
};

QCommandLineOption valued(const char *name, const char *description, const char *valueName)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                              QString::fromLatin1(valueName));
}

QCommandLineOption switchOption(const char *name, const char *description)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description));
}

// Every option, in the order --help lists them.
const QList<OptionRow> &optionTable()
{
    static const QList<OptionRow> rows = {
        {valued("machine", "Initial machine number (0-255).", "N"), machineNumber},
        {valued("serial", "Initial serial number, 6 hex digits.", "HEX6"), serialNumber},
        {valued("bus",
                "Several terminals on one line instead of one: machine number and serial of each, comma-"
                "separated, optionally with faults of its own for every frame it answers (silence, wrong-byte, "
                "extra-byte, delay=MS: answer MS milliseconds after the frame, on its own time beside the others).",
                "N:HEX6[:FAULT]...,..."),
         busTerminals},
        {valued("link", "Make a symbolic link PATH to the device, removed on exit.", "PATH"),
         path(&SimulatorOptions::linkPath)},
        {switchOption("quit-on-eof", "Also stop at the end of standard input."),
         switchOn(&SimulatorOptions::quitOnEof)},
        {valued("silence", "Do not answer frame K, or any frame.", "K|all"), frames(&FaultConfig::silence)},
        {valued("wrong-byte", "Answer with a wrong first byte.", "K|all"),
         frames(&FaultConfig::wrongFirstByte)},
        {valued("delay-ms", "Wait MS milliseconds before answering (frame K only).", "MS[@K]"),
         sizedFault(&FaultConfig::delay, 0)},
        {valued("extra-byte", "Send one byte more after the answer.", "K|all"),
         frames(&FaultConfig::extraByte)},
        {valued("stray-byte", "Send the byte N (0-255) after the answer (frame K only).", "N[@K]"),
         byteFault(&FaultConfig::strayByte)},
        {valued("short-reply", "Leave out the answer's last byte.", "K|all"),
         frames(&FaultConfig::shortReply)},
        {valued("noise", "Send N pseudo-random bytes before the answer (frame K only).", "N[@K]"),
         sizedFault(&FaultConfig::noise, 1)},
        {valued("split-reply", "Send the answer in two writes 20 ms apart.", "K|all"),
         frames(&FaultConfig::splitReply)},
        {valued("hangup-at", "Close the line when frame K arrives.", "K"), hangUpFrame},
        {valued("count-from",
                "Count the K of the options above from the first frame that begins with these bytes (address "
                "byte first), so that a fault lands on the same frame however many came before it; earlier "
                "frames are counted -1.",
                "HEX"),
         countFrom},
        {valued("line-rate", "Delay answers by the time BAUD needs for the exchange.", "BAUD"), lineRate},
        {switchOption("timestamps", "End every RX and TX line with the CLOCK_MONOTONIC time in nanoseconds: "
                                    "taken after reading for RX, just before writing for TX."),
         switchOn(&SimulatorOptions::timestamps)},
        {switchOption("exact-timing",
                      "Time delayed answers (--line-rate, --delay-ms) to the microsecond instead of rounding "
                      "them up to whole milliseconds (spins for up to the last millisecond of each wait)."),
         switchOn(&SimulatorOptions::exactTiming)},
        {switchOption("echo", "Send every byte received straight back at once, before any answer, as a two-wire "
                              "RS-485 adapter whose receiver stays on does."),
         switchOn(&SimulatorOptions::echo)},
        {valued("echo-altered-at", "Echo as --echo does, but send the N-th byte echoed (from 0) back altered "
                                   "(every bit flipped), as noise or a second sender would.",
                "N"),
         [](const QString &value, SimulatorOptions &options) {
             const std::optional<int> index = decimalFrom(value);
             if (!index)
                 return false;
             options.echo = true;
             options.echoAlteredAt = *index;
             return true;
         }},
        {valued("picture-out", "On exit, write the stored logo as a 128 x 32 PNG picture to FILE.", "FILE"),
         path(&SimulatorOptions::picturePath)},
        {valued("lines",
                "Serve N lines at once (1-64), each its own pseudo-terminal with its own terminals: every option "
                "applies to each line alike, unless --line-bus or --line-hangup-at says otherwise for one. Prints "
                "one DEVICE line per line, in line order, then every event line of line I starts with \"LINE I \".",
                "N"),
         lineCount},
        {valued("line-bus", "Line I (from 1) carries these terminals, in --bus's form, instead of those of --bus, "
                            "--machine and --serial. Repeatable.",
                "I:N:HEX6[:FAULT]...,..."),
         lineBus, Times::Repeatable},
        {valued("line-hangup-at", "Line I alone closes when its frame K arrives. Repeatable.", "I:K"), lineHangUp,
         Times::Repeatable},
    };
    return rows;
}

QString badValue(const QCommandLineOption &option, const QString &value)
{
    return QStringLiteral("Bad value \"%1\" for --%2 (expected %3).")
        .arg(value, option.names().constFirst(), option.valueName());
}

} // namespace

QList<BusTerminal> terminalsOnLine(const SimulatorOptions &options)
{
    if (options.bus.isEmpty())
        return {BusTerminal{options.initial, options.faults}};
    QList<BusTerminal> terminals = options.bus;
    for (BusTerminal &terminal : terminals) {
        FaultConfig faults = options.faults;
        if (terminal.faults.silence)
            faults.silence = terminal.faults.silence;
        if (terminal.faults.wrongFirstByte)
            faults.wrongFirstByte = terminal.faults.wrongFirstByte;
        if (terminal.faults.extraByte)
            faults.extraByte = terminal.faults.extraByte;
        if (terminal.faults.delay)
            faults.delay = terminal.faults.delay;
        terminal.faults = faults;
    }
    return terminals;
}

QList<SimulatorOptions> optionsPerLine(const SimulatorOptions &options)
{
    QList<SimulatorOptions> lines;
    for (int line = 1; line <= options.lines; ++line) {
        SimulatorOptions own = options;
        if (options.lineBus.contains(line))
            own.bus = options.lineBus.value(line);
        if (options.lineHangUpAt.contains(line))
            own.faults.hangUpAtFrame = options.lineHangUpAt.value(line);
        lines.append(own);
    }
    return lines;
}

void addSimulatorOptions(QCommandLineParser &parser)
{
    for (const OptionRow &row : optionTable())
        parser.addOption(row.option);
}

std::variant<SimulatorOptions, QString> simulatorOptionsFrom(const QCommandLineParser &parser)
{
    SimulatorOptions options;
    for (const OptionRow &row : optionTable()) {
        if (!parser.isSet(row.option))
            continue;
        const QStringList values = row.option.valueName().isEmpty() ? QStringList{QString()}
                                   : row.times == Times::Repeatable ? parser.values(row.option)
                                                                    : QStringList{parser.value(row.option)};
        for (const QString &value : values) {
            if (!row.read(value, options))
                return badValue(row.option, value);
        }
    }
    const auto beyond = [&options](const QList<int> &lines) {
        return std::any_of(lines.cbegin(), lines.cend(), [&options](int line) { return line > options.lines; });
    };
    if (beyond(options.lineBus.keys()) || beyond(options.lineHangUpAt.keys()))
        return QStringLiteral("--line-bus and --line-hangup-at name a line beyond --lines.");
    if (options.lines > 1 && (!options.linkPath.isEmpty() || !options.picturePath.isEmpty()))
        return QStringLiteral("--link and --picture-out are for one line; leave them out with --lines.");
    const bool singleTerminalGiven = parser.isSet(QStringLiteral("machine")) || parser.isSet(QStringLiteral("serial"));
    if (!options.bus.isEmpty() && singleTerminalGiven)
        return QStringLiteral("--bus names every terminal on the line; leave out --machine and --serial.");
    return options;
}

} // namespace sim
