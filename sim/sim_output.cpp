#include "sim_output.h"

namespace sim {

namespace {

constexpr QByteArrayView DeviceWord = "DEVICE";
constexpr QByteArrayView LinkWord = "LINK";
constexpr QByteArrayView ReceivedWord = "RX";
constexpr QByteArrayView TransmittedWord = "TX";
constexpr QByteArrayView FrameWord = "FRAME";
constexpr QByteArrayView HangUpWord = "HANGUP";
constexpr QByteArrayView StateWord = "STATE";
constexpr QByteArrayView TerminalWord = "TERMINAL";
constexpr QByteArrayView LogoWord = "LOGO";
constexpr QByteArrayView PictureRowWord = "PIC";
constexpr QByteArrayView LineWord = "LINE";

QByteArray line(QByteArrayView word, QByteArrayView rest)
{
    return word.toByteArray() + ' ' + rest.toByteArray();
}

QByteArray chunkLine(QByteArrayView word, QByteArrayView bytes, std::optional<qint64> stamp)
{
    QByteArray text = line(word, bytes.toByteArray().toHex());
    if (stamp)
        text += ' ' + QByteArray::number(*stamp);
    return text;
}

QByteArray byteHex(quint8 value)
{
    return QByteArray(1, static_cast<char>(value)).toHex();
}

// Value of `key=` in a line of space-separated key=value fields; nothing when it is missing.
std::optional<QByteArray> fieldValue(const QByteArray &text, QByteArrayView key)
{
    for (const QByteArray &field : text.split(' ')) {
        if (field.size() > key.size() && field.startsWith(key) && field.at(key.size()) == '=')
            return field.mid(key.size() + 1);
    }
    return std::nullopt;
}

std::optional<quint8> byteField(const QByteArray &text, QByteArrayView key)
{
    const std::optional<QByteArray> value = fieldValue(text, key);
    bool ok = false;
    const uint number = value ? value->toUInt(&ok) : 0;
    if (!ok || number > 255)
        return std::nullopt;
    return static_cast<quint8>(number);
}

std::optional<TerminalState> finalStateFrom(const QByteArray &stateFields, const QByteArray &logoHex)
{
    TerminalState state;
    const std::optional<quint8> machine = byteField(stateFields, "machine");
    const std::optional<quint8> mode = byteField(stateFields, "mode");
    const std::optional<quint8> delay = byteField(stateFields, "delay");
    const std::optional<quint8> font = byteField(stateFields, "font");
    state.serial = QByteArray::fromHex(fieldValue(stateFields, "serial").value_or(QByteArray()));
    state.logo = QByteArray::fromHex(logoHex);
    if (!machine || !mode || !delay || !font || state.serial.size() != SerialSize ||
        state.logo.size() != LogoSize)
        return std::nullopt;
    state.machineNumber = *machine;
    state.mode = *mode;
    state.delay = *delay;
    state.font = *font;
    return state;
}

} // namespace

QByteArray deviceLine(const QString &devicePath)
{
    return line(DeviceWord, devicePath.toLocal8Bit());
}

QByteArray linkLine(const QString &linkPath)
{
    return line(LinkWord, linkPath.toLocal8Bit());
}

QByteArray receivedLine(QByteArrayView bytes, std::optional<qint64> stamp)
{
    return chunkLine(ReceivedWord, bytes, stamp);
}

QByteArray transmittedLine(QByteArrayView bytes, std::optional<qint64> stamp)
{
    return chunkLine(TransmittedWord, bytes, stamp);
}

QByteArray frameLine(const FrameOutcome &outcome)
{
    return line(FrameWord, QByteArray::number(outcome.index) + ' ' + byteHex(outcome.address) + ' ' +
                               outcome.frame.toHex() + (outcome.handled ? " handled" : " ignored"));
}

QByteArray hangUpLine()
{
    return HangUpWord.toByteArray();
}

QList<QByteArray> finalReport(const TerminalState &state)
{
    QList<QByteArray> lines;
    lines.append(line(StateWord, "machine=" + QByteArray::number(state.machineNumber) + " serial=" +
                                     state.serial.toHex() + " mode=" + QByteArray::number(state.mode) +
                                     " delay=" + QByteArray::number(state.delay) +
                                     " font=" + QByteArray::number(state.font)));
    lines.append(line(LogoWord, state.logo.toHex()));
    for (int row = 0; row < LogoRowCount; ++row) {
        QByteArray dots;
        for (int column = 0; column < LogoDotColumns; ++column)
            dots.append(logoDotIsOn(state.logo, row, column) ? '#' : '.');
        lines.append(line(PictureRowWord, dots));
    }
    return lines;
}

QByteArray terminalLine(const TerminalState &state)
{
    return line(TerminalWord, "machine=" + QByteArray::number(state.machineNumber) + " serial=" + state.serial.toHex());
}

const OutputReader &OutputReader::line(int number) const
{
    static const OutputReader silent;
    const auto found = m_lines.find(number);
    return found == m_lines.end() ? silent : found->second;
}

bool OutputReader::complete() const
{
    if (m_devicePaths.size() <= 1)
        return m_finalState.has_value();
    for (int number = 1; number <= m_devicePaths.size(); ++number) {
        if (!line(number).finalState())
            return false;
    }
    return true;
}

int OutputReader::read(QByteArrayView data)
{
    m_text += data;
    m_partialLine += data;
    int lines = 0;
    qsizetype end = 0;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        const QByteArray text = m_partialLine.left(end);
        m_partialLine.remove(0, end + 1);
        readLine(text);
        ++lines;
    }
    return lines;
}

void OutputReader::readLine(const QByteArray &text)
{
    const qsizetype space = text.indexOf(' ');
    const QByteArrayView word = QByteArrayView(text).first(space < 0 ? text.size() : space);
    const QByteArray rest = space < 0 ? QByteArray() : text.mid(space + 1);

    if (word == LineWord) {
        const qsizetype end = rest.indexOf(' ');
        m_lines[rest.left(end).toInt()].readLine(end < 0 ? QByteArray() : rest.mid(end + 1));
    } else if (word == DeviceWord) {
        if (m_devicePath.isEmpty())
            m_devicePath = QString::fromLocal8Bit(rest);
        m_devicePaths.append(QString::fromLocal8Bit(rest));
    } else if (word == LinkWord) {
        m_linkPath = QString::fromLocal8Bit(rest);
    } else if (word == ReceivedWord || word == TransmittedWord) {
        const QList<QByteArray> fields = rest.split(' ');
        LineChunk chunk;
        chunk.direction =
            word == ReceivedWord ? LineChunk::Direction::Received : LineChunk::Direction::Transmitted;
        chunk.bytes = QByteArray::fromHex(fields.constFirst());
        if (fields.size() > 1)
            chunk.stampNs = fields.at(1).toLongLong();
        (chunk.transmitted() ? m_transmitted : m_received) += chunk.bytes;
        m_chunks.append(chunk);
    } else if (word == FrameWord) {
        m_frameLines.append(QString::fromLatin1(text));
    } else if (word == HangUpWord) {
        m_hungUp = true;
    } else if (word == TerminalWord) {
        m_terminalLines.append(QString::fromLatin1(rest));
    } else if (word == StateWord) {
        m_stateLine = rest;
    } else if (word == LogoWord) {
        m_finalState = finalStateFrom(m_stateLine, rest);
    }
}

} // namespace sim
