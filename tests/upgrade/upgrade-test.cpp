#include <stdlib.h>

#include <gtest/gtest.h>

#include "platform/message-queue.h"
#include "settings/date-stamp.h"
#include "settings/profile-store.h"
#include "support/page-server.h"
#include "test-support.h"
#include "upgrade/update-request.h"
#include "upgrade/upgrade-offer.h"

namespace velmora {
namespace {

using test::PageBehavior;
using test::WriteFile;

TEST(UpgradeVersionTest, OnlyVersionsAbove2Point2Build0AreNewer)
{
    EXPECT_TRUE(IsNewerVersion(2, 2, 1));
    EXPECT_TRUE(IsNewerVersion(2, 3, 0));
    EXPECT_TRUE(IsNewerVersion(3, 0, 0));
    EXPECT_FALSE(IsNewerVersion(2, 2, 0));
    EXPECT_FALSE(IsNewerVersion(2, 1, 9));
    EXPECT_FALSE(IsNewerVersion(1, 9, 9));
}

class UpgradeOfferTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string answer = dir.File("update.tmp");
};

TEST_F(UpgradeOfferTest, LocationsAreSortedAndTakeTheAddressOfTheirPosition)
{
    WriteFile(answer, "[Version]\r\nMajor=2\r\nMinor=3\r\nBuild=0\r\n[Download]\r\nCount=2\r\n"
                      "Location1=b-mirror\r\nLocation2=A-mirror\r\nURL0=http://first/\r\nURL1=http://second/\r\n");
    const VersionOffer offer = ReadVersionOffer(answer);
    ASSERT_TRUE(offer.newer);
    ASSERT_EQ(offer.locations.size(), 2u);
    EXPECT_EQ(offer.locations[0].label, "A-mirror");
    EXPECT_EQ(offer.locations[0].url, "http://first/");
    EXPECT_EQ(offer.locations[1].url, "http://second/");
}

TEST_F(UpgradeOfferTest, CountMissingZeroOrHugeIsHandled)
{
    WriteFile(answer, "[Version]\nMajor=3\n");
    EXPECT_TRUE(ReadVersionOffer(answer).newer);
    EXPECT_TRUE(ReadVersionOffer(answer).locations.empty());
    WriteFile(answer, "[Version]\nMajor=3\n[Download]\nCount=4294967295\n");
    EXPECT_EQ(ReadVersionOffer(answer).locations.size(), kMaxLocations);
    WriteFile(answer, "[Download]\nCount=1\nLocation1=x\n");
    EXPECT_FALSE(ReadVersionOffer(answer).newer) << "no Version section reads 0.0 build 0";
    EXPECT_TRUE(ReadVersionOffer(answer).locations.empty());
}

TEST_F(UpgradeOfferTest, EnginesArePreselectedWhenTheirStampReadsHigher)
{
    WriteFile(answer, "[Greater]\nDate= 8122026\n[Equal]\nDate= 6122026\n[Smaller]\nDate= 1122026\n"
                      "[New]\nDate= 1 12001\n[NoStamp]\nQuery=x\n");
    WriteFile(dir.File("settings.dat"), "[Greater]\nDate= 6122026\n[Equal]\nDate= 6122026\n[Smaller]\nDate= 6122026\n"
                                        "[NoStamp]\nDate= 1 12001\n");
    std::vector<std::pair<std::string, bool>> offered;
    for (const EngineOffer& engine : ReadEngineOffer(answer, dir.File("settings.dat")))
        offered.emplace_back(engine.name, engine.preselected);
    EXPECT_EQ(offered,
              (std::vector<std::pair<std::string, bool>>{
                  {"Equal", false}, {"Greater", true}, {"New", true}, {"NoStamp", false}, {"Smaller", false}}));
}

TEST_F(UpgradeOfferTest, ClientsWithAPathAreNotOfferedEvenAnEmptyOne)
{
    WriteFile(answer, "[lftp]\nPath=lftp\n[ncftp]\nPath=ncftpget\n[Empty]\nPath=x\n[Nulled]\nPath=y\n[Gone]\n");
    WriteFile(dir.File("clients.dat"), "[lftp]\nPath=lftp\n[Empty]\nPath=\n[Nulled]\nPath=Null\n[Gone]\nArgs=x\n");
    EXPECT_EQ(ReadClientOffer(answer, dir.File("clients.dat")), (std::vector<std::string>{"Gone", "ncftp", "Nulled"}));
}

TEST_F(UpgradeOfferTest, StampsCompareAsDatesWhenBothReadAsDates)
{
    WriteFile(answer, "[NewYear]\nDate= 1 12027\n[LaterDay]\nDate=30 42026\n[OldStyle]\nDate=99\n");
    WriteFile(dir.File("settings.dat"), "[NewYear]\nDate=31122026\n[LaterDay]\nDate= 6 42026\n[OldStyle]\nDate=7\n");
    std::vector<std::pair<std::string, bool>> offered;
    for (const EngineOffer& engine : ReadEngineOffer(answer, dir.File("settings.dat")))
        offered.emplace_back(engine.name, engine.preselected);
    EXPECT_EQ(offered,
              (std::vector<std::pair<std::string, bool>>{{"LaterDay", true}, {"NewYear", true}, {"OldStyle", true}}))
        << "1 January 2027 is later than 31 December 2026, though 1122027 < 31122026";
    EXPECT_FALSE(IsLaterStamp(" 6122026", "31122026")) << "6 December is before 31 December";
    EXPECT_TRUE(IsLaterStamp("30 42000", " 1 11999"));
    EXPECT_EQ(ParseDateStamp(" 6122026"), (StampDate{2026, 12, 6}));
    EXPECT_FALSE(ParseDateStamp("12345678")) << "month 34";
}

TEST_F(UpgradeOfferTest, AnAnswerCannotOfferTheGeneralSection)
{
    WriteFile(answer, "[settings]\nMaxthreads=1000\nFTPClient=evil\nDate=99999999\n[Eng]\nQuery=x\n");
    const auto offered = ReadEngineOffer(answer, dir.File("settings.dat"));
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].name, "Eng");
    const std::string settings = dir.File("settings.dat");
    WriteFile(settings, "[Settings]\nMaxthreads=3\n");
    EXPECT_TRUE(MergeSections(answer, settings, {"Settings", "Eng"}, EngineMerge()).ok);
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Settings", "Maxthreads", "", 64), "3");
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Settings", "FTPClient", "none", 64), "none");
    EXPECT_EQ(SplitNulList(ProfileSnapshot(settings).GetSection("Settings", 2048)),
              (std::vector<std::string>{"Maxthreads=3"}))
        << "not even the keys an engine merge copies (its Date) reach the general section";
}

