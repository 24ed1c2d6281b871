// The results views for one server with 10^5 records, and a test pass over
// 1,000 local servers that each answer after 50 ms, 20 at a time.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/search-session.h"
#include "results/result-list.h"
#include "results/result-view.h"
#include "support/scripted-server.h"

namespace {

using velmora::Message;
using velmora::SearchSession;

void BM_BuildResultsView(benchmark::State& state)
{
    velmora::ResultList list;
    for (int i = 0; i < 100000; ++i) {
        list.Add(*velmora::MakeResultEntry(
            "ftp://big.example.org/dir" + std::to_string(i % 500) + "/file" + std::to_string(i) + ".mp3", 1));
    }
    const int style = static_cast<int>(state.range(0));
    velmora::ResultsView view;
    for (auto _ : state) {
        view.Build(list, "big.example.org", {style});
        benchmark::DoNotOptimize(view.GetFileCount());
    }
    state.counters["records"] = static_cast<double>(list.GetCount());
}
BENCHMARK(BM_BuildResultsView)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// A thousand spellings of 127.0.0.1 that differ only in leading zeros: a
// thousand servers by name, all reached without a name look-up.
std::string ServerName(int n)
{
    return "0x" + std::string(static_cast<std::size_t>(n / 25), '0') + "7f." +
           std::string(static_cast<std::size_t>(n % 25), '0') + "1";
}

void BM_TestPassThousandServers(benchmark::State& state)
{
    // How much later than 50 ms the server itself answers (its sleep on
    // this machine's timers), so a pass's time over the ideal can be told
    // apart from what the server adds.
    std::atomic<std::int64_t> lateMicroseconds{0};
    std::atomic<int> answers{0};
    velmora::test::ScriptedServer server([&](velmora::test::ScriptedConnection& connection) {
        if (connection.ReadUntil("\r\n\r\n").empty())
            return;
        const auto asked = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto late = std::chrono::steady_clock::now() - asked - std::chrono::milliseconds(50);
        lateMicroseconds += std::chrono::duration_cast<std::chrono::microseconds>(late).count();
        ++answers;
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    });
    std::string folder = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    folder = ::mkdtemp(folder.data()) ? folder : ".";
    std::ofstream(folder + "/settings.dat") << "[Settings]\nMaxthreads=20\nFilter=0\nAutoTest=0\n";
    SearchSession session(folder);
    session.Initialize();
    session.OnSearch("x"); // no engines: over at once, intake on
    for (int n = 0; n < 1000; ++n) {
        Message link;
        link.id = velmora::kMsgFoundHttpLink;
        link.jobId = 1;
        link.link = std::make_unique<velmora::FoundLink>();
        link.link->text = "http://" + ServerName(n) + ":" + std::to_string(server.Port()) + "/f.mp3\tf";
        session.HandleMessage(std::move(link));
    }
    int good = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        session.OnRetestResults();
        while (session.IsTestPassRunning()) {
            if (auto message = session.GetQueue()->WaitTake(std::chrono::seconds(5)))
                session.HandleMessage(std::move(*message));
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        good = 0;
        for (const auto& item : session.GetServers().GetGroups()[velmora::kGroupHttp].servers)
            good += item.state == velmora::kStateSuccess;
    }
    state.counters["servers"] =
        static_cast<double>(session.GetServers().GetGroups()[velmora::kGroupHttp].servers.size());
    state.counters["good"] = good;
    state.counters["server_late_ms"] =
        answers > 0 ? static_cast<double>(lateMicroseconds) / 1000.0 / static_cast<double>(answers) : 0.0;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TestPassThousandServers)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
