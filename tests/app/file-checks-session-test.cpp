// "Check Files" through the session: results found on nginx and pyftpdlib
// are checked, a gone file is told, sizes and dates come in, and the
// checks are kept with the saved search and shown again when it reopens.

#include <gtest/gtest.h>

#include "app/session-fixture.h"
#include "support/ftp-world.h"
#include "support/nginx-world.h"

namespace velmora {
namespace {

using test::PageBehavior;

constexpr std::int64_t kModified = 1735732800; // 2025-01-01 12:00:00 UTC

class CheckObserver : public test::RecordingObserver {
public:
    std::map<std::uint32_t, FileCheck> checked;
    void FileChecked(std::uint32_t result, const std::string&, const FileCheck& check) override
    {
        checked[result] = check;
    }
};

class FileChecksSessionTest : public test::SessionTest {
protected:
    test::TempDir tree;
    CheckObserver checks;

    void Put(const std::string& path, std::uint64_t bytes)
    {
        ASSERT_TRUE(test::WriteSizedFile(tree.Path() + path, bytes, kModified));
    }

    void OpenOn(const std::string& page)
    {
        server.Route("/page", {PageBehavior::Kind::Serve, page});
        Open({{"Engine", "/page"}}, "Filter=0\nBrowseDelayFactor=0\n");
        session->SetObserver(&checks);
        session->SetSaving(true);
    }

    std::vector<ResultId> AllResults() const
    {
        std::vector<ResultId> ids;
        for (std::size_t i = 0; i < session->GetResults().GetCount(); ++i)
            ids.push_back(static_cast<ResultId>(i));
        return ids;
    }

    // The result whose path ends so.
    ResultId Find(const std::string& ending) const
    {
        for (std::size_t i = 0; i < session->GetResults().GetCount(); ++i) {
            if (session->GetResults().GetPath(static_cast<ResultId>(i)).ends_with(ending))
                return static_cast<ResultId>(i);
        }
        return UINT32_MAX;
    }
};

TEST_F(FileChecksSessionTest, CheckedFilesTellWhetherTheyAreThereAndTheChecksAreKeptWithTheSearch)
{
    Put("/pub/moon.iso", 4096);
    Put("/pub/moon.img", 2 << 20);
    test::NginxServer nginx(tree.Path());
    test::FtpTestServer ftp(tree.Path());
    ASSERT_TRUE(nginx.IsRunning() && ftp.IsRunning());
    OpenOn(test::Anchor(nginx.Url("/pub/moon.iso")) + test::Anchor(nginx.Url("/pub/moon-gone.iso")) +
           test::Anchor(ftp.Url("/pub/moon.img")) + test::Anchor(ftp.Url("/pub/moon-gone.img")));
    ASSERT_TRUE(RunToEnd("moon"));
    ASSERT_EQ(session->GetResults().GetCount(), 4u);
    EXPECT_FALSE(session->GetResults().GetSize(0)) << "a search tells no size";

    session->CheckFiles(AllResults());
    EXPECT_TRUE(session->IsCheckRunning());
    EXPECT_TRUE(session->GetActivityText().starts_with("Checking files: ")) << session->GetActivityText();
    ASSERT_TRUE(PumpUntil([&] { return !session->IsCheckRunning(); }));
    EXPECT_EQ(checks.checked.size(), 4u);
    EXPECT_EQ(session->GetActivityText(), "Checked 4 files: 2 there, 2 not there");
    EXPECT_EQ(session->GetActiveThreads(), 0);

    const ResultId iso = Find("/moon.iso");
    const ResultId img = Find("/moon.img");
    ASSERT_TRUE(session->GetFileCheck(iso) && session->GetFileCheck(img));
    EXPECT_TRUE(session->GetFileCheck(iso)->alive);
    EXPECT_TRUE(session->GetFileCheck(img)->alive) << session->GetFileCheck(img)->reason;
    EXPECT_FALSE(session->GetFileCheck(Find("/moon-gone.iso"))->alive);
    EXPECT_FALSE(session->GetFileCheck(Find("/moon-gone.img"))->alive);
    EXPECT_EQ(session->GetResults().GetSize(iso), std::optional<std::uint64_t>(4096)) << "the size is filled in";
    EXPECT_EQ(session->GetResults().GetSize(img), std::optional<std::uint64_t>(2 << 20));
    EXPECT_EQ(session->GetResults().GetModified(img), std::optional<std::int64_t>(kModified));
    EXPECT_GT(session->GetFileCheck(iso)->checkedAt, 0);

    // Another run of the program reopens the search with its checks.
    const std::int64_t checkedAt = session->GetFileCheck(iso)->checkedAt;
    session->FinishSaving();
    const Result<SearchStore*> store = session->GetStore();
    ASSERT_TRUE(store) << store.Why();
    const std::int64_t id = (*store)->FindLatest(std::nullopt).value_or(0);
    session.reset();
    OpenOn("");
    const Result<SavedSearchInfo> opened = session->OpenSavedSearch(id);
    ASSERT_TRUE(opened) << opened.Why();
    const FileCheck* kept = session->GetFileCheck(Find("/moon.iso"));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->alive);
    EXPECT_EQ(kept->checkedAt, checkedAt);
    EXPECT_EQ(kept->size, std::optional<std::uint64_t>(4096));
    EXPECT_EQ(kept->status, 200);
    ASSERT_TRUE(session->GetFileCheck(Find("/moon-gone.img")));
    EXPECT_EQ(session->GetFileCheck(Find("/moon-gone.img"))->status, 550);
    EXPECT_EQ(session->GetResults().GetSize(Find("/moon.img")), std::optional<std::uint64_t>(2 << 20));
}

TEST_F(FileChecksSessionTest, StoppedChecksGiveBackTheirThreadsAndANewSearchForgetsTheChecks)
{
    // A server that never answers holds every check until it is stopped.
    server.Route("/hang", {PageBehavior::Kind::Hang});
    std::string page;
    for (int i = 0; i < 6; ++i)
        page += test::Anchor(server.Url("/hang/moon" + std::to_string(i) + ".iso"));
    OpenOn(page);
    ASSERT_TRUE(RunToEnd("moon"));
    ASSERT_EQ(session->GetResults().GetCount(), 6u);
    session->CheckFiles(AllResults());
    EXPECT_LE(session->GetActiveThreads(), 2) << "two connections to one host";
    EXPECT_GE(session->GetActiveThreads(), 1);
    session->StopChecks();
    EXPECT_FALSE(session->IsCheckRunning());
    EXPECT_EQ(session->GetActiveThreads(), 0);
    EXPECT_EQ(session->GetActivityText(), "Stopped");
    server.ReleaseHangs();
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(checks.checked.empty()) << "a stopped round tells nothing late";

    ASSERT_TRUE(RunToEnd("moon"));
    EXPECT_FALSE(session->GetFileCheck(0));
}

} // namespace
} // namespace velmora
