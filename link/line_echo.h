#pragma once

#include "line_identity.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// A two-wire RS-485 adapter whose receiver stays on while it transmits hands every byte sent straight back:
// the line's echo. It comes before the terminal's answer and is never taken for one.

// What the operator said of the line (--echo): learn it from the line, or take it as given.
enum class EchoMode {
    Auto,  // learned per device from the first exchange that tells
    On,    // every frame comes back before the answer; a frame that does not is a failure
    Off,   // no frame comes back; a copy of a whole frame is still never an answer
};

// The mode every line of this run uses (--echo, the window's as every command's).
void setEchoMode(EchoMode mode);
EchoMode echoMode();
// "auto", "on", "off" as --echo takes them; nothing for anything else.
std::optional<EchoMode> echoModeFromWord(const QString &word);

// What this run has learned of a line's echo, the same line under any of its names; nothing until an
// exchange told.
std::optional<bool> learnedEcho(const LineIdentity &line);
// What was learned of it in an earlier run, where a memory is set; otherwise what this run learned.
std::optional<bool> knownEcho(const LineIdentity &line);
void noteEcho(const LineIdentity &line, bool echoes);

// Where what is learned is kept between runs (the program's settings); nothing is kept without one.
struct EchoMemory
{
    std::function<std::optional<bool>(const LineIdentity &line)> recall;
    std::function<void(const LineIdentity &line, bool echoes)> keep;
};
void setEchoMemory(EchoMemory memory);

// What is expected of a line before its bytes arrive.
enum class EchoExpected { Yes, No, Unknown };

// How the bytes received after a frame begin.
enum class EchoVerdict {
    NeedMore,  // they may still be the echo's beginning: wait for more
    Echo,      // they begin with the whole frame sent: that many bytes are the echo, the answer follows
    NoEcho,    // they are the answer
    Differs,   // an echo was expected and the bytes differ from the frame sent (two senders, noise)
    Missing,   // an echo was expected and only an answer came: the line gives none
};

// `sent` is the address byte and the command frame, `received` every byte since, `replyLength` the answer's.
// A copy of the whole frame is never an answer where the frame is longer than the answer; where it is not
// (the read-serial question, 3 bytes, whose 4-byte answer can begin like it), what the line is expected to
// do decides, on a line not learned in this run what was remembered of it, and otherwise the bytes that
// follow. `final`: no more bytes are waited for.
EchoVerdict echoVerdict(const QByteArray &sent, const QByteArray &received, EchoExpected expected, int replyLength,
                        bool final, std::optional<bool> remembered = std::nullopt);
