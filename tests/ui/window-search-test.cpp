// Searches typed into the window, against engines on a local server.

#include <QTest>

#include "support/scripted-server.h"
#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class WindowSearchTest : public test::WindowTest {
protected:
    test::PageServer server;

    std::string Engine(const std::string& name, const std::string& path, bool ticked = true)
    {
        return "[" + name + "]\nQuery=" + server.Url(path) + "\n" + (ticked ? "" : "Search=N\n");
    }

    void TypeAndPressEnter(const QString& words)
    {
        auto* edit = Find<QLineEdit>("searchWords");
        edit->setFocus();
        QTest::keyClicks(edit, words);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    QStringList Children(int group)
    {
        QStringList names;
        QTreeWidgetItem* root = Tree("serverTree")->topLevelItem(group);
        for (int i = 0; root != nullptr && i < root->childCount(); ++i)
            names << root->child(i)->text(0);
        return names;
    }
};

TEST_F(WindowSearchTest, EnterSearchesAndTheTreesAndCountsFollow)
{
    server.Route("/page", {PageBehavior::Kind::Serve,
                           "<a href=\"http://files.org/blue/moon.mp3\">Moon</a>"
                           "<a href=\"ftp://ftp.net/pub/blue.zip\">z</a>"
                           "<a href=\"http://files.org/blue/sky.mp3\">Sky</a>",
                           200, std::chrono::milliseconds(200)});
    Open(Engine("Good", "/page?q=%s") + Engine("Off", "/off", false) +
         "[Dead]\nQuery=http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/\n");
    TypeAndPressEnter("Blue");
    EXPECT_EQ(Caption(), "Stop");
    EXPECT_EQ(Tree("serverTree")->topLevelItemCount(), 2);
    EXPECT_EQ(Tree("serverTree")->topLevelItem(0)->text(0), "FTP");
    EXPECT_EQ(Tree("serverTree")->topLevelItem(1)->text(0), "HTTP");
    EXPECT_EQ(Status(1), "0");
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));

    QTreeWidget* engines = Tree("engineTree");
    EXPECT_EQ(MarkOf(engines->topLevelItem(0)), kStateSuccess);
    EXPECT_EQ(MarkOf(engines->topLevelItem(1)), kStateIdle);
    EXPECT_EQ(MarkOf(engines->topLevelItem(2)), kStateFailure);
    EXPECT_EQ(Children(0), QStringList{"ftp.net"});
    EXPECT_EQ(Children(1), QStringList{"files.org"});
    EXPECT_EQ(MarkOf(Tree("serverTree")->topLevelItem(1)->child(0)), kStateUntested);
    EXPECT_TRUE(Tree("serverTree")->topLevelItem(1)->isExpanded());
    EXPECT_EQ(Status(1), "3");
    EXPECT_EQ(Status(3), "0");
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/page?q=blue"}));
}

TEST_F(WindowSearchTest, UntickingInTheTreeKeepsAnEngineOut)
{
    server.Route("/", {PageBehavior::Kind::Serve, ""});
    Open(Engine("A", "/a") + Engine("B", "/b"));
    Tree("engineTree")->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    TypeAndPressEnter("x");
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/b"}));
}

TEST_F(WindowSearchTest, StopWhileWorkersRunZeroesTheCountAndMarks)
{
    server.Route("/hang", {PageBehavior::Kind::Hang});
    Open(Engine("H1", "/hang1") + Engine("H2", "/hang2"));
    TypeAndPressEnter("x");
    ASSERT_TRUE(Until([&] { return server.Requests() == 2; }));
    EXPECT_EQ(Status(3), "2");
    EXPECT_EQ(MarkOf(Tree("engineTree")->topLevelItem(0)), kStateRunning);
    Find<QPushButton>("searchButton")->click();
    EXPECT_EQ(Caption(), "Search");
    EXPECT_EQ(Status(3), "0");
    EXPECT_EQ(MarkOf(Tree("engineTree")->topLevelItem(0)), kStateIdle);
    // The stopped workers' own reports change nothing that shows.
    ASSERT_TRUE(Until([&] { return !window->GetSession().GetEngines().GetEngineItem(1)->job; }));
    EXPECT_EQ(MarkOf(Tree("engineTree")->topLevelItem(1)), kStateIdle);
    EXPECT_EQ(Status(3), "0");
}

TEST_F(WindowSearchTest, RefillingTheEnginesMidSearchIsSafe)
{
    server.Route("/slow", {PageBehavior::Kind::Serve, "<a href=\"http://h.org/x.mp3\">x</a>", 200,
                           std::chrono::milliseconds(300)});
    Open(Engine("A", "/slow1") + Engine("B", "/slow2"));
    TypeAndPressEnter("x");
    test::WriteFile(dir.File("settings.dat"), Engine("C", "/slow3"));
    window->GetCommand(Command::Search)->trigger(); // File > Search refills the tree
    EXPECT_TRUE(window->GetCommand(Command::Search)->isChecked());
    // Saving the ticks first writes A and B back, after C, without a query.
    ASSERT_EQ(Tree("engineTree")->topLevelItemCount(), 3);
    EXPECT_EQ(Tree("engineTree")->topLevelItem(0)->text(0), "C");
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    EXPECT_EQ(Status(1), "1") << "the reports of the old A and B still count";
    EXPECT_EQ(MarkOf(Tree("engineTree")->topLevelItem(0)), kStateIdle) << "C stands where the dispatcher had passed";
    EXPECT_EQ(MarkOf(Tree("engineTree")->topLevelItem(2)), kStateFailure) << "B now has no query";
}

