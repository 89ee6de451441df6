#pragma once

#include "telnet_codec.h"

#include <QByteArray>

#include <chrono>
#include <optional>

// A connected socket and what passes through it. Filled on the thread that opens it, then used on the
// line's own.
struct NetworkConnection
{
    enum class Taken { Some, Nothing, Closed, Failed };

    qintptr socket = -1;
    bool rfc2217 = false;
    TelnetCodec codec;
    QByteArray received;  // data from the terminal, not read yet
    QByteArray pending;   // bytes the socket did not take yet
    std::chrono::microseconds roundTrip{0};

    // Reads once from the socket (at most a few kilobytes, so a peer that never stops sending cannot keep
    // the caller here), decodes it and sends the Telnet answers it calls for. `raw`, when given, gets the
    // bytes as the server sent them. Closed only when nothing came before the end: what arrived with the
    // server's close is taken in first.
    Taken takeIn(QByteArray *raw = nullptr);
    // Something waits to be sent and the server has not asked for a pause.
    bool hasToSend() const { return !pending.isEmpty() && !(rfc2217 && codec.dataSuspended()); }
    // Sends what is pending, as much as the socket takes now (nothing while the server asked for a pause);
    // the system's error when a send failed.
    std::optional<int> sendPending();
    void close();
};
