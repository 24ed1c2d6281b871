// The window holding 10^6 results: the longest stall of its event loop while
// they stream in, the time from selecting a server with all of them to a
// first screen, and the time a new search takes to give control back.

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/ui/main-window.h"
#include "gap-meter.h"
#include "platform/message-queue.h"

namespace {

constexpr int kResults = 1000000;

std::string MakeFolder(const std::string& settings)
{
    std::string folder = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    folder = ::mkdtemp(folder.data()) ? folder : ".";
    std::ofstream(folder + "/settings.dat") << "[Settings]\nFilter=0\nAutoTest=0\n" << settings;
    return folder;
}

// What browsing one big server brings: files in a few thousand folders.
velmora::Message BrowsedLink(int n)
{
    velmora::Message link;
    link.id = velmora::kMsgFoundFtpLink;
    link.jobId = 1;
    link.link = std::make_unique<velmora::FoundLink>();
    link.link->text = "ftp://big.example.org/pub/area" + std::to_string(n % 50) + "/dir" + std::to_string(n % 2000) +
                      "/file" + std::to_string(n) + ".mp3";
    return link;
}

// A worker thread posts every link while a 1 ms timer on the window's
// thread notes the longest wait between its ticks.
void BM_EventLoopGapWhileResultsStreamIn(benchmark::State& state)
{
    for (auto _ : state) {
        const std::string folder = MakeFolder("");
        double longest = 0;
        double took = 0;
        {
            velmora::MainWindow window(folder);
            window.show();
            velmora::SearchSession& session = window.GetSession();
            session.OnSearch("x"); // no engines: over at once, intake on
            // The window's first layout and paint are not the stream's.
            QElapsedTimer settle;
            settle.start();
            while (settle.elapsed() < 500)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            GapMeter meter;
            std::atomic<bool> posted{false};
            std::thread worker([&] {
                for (int n = 0; n < kResults; ++n)
                    session.GetQueue()->Post(BrowsedLink(n));
                posted = true;
            });
            while (!posted || session.GetQueue()->Size() > 0 || session.GetResultCount() < kResults)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            worker.join();
            took = static_cast<double>(meter.ElapsedMs()) / 1000.0;
            longest = meter.LongestMs();
        }
        state.counters["max_gap_ms"] = longest;
        state.counters["stream_s"] = took;
        std::filesystem::remove_all(folder);
    }
}
BENCHMARK(BM_EventLoopGapWhileResultsStreamIn)->Iterations(1)->Unit(benchmark::kMillisecond);

// The window with 10^6 results of one server, filled outside the timing.
struct FullWindow {
    std::string folder;
    std::unique_ptr<velmora::MainWindow> window;

    explicit FullWindow(int viewStyle) : folder(MakeFolder("ViewStyle=" + std::to_string(viewStyle) + "\n"))
    {
        window = std::make_unique<velmora::MainWindow>(folder);
        window->show();
        window->GetSession().OnSearch("x");
        for (int n = 0; n < kResults; ++n)
            window->GetSession().HandleMessage(BrowsedLink(n));
        QApplication::processEvents();
    }
    ~FullWindow()
    {
        window.reset();
        std::filesystem::remove_all(folder);
    }
};

void BM_SelectServerWithAMillionResults(benchmark::State& state)
{
    FullWindow full(static_cast<int>(state.range(0)));
    auto* servers = full.window->findChild<QTreeWidget*>("serverTree");
    auto* results = full.window->findChild<QAbstractItemView*>("resultsView");
    QTreeWidgetItem* server = servers->topLevelItem(0)->child(0);
    for (auto _ : state) {
        servers->setCurrentItem(servers->topLevelItem(0));
        QApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        servers->setCurrentItem(server);
        results->viewport()->repaint(); // the first screen, drawn
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
    state.counters["rows"] = results->model()->rowCount();
}
BENCHMARK(BM_SelectServerWithAMillionResults)
    ->Arg(1)
    ->Arg(3)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// From "Search" over 10^6 held results until the window could take input.
void BM_NewSearchOverAMillionResults(benchmark::State& state)
{
    for (auto _ : state) {
        FullWindow full(1);
        auto* servers = full.window->findChild<QTreeWidget*>("serverTree");
        servers->setCurrentItem(servers->topLevelItem(0)->child(0));
        QApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        full.window->GetSession().OnSearch("y");
        QApplication::processEvents();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
}
BENCHMARK(BM_NewSearchOverAMillionResults)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
