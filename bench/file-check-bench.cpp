// Checking files as a user does: `velmora-cli check` (its own process, the
// default settings, a fresh folder) on 200 files of nginx and, apart, 200
// files of pyftpdlib, both on loopback. The figure is files checked a
// second, each check a HEAD request or SIZE and MDTM over the kept login,
// with the browse's pause between requests.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ftp-world.h"
#include "support/nginx-world.h"

namespace {

constexpr int kFiles = 200;

std::string CliPath()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "velmora-cli").string();
}

void CheckFiles(benchmark::State& state, const std::function<std::string(const std::string&)>& url)
{
    std::vector<std::string> arguments{CliPath(), "check", "--json"};
    for (int file = 0; file < kFiles; ++file)
        arguments.push_back(url("/pub/file-" + std::to_string(file) + ".bin"));
    std::size_t alive = 0;
    for (auto _ : state) {
        velmora::test::TempDir folder;
        const auto started = std::chrono::steady_clock::now();
        const velmora::test::ProgramRun run =
            velmora::test::RunProgram(arguments, folder.Path(), std::chrono::minutes(2));
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        if (run.status != 0) {
            state.SkipWithError("velmora-cli check failed");
            return;
        }
        alive = 0;
        std::istringstream lines(run.output);
        for (std::string line; std::getline(lines, line);)
            alive += line.find("\"alive\":true") != std::string::npos ? 1 : 0;
    }
    state.counters["files"] = static_cast<double>(alive);
    state.counters["files_per_s"] = benchmark::Counter(
        static_cast<double>(kFiles) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void PutFiles(const std::string& root)
{
    std::filesystem::create_directories(root + "/pub");
    for (int file = 0; file < kFiles; ++file)
        std::ofstream(root + "/pub/file-" + std::to_string(file) + ".bin") << std::string(1000 + file, 'x');
}

void BM_CheckOnNginx(benchmark::State& state)
{
    velmora::test::TempDir tree;
    PutFiles(tree.Path());
    velmora::test::NginxServer nginx(tree.Path());
    if (!nginx.IsRunning()) {
        state.SkipWithError("nginx did not start");
        return;
    }
    CheckFiles(state, [&](const std::string& path) { return nginx.Url(path); });
}

void BM_CheckOnPyftpdlib(benchmark::State& state)
{
    velmora::test::TempDir tree;
    PutFiles(tree.Path());
    velmora::test::FtpTestServer ftp(tree.Path());
    if (!ftp.IsRunning()) {
        state.SkipWithError("pyftpdlib did not start");
        return;
    }
    CheckFiles(state, [&](const std::string& path) { return ftp.Url(path); });
}

} // namespace

BENCHMARK(BM_CheckOnNginx)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CheckOnPyftpdlib)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
