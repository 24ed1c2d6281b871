#pragma once

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

// One address a name stands for, ready for socket() and connect().
struct ResolvedAddress {
    int family = 0;
    int socketType = 0;
    int protocol = 0;
    sockaddr_storage address{};
    socklen_t length = 0;
};

enum class LookupStatus { Ok, NotFound, TimedOut, Stopped };

struct LookupResult {
    LookupStatus status = LookupStatus::NotFound;
    std::vector<ResolvedAddress> addresses;
};

// The system resolver (getaddrinfo), which may take as long as it likes.
LookupResult ResolveWithSystem(const std::string& host, unsigned port);

using Resolver = std::function<LookupResult(const std::string& host, unsigned port)>;

// Looks a host name up with a deadline. The resolver cannot be interrupted,
// so it runs on a thread of its own that shares only its result with this
// call: when the deadline passes or the stop flag is set, this call returns
// and the look-up ends on its own later. A numeric address (IPv4 or IPv6)
// is read at once, without a thread or the resolver.
LookupResult LookUpHost(const std::string& host, unsigned port, std::chrono::milliseconds timeout,
                        const std::atomic<bool>* stop, const Resolver& resolver = ResolveWithSystem);

} // namespace velmora
