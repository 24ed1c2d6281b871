#include "platform/name-lookup.h"

#include <netdb.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/worker-pool.h"

namespace velmora {

namespace {

constexpr std::chrono::milliseconds kStopPoll{100};

// What the look-up thread and the waiting call share.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    LookupResult result;
};

} // namespace

namespace {

LookupResult Resolve(const std::string& host, unsigned port, int flags)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    LookupResult result;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return result;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        ResolvedAddress address;
        address.family = entry->ai_family;
        address.socketType = entry->ai_socktype;
        address.protocol = entry->ai_protocol;
        std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        result.addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    result.status = result.addresses.empty() ? LookupStatus::NotFound : LookupStatus::Ok;
    return result;
}

} // namespace

LookupResult ResolveWithSystem(const std::string& host, unsigned port)
{
    return Resolve(host, port, 0);
}

LookupResult LookUpHost(const std::string& host, unsigned port, std::chrono::milliseconds timeout,
                        const std::atomic<bool>* stop, const Resolver& resolver)
{
    // An address written as numbers needs no look-up, so no thread to wait
    // on: a test pass over many such servers starts one thread less each.
    if (LookupResult numeric = Resolve(host, port, AI_NUMERICHOST); numeric.status == LookupStatus::Ok)
        return numeric;
    auto lookup = std::make_shared<Lookup>();
    // The system's look-up cannot be stopped: its job may outlast the wait.
    const bool started = WorkerPool::Shared().Run([lookup, host, port, resolver] {
        LookupResult result = resolver(host, port);
        const std::lock_guard lock(lookup->mutex);
        lookup->result = std::move(result);
        lookup->finished = true;
        lookup->done.notify_all();
    });
    if (!started)
        return {};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(lookup->mutex);
    while (!lookup->finished) {
        if (stop && stop->load())
            return {LookupStatus::Stopped, {}};
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return {LookupStatus::TimedOut, {}};
        lookup->done.wait_for(lock, std::min<std::chrono::steady_clock::duration>(deadline - now, kStopPoll));
    }
    return std::move(lookup->result);
}

} // namespace velmora
