// The searches database: what a save keeps comes back whole, a damaged,
// newer or locked database is told in words and never crashes, and new
// results are told from those an earlier search of the same name held.

#include <gtest/gtest.h>

#include <filesystem>

#include <thread>

#include "platform/url-split.h"
#include "results/server-tree.h"
#include "store/search-store.h"
#include "store/sqlite-db.h"
#include "test-support.h"

namespace velmora {
namespace {

SavedResult Found(std::string server, std::string path, std::uint32_t service = kServiceHttp)
{
    SavedResult result;
    result.record.service = service;
    result.record.server = std::move(server);
    result.record.path = std::move(path);
    result.record.port = service == kServiceFtp ? 21 : 80;
    result.record.user = "anonymous";
    result.record.password = "velmora@example.org";
    result.engine = "One";
    return result;
}

SearchUpdate Update(std::string name, std::vector<SavedResult> results, std::int64_t id = 0)
{
    SearchUpdate update;
    update.id = id;
    update.name = name;
    update.words = std::move(name);
    update.when = 1765000000;
    update.servers = 1;
    update.newResults = std::move(results);
    return update;
}

std::unique_ptr<SearchStore> OpenIn(const test::TempDir& dir)
{
    Result<std::unique_ptr<SearchStore>> opened = SearchStore::Open(dir.Path(), 200);
    EXPECT_TRUE(opened) << opened.Why();
    return opened ? std::move(*opened) : nullptr;
}

// A save's id or a count, as the comparisons here take it; a failure
// fails the test with its sentence.
std::optional<std::int64_t> ValueOf(const Result<std::int64_t>& done)
{
    EXPECT_TRUE(done) << done.Why();
    return done ? std::optional<std::int64_t>(*done) : std::nullopt;
}

TEST(SearchStoreTest, ASavedSearchComesBackWithEveryFieldAndLaterSavesAddToIt)
{
    test::TempDir dir;
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    SavedResult listed = Found("ftp.example.net", "/pub/a b\xC3\xA9.iso", kServiceFtp);
    listed.record.port = 2121;
    listed.record.user = "joe";
    listed.record.password = "s3cret:@/";
    listed.record.size = 5000000000ull;
    listed.record.modified = 1700000000;
    listed.record.listed = true;
    listed.record.description = "Listed from the server's directory";
    listed.isNew = true;
    const auto id = ValueOf(store->Save(Update("blue moon", {listed, Found("files.org", "/m/moon.mp3")})));
    ASSERT_TRUE(id);

    SearchUpdate more = Update("blue moon", {Found("files.org", "/m/moon2.mp3")}, *id);
    more.servers = 2;
    more.verdicts = {{kGroupFtp, "ftp.example.net", true, "230 Login successful.", 1765000100},
                     {kGroupHttp, "files.org", false, "No server found", 1765000101}};
    ASSERT_EQ(ValueOf(store->Save(more)), id);
    // A newer verdict of a server replaces its older one.
    SearchUpdate retest = Update("blue moon", {}, *id);
    retest.servers = 2;
    retest.verdicts = {{kGroupHttp, "files.org", true, "HTTP/1.1 200 OK", 1765000200}};
    ASSERT_EQ(ValueOf(store->Save(retest)), id);

    store.reset();
    store = OpenIn(dir);
    const auto saved = store->Load(*id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->info.name, "blue moon");
    EXPECT_EQ(saved->info.when, 1765000000);
    EXPECT_EQ(saved->info.results, 3);
    EXPECT_EQ(saved->info.servers, 2);
    ASSERT_EQ(saved->results.size(), 3u);
    const SavedResult& first = saved->results[0];
    EXPECT_EQ(first.record.service, kServiceFtp);
    EXPECT_EQ(first.record.server, "ftp.example.net");
    EXPECT_EQ(first.record.port, 2121);
    EXPECT_EQ(first.record.path, "/pub/a b\xC3\xA9.iso");
    EXPECT_EQ(first.record.user, "joe");
    EXPECT_EQ(first.record.password, "s3cret:@/");
    EXPECT_EQ(first.record.size, 5000000000ull);
    EXPECT_EQ(first.record.modified, 1700000000);
    EXPECT_TRUE(first.record.listed);
    EXPECT_TRUE(first.isNew);
    EXPECT_EQ(first.engine, "One");
    EXPECT_FALSE(saved->results[1].record.size);
    EXPECT_FALSE(saved->results[1].isNew);
    EXPECT_EQ(saved->results[2].record.path, "/m/moon2.mp3");
    ASSERT_EQ(saved->verdicts.size(), 2u);
    for (const SavedVerdict& verdict : saved->verdicts) {
        EXPECT_TRUE(verdict.good) << verdict.server;
        if (verdict.server == "files.org") {
            EXPECT_EQ(verdict.reply, "HTTP/1.1 200 OK");
            EXPECT_EQ(verdict.taken, 1765000200);
        }
    }
}

TEST(SearchStoreTest, AFileCheckIsKeptWithItsResultAndALaterOneReplacesIt)
{
    test::TempDir dir;
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    SavedResult rounded = Found("files.org", "/a.iso");
    rounded.record.size = 1200000;
    rounded.record.sizeApproximate = true;
    SearchUpdate first = Update("moon", {rounded, Found("files.org", "/b.iso")});
    // A check of a result saved in the same save.
    first.checks = {
        {1, {false, std::nullopt, std::nullopt, 404, "The server has no such file (404 Not Found).", 1765000100}}};
    const auto id = ValueOf(store->Save(first));
    ASSERT_TRUE(id);
    SearchUpdate later = Update("moon", {}, *id);
    later.checks = {{0, {true, 1234567, 1700000000, 200, "The server has the file (200 OK).", 1765000200}},
                    {1, {true, 10, std::nullopt, 206, "The server has the file.", 1765000300}}};
    ASSERT_EQ(ValueOf(store->Save(later)), id);

    store.reset();
    store = OpenIn(dir);
    const auto saved = store->Load(*id);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->checks.size(), 2u);
    EXPECT_EQ(saved->checks[0].n, 0);
    EXPECT_TRUE(saved->checks[0].check.alive);
    EXPECT_EQ(saved->checks[0].check.size, std::optional<std::uint64_t>(1234567)) << "the exact size replaces none";
    EXPECT_EQ(saved->checks[0].check.modified, std::optional<std::int64_t>(1700000000));
    EXPECT_EQ(saved->checks[0].check.checkedAt, 1765000200);
    EXPECT_EQ(saved->results[0].record.size, std::optional<std::uint64_t>(1234567));
    EXPECT_EQ(saved->checks[1].check.status, 206) << "the later check replaces the earlier";
    EXPECT_EQ(saved->checks[1].check.reason, "The server has the file.");
    EXPECT_EQ(saved->results[1].record.size, std::optional<std::uint64_t>(10));
}

TEST(SearchStoreTest, SearchesAreFoundByNameAndListedNewestFirst)
{
    test::TempDir dir;
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    EXPECT_FALSE(store->FindLatest(std::nullopt));
    const auto moon1 = ValueOf(store->Save(Update("moon", {Found("Files.org", "/M/Moon.mp3")})));
    const auto sun = ValueOf(store->Save(Update("sun", {Found("sun.org", "/sun.mp3")})));
    const auto moon2 = ValueOf(store->Save(Update("moon", {Found("other.org", "/moon.ogg")})));
    ASSERT_TRUE(moon1 && sun && moon2);
    EXPECT_EQ(store->FindLatest("moon"), moon2);
    EXPECT_EQ(store->FindLatest("sun"), sun);
    EXPECT_EQ(store->FindLatest(std::nullopt), moon2);
    EXPECT_FALSE(store->FindLatest("nothing"));
    const auto listed = store->List(2);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].id, *moon2);
    EXPECT_EQ(listed[1].id, *sun);
    // Files are told apart as the duplicate check does (letter case aside),
    // and belong to one name and to the searches up to the one asked of.
    EXPECT_TRUE(store->HeldBefore("moon", *moon2, "files.ORG", "/m/moon.MP3"));
    EXPECT_TRUE(store->HeldBefore("moon", *moon2, "OTHER.org", "/moon.ogg"));
    EXPECT_FALSE(store->HeldBefore("moon", *moon1, "other.org", "/moon.ogg")) << "saved after";
    EXPECT_FALSE(store->HeldBefore("moon", *moon2, "sun.org", "/sun.mp3")) << "another name's";
    EXPECT_FALSE(store->HeldBefore("moon", *moon2, "files.org", "/m/moon.mp"));
    EXPECT_FALSE(store->HeldBefore("moon", *moon2, "files.org/m", "/moon.mp3"));
}

