#include "name_lookup.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {
std::atomic<NameLookup::Resolver> chosenResolver{nullptr};
} // namespace

// What the lookup's thread and the waiter share; the thread keeps it alive after the waiter has gone.
struct NameLookup::Shared
{
    std::mutex lock;
    std::condition_variable changed;
    bool answered = false;
    bool cancelled = false;
    NameLookupResult result;
};

NameLookupResult NameLookup::systemResolver(const QByteArray &host, quint16 port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo *found = nullptr;
    NameLookupResult result;
    if (const int error = ::getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found); error != 0) {
#ifdef Q_OS_WIN
        result.failure = SocketCalls::errorText(error);
#else
        result.failure = error == EAI_SYSTEM ? SocketCalls::errorText(SocketCalls::lastError())
                                             : QString::fromLocal8Bit(::gai_strerror(error));
#endif
        return result;
    }
    for (const addrinfo *entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        SocketAddress address{.family = entry->ai_family, .socketType = entry->ai_socktype,
                              .protocol = entry->ai_protocol, .length = int(entry->ai_addrlen)};
        std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        result.addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    return result;
}

void NameLookup::useResolver(Resolver resolver)
{
    chosenResolver = resolver;
}

NameLookup::NameLookup()
    : m_shared(std::make_shared<Shared>())
{
}

NameLookup::Outcome NameLookup::run(const QByteArray &host, quint16 port, const QDeadlineTimer &deadline,
                                    NameLookupResult &result)
{
    const Resolver chosen = chosenResolver.load();
    const Resolver resolver = chosen ? chosen : &NameLookup::systemResolver;
    std::thread([shared = m_shared, resolver, host, port] {
        NameLookupResult found = resolver(host, port);
        const std::lock_guard guard(shared->lock);
        shared->result = std::move(found);
        shared->answered = true;
        shared->changed.notify_all();
    }).detach();
    std::unique_lock guard(m_shared->lock);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline.remainingTime());
    m_shared->changed.wait_until(guard, until, [this] { return m_shared->answered || m_shared->cancelled; });
    if (m_shared->cancelled)
        return Outcome::Cancelled;
    if (!m_shared->answered)
        return Outcome::TimedOut;
    result = std::move(m_shared->result);
    return Outcome::Answered;
}

void NameLookup::cancel()
{
    const std::lock_guard guard(m_shared->lock);
    m_shared->cancelled = true;
    m_shared->changed.notify_all();
}
