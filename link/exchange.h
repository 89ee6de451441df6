#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <chrono>

// A terminal answers within one second.
inline constexpr std::chrono::milliseconds TerminalReplyLimit{1000};

// One exchange with the terminal: an address byte, a command frame, and a reply of fixed length whose
// first byte must repeat the address byte.
struct Exchange
{
    quint8 addressByte = 0;
    // The address byte in a write of its own, handed to the driver before the frame is written; nothing
    // waits between the two.
    bool pauseFirst = false;
    QByteArray commandFrame;
    int replyLength = 1;
    // How long the reply may take; exactly the limit is still in time. A scan of machine numbers asks
    // with a much shorter one.
    std::chrono::milliseconds replyLimit = TerminalReplyLimit;
    // The limit counts from when the frame's last bit has left at 9600 baud (10 bits a byte after the
    // write), plus whatever the line itself adds to a reply (a network port's round trip), not from the
    // write: a wait of a few milliseconds is then the terminal's own time, however long the frame.
    bool limitFromFrameEnd = false;
    // Nothing is written: the line is only listened to until it has been quiet for replyLimit (at most
    // TerminalReplyLimit longer, should the bytes never stop). Ends TimedOut when nothing came, otherwise
    // WrongReply with every byte heard. A scan uses it to hear out late answers before its next question.
    bool listenOnly = false;
};

struct ExchangeOutcome
{
    enum class Kind {
        TimedOut,    // the reply was not complete within the reply limit; nothing was read
        WrongReply,  // replyLength bytes read, the first differs from the address byte
        Replied,     // replyLength bytes read, the first equals the address byte
    };
    Kind kind = Kind::TimedOut;
    QByteArray reply;  // the bytes read, for WrongReply and Replied
    // What the line's echo had to do with it: the reason a failure gives.
    enum class Echo {
        None,
        Only,     // TimedOut: the frame came back, no answer after it
        Differs,  // WrongReply: what came back differs from the frame sent
        Missing,  // TimedOut: an echo was expected (--echo on) and nothing came
    };
    Echo echo = Echo::None;
    // WrongReply: the bytes were on the line already when the frame was due, and the frame was not sent.
    bool beforeFrame = false;
    // A listen that ended at its bound with bytes still coming: the line never went quiet.
    bool lineTalking = false;
};
