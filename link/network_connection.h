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

    // Reads what the socket holds, decodes it and sends the Telnet answers it calls for. `raw`, when given,
    // gets the bytes as the server sent them.
    Taken takeIn(QByteArray *raw = nullptr);
    // Sends what is pending, as much as the socket takes now; the system's error when a send failed.
    std::optional<int> sendPending();
    void close();
};
