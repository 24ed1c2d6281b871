// Settings files with many sections: listing the engines and merging an
// engines answer read and write the file once, not once per engine.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "search/engine-list.h"
#include "upgrade/upgrade-offer.h"

namespace {

std::string MakeFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string(".");
}

void WriteEngines(const std::string& file, int count, const char* query)
{
    std::ofstream out(file);
    out << "[Settings]\nMaxthreads=5\n";
    for (int i = 0; i < count; ++i)
        out << "\n[E" << i << "]\nQuery=" << query << i << "/?q=%s\nType=S\nSearch=Y\nDate= 6122026\n";
}

// Lists the engines and saves their ticks, as a start and an exit do.
void BM_LoadAndSaveEngines(benchmark::State& state)
{
    const std::string folder = MakeFolder();
    const std::string settings = folder + "/settings.dat";
    WriteEngines(settings, static_cast<int>(state.range(0)), "http://engine");
    for (auto _ : state) {
        velmora::EngineList engines(settings);
        engines.LoadEngines();
        engines.SaveEngineChecks();
        benchmark::DoNotOptimize(engines.GetCount());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadAndSaveEngines)->Arg(500)->Arg(1000)->Arg(1900)->Arg(10000)->Unit(benchmark::kMillisecond);

// Merges ten offered engines into a file that holds many sections.
void BM_MergeIntoLargeFile(benchmark::State& state)
{
    const std::string folder = MakeFolder();
    const std::string settings = folder + "/settings.dat";
    const std::string answer = folder + "/update.tmp";
    WriteEngines(settings, static_cast<int>(state.range(0)), "http://old");
    WriteEngines(answer, 10, "http://new");
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("E" + std::to_string(i));
    for (auto _ : state)
        benchmark::DoNotOptimize(velmora::MergeSections(answer, settings, names, velmora::EngineMerge()).ok);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_MergeIntoLargeFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
