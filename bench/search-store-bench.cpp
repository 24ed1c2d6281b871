// How long keeping a search and reading it back take: the window saves on
// its own thread when a search, a test pass or a browse ends.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "export/result-export.h"
#include "platform/url-split.h"
#include "store/search-store.h"

namespace velmora {
namespace {

std::string FreshFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

SearchUpdate Search(std::int64_t results)
{
    SearchUpdate update;
    update.name = update.words = "blue moon";
    update.when = 1765000000;
    update.servers = 100;
    for (std::int64_t i = 0; i < results; ++i) {
        SavedResult result;
        result.record.service = kServiceHttp;
        result.record.port = 80;
        result.record.server = "server" + std::to_string(i % 100) + ".example.org";
        result.record.path = "/music/albums/" + std::to_string(i / 100) + "/blue moon " + std::to_string(i) + ".mp3";
        result.record.user = "anonymous";
        result.record.password = "velmora@example.org";
        result.record.description = "Blue Moon";
        result.engine = "Engine";
        update.newResults.push_back(std::move(result));
    }
    return update;
}

void SaveSearch(benchmark::State& state)
{
    const SearchUpdate search = Search(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const std::string folder = FreshFolder();
        auto opening = SearchStore::Open(folder);
        state.ResumeTiming();
        benchmark::DoNotOptimize((*opening)->Save(search));
        state.PauseTiming();
        opening->reset();
        std::filesystem::remove_all(folder);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(SaveSearch)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void LoadAndExport(benchmark::State& state)
{
    const std::string folder = FreshFolder();
    auto opening = SearchStore::Open(folder);
    const auto id = (*opening)->Save(Search(state.range(0)));
    for (auto _ : state) {
        const auto saved = (*opening)->Load(*id);
        benchmark::DoNotOptimize(FormatExport(ExportFormat::Aria2, MakeExportItems(*saved)).text.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    opening->reset();
    std::filesystem::remove_all(folder);
}
BENCHMARK(LoadAndExport)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velmora

BENCHMARK_MAIN();
