// Throughput of the two link extractors over generated result pages, beside
// a plain memchr pass over the same buffer.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <random>
#include <string>

#include "platform/message-queue.h"
#include "result-page.h"
#include "search/link-extractor.h"

namespace {

using velmora::LinkScanContext;
using velmora::MessageQueue;

void Drain(MessageQueue& queue)
{
    while (queue.TryTake()) {
    }
}

void BM_ExtractLinks(benchmark::State& state)
{
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
    MessageQueue queue;
    std::atomic<bool> stop{false};
    const LinkScanContext context{&queue, &stop, 1, 1};
    int links = 0;
    for (auto _ : state) {
        links = velmora::ExtractHttpLinks(page, context) + velmora::ExtractFtpLinks(page, context);
        state.PauseTiming();
        Drain(queue);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.counters["links"] = links;
}
BENCHMARK(BM_ExtractLinks)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// Pages built to make a scan read the same bytes again and again: href
// values that never meet a quote or a blank, plain, as redirect candidates,
// as links of the scan's own scheme, as file links with no anchor, and as
// redirects that carry a file link.
std::string MakeHostilePage(std::size_t size, int kind)
{
    static const char* const units[] = {"href=/", "href=/?u=", "href=http://h/a", "href=http://h/a.zip",
                                        "href=/url?q=http://h/a.zip&x"};
    const std::string unit = units[kind];
    std::string page;
    page.reserve(size + unit.size());
    while (page.size() < size)
        page += unit;
    page.resize(size);
    return page;
}

// First argument 0: an ordinary page; 1 to 5: hostile pages of the same
// size. Second: the size in MiB (32 is the largest page a search scans).
void BM_ExtractLinksHostile(benchmark::State& state)
{
    const std::size_t size = static_cast<std::size_t>(state.range(1)) << 20;
    const int kind = static_cast<int>(state.range(0));
    const std::string page = kind == 0 ? MakePage(size) : MakeHostilePage(size, kind - 1);
    MessageQueue queue;
    std::atomic<bool> stop{false};
    const LinkScanContext context{&queue, &stop, 1, 1};
    // As a search scans a page: both kinds of link in one scan.
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmora::ScanResultPage(page, context));
        state.PauseTiming();
        Drain(queue);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_ExtractLinksHostile)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {1, 32}})->Unit(benchmark::kMillisecond);

void BM_Memchr(benchmark::State& state)
{
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(page.data(), '\x01', page.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_Memchr)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
