#pragma once

#include <QByteArray>

// The Telnet side of a serial server's port (RFC 854, with the COM-PORT-OPTION of RFC 2217): what the line
// writes is encoded here, what the server sends is decoded here. No sockets: bytes in, bytes and state out.
//
// The program asks for BINARY both ways (every byte value passes untouched), offers COM-PORT-OPTION and,
// once the server takes it, sets 9600 8N1 without flow control and empties the server's receive buffer, so
// a command starts as on a local port. Any other option the server offers or asks for is refused.
class TelnetCodec
{
public:
    // Telnet's command bytes and the options this program knows.
    static constexpr quint8 Iac = 255, Dont = 254, Do = 253, Wont = 252, Will = 251, Sb = 250, Se = 240;
    static constexpr quint8 BinaryOption = 0, ComPortOption = 44;
    // TIMING-MARK (RFC 860): a server answers DO with WILL or WONT once it has dealt with what came before.
    static constexpr quint8 TimingMarkOption = 6;
    // COM-PORT-OPTION commands as the client sends them; the server answers each with the code + 100.
    static constexpr quint8 SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5,
                            PurgeData = 12;
    static constexpr quint8 ServerAnswerOffset = 100;
    // The server's own notifications: its port's buffer is full, or has room again.
    static constexpr quint8 FlowControlSuspend = 108, FlowControlResume = 109;
    static constexpr quint32 LineBaudRate = 9600;
    static constexpr quint8 DataSize8 = 8, ParityNone = 1, StopSize1 = 1, NoFlowControl = 1,
                            PurgeReceiveBuffer = 1;

    struct Decoded
    {
        QByteArray data;   // the terminal's bytes, IAC undoubled
        QByteArray reply;  // what must go back to the server (negotiation answers, the port settings)
    };

    // What the line sends first: WILL BINARY, DO BINARY, WILL COM-PORT-OPTION.
    static QByteArray opening();
    // A question every Telnet server answers at once, taken or refused (DO TIMING-MARK): a round trip through
    // the server, apart from the time it takes to set its port up.
    static QByteArray timingMark();
    // Data as it goes on the connection: every 0xFF doubled.
    static QByteArray encode(const QByteArray &data);
    // Takes the next bytes from the server, however the stream is cut into pieces.
    Decoded decode(const QByteArray &bytes);

    // The server took COM-PORT-OPTION and confirmed baud rate, data size, parity and stop size. Flow
    // control is not waited for: a server with a pseudo-terminal behind it never confirms it.
    bool portSettingsConfirmed() const;
    // The server refused COM-PORT-OPTION: the port runs at whatever the server has set.
    bool comPortRefused() const { return m_comPortRefused; }
    // The server refused BINARY one way or the other: 0xFF, CR and NUL would not pass as they are.
    bool binaryRefused() const { return m_binaryRefused; }
    // The server has answered BINARY (taken or refused): its Telnet side is there, whether or not its port
    // is set up yet.
    bool binaryAnswered() const { return m_binaryAnswered; }
    // The server asked for a pause (FLOWCONTROL-SUSPEND: its port's buffer is full) and has not resumed it
    // yet: nothing is sent to it meanwhile.
    bool dataSuspended() const { return m_dataSuspended; }
    // How many answers to timingMark() have come.
    int timingMarksAnswered() const { return m_timingMarksAnswered; }
    // What the server confirmed to SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE, 0 before it came.
    quint32 confirmedBaudRate() const { return m_confirmedBaudRate; }
    quint8 confirmedDataSize() const { return m_confirmedValue[SetDataSize]; }
    quint8 confirmedParity() const { return m_confirmedValue[SetParity]; }
    quint8 confirmedStopSize() const { return m_confirmedValue[SetStopSize]; }

    // The port settings as sent once the server takes COM-PORT-OPTION.
    static QByteArray portSettings();

private:
    enum class State { Data, Command, Option, Sub, SubCommand };

    // The byte after IAC.
    void onCommand(quint8 value, Decoded &out);
    void onOption(quint8 command, quint8 option, QByteArray &reply);
    void onSubnegotiation();

    State m_state = State::Data;
    quint8 m_command = 0;
    QByteArray m_sub;
    bool m_settingsSent = false;
    bool m_comPortRefused = false;
    bool m_binaryRefused = false;
    bool m_binaryAnswered = false;
    bool m_dataSuspended = false;
    int m_timingMarksAnswered = 0;
    quint8 m_confirmed = 0;  // one bit per COM-PORT command answered
    quint32 m_confirmedBaudRate = 0;
    quint8 m_confirmedValue[8] = {};  // the one-byte answers, by command code
};
