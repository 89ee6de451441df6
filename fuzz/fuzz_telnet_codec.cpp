// What a serial server sends, decoded by the Telnet codec: however the stream is cut, the same data and the
// same answers come out; the program's own data survives encoding and decoding unchanged; and the answers
// are only refusals and the one block of port settings.

#include "fuzz_check.h"
#include "telnet_codec.h"

#include <QList>

#include <cstddef>
#include <cstdint>

namespace {

struct Result
{
    QByteArray data;
    QByteArray reply;
    bool confirmed = false;
    bool refused = false;
    bool binaryRefused = false;
    QList<quint32> settings;  // as the server confirmed them
};

// Decoded in pieces whose lengths the `cuts` bytes give (1 to 16 each, over and over).
Result decodeInPieces(const QByteArray &stream, const QByteArray &cuts)
{
    TelnetCodec codec;
    Result result;
    qsizetype at = 0;
    for (qsizetype i = 0; at < stream.size(); ++i) {
        const qsizetype length = cuts.isEmpty() ? stream.size() : 1 + quint8(cuts.at(i % cuts.size())) % 16;
        const auto piece = codec.decode(stream.mid(at, length));
        result.data += piece.data;
        result.reply += piece.reply;
        at += length;
    }
    result.confirmed = codec.portSettingsConfirmed();
    result.refused = codec.comPortRefused();
    result.binaryRefused = codec.binaryRefused();
    result.settings = {codec.confirmedBaudRate(), codec.confirmedDataSize(), codec.confirmedParity(), codec.confirmedStopSize()};
    return result;
}

// The codec answers nothing but WONT or DONT for an option, and the port settings at most once.
bool answersAreWellFormed(QByteArray reply)
{
    const QByteArray settings = TelnetCodec::portSettings();
    if (const qsizetype at = reply.indexOf(settings); at >= 0 && at % 3 == 0)
        reply.remove(at, settings.size());
    if (reply.size() % 3 != 0)
        return false;
    for (qsizetype i = 0; i < reply.size(); i += 3) {
        const auto verb = quint8(reply.at(i + 1));
        if (quint8(reply.at(i)) != TelnetCodec::Iac || (verb != TelnetCodec::Wont && verb != TelnetCodec::Dont))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says how many of the next bytes give the cuts; the rest is the stream.
    const QByteArray input(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const qsizetype cutCount = qMin<qsizetype>(quint8(input.at(0)) % 8, input.size() - 1);
    const QByteArray cuts = input.mid(1, cutCount);
    const QByteArray stream = input.mid(1 + cutCount);

    // The server's stream: any cutting gives what it gives whole.
    const Result whole = decodeInPieces(stream, {});
    const Result pieces = decodeInPieces(stream, cuts);
    FUZZ_CHECK_INFO(whole.data == pieces.data, stream.toHex());
    FUZZ_CHECK_INFO(whole.reply == pieces.reply, stream.toHex());
    FUZZ_CHECK(whole.confirmed == pieces.confirmed && whole.refused == pieces.refused);
    FUZZ_CHECK(whole.binaryRefused == pieces.binaryRefused && whole.settings == pieces.settings);
    FUZZ_CHECK(whole.data.size() <= stream.size());
    FUZZ_CHECK_INFO(answersAreWellFormed(whole.reply), whole.reply.toHex());

    // The program's own bytes, as data: back unchanged, with nothing to answer.
    const QByteArray encoded = TelnetCodec::encode(stream);
    FUZZ_CHECK(encoded.size() == stream.size() + stream.count(char(TelnetCodec::Iac)));
    const Result back = decodeInPieces(encoded, cuts);
    FUZZ_CHECK_INFO(back.data == stream, back.data.toHex());
    FUZZ_CHECK(back.reply.isEmpty() && !back.confirmed);
    return 0;
}