// The file's size once closed (the write-ahead log folded in); the store is
// opened again.
std::uintmax_t SizeWhenClosed(std::unique_ptr<SearchStore>& store, const test::TempDir& dir)
{
    store.reset();
    const auto size = std::filesystem::file_size(dir.File("velmora.db"));
    store = OpenIn(dir);
    return size;
}

TEST(SearchStoreTest, PruningAndForgettingDropRunsWithTheirResultsAndGiveTheSpaceBack)
{
    test::TempDir dir;
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    // Runs big enough that their pages show in the file's size.
    const auto run = [&](const std::string& name) {
        std::vector<SavedResult> results;
        for (int i = 0; i < 3000; ++i)
            results.push_back(Found("files.example.org", "/" + name + "/" + std::string(40, 'x') + std::to_string(i)));
        return ValueOf(store->Save(Update(name, std::move(results))));
    };
    const auto moon1 = run("moon");
    const auto sun = run("sun");
    const auto moon2 = run("moon");
    const auto moon3 = run("moon");
    ASSERT_TRUE(moon1 && sun && moon2 && moon3);
    const auto listed = store->ListLatestOfEach(10);
    ASSERT_EQ(listed.size(), 2u) << "each name once";
    EXPECT_EQ(listed[0].id, *moon3);
    EXPECT_EQ(listed[1].id, *sun);

    const auto before = SizeWhenClosed(store, dir);
    EXPECT_EQ(ValueOf(store->Prune("moon", 2)), 1);
    EXPECT_FALSE(store->Load(*moon1)) << "the oldest run went";
    EXPECT_TRUE(store->Load(*moon2) && store->Load(*moon3) && store->Load(*sun));
    const std::string firstFile = "/moon/" + std::string(40, 'x') + "0";
    EXPECT_FALSE(store->HeldBefore("moon", *moon1, "files.example.org", firstFile)) << "its results went with it";
    EXPECT_TRUE(store->HeldBefore("moon", *moon3, "files.example.org", firstFile));
    EXPECT_EQ(ValueOf(store->Prune("moon", 2)), 0);

    EXPECT_EQ(ValueOf(store->Forget("moon")), 2);
    EXPECT_EQ(ValueOf(store->Forget("moon")), 0);
    EXPECT_FALSE(store->FindLatest("moon"));
    EXPECT_EQ(store->FindLatest(std::nullopt), sun);
    EXPECT_LT(SizeWhenClosed(store, dir), before / 2) << "the pages were given back";
}

