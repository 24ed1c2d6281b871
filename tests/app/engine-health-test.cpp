// How each engine answered: the diagnosis of every outcome, and the hold an
// engine that asks to slow down gets.

#include <clocale>

#include "search/engine-hold.h"
#include "session-fixture.h"
#include "settings/profile-store.h"

namespace velmora {
namespace {

using test::PageBehavior;

class EngineHealthTest : public test::SessionTest {
protected:
    std::string HealthOf(std::size_t report) const { return HealthName(observer.reports.at(report).health); }
};

TEST_F(EngineHealthTest, EveryAnswerGetsItsDiagnosis)
{
    server.Route("/links", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/a.pdf") + test::Anchor("/about"), 200,
                            std::chrono::milliseconds(150)});
    server.Route("/nothing", {PageBehavior::Kind::Serve, test::Anchor("/a") + test::Anchor("/b") + test::Anchor("/c")});
    server.Route("/forbidden", {PageBehavior::Kind::Serve, "no", 403});
    server.Route("/accepted", {PageBehavior::Kind::Serve, "", 202});
    server.Route("/captcha", {PageBehavior::Kind::Serve, "<form id=\"challenge-form\">Are you a robot?</form>"});
    server.Route("/script",
                 {PageBehavior::Kind::Serve, "<html><noscript>Please turn JavaScript on.</noscript></html>"});
    server.Route("/gone", {PageBehavior::Kind::Serve, "gone", 410});
    server.Route("/big", {PageBehavior::Kind::Flood, "", 200, {}, std::size_t{3} << 20});
    sessionLimits.fetch.maxBytes = std::size_t{1} << 20;
    Open({{"Links", "/links"},
          {"Nothing", "/nothing"},
          {"Forbidden", "/forbidden"},
          {"Accepted", "/accepted"},
          {"Captcha", "/captcha"},
          {"Script", "/script"},
          {"Gone", "/gone"},
          {"Big", "/big"}},
         "Maxthreads=1\nFilter=0\n");
    ASSERT_TRUE(RunToEnd("manual"));
    ASSERT_EQ(observer.reports.size(), 8u);
    const std::vector<std::string> expected = {"links",     "no-file-links", "blocked",    "blocked",
                                               "challenge", "challenge",     "http-error", "too-big"};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(HealthOf(i), expected[i]) << i;
    EXPECT_EQ(observer.reports[0].links, 1);
    EXPECT_EQ(observer.reports[0].anchors, 2);
    EXPECT_EQ(observer.reports[1].anchors, 3);
    EXPECT_NE(observer.reports[1].reason.find("none of its 3 links"), std::string::npos);
    EXPECT_EQ(observer.reports[2].status, 403);
    EXPECT_EQ(Mark(0), kStateSuccess);
    EXPECT_EQ(Mark(1), kStateNothingFound) << "a page without file links no longer looks like a good one";
    EXPECT_EQ(Mark(2), kStateFailure);
    EXPECT_GE(observer.reports[0].ms, 150) << "the time taken includes the server's own delay";
    const auto heads = server.RequestHeads();
    ASSERT_FALSE(heads.empty());
    EXPECT_NE(heads[0].find("User-Agent: Velmora/2.2\r\n"), std::string::npos);
}

TEST_F(EngineHealthTest, ARetryAfterHoldsTheEngineAcrossSearchesAndRestarts)
{
    server.Route("/busy", {PageBehavior::Kind::Serve, "slow down", 429, {}, 0, false, "Retry-After: 600\r\n"});
    server.Route("/fine", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/a.pdf")});
    Open({{"Busy", "/busy"}, {"Fine", "/fine"}}, "Maxthreads=1\nFilter=0\n");
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_EQ(HealthOf(0), "blocked");
    ASSERT_TRUE(observer.reports[0].retryAfter);
    EXPECT_EQ(*observer.reports[0].retryAfter, 600);
    const EngineHold hold = ReadHold(dir.File("settings.dat"), "Busy");
    EXPECT_NEAR(static_cast<double>(hold.until), static_cast<double>(std::time(nullptr) + 600), 5.0);

    // A new session, as after a restart: the engine is skipped, not asked.
    const int asked = server.Requests();
    observer.reports.clear();
    session = std::make_unique<SearchSession>(dir.Path());
    session->SetObserver(&observer);
    session->Initialize();
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_EQ(server.Requests(), asked + 1) << "only the engine that is not held was asked";
    ASSERT_EQ(observer.reports.size(), 2u);
    EXPECT_EQ(HealthOf(0), "on-hold");
    EXPECT_NE(observer.reports[0].reason.find("waiting until "), std::string::npos);
    EXPECT_EQ(HealthOf(1), "links");
}

TEST_F(EngineHealthTest, TooManyRequestsWithoutRetryAfterHoldsLongerEachTime)
{
    EngineReport busy;
    busy.health = EngineHealth::Blocked;
    busy.scanned = true;
    busy.status = 429;
    const std::int64_t now = 1'000'000;
    EngineHold hold = NextHold(busy, {}, now);
    EXPECT_EQ(hold, (EngineHold{now + 5 * 60, 5}));
    for (const int minutes : {10, 20, 40, 60, 60}) {
        hold = NextHold(busy, hold, now);
        EXPECT_EQ(hold.minutes, minutes);
        EXPECT_EQ(hold.until, now + minutes * 60);
    }
    EngineReport fine;
    fine.health = EngineHealth::Links;
    fine.scanned = true;
    EXPECT_EQ(NextHold(fine, hold, now), EngineHold{}) << "a good answer ends the hold and its doubling";
    EngineReport unreachable;
    EXPECT_EQ(NextHold(unreachable, hold, now), hold);
    busy.status = 503;
    EXPECT_EQ(NextHold(busy, {}, now), EngineHold{}) << "a 503 without Retry-After holds nothing";
    busy.retryAfter = 30;
    EXPECT_EQ(NextHold(busy, {}, now).until, now + 30);
}

TEST_F(EngineHealthTest, AnEngineMayAskWithItsOwnUserAgent)
{
    server.Route("/e", {PageBehavior::Kind::Serve, ""});
    Open({{"Own", "/e"}});
    ProfileEdit::WriteString(dir.File("settings.dat"), "Own", "Agent", "Mozilla/5.0 (X11; Linux x86_64)");
    ASSERT_TRUE(RunToEnd("x"));
    ASSERT_EQ(server.RequestHeads().size(), 1u);
    EXPECT_NE(server.RequestHeads()[0].find("User-Agent: Mozilla/5.0 (X11; Linux x86_64)\r\n"), std::string::npos);
}

TEST(RetryAfterTest, SecondsAndHttpDatesAreRead)
{
    EXPECT_EQ(ParseRetryAfter("120", 0), 120);
    EXPECT_EQ(ParseRetryAfter("999999999", 0), 24 * 3600) << "no wait longer than a day is believed";
    const std::time_t now = 1'789'985'600; // 21 September 2026, 10:13:20 UTC
    EXPECT_EQ(ParseRetryAfter("Mon, 21 Sep 2026 12:00:00 GMT", now), 6400);
    EXPECT_EQ(ParseRetryAfter("Wed, 01 Jan 2020 00:00:00 GMT", now), 0) << "a date gone by waits for nothing";
    EXPECT_FALSE(ParseRetryAfter("soon", now));
    EXPECT_FALSE(ParseRetryAfter("Mon, 21 Foo 2026 12:00:00 GMT", now));
    EXPECT_FALSE(ParseRetryAfter("Mon, 21 Sep 2026 12:00:00", now));

    // The window runs in the user's locale, whose month and day names are
    // not HTTP's.
    const std::string before = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "Debian's locales-all gives this locale";
    EXPECT_EQ(ParseRetryAfter("Mon, 21 Sep 2026 12:00:00 GMT", now), 6400);
    EXPECT_EQ(ParseRetryAfter("Tue, 22 Dec 2026 12:00:00 GMT", now).has_value(), true);
    std::setlocale(LC_ALL, before.c_str());
}

} // namespace
} // namespace velmora
