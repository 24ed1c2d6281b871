// `velmora-cli links` on a 100 MB result page as a script runs it, beside
// `grep -oE` pulling the same page's links: each iteration runs both in
// turn, as processes writing to a file, and takes their times and peak
// resident sizes. VELMORA_CLI names another velmora-cli (an older build).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "result-page.h"

namespace {

struct Run {
    double seconds = -1; // -1: the program failed
    double peakBytes = 0;
};

// Runs a program with its output going to `output`, to its end.
Run RunMeasured(const std::vector<std::string>& arguments, const std::string& output)
{
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0)
            ::_exit(126);
        ::dup2(out, 1);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Run run;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024;
    return run;
}

std::string CliPath()
{
    if (const char* chosen = std::getenv("VELMORA_CLI"))
        return chosen;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "velmora-cli").string();
}

void BM_LinksCommandBesideGrep(benchmark::State& state)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmora-links-bench";
    std::filesystem::create_directories(folder);
    const std::string pageFile = (folder / "page.html").string();
    const std::size_t pageBytes = static_cast<std::size_t>(state.range(0)) << 20;
    std::ofstream(pageFile, std::ios::binary) << MakePage(pageBytes);
    const std::string output = (folder / "output").string();
    double ours = 0, theirs = 0, ourPeak = 0;
    for (auto _ : state) {
        const Run links = RunMeasured({CliPath(), "links", pageFile}, output);
        const Run grep = RunMeasured({"grep", "-oE", "href=\"[^\"]*\"", pageFile}, output);
        if (links.seconds < 0 || grep.seconds < 0) {
            state.SkipWithError("velmora-cli links or grep failed");
            break;
        }
        state.SetIterationTime(links.seconds);
        ours += links.seconds;
        theirs += grep.seconds;
        ourPeak = std::max(ourPeak, links.peakBytes);
    }
    std::filesystem::remove_all(folder);
    state.counters["links_s"] = ours / static_cast<double>(state.iterations());
    state.counters["grep_s"] = theirs / static_cast<double>(state.iterations());
    state.counters["time_vs_grep"] = ours / theirs;
    state.counters["peak_RSS_vs_page"] = ourPeak / static_cast<double>(pageBytes);
}
BENCHMARK(BM_LinksCommandBesideGrep)->Arg(100)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
