// Throughput of the two link extractors over generated result pages, beside
// a plain memchr pass over the same buffer.

#include <benchmark/benchmark.h>

#include <emmintrin.h>

#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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

// As a search worker scans a fetched page: both kinds of link in one scan,
// each posted to the queue (taken out after the timed scan).
void BM_ExtractLinks(benchmark::State& state)
{
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
    MessageQueue queue;
    std::atomic<bool> stop{false};
    const LinkScanContext context{&queue, &stop, 1, 1};
    int links = 0;
    for (auto _ : state) {
        const velmora::PageScan scan = velmora::ScanResultPage(page, context);
        links = scan.httpLinks + scan.ftpLinks;
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

// The yardstick for extraction, the SSE2 two-byte-filter rule: candidates
// for "href=" found sixteen bytes at a time by its rare pair "f=", each
// checked; a value that starts with a scheme of ours and names a file (an
// extension after its last slash) is copied out as a link.
bool LooksLikeFileLink(std::string_view value)
{
    const auto starts = [&value](std::string_view scheme) {
        if (value.size() < scheme.size())
            return false;
        for (std::size_t i = 0; i < scheme.size(); ++i)
            if ((value[i] | 0x20) != scheme[i])
                return false;
        return true;
    };
    if (!starts("http://") && !starts("https://") && !starts("ftp://"))
        return false;
    const std::size_t slash = value.find('/', value.find("//") + 2);
    const std::size_t dot = value.rfind('.');
    return slash != std::string_view::npos && dot != std::string_view::npos && dot > value.rfind('/');
}

std::size_t TwoByteFilterRule(std::string_view page, std::vector<std::string>& links)
{
    links.clear();
    const __m128i lowF = _mm_set1_epi8('f');
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i equals = _mm_set1_epi8('=');
    for (std::size_t start = 3; start + 17 <= page.size(); start += 16) {
        const auto* at = reinterpret_cast<const __m128i*>(page.data() + start);
        const __m128i first = _mm_or_si128(_mm_loadu_si128(at), fold);
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(page.data() + start + 1));
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, lowF), _mm_cmpeq_epi8(second, equals))));
        for (; mask != 0; mask &= mask - 1) {
            const std::size_t href = start + static_cast<std::size_t>(__builtin_ctz(mask)) - 3;
            if ((page[href] | 0x20) != 'h' || (page[href + 1] | 0x20) != 'r' || (page[href + 2] | 0x20) != 'e')
                continue;
            std::size_t value = href + 5;
            const bool quoted = value < page.size() && (page[value] == '"' || page[value] == '\'');
            value += quoted ? 1 : 0;
            const std::size_t end = page.find_first_of(quoted ? "\"'" : " >", value);
            const std::string_view link =
                page.substr(value, (end == std::string_view::npos ? page.size() : end) - value);
            if (LooksLikeFileLink(link))
                links.emplace_back(link);
        }
    }
    return links.size();
}

void BM_TwoByteFilterRule(benchmark::State& state)
{
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
    std::vector<std::string> links;
    for (auto _ : state)
        benchmark::DoNotOptimize(TwoByteFilterRule(page, links));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.counters["links"] = static_cast<double>(links.size());
}
BENCHMARK(BM_TwoByteFilterRule)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

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