TEST(SearchStoreTest, ADatabaseMadeBeforeSpaceWasGivenBackShrinksAtItsFirstPrune)
{
    test::TempDir dir;
    {
        // A file without auto_vacuum, as earlier versions made it.
        SqliteDb db;
        ASSERT_TRUE(db.Open(dir.File("velmora.db"), 200));
        ASSERT_TRUE(db.Execute("PRAGMA auto_vacuum = NONE; CREATE TABLE filler(x); DROP TABLE filler;"));
    }
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    std::vector<SavedResult> results;
    for (int i = 0; i < 3000; ++i)
        results.push_back(Found("files.example.org", "/" + std::string(60, 'y') + std::to_string(i)));
    ASSERT_TRUE(ValueOf(store->Save(Update("old", std::move(results)))));
    ASSERT_TRUE(ValueOf(store->Save(Update("keep", {Found("a.org", "/a.mp3")}))));
    const auto before = SizeWhenClosed(store, dir);
    EXPECT_EQ(ValueOf(store->Forget("old")), 1);
    EXPECT_LT(SizeWhenClosed(store, dir), before / 2);
    ASSERT_TRUE(store);
    EXPECT_TRUE(store->FindLatest("keep"));
}

TEST(SearchStoreTest, TheEnginesASearchRanWithComeBackAndAnOlderDatabaseKeepsItsSearches)
{
    // A database as the first version wrote it: no engines column.
    test::TempDir dir;
    {
        SqliteDb db;
        ASSERT_TRUE(db.Open(dir.File(kSearchesFile), 200));
        ASSERT_TRUE(db.Execute(
            "CREATE TABLE searches(id INTEGER PRIMARY KEY, name TEXT NOT NULL, words TEXT NOT NULL, started INTEGER "
            "NOT NULL, results INTEGER NOT NULL DEFAULT 0, servers INTEGER NOT NULL DEFAULT 0);"
            "CREATE TABLE results(search INTEGER NOT NULL, n INTEGER NOT NULL, service INTEGER NOT NULL, server TEXT "
            "NOT NULL, port INTEGER NOT NULL, path TEXT NOT NULL, user TEXT NOT NULL, password TEXT NOT NULL, "
            "description TEXT NOT NULL, engine TEXT NOT NULL, size INTEGER, modified INTEGER, listed INTEGER NOT "
            "NULL, new INTEGER NOT NULL, PRIMARY KEY(search, n));"
            "CREATE TABLE verdicts(search INTEGER NOT NULL, grp INTEGER NOT NULL, server TEXT NOT NULL, good INTEGER "
            "NOT NULL, reply TEXT NOT NULL, taken INTEGER NOT NULL, PRIMARY KEY(search, grp, server));"
            "INSERT INTO searches(name, words, started, results) VALUES('old', 'old words', 1765000000, 1);"
            "INSERT INTO results VALUES(1, 0, 1, 'Files.org', 80, '/Old/Moon.mp3', '', '', '', 'One', NULL, NULL, 0, "
            "1);"
            "PRAGMA user_version = 1;"));
    }
    {
        // A reader does not change the file, and still reads it.
        Result<std::unique_ptr<SearchStore>> reading = SearchStore::OpenToRead(dir.Path(), 200);
        ASSERT_TRUE(reading) << reading.Why();
        const auto old = (*reading)->Load(1);
        ASSERT_TRUE(old);
        EXPECT_EQ(old->info.words, "old words");
        EXPECT_TRUE(old->info.engines.empty());
    }
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->Load(1)) << "the upgrade keeps the old searches";
    EXPECT_TRUE(store->Load(1)->checks.empty());
    EXPECT_TRUE(store->HeldBefore("old", 1, "files.org", "/old/moon.mp3")) << "and finds their files";
    EXPECT_FALSE(store->HeldBefore("old", 1, "files.org", "/old/sun.mp3"));
    SearchUpdate update = Update("moon", {Found("a.org", "/a.mp3")});
    update.engines = {"First engine", "Second [b]"};
    const auto id = ValueOf(store->Save(update));
    ASSERT_TRUE(id);
    store.reset();
    store = OpenIn(dir);
    const auto saved = store->Load(*id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->info.engines, (std::vector<std::string>{"First engine", "Second [b]"}));
}