TEST_F(UpgradeOfferTest, ANewEngineArrivesWithTheCataloguesTickAndAKnownOneKeepsTheUsers)
{
    WriteFile(answer, "[Shy]\nQuery=http://s/?q=%s\nSearch=N\n[Keen]\nQuery=http://k/?q=%s\nSearch=Y\n"
                      "[Mine]\nQuery=http://m/?q=%s\nSearch=N\n");
    const std::string settings = dir.File("settings.dat");
    WriteFile(settings, "[Mine]\nQuery=old\nSearch=Y\n");
    ASSERT_TRUE(MergeSections(answer, settings, {"Shy", "Keen", "Mine"}, EngineMerge()).ok);
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Shy", "Search", "absent", 64), "N")
        << "an engine the catalogue leaves unticked does not arrive ticked";
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Keen", "Search", "absent", 64), "Y");
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Mine", "Search", "absent", 64), "Y") << "the user's own tick";
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Mine", "Query", "", 64), "http://m/?q=%s");
}

TEST_F(UpgradeOfferTest, MergingCopiesOnlyTheDefiningKeysAndKeepsTheUsersOwn)
{
    WriteFile(answer, "[Eng]\nQuery=http://e/?q=%s\nType=S\nDate= 6122026\nSearch=Y\nEvil=1\n[Other]\nQuery=o\n"
                      "[lftp]\nPath=/tmp/evil\nArgs=-f %s\nQuote=none\nDate=1\nExtra=x\n");
    const std::string settings = dir.File("settings.dat");
    WriteFile(settings, "[Settings]\nMaxthreads=3\n[Eng]\nURL=http://old/\nQuery=old\nSearch=N\n");
    const MergeResult merged = MergeSections(answer, settings, {"Eng", "Missing"}, EngineMerge());
    EXPECT_TRUE(merged.ok);
    EXPECT_EQ(merged.merged, (std::vector<std::string>{"Eng"}));
    EXPECT_EQ(test::ReadFile(settings),
              "[Settings]\nMaxthreads=3\n[Eng]\nQuery=http://e/?q=%s\nSearch=N\nType=S\nDate=6122026\n")
        << "the answer's URL is missing, so the old one goes; the user's tick stays";
    const std::string clients = dir.File("clients.dat");
    WriteFile(clients, "[lftp]\nPath=lftp\n");
    EXPECT_TRUE(MergeSections(answer, clients, {"lftp"}, ClientMerge()).ok);
    EXPECT_EQ(test::ReadFile(clients), "[lftp]\nPath=/tmp/evil\nArgs=-f %s\nQuote=none\n");
}

