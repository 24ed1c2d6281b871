// The memory a browse of one huge index page costs, on the user's path:
// `velmora-cli browse` as its own process against an index page of 10^6
// entries (names, dates and sizes, as nginx writes them) served on
// loopback; its peak resident size is the figure. VELMORA_CLI names another
// velmora-cli to measure (an older build, to compare).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/page-server.h"

namespace {

std::string MakeIndexPage(int entries)
{
    std::string page = "<html>\r\n<head><title>Index of /big/</title></head>\r\n<body>\r\n<h1>Index of /big/</h1>"
                       "<hr><pre><a href=\"../\">../</a>\r\n";
    for (int i = 0; i < entries; ++i) {
        const std::string name = "f" + std::to_string(i);
        page += "<a href=\"" + name + "\">" + name + "</a> 06-Dec-2026 09:30 " + std::to_string(i % 99991) + "\r\n";
    }
    return page + "</pre><hr></body>\r\n</html>\r\n";
}

std::string CliPath()
{
    if (const char* chosen = std::getenv("VELMORA_CLI"))
        return chosen;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "velmora-cli").string();
}

// Runs the browse to its end in a folder of its own; its peak RSS in bytes,
// or -1 when it failed.
long long BrowsePeakBytes(const std::string& url, int entries)
{
    std::string folder = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data()))
        return -1;
    const std::string cli = CliPath();
    const std::string maxFiles = std::to_string(entries);
    const pid_t child = ::fork();
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        if (quiet < 0 || ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        ::execl(cli.c_str(), cli.c_str(), "browse", "--depth", "0", "--max-files", maxFiles.c_str(), url.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    std::filesystem::remove_all(folder);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

void BM_BrowseOneHugeIndexPage(benchmark::State& state)
{
    const int entries = static_cast<int>(state.range(0));
    velmora::test::PageServer server;
    const std::string page = MakeIndexPage(entries);
    server.Route("/big/", {velmora::test::PageBehavior::Kind::Serve, page});
    server.Route("/robots.txt", {velmora::test::PageBehavior::Kind::Serve, "", 404});
    long long peak = 0;
    for (auto _ : state) {
        peak = BrowsePeakBytes(server.Url("/big/"), entries);
        if (peak < 0) {
            state.SkipWithError("velmora-cli browse failed");
            return;
        }
    }
    state.counters["page_MB"] = static_cast<double>(page.size()) / 1e6;
    state.counters["peak_RSS_MB"] = static_cast<double>(peak) / 1e6;
}
BENCHMARK(BM_BrowseOneHugeIndexPage)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
