// Browsing a tree of 67 folders and 3,000 files as a user does, beside
// lftp's `find` on the same tree: over FTP (pyftpdlib) and over nginx's
// index pages, both on loopback. Each iteration runs `velmora-cli browse`
// (its own process, default settings, a fresh folder) and `lftp -e find` in
// turn, so both meet the same load; the ratio of their times is the figure.
// VELMORA_CLI_BEFORE names an older velmora-cli, run in the same turns, to
// compare before and after.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ftp-world.h"
#include "support/nginx-world.h"

namespace {

void PutFiles(const std::filesystem::path& folder, int count)
{
    std::filesystem::create_directories(folder);
    for (int file = 0; file < count; ++file)
        std::ofstream(folder / ("file-" + std::to_string(file) + ".bin")) << "x";
}

// Six folders of ten folders each, 45 files in each of those 66 and 30 at
// the top: 67 folders with the top, 3,000 files.
void BuildTree(const std::string& root)
{
    for (int top = 0; top < 6; ++top) {
        const std::filesystem::path folder = std::filesystem::path(root) / ("d" + std::to_string(top));
        PutFiles(folder, 45);
        for (int sub = 0; sub < 10; ++sub)
            PutFiles(folder / ("s" + std::to_string(sub)), 45);
    }
    PutFiles(root, 30);
}

struct Run {
    double seconds = -1; // -1: the program failed
    std::size_t lines = 0;
    std::size_t matching = 0; // lines holding `mark`
};

// Runs a program in a fresh folder to its end (two minutes at most): how
// long it took and what it wrote.
Run RunTimed(const std::vector<std::string>& arguments, const std::string& mark)
{
    velmora::test::TempDir folder;
    const auto started = std::chrono::steady_clock::now();
    const velmora::test::ProgramRun program =
        velmora::test::RunProgram(arguments, folder.Path(), std::chrono::minutes(2));
    Run run;
    if (program.status == 0)
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::istringstream lines(program.output);
    for (std::string line; std::getline(lines, line);) {
        ++run.lines;
        run.matching += line.find(mark) != std::string::npos ? 1 : 0;
    }
    return run;
}

std::string CliPath()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "velmora-cli").string();
}

// One turn: Velmora, lftp, and the older Velmora when one is named.
void CompareWithLftp(benchmark::State& state, const std::string& url)
{
    const char* before = std::getenv("VELMORA_CLI_BEFORE");
    double velmora = 0, lftp = 0, older = 0;
    for (auto _ : state) {
        const Run ours = RunTimed({CliPath(), "browse", "--json", url}, "\"event\":\"file\"");
        const Run theirs = RunTimed({"lftp", "-e", "find; bye", url}, "");
        if (ours.seconds < 0 || theirs.seconds < 0 || ours.matching != 3000 || theirs.lines != 3067) {
            state.SkipWithError(("a browse failed or missed files: velmora " + std::to_string(ours.matching) +
                                 ", lftp " + std::to_string(theirs.lines))
                                    .c_str());
            return;
        }
        velmora += ours.seconds;
        lftp += theirs.seconds;
        state.SetIterationTime(ours.seconds);
        if (before != nullptr) {
            const Run old = RunTimed({before, "browse", "--json", url}, "\"event\":\"file\"");
            if (old.seconds < 0 || old.matching != 3000) {
                state.SkipWithError("the older velmora-cli failed or missed files");
                return;
            }
            older += old.seconds;
        }
    }
    const double turns = static_cast<double>(state.iterations());
    state.counters["velmora_s"] = velmora / turns;
    state.counters["lftp_s"] = lftp / turns;
    state.counters["ratio"] = velmora / lftp;
    if (before != nullptr) {
        state.counters["before_s"] = older / turns;
        state.counters["before_ratio"] = older / lftp;
    }
}

void BM_BrowseTreeOverFtp(benchmark::State& state)
{
    velmora::test::TempDir tree;
    BuildTree(tree.Path());
    velmora::test::FtpTestServer ftp(tree.Path());
    if (ftp.IsRunning())
        CompareWithLftp(state, ftp.Url("/"));
    else
        state.SkipWithError("pyftpdlib did not start");
}
BENCHMARK(BM_BrowseTreeOverFtp)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BrowseTreeOverHttpIndexPages(benchmark::State& state)
{
    velmora::test::TempDir tree;
    BuildTree(tree.Path());
    velmora::test::NginxServer nginx(tree.Path());
    if (nginx.IsRunning())
        CompareWithLftp(state, nginx.Url("/"));
    else
        state.SkipWithError("nginx did not start");
}
BENCHMARK(BM_BrowseTreeOverHttpIndexPages)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