TEST_F(UpgradeOfferTest, AMergedJsonEngineKeepsTheUsersKeyUnlessItsAddressMovesSite)
{
    WriteFile(answer, "[Api]\nQuery=https://API.example/v2?q=%s&p=%n\nFormat=json\nResults=web.results[].url\n"
                      "Header=X-Token: %k\nKey=\nPages=2\nDate= 8122026\n"
                      "[Moved]\nQuery=https://evil.example/?q=%s&k=%k\nKey=\n"
                      "[New]\nQuery=https://n.example/?q=%s\nKey=public\nHeader=API-Key: %k\nSearch=N\n");
    const std::string settings = dir.File("settings.dat");
    WriteFile(settings, "[Api]\nQuery=https://api.example/v1?q=%s\nKey=mine-1\nPages=5\nPageSize=7\n"
                        "[Moved]\nQuery=https://api.example/?q=%s\nKey=mine-2\n");
    const MergeResult merged = MergeSections(answer, settings, {"Api", "Moved", "New"}, EngineMerge());
    ASSERT_TRUE(merged.ok);
    const ProfileSnapshot result(settings);
    EXPECT_EQ(result.FindValue("Api", "Key"), "mine-1") << "the same site: the user's key stays";
    EXPECT_EQ(result.FindValue("Api", "Format"), "json");
    EXPECT_EQ(result.FindValue("Api", "Results"), "web.results[].url");
    EXPECT_EQ(result.FindValue("Api", "Header"), "X-Token: %k");
    EXPECT_EQ(result.FindValue("Api", "Pages"), "2");
    EXPECT_FALSE(result.FindValue("Api", "PageSize")) << "how it is asked is the catalogue's";
    EXPECT_FALSE(result.FindValue("Moved", "Key")) << "a key never follows its engine to another site";
    EXPECT_EQ(result.FindValue("New", "Key"), "public") << "a new engine arrives with the catalogue's key";
    EXPECT_EQ(merged.unkeyed, (std::vector<std::string>{"Moved"}));
    EXPECT_NE(DescribeMerge(merged).find("Moved now asks another site, so its API key was removed"), std::string::npos);
    EXPECT_EQ(DescribeMerge(merged).find("mine-"), std::string::npos);
}

TEST_F(UpgradeOfferTest, MergingNeverCutsAnEntry)
{
    WriteFile(answer, "[Other]\nQuery=o\nType=S\n");
    const std::string settings = dir.File("settings.dat");
    EXPECT_TRUE(MergeSections(answer, settings, {"Other"}, MergeKind{EngineMerge().keys, 14}).ok);
    EXPECT_EQ(SplitNulList(ProfileSnapshot(settings).GetSection("Other", 2048)), (std::vector<std::string>{"Query=o"}))
        << "\"Query=o\" and its NUL fit 14 bytes with the closing NUL; \"Type=S\" does not";
}

TEST_F(UpgradeOfferTest, AnAnswerWithCrLfLineEndsMergesCleanValues)
{
    WriteFile(answer, ToAnswerFileText("[Eng]\r\nQuery=http://e/?q=%s\r\nDate= 6122026\r\n"));
    ASSERT_NE(test::ReadFile(answer).find("\r\r\n"), std::string::npos) << "the answer file holds CR CR LF";
    const std::string settings = dir.File("settings.dat");
    EXPECT_TRUE(MergeSections(answer, settings, {"Eng"}, EngineMerge()).ok);
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Eng", "Query", "", 1024), "http://e/?q=%s");
    EXPECT_EQ(test::ReadFile(settings).find('\r'), std::string::npos);
}

TEST_F(UpgradeOfferTest, AMergeThatCannotBeWrittenSaysSoAndChangesNothing)
{
    WriteFile(answer, "[A]\nQuery=a\n[B]\nQuery=b\n");
    const std::string settings = dir.File("no-folder/settings.dat");
    const MergeResult merged = MergeSections(answer, settings, {"A", "B"}, EngineMerge());
    EXPECT_FALSE(merged.ok);
    EXPECT_TRUE(merged.merged.empty());
    EXPECT_NE(merged.problem.find("could not be written"), std::string::npos);
}

