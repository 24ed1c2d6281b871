// The shown window on a real display (xcb) taking a search of 10^6 results
// from four engines on loopback, with the default settings (saving on): the
// longest stall of its event loop while they come in and in the 4 s after,
// the peak memory per result, the time from selecting their server to the
// first paint of the results, and a new search over them. Needs DISPLAY
// (scripts/bench.sh starts Xvfb and a window manager).

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/ui/main-window.h"
#include "gap-meter.h"
#include "support/page-server.h"

namespace {

constexpr int kEngines = 4;
constexpr int kResults = 1000000;

// One engine's page: its quarter of the files of one big server.
std::string EnginePage(int engine)
{
    std::string page = "<html><body>\n";
    for (int n = engine * (kResults / kEngines); n < (engine + 1) * (kResults / kEngines); ++n) {
        const std::string name = "file" + std::to_string(n) + ".mp3";
        page += "<a href=\"ftp://files.example.org/pub/area" + std::to_string(n % 50) + "/dir" +
                std::to_string(n % 2000) + "/" + name + "\">" + name + "</a>\n";
    }
    return page + "</body></html>\n";
}

// Kilobytes of a /proc/self/status line: VmRSS now, VmHWM the peak.
long StatusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(line.find_first_of("0123456789")));
    return 0;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Runs the window's event loop until `done` holds or `limit` passes, a
// 1 ms timer noting the longest wait between its ticks.
double RunLoop(const std::function<bool()>& done, int limitMs)
{
    QEventLoop loop;
    GapMeter* self = nullptr;
    GapMeter meter([&] {
        if (done() || (self && self->ElapsedMs() > limitMs))
            loop.quit();
    });
    self = &meter;
    loop.exec();
    return meter.LongestMs();
}

void Search(QWidget& window, const char* words)
{
    window.findChild<QLineEdit*>("searchWords")->setText(QString::fromLatin1(words));
    window.findChild<QPushButton*>("searchButton")->click();
}

void BM_WindowTakesAMillionResults(benchmark::State& state)
{
    velmora::test::PageServer server;
    for (int engine = 0; engine < kEngines; ++engine)
        server.Route("/engine" + std::to_string(engine),
                     {velmora::test::PageBehavior::Kind::Serve, EnginePage(engine)});
    for (auto _ : state) {
        std::string folder = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        folder = ::mkdtemp(folder.data()) ? folder : ".";
        std::ofstream settings(folder + "/settings.dat");
        settings << "[Settings]\nViewStyle=" << state.range(0) << "\n";
        for (int engine = 0; engine < kEngines; ++engine)
            settings << "[Engine " << engine << "]\nQuery=" << server.Url("/engine" + std::to_string(engine)) << "\n";
        settings.close();
        {
            velmora::MainWindow window(folder);
            window.resize(1100, 700);
            window.show();
            velmora::SearchSession& session = window.GetSession();
            RunLoop([] { return false; }, 500); // first layout and paint
            const long emptyKb = StatusKb("VmRSS:");
            const auto heapNow = [] { return static_cast<double>(::mallinfo2().uordblks + ::mallinfo2().hblkhd); };
            const double emptyHeap = heapNow();
            ResetPeak();

            QElapsedTimer clock;
            clock.start();
            Search(window, "file");
            double streamGap =
                RunLoop([&] { return !session.IsSearchRunning() && session.GetResultCount() >= kResults; }, 120000);
            state.counters["stream_s"] = static_cast<double>(clock.elapsed()) / 1000.0;
            state.counters["end_free_in_heap_B_per_result"] =
                static_cast<double>(::mallinfo2().fordblks) / std::max(1, session.GetResultCount());
            state.counters["end_heap_B_per_result"] = (heapNow() - emptyHeap) / std::max(1, session.GetResultCount());
            state.counters["end_B_per_result"] =
                static_cast<double>(StatusKb("VmRSS:") - emptyKb) * 1024.0 / std::max(1, session.GetResultCount());
            streamGap = std::max(streamGap, RunLoop([] { return false; }, 4000));
            state.counters["max_gap_ms"] = streamGap;
            state.counters["results"] = session.GetResultCount();
            state.counters["peak_B_per_result"] =
                static_cast<double>(StatusKb("VmHWM:") - emptyKb) * 1024.0 / std::max(1, session.GetResultCount());

            // Their server selected for the first time, then again.
            auto* servers = window.findChild<QTreeWidget*>("serverTree");
            auto* results = window.findChild<QAbstractItemView*>("resultsView");
            double slowestSelect = 0;
            for (int round = 0; round < 3; ++round) {
                servers->setCurrentItem(servers->topLevelItem(0));
                RunLoop([] { return false; }, 200);
                clock.restart();
                servers->setCurrentItem(servers->topLevelItem(0)->child(0));
                results->viewport()->repaint(); // the first screen, drawn and shown
                slowestSelect = std::max(slowestSelect, static_cast<double>(clock.nsecsElapsed()) / 1e6);
            }
            state.counters["select_ms"] = slowestSelect;
            state.counters["rows"] = results->model()->rowCount();

            // A new search over them: the click returns, then the loop runs.
            clock.restart();
            Search(window, "other");
            QApplication::processEvents();
            state.counters["new_search_ms"] = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            state.counters["after_new_gap_ms"] = RunLoop([] { return false; }, 1000);
        }
        std::filesystem::remove_all(folder);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench-window-scale: no DISPLAY; scripts/bench.sh starts one\n");
        return 0;
    }
    // Each view in a process of its own: a peak of memory is a process's,
    // and a second window in one process would reuse the first one's heap.
    const char* view = std::getenv("VELMORA_BENCH_VIEW");
    if (view == nullptr) {
        for (const char* each : {"1", "3"}) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::setenv("VELMORA_BENCH_VIEW", each, 1);
                ::execv("/proc/self/exe", argv);
                ::_exit(127);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
        }
        return 0;
    }
    benchmark::RegisterBenchmark("BM_WindowTakesAMillionResults", BM_WindowTakesAMillionResults)
        ->ArgName("view")
        ->Arg(std::atoi(view))
        ->Iterations(1)
        ->Unit(benchmark::kSecond)
        ->UseRealTime();
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
