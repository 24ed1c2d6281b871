// Servers are told apart by service, host and port: a host's FTP server and
// its web servers on two ports are three servers, each tested on its own,
// and each keeps its verdict in the saved search.

#include <gtest/gtest.h>

#include "app/session-fixture.h"
#include "store/sqlite-db.h"
#include "support/ftp-world.h"
#include "support/nginx-world.h"

namespace velmora {
namespace {

using test::PageBehavior;

class ServersByPortTest : public test::SessionTest {
protected:
    test::TempDir tree;

    int VerdictOf(std::size_t group, const std::string& label)
    {
        for (const ServerItem& item : session->GetServers().GetGroups()[group].servers) {
            if (item.text == label)
                return item.state;
        }
        return -1;
    }
};

TEST_F(ServersByPortTest, AHostsFtpServerAndTwoWebServersAreThreeServersWithAVerdictEach)
{
    test::WriteFile(tree.Path() + "/moon.iso", "moon");
    test::NginxServer nginx(tree.Path());
    test::FtpTestServer ftp(tree.Path());
    ASSERT_TRUE(nginx.IsRunning() && ftp.IsRunning());
    const std::uint16_t refused = test::RefusedPort();
    const std::string gone = "http://127.0.0.1:" + std::to_string(refused);
    server.Route("/page",
                 {PageBehavior::Kind::Serve, test::Anchor(nginx.Url("/moon.iso")) + test::Anchor(gone + "/moon.iso") +
                                                 test::Anchor(ftp.Url("/moon.iso"))});
    Open({{"Engine", "/page"}}, "Filter=0\n");
    session->SetSaving(true);
    ASSERT_TRUE(RunToEnd("moon"));
    const std::string web = "127.0.0.1:" + std::to_string(nginx.Port());
    const std::string other = "127.0.0.1:" + std::to_string(refused);
    const std::string files = "127.0.0.1:" + std::to_string(ftp.Port());
    EXPECT_EQ(ServersIn(kGroupHttp), (std::vector<std::string>{web, other}));
    EXPECT_EQ(ServersIn(kGroupFtp), (std::vector<std::string>{files}));
    EXPECT_EQ(session->GetResultCount(), 3) << "the same path on each server is a file of its own";

    session->OnRetestResults();
    ASSERT_TRUE(PumpUntil([&] { return !session->IsTestPassRunning(); }));
    EXPECT_EQ(VerdictOf(kGroupHttp, web), kStateSuccess);
    EXPECT_EQ(VerdictOf(kGroupHttp, other), kStateFailure);
    EXPECT_EQ(VerdictOf(kGroupFtp, files), kStateSuccess);

    // Another run of the program shows each verdict on its own server.
    session->FinishSaving();
    const Result<SearchStore*> store = session->GetStore();
    ASSERT_TRUE(store) << store.Why();
    const std::int64_t id = (*store)->FindLatest(std::nullopt).value_or(0);
    session.reset();
    Open({{"Engine", "/page"}}, "Filter=0\n");
    session->SetSaving(true);
    ASSERT_TRUE(session->OpenSavedSearch(id));
    EXPECT_EQ(VerdictOf(kGroupHttp, web), kStateSuccess);
    EXPECT_EQ(VerdictOf(kGroupHttp, other), kStateFailure);
    EXPECT_EQ(VerdictOf(kGroupFtp, files), kStateSuccess);
}

TEST_F(ServersByPortTest, AVerdictSavedByHostBeforeGoesToTheHostsFirstServer)
{
    // A search saved by an earlier version: its verdict named the host.
    server.Route("/page", {PageBehavior::Kind::Serve, ""});
    Open({{"Engine", "/page"}}, "Filter=0\n");
    session->SetSaving(true);
    const Result<SearchStore*> store = session->GetStore();
    ASSERT_TRUE(store) << store.Why();
    SearchUpdate old;
    old.name = old.words = "moon";
    old.when = 1765000000;
    old.servers = 2;
    for (const char* link : {"https://files.org:8443/a.iso", "http://files.org/b.iso"}) {
        SavedResult result;
        result.record = *MakeResultEntry(link, 0);
        old.newResults.push_back(result);
    }
    old.verdicts = {{kGroupHttp, "files.org", true, "HTTP/1.1 200 OK", 1765000100, false}};
    const Result<std::int64_t> id = (*store)->Save(old);
    ASSERT_TRUE(id) << id.Why();
    ASSERT_TRUE(session->OpenSavedSearch(*id));
    EXPECT_EQ(ServersIn(kGroupHttp), (std::vector<std::string>{"https://files.org:8443", "files.org"}));
    EXPECT_EQ(VerdictOf(kGroupHttp, "https://files.org:8443"), kStateSuccess)
        << "the server the earlier version tested: the host's first";
    EXPECT_EQ(VerdictOf(kGroupHttp, "files.org"), kStateUntested);
}

} // namespace
} // namespace velmora
