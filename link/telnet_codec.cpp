#include "telnet_codec.h"

#include <initializer_list>

namespace {
QByteArray bytes(std::initializer_list<quint8> values)
{
    QByteArray out;
    for (const quint8 value : values)
        out += char(value);
    return out;
}

constexpr qsizetype SubnegotiationLimit = 256;  // a longer one is nonsense from the server and is dropped

QByteArray command(quint8 verb, quint8 option)
{
    return bytes({TelnetCodec::Iac, verb, option});
}

QByteArray comPortCommand(quint8 code, const QByteArray &value)
{
    QByteArray sub = bytes({TelnetCodec::Iac, TelnetCodec::Sb, TelnetCodec::ComPortOption, code});
    sub += TelnetCodec::encode(value);
    sub += char(TelnetCodec::Iac);
    sub += char(TelnetCodec::Se);
    return sub;
}

constexpr quint8 bitFor(quint8 code)
{
    return quint8(1u << code);
}
constexpr quint8 RequiredAnswers = bitFor(TelnetCodec::SetBaudRate) | bitFor(TelnetCodec::SetDataSize)
                                   | bitFor(TelnetCodec::SetParity) | bitFor(TelnetCodec::SetStopSize);
} // namespace

QByteArray TelnetCodec::timingMark()
{
    return command(Do, TimingMarkOption);
}

QByteArray TelnetCodec::opening()
{
    return command(Will, BinaryOption) + command(Do, BinaryOption) + command(Will, ComPortOption);
}

QByteArray TelnetCodec::encode(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() + data.count(char(Iac)));
    for (const char byte : data) {
        out += byte;
        if (quint8(byte) == Iac)
            out += byte;
    }
    return out;
}

QByteArray TelnetCodec::portSettings()
{
    const QByteArray baud = bytes({quint8(LineBaudRate >> 24), quint8(LineBaudRate >> 16), quint8(LineBaudRate >> 8), quint8(LineBaudRate)});
    return comPortCommand(SetBaudRate, baud) + comPortCommand(SetDataSize, QByteArray(1, char(DataSize8)))
           + comPortCommand(SetParity, QByteArray(1, char(ParityNone)))
           + comPortCommand(SetStopSize, QByteArray(1, char(StopSize1)))
           + comPortCommand(SetControl, QByteArray(1, char(NoFlowControl)))
           + comPortCommand(PurgeData, QByteArray(1, char(PurgeReceiveBuffer)));
}

bool TelnetCodec::portSettingsConfirmed() const
{
    return (m_confirmed & RequiredAnswers) == RequiredAnswers;
}

TelnetCodec::Decoded TelnetCodec::decode(const QByteArray &bytes)
{
    Decoded out;
    for (const char byte : bytes) {
        const auto value = quint8(byte);
        switch (m_state) {
        case State::Data:
            if (value == Iac)
                m_state = State::Command;
            else
                out.data += byte;
            break;
        case State::Command:
            onCommand(value, out);
            break;
        case State::Option:
            onOption(m_command, value, out.reply);
            m_state = State::Data;
            break;
        case State::Sub:
            if (value == Iac)
                m_state = State::SubCommand;
            else if (m_sub.size() < SubnegotiationLimit)
                m_sub += byte;
            break;
        case State::SubCommand:
            if (value == Iac) {
                if (m_sub.size() < SubnegotiationLimit)
                    m_sub += byte;
                m_state = State::Sub;
            } else if (value == Se) {
                if (m_sub.size() < SubnegotiationLimit)
                    onSubnegotiation();
                m_sub.clear();
                m_state = State::Data;
            } else {
                // A server that forgot IAC SE: the sub-negotiation is dropped unfinished and what follows IAC
                // is a command of its own (RFC 854), never the terminal's data.
                m_sub.clear();
                onCommand(value, out);
            }
            break;
        }
    }
    return out;
}

void TelnetCodec::onCommand(quint8 value, Decoded &out)
{
    if (value == Iac) {
        out.data += char(value);  // a doubled 0xFF is one data byte
        m_state = State::Data;
    } else if (value >= Will && value <= Dont) {
        m_command = value;
        m_state = State::Option;
    } else if (value == Sb) {
        m_sub.clear();
        m_state = State::Sub;
    } else {
        m_state = State::Data;  // NOP, GA and the like carry nothing for a serial port
    }
}

void TelnetCodec::onOption(quint8 verb, quint8 option, QByteArray &reply)
{
    // BINARY and COM-PORT-OPTION were asked for at the opening, so a DO or WILL for them is the answer and
    // needs none; every other option is refused.
    if (option == BinaryOption) {
        m_binaryAnswered = true;
        if (verb == Wont || verb == Dont)
            m_binaryRefused = true;
    }
    // The answer to timingMark(), which asks for nothing more: a DONT to its WILL would only bring a WONT.
    if (option == TimingMarkOption && (verb == Will || verb == Wont)) {
        ++m_timingMarksAnswered;
        return;
    }
    switch (verb) {
    case Do:
        if (option == ComPortOption) {
            if (!m_settingsSent) {
                m_settingsSent = true;
                reply += portSettings();
            }
        } else if (option != BinaryOption) {
            reply += command(Wont, option);
        }
        break;
    case Will:
        if (option != BinaryOption)
            reply += command(Dont, option);
        break;
    case Dont:
        if (option == ComPortOption)
            m_comPortRefused = true;
        break;
    case Wont:
        break;
    }
}

void TelnetCodec::onSubnegotiation()
{
    if (m_sub.size() < 2 || quint8(m_sub.at(0)) != ComPortOption)
        return;
    const quint8 code = quint8(m_sub.at(1));
    if (code == FlowControlSuspend || code == FlowControlResume) {
        m_dataSuspended = code == FlowControlSuspend;
        return;
    }
    if (code <= ServerAnswerOffset || code - ServerAnswerOffset >= 8)
        return;  // notifications of line and modem state: nothing to do
    const quint8 answered = code - ServerAnswerOffset;
    m_confirmed |= bitFor(answered);
    if (answered != SetBaudRate && m_sub.size() >= 3)
        m_confirmedValue[answered] = quint8(m_sub.at(2));
    if (answered == SetBaudRate && m_sub.size() >= 6)
        m_confirmedBaudRate = quint32(quint8(m_sub.at(2))) << 24 | quint32(quint8(m_sub.at(3))) << 16
                              | quint32(quint8(m_sub.at(4))) << 8 | quint32(quint8(m_sub.at(5)));
}
