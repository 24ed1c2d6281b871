// Intake cost per link as the result list grows, and a whole search over
// local engines against its ideal time.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

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