TEST_F(WindowSearchTest, EachEnginesMarkAndTooltipSayHowItAnswered)
{
    server.Route("/files", {PageBehavior::Kind::Serve, "<a href=\"https://s.org/a.pdf\">A</a>"});
    server.Route("/none", {PageBehavior::Kind::Serve, "<a href=\"/about\">About</a>"});
    server.Route("/busy", {PageBehavior::Kind::Serve, "", 429});
    Open(Engine("Files", "/files") + Engine("None", "/none") + Engine("Busy", "/busy"));
    TypeAndPressEnter("a");
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    QTreeWidget* engines = Tree("engineTree");
    EXPECT_EQ(MarkOf(engines->topLevelItem(0)), kStateSuccess);
    EXPECT_EQ(MarkOf(engines->topLevelItem(1)), kStateNothingFound);
    EXPECT_EQ(MarkOf(engines->topLevelItem(2)), kStateFailure);
    EXPECT_EQ(engines->topLevelItem(0)->toolTip(0), "Files: Scanned: 1 file link.");
    EXPECT_TRUE(engines->topLevelItem(1)->toolTip(0).contains("none of its 1 links names a file"));
    EXPECT_TRUE(engines->topLevelItem(2)->toolTip(0).contains("429"));
    EXPECT_FALSE(GetTreeImage(kStateNothingFound).isNull());

    TypeAndPressEnter("b");
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    EXPECT_TRUE(engines->topLevelItem(2)->toolTip(0).contains("waiting until")) << "the held engine is skipped";
}

TEST_F(WindowSearchTest, TheStatusBarSaysWhatIsHappeningAndEscapeStopsTheSearch)
{
    server.Route("/files",
                 {PageBehavior::Kind::Serve, "<a href=\"http://a.org/x.mp3\">x</a><a href=\"http://a.org/y.mp3\">y</a>"
                                             "<a href=\"ftp://b.net/z.mp3\">z</a>"});
    server.Route("/hang", {PageBehavior::Kind::Hang});
    Open(Engine("Files", "/files") + Engine("Hang", "/hang"));
    TypeAndPressEnter("mp3");
    ASSERT_TRUE(Until([&] { return Status(1) == "3"; }));
    EXPECT_EQ(Status(4), "Searching: 1 of 2 engines answered");
    QTest::keyClick(Tree("engineTree"), Qt::Key_Escape);
    EXPECT_EQ(Caption(), "Search");
    EXPECT_EQ(Status(4), "Stopped");

    server.Route("/hang", {PageBehavior::Kind::Serve, ""});
    window->GetCommand(Command::SearchAgain)->trigger(); // F5: the same words again
    EXPECT_TRUE(Until([&] { return Status(4) == "Found 3 files on 2 servers"; })) << Status(4).toStdString();
    EXPECT_EQ(Caption(), "Search");
    server.ReleaseHangs();
}

TEST_F(WindowSearchTest, ASearchThatReachedNoEngineBlamesTheNetworkNotTheWords)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/";
    server.Route("/empty", {PageBehavior::Kind::Serve, "<p>nothing</p>"});
    Open("[Settings]\nAutoTest=1\n[A]\nQuery=" + refused + "a\n[B]\nQuery=" + refused + "b\n" +
         Engine("Empty", "/empty", false));
    TypeAndPressEnter("mp3");
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    EXPECT_TRUE(Until([&] { return Status(4) == "No engine could be reached: check the network"; }))
        << Status(4).toStdString();
    // One engine that answered with nothing is an ordinary empty search.
    Tree("engineTree")->topLevelItem(2)->setCheckState(0, Qt::Checked);
    window->GetCommand(Command::SearchAgain)->trigger(); // F5
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    EXPECT_TRUE(Until([&] { return Status(4) == "Found 0 files on 0 servers"; })) << Status(4).toStdString();
}

TEST_F(WindowSearchTest, ARunningTestPassIsStoppedByEscapeNotByTheSearchButton)
{
    // An FTP server that never greets keeps its test running.
    test::ScriptedServer silent([](test::ScriptedConnection& connection) { connection.Hold(); });
    server.Route("/page", {PageBehavior::Kind::Serve,
                           "<a href=\"ftp://127.0.0.1:" + std::to_string(silent.Port()) + "/a.mp3\">a</a>"});
    Open("[Settings]\nAutoTest=1\n" + Engine("E", "/page"), true);
    TypeAndPressEnter("a");
    ASSERT_TRUE(Until([&] { return Status(4) == "Testing servers: 0 of 1"; }));
    EXPECT_EQ(Caption(), "Search") << "the Search button is not the way to stop tests";
    EXPECT_TRUE(window->GetCommand(Command::StopTests)->isEnabled());
    QTest::keyClick(Find<QLineEdit>("searchWords"), Qt::Key_Escape);
    EXPECT_EQ(Status(4), "Stopped");
    EXPECT_FALSE(window->GetCommand(Command::StopTests)->isEnabled());
    EXPECT_EQ(Status(3), "0");
}

} // namespace
} // namespace velmora
