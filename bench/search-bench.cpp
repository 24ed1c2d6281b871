// Intake cost per link as the result list grows, and a whole search over
// local engines against its ideal time.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/search-session.h"
#include "support/page-server.h"

namespace {

using velmora::Message;
using velmora::SearchSession;

std::string MakeFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string(".");
}

Message LinkMessage(std::size_t n)
{
    Message message;
    message.id = velmora::kMsgFoundHttpLink;
    message.jobId = 1;
    message.link = std::make_unique<velmora::FoundLink>();
    message.link->text = "http://server" + std::to_string(n % 1000) + ".example.org/music/album" +
                         std::to_string(n / 1000) + "/track" + std::to_string(n) + ".mp3\tTrack " + std::to_string(n);
    return message;
}

void BM_IntakePerLink(benchmark::State& state)
{
    const std::string folder = MakeFolder();
    SearchSession session(folder);
    session.Initialize();
    session.GetViews().SetFilterForSession(false);
    session.OnSearch("track"); // no engines: the search ends at once, intake is on
    const auto held = static_cast<std::size_t>(state.range(0));
    for (std::size_t n = 0; n < held; ++n)
        session.HandleMessage(LinkMessage(n));
    std::size_t next = held;
    for (auto _ : state)
        session.HandleMessage(LinkMessage(next++));
    state.counters["held"] = static_cast<double>(session.GetResultCount());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_IntakePerLink)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(20000)->Unit(benchmark::kMicrosecond);

// 10^6 links taken in one after another, each timed: the whole intake and
// the slowest single link. The messages are made outside the timing.
void BM_IntakeOfAMillionLinks(benchmark::State& state)
{
    constexpr std::size_t kLinks = 1000000;
    constexpr std::size_t kBatch = 10000;
    for (auto _ : state) {
        const std::string folder = MakeFolder();
        double total = 0;
        double slowest = 0;
        {
            SearchSession session(folder);
            session.Initialize();
            session.GetViews().SetFilterForSession(false);
            session.SetSaving(true); // as the window does by default
            session.OnSearch("track");
            std::vector<Message> batch;
            double cpu = 0; // the thread's own processor time: working, not waiting
            for (std::size_t n = 0; n < kLinks; n += kBatch) {
                batch.clear();
                for (std::size_t i = n; i < n + kBatch; ++i)
                    batch.push_back(LinkMessage(i));
                timespec c0{};
                ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
                for (Message& message : batch) {
                    const auto start = std::chrono::steady_clock::now();
                    session.HandleMessage(std::move(message));
                    // The writer's reports, as the window's turn takes them.
                    if (session.GetQueue()->Size() > 0)
                        session.ProcessMessages();
                    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
                    total += took.count();
                    slowest = std::max(slowest, took.count());
                }
                timespec c1{};
                ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
                cpu += (c1.tv_sec - c0.tv_sec) + (c1.tv_nsec - c0.tv_nsec) / 1e9;
            }
            state.counters["cpu_s"] = cpu;
            state.counters["held"] = static_cast<double>(session.GetResultCount());
        }
        state.SetIterationTime(total);
        state.counters["total_s"] = total;
        state.counters["slowest_link_ms"] = slowest * 1000.0;
        std::filesystem::remove_all(folder);
    }
}
BENCHMARK(BM_IntakeOfAMillionLinks)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Heap bytes in use per held result, after 10^6 links.
void BM_MemoryPerResult(benchmark::State& state)
{
    constexpr std::size_t kLinks = 1000000;
    for (auto _ : state) {
        const std::string folder = MakeFolder();
        {
            SearchSession session(folder);
            session.Initialize();
            session.GetViews().SetFilterForSession(false);
            session.OnSearch("track");
            ::malloc_trim(0);
            const std::size_t before = ::mallinfo2().uordblks + ::mallinfo2().hblkhd;
            for (std::size_t n = 0; n < kLinks; ++n)
                session.HandleMessage(LinkMessage(n));
            const std::size_t after = ::mallinfo2().uordblks + ::mallinfo2().hblkhd;
            state.counters["bytes_per_result"] =
                static_cast<double>(after - before) / static_cast<double>(session.GetResultCount());
        }
        std::filesystem::remove_all(folder);
    }
}
BENCHMARK(BM_MemoryPerResult)->Iterations(1)->Unit(benchmark::kMillisecond);

// 20 engines that each answer after 100 ms, five at a time: four rounds.
void BM_SearchTwentyEngines(benchmark::State& state)
{
    velmora::test::PageServer server;
    server.Route("/e", {velmora::test::PageBehavior::Kind::Serve, "<a href=\"http://h.org/a.mp3\">a</a>", 200,
                        std::chrono::milliseconds(100)});
    const std::string folder = MakeFolder();
    {
        std::ofstream settings(folder + "/settings.dat");
        settings << "[Settings]\nMaxthreads=5\n";
        for (int i = 0; i < 20; ++i)
            settings << "[Engine" << i << "]\nQuery=" << server.Url("/e" + std::to_string(i) + "?q=%s") << "\n";
    }
    SearchSession session(folder);
    session.Initialize();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        session.OnSearch("a");
        while (session.IsSearchRunning()) {
            if (auto message = session.GetQueue()->WaitTake(std::chrono::seconds(5)))
                session.HandleMessage(std::move(*message));
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SearchTwentyEngines)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
