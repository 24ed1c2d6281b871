#include "results/host-kind.h"

#include <arpa/inet.h>

#include <cstdint>
#include <string>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

HostKind ClassifyIpv4(std::uint32_t address)
{
    const auto in = [address](std::uint32_t network, int bits) {
        return (address >> (32 - bits)) == (network >> (32 - bits));
    };
    if (in(0x7F000000, 8) || address == 0)
        return HostKind::Loopback;
    if (in(0xA9FE0000, 16))
        return HostKind::LinkLocal;
    if (in(0x0A000000, 8) || in(0xAC100000, 12) || in(0xC0A80000, 16) || in(0x64400000, 10))
        return HostKind::Private;
    return HostKind::Public;
}

HostKind ClassifyIpv6(const in6_addr& address)
{
    const std::uint8_t* b = address.s6_addr;
    static constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    bool mapped = true;
    bool zeroBeforeLast = true;
    for (int i = 0; i < 12; ++i) {
        mapped = mapped && b[i] == kMappedPrefix[i];
        zeroBeforeLast = zeroBeforeLast && b[i] == 0;
    }
    if (mapped)
        return ClassifyIpv4(static_cast<std::uint32_t>(b[12]) << 24 | static_cast<std::uint32_t>(b[13]) << 16 |
                            static_cast<std::uint32_t>(b[14]) << 8 | b[15]);
    if (zeroBeforeLast && b[12] == 0 && b[13] == 0 && b[14] == 0 && (b[15] == 1 || b[15] == 0))
        return HostKind::Loopback;
    if (b[0] == 0xFE && (b[1] & 0xC0) == 0x80)
        return HostKind::LinkLocal;
    // fd00:ec2::254, the metadata service's IPv6 address, is in fc00::/7.
    if ((b[0] & 0xFE) == 0xFC)
        return HostKind::Private;
    return HostKind::Public;
}

} // namespace

HostKind ClassifyHost(std::string_view server)
{
    // Asked for every found link: no allocation for a host name.
    const LoweredText name(server);
    const std::string_view lowered = name.View();
    if (lowered.size() > 2 && lowered.front() == '[' && lowered.back() == ']') {
        in6_addr address{};
        if (::inet_pton(AF_INET6, std::string(lowered.substr(1, lowered.size() - 2)).c_str(), &address) == 1)
            return ClassifyIpv6(address);
        return HostKind::Public;
    }
    // inet_aton reads every form the resolver takes for an address
    // ("2852039166", "0xA9.0xFE.43518"), so none slips past as a name; each
    // of them starts with a digit.
    in_addr address{};
    if (!lowered.empty() && lowered.front() >= '0' && lowered.front() <= '9' &&
        ::inet_aton(name.CString(), &address) != 0)
        return ClassifyIpv4(ntohl(address.s_addr));
    std::string_view bare = lowered;
    if (bare.ends_with('.'))
        bare.remove_suffix(1);
    if (bare == "localhost" || bare.ends_with(".localhost"))
        return HostKind::Loopback;
    if (bare == "metadata.google.internal" || bare == "metadata")
        return HostKind::LinkLocal;
    return HostKind::Public;
}

} // namespace velmora
