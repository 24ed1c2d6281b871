#pragma once

#include <string_view>

namespace velmora {

// Where a server name written on a web page points, as far as the name
// itself tells (a literal address in any form the resolver reads, or a name
// that always means this machine); other names count as public.
enum class HostKind {
    Public,
    Private,   // 10/8, 172.16/12, 192.168/16, 100.64/10, fc00::/7
    Loopback,  // 127/8, ::1, localhost, 0.0.0.0
    LinkLocal, // 169.254/16 (cloud metadata services), fe80::/10, metadata names
};

HostKind ClassifyHost(std::string_view server);

// Private and loopback servers are on the user's own network or machine.
inline bool IsInternalHost(HostKind kind)
{
    return kind != HostKind::Public;
}

} // namespace velmora
