#include "line_echo.h"

#include <QHash>

namespace {

EchoMode g_echoMode = EchoMode::Auto;

QHash<QString, bool> &learnedInRun()
{
    static QHash<QString, bool> learned;
    return learned;
}

EchoMemory &memory()
{
    static EchoMemory kept;
    return kept;
}

} // namespace

void setEchoMode(EchoMode mode)
{
    g_echoMode = mode;
}

EchoMode echoMode()
{
    return g_echoMode;
}

std::optional<EchoMode> echoModeFromWord(const QString &word)
{
    if (word == u"auto")
        return EchoMode::Auto;
    if (word == u"on")
        return EchoMode::On;
    if (word == u"off")
        return EchoMode::Off;
    return std::nullopt;
}

std::optional<bool> learnedEcho(const LineIdentity &line)
{
    const auto &learned = learnedInRun();
    if (const auto it = learned.constFind(line.key()); it != learned.cend())
        return *it;
    return std::nullopt;
}

std::optional<bool> knownEcho(const LineIdentity &line)
{
    if (const auto learned = learnedEcho(line))
        return learned;
    return memory().recall ? memory().recall(line) : std::nullopt;
}

void noteEcho(const LineIdentity &line, bool echoes)
{
    const auto known = learnedInRun().constFind(line.key());
    if (known != learnedInRun().cend() && *known == echoes)
        return;
    learnedInRun().insert(line.key(), echoes);
    // Kept only when it changes: a download is hundreds of exchanges.
    if (memory().keep && (!memory().recall || memory().recall(line) != echoes))
        memory().keep(line, echoes);
}

void setEchoMemory(EchoMemory kept)
{
    memory() = std::move(kept);
}

EchoVerdict echoVerdict(const QByteArray &sent, const QByteArray &received, EchoExpected expected, int replyLength,
                        bool final, std::optional<bool> remembered)
{
    const qsizetype compared = std::min(sent.size(), received.size());
    const bool beginsLikeFrame = received.left(compared) == sent.left(compared);
    // Longer than any answer: a copy of the whole frame can be nothing but the echo.
    const bool copyIsNoAnswer = sent.size() > replyLength;
    switch (expected) {
    case EchoExpected::Yes: {
        if (beginsLikeFrame && received.size() >= sent.size())
            return EchoVerdict::Echo;
        if (received.isEmpty())
            return EchoVerdict::NeedMore;
        // No more than an answer, from the address byte on: the terminal answered and the frame never came
        // back. Until the wait ends it may still be an echo's beginning.
        if (received.front() == sent.front() && received.size() <= replyLength)
            return final ? EchoVerdict::Missing : EchoVerdict::NeedMore;
        return beginsLikeFrame && !final ? EchoVerdict::NeedMore : EchoVerdict::Differs;
    }
    case EchoExpected::No:
        return copyIsNoAnswer && received.startsWith(sent) ? EchoVerdict::Echo : EchoVerdict::NoEcho;
    case EchoExpected::Unknown:
        break;
    }
    if (received.isEmpty())
        return EchoVerdict::NeedMore;
    if (!beginsLikeFrame) {
        // As many bytes as the frame, from the address byte on, where its echo would be: no terminal's
        // answer is that long, an echo with a byte changed is.
        if (received.front() != sent.front())
            return EchoVerdict::NoEcho;
        if (received.size() >= (copyIsNoAnswer ? sent.size() : sent.size() + replyLength))
            return EchoVerdict::Differs;
        // The read-serial answer is as long as its question's echo and more: what follows tells.
        return !copyIsNoAnswer && !final ? EchoVerdict::NeedMore : EchoVerdict::NoEcho;
    }
    // The echo is whole at once; an answer that begins like the frame (a 1-byte answer is the address byte)
    // is told from the echo's beginning by what follows it while the rest of the frame would be coming back.
    const qsizetype echoAndAnswer = copyIsNoAnswer ? sent.size() : sent.size() + replyLength;
    if (received.size() >= echoAndAnswer)
        return EchoVerdict::Echo;
    // Fewer bytes than an answer: only the end of the wait tells, a bare copy of the frame then being its echo.
    if (received.size() < replyLength)
        return final ? (received.size() >= sent.size() ? EchoVerdict::Echo : EchoVerdict::NoEcho) : EchoVerdict::NeedMore;
    // An answer that may begin like the question: a line remembered without echo reads it at once.
    if (!copyIsNoAnswer && remembered == false)
        return EchoVerdict::NoEcho;
    return final ? EchoVerdict::NoEcho : EchoVerdict::NeedMore;
}