TEST(SearchStoreTest, ADamagedNewerOrLockedDatabaseIsToldInWords)
{
    test::TempDir damaged;
    test::WriteFile(damaged.File(kSearchesFile), std::string(8192, 'x'));
    Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(damaged.Path(), 200);
    EXPECT_FALSE(opening);
    EXPECT_NE(opening.Why().find("is damaged"), std::string::npos) << opening.Why();
    EXPECT_EQ(test::ReadFile(damaged.File(kSearchesFile)), std::string(8192, 'x')) << "a damaged file is left alone";

    test::TempDir newer;
    {
        SqliteDb db;
        ASSERT_TRUE(db.Open(newer.File(kSearchesFile), 200));
        ASSERT_TRUE(db.Execute("PRAGMA user_version = 99"));
    }
    opening = SearchStore::Open(newer.Path(), 200);
    EXPECT_FALSE(opening);
    EXPECT_NE(opening.Why().find("newer Velmora"), std::string::npos) << opening.Why();

    test::TempDir locked;
    auto store = OpenIn(locked);
    ASSERT_TRUE(store);
    SqliteDb other;
    ASSERT_TRUE(other.Open(locked.File(kSearchesFile), 200));
    ASSERT_TRUE(other.Execute("BEGIN IMMEDIATE"));
    // The other connection never lets go: the save returns, so its wait is bounded.
    const Result<std::int64_t> refused = store->Save(Update("moon", {Found("a.org", "/a.mp3")}));
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.Why().find("locked"), std::string::npos) << refused.Why();
    ASSERT_TRUE(other.Execute("COMMIT"));
    EXPECT_TRUE(store->Save(Update("moon", {Found("a.org", "/a.mp3")}))) << "saves again once it is free";
}