TEST(UpdateAnswerTest, LinesEndInCrLf)
{
    EXPECT_EQ(ToAnswerFileText("[Version]\nMajor=2\nMinor=3\nBuild=0\n"),
              "[Version]\r\nMajor=2\r\nMinor=3\r\nBuild=0\r\n");
    EXPECT_EQ(ToAnswerFileText("a\r\nb"), "a\r\r\nb\r\n");
    EXPECT_EQ(ToAnswerFileText("\n\nx"), "\r\n\r\nx\r\n");
    EXPECT_EQ(ToAnswerFileText(""), "");
}

class UpdateFetchTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::PageServer service;
    std::string answer = dir.File("update.tmp");

    void SetUp() override
    {
        ::setenv("VELMORA_UPDATE_HOST", ("127.0.0.1:" + std::to_string(service.Port())).c_str(), 1);
    }
    void TearDown() override { ::unsetenv("VELMORA_UPDATE_HOST"); }

    Message Fetch(int mode)
    {
        auto job = std::make_shared<UpdateJob>();
        job->mode = mode;
        job->answerPath = answer;
        job->queue = std::make_shared<MessageQueue>();
        job->totalTimeoutSeconds = 10;
        UpdateThreadProc(job);
        auto message = job->queue->TryTake();
        EXPECT_TRUE(message);
        EXPECT_FALSE(job->queue->TryTake()) << "exactly one message";
        return message ? std::move(*message) : Message{};
    }
};

TEST_F(UpdateFetchTest, A200AnswerBecomesTheAnswerFile)
{
    service.Route("/~orlund/cgi-bin/updates/update.cgi?velmora_version",
                  {PageBehavior::Kind::Serve, "[Version]\nMajor=2\nMinor=3\nBuild=0\n"});
    const Message ready = Fetch(kModeVersion);
    EXPECT_EQ(ready.id, kMsgUpdateReady);
    EXPECT_EQ(ready.value, 1u);
    EXPECT_EQ(test::ReadFile(answer), "[Version]\r\nMajor=2\r\nMinor=3\r\nBuild=0\r\n");
    const auto heads = service.RequestHeads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_NE(heads[0].find("User-Agent: Velmora\r\n"), std::string::npos);
    EXPECT_NE(heads[0].find("Connection: Close\r\n"), std::string::npos);
}

TEST_F(UpdateFetchTest, FailedFetchesLeaveTheOldAnswerWhole)
{
    WriteFile(answer, "[Version]\r\nMajor=1\r\n");
    const Message missing = Fetch(kModeEngines);
    EXPECT_EQ(missing.value, 0u);
    EXPECT_EQ(missing.subject, 404u);
    EXPECT_EQ(DescribeUpdateFailure(404), "The update service at " + GetUpdateHost() +
                                              " has no such update (404): it may have moved; try again later.");
    EXPECT_EQ(DescribeUpdateFailure(503),
              "The update service at " + GetUpdateHost() + " is busy (503): try again in a few minutes.");
    EXPECT_EQ(DescribeUpdateFailure(500),
              "The update service at " + GetUpdateHost() + " answered with an error (500): try again later.");
    service.Route("/~orlund", {PageBehavior::Kind::CutMidway, "[Engine]\nQuery=x\n"});
    EXPECT_EQ(Fetch(kModeClients).value, 0u);
    service.Route("/~orlund", {PageBehavior::Kind::Flood, "", 200, {}, std::size_t{3} << 20});
    EXPECT_EQ(Fetch(kModeEngines).value, 0u) << "an answer over 1 MiB is refused";
    EXPECT_EQ(test::ReadFile(answer), "[Version]\r\nMajor=1\r\n");
    const std::string refused = "127.0.0.1:" + std::to_string(test::RefusedPort());
    ::setenv("VELMORA_UPDATE_HOST", refused.c_str(), 1);
    const Message unreachable = Fetch(kModeVersion);
    EXPECT_EQ(unreachable.value, 0u);
    EXPECT_EQ(DescribeUpdateFailure(static_cast<long>(unreachable.subject)),
              "The update service at " + refused +
                  " could not be reached: check the network (and any proxy set in the environment), then try again.");
}

} // namespace
} // namespace velmora
