// Which servers named on web pages are on the user's own network.

#include "results/host-kind.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(HostKindTest, EverySpellingOfAnAddressIsKnownForWhatItIs)
{
    for (const char* linkLocal :
         {"169.254.169.254", "2852039166", "0xA9FEA9FE", "0251.0376.0251.0376", "169.254.43518", "[fe80::1]",
          "[::ffff:169.254.169.254]", "metadata.google.internal", "METADATA.google.internal."})
        EXPECT_EQ(ClassifyHost(linkLocal), HostKind::LinkLocal) << linkLocal;
    for (const char* loopback :
         {"127.0.0.1", "127.1", "2130706433", "0x7f.1", "[::1]", "localhost", "a.localhost", "0.0.0.0", "0"})
        EXPECT_EQ(ClassifyHost(loopback), HostKind::Loopback) << loopback;
    for (const char* internal :
         {"10.1.2.3", "172.16.0.1", "172.31.255.255", "192.168.1.1", "100.64.0.1", "[fd00:ec2::254]", "[fc00::1]"})
        EXPECT_EQ(ClassifyHost(internal), HostKind::Private) << internal;
    for (const char* outside : {"172.32.0.1", "8.8.8.8", "files.example.org", "192.169.0.1", "[2001:db8::1]",
                                "localhost.example.org", "169.254.example.org"})
        EXPECT_EQ(ClassifyHost(outside), HostKind::Public) << outside;
}

TEST(HostKindTest, NamesOfAnyLengthAndCaseAreLoweredWhole)
{
    // A name longer than a host name may be is lowered apart from the
    // short ones; its end still counts.
    const std::string longLocal = std::string(300, 'a') + ".LOCALHOST";
    EXPECT_EQ(ClassifyHost(longLocal), HostKind::Loopback);
    EXPECT_EQ(ClassifyHost(std::string(300, 'a') + ".example.org"), HostKind::Public);
    const std::string exact(255, '1');
    EXPECT_EQ(ClassifyHost(exact), HostKind::Public) << "digits, but no address";
    EXPECT_EQ(ClassifyHost("LOCALHOST"), HostKind::Loopback);
    EXPECT_EQ(ClassifyHost(""), HostKind::Public);
}

} // namespace
} // namespace velmora
