// The download program's window, headless.

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include "support/page-server.h"
#include "test-support.h"
#include "transfer-window.h"

namespace velmora {
namespace {

using test::PageBehavior;

TEST(TransferWindowTest, ClosingWhileTheServerStallsWaitsForTheWorkerBeforeTheResultIsRead)
{
    test::TempDir dir;
    test::PageServer server;
    server.Route("/slow.mp3", {PageBehavior::Kind::Stall, std::string(1000, 'x')});
    CTransferWindow window(server.Url("/slow.mp3"), dir.Path());
    window.show();
    window.Start();
    ASSERT_TRUE(test::WaitFor([&] {
        QApplication::processEvents();
        return std::filesystem::exists(dir.File("slow.mp3.part"));
    }));
    const auto start = std::chrono::steady_clock::now();
    window.close();
    // The worker has ended by now, so its result can be read safely.
    EXPECT_FALSE(window.Succeeded());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the stop is seen at once";
    server.ReleaseHangs();
}

TEST(TransferWindowTest, FileNamesFromTheWebAreShownAsPlainText)
{
    test::TempDir dir;
    CTransferWindow window("http://127.0.0.1:9/%3Cb%3Ebold%3C%2Fb%3E%3Cimg%20src=x%3E.mp3", dir.Path());
    bool found = false;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().contains(QStringLiteral("<b>bold"))) {
            found = true;
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
        }
    }
    EXPECT_TRUE(found);
}

} // namespace
} // namespace velmora