TEST(SearchStoreTest, AFirstOpenWaitsForAnotherProgramThatIsCreatingTheDatabase)
{
    // Two programs making velmora.db at once: the second waits for the
    // first's transaction instead of giving up on its search at once.
    test::TempDir dir;
    SqliteDb other;
    ASSERT_TRUE(other.Open(dir.File(kSearchesFile), 200));
    ASSERT_TRUE(other.Execute("PRAGMA journal_mode=WAL; BEGIN IMMEDIATE; CREATE TABLE elsewhere(a);"));
    std::thread first([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        (void)other.Execute("COMMIT");
    });
    Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(dir.Path(), 10000);
    first.join();
    ASSERT_TRUE(opening) << opening.Why();
    EXPECT_TRUE(ValueOf((*opening)->Save(Update("moon", {Found("a.org", "/a.mp3")}))));
}

TEST(SearchStoreTest, ADatabaseInAFolderNobodyMayWriteIsStillListedAndRead)
{
    test::TempDir dir;
    {
        auto store = OpenIn(dir);
        ASSERT_TRUE(store);
        ASSERT_TRUE(ValueOf(store->Save(Update("moon", {Found("a.org", "/a.mp3")}))));
    }
    const test::UnchangeableFolder readOnly(dir.Path());
    if (!readOnly.Ok())
        GTEST_SKIP() << "chattr +i is not available on this file system";
    Result<std::unique_ptr<SearchStore>> writing = SearchStore::Open(dir.Path(), 200);
    EXPECT_FALSE(writing) << "the folder really refuses writing";
    Result<std::unique_ptr<SearchStore>> reading = SearchStore::OpenToRead(dir.Path(), 200);
    ASSERT_TRUE(reading) << reading.Why();
    const auto listed = (*reading)->List();
    ASSERT_EQ(listed.size(), 1u);
    const auto search = (*reading)->Load(listed[0].id);
    ASSERT_TRUE(search);
    ASSERT_EQ(search->results.size(), 1u);
    EXPECT_EQ(search->results[0].record.path, "/a.mp3");
}

} // namespace
} // namespace velmora
