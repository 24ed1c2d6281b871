// The window listing one server with 10^5 files, in each view style: the
// time from selecting the server to a filled results tree.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "app/ui/main-window.h"

namespace {

void BM_RefreshResultsTree(benchmark::State& state)
{
    std::string folder = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    folder = ::mkdtemp(folder.data()) ? folder : ".";
    std::ofstream(folder + "/settings.dat") << "[Settings]\nFilter=0\nAutoTest=0\nViewStyle=" << state.range(0) << "\n";
    velmora::MainWindow window(folder);
    velmora::SearchSession& session = window.GetSession();
    session.OnSearch("x"); // no engines: over at once, intake on
    for (int n = 0; n < 100000; ++n) {
        velmora::Message link;
        link.id = velmora::kMsgFoundFtpLink;
        link.jobId = 1;
        link.link = std::make_unique<velmora::FoundLink>();
        link.link->text = "ftp://big.example.org/dir" + std::to_string(n % 500) + "/file" + std::to_string(n) + ".mp3";
        session.HandleMessage(std::move(link));
    }
    auto* servers = window.findChild<QTreeWidget*>("serverTree");
    QTreeWidgetItem* server = servers->topLevelItem(0)->child(0);
    for (auto _ : state) {
        servers->setCurrentItem(servers->topLevelItem(0));
        servers->setCurrentItem(server); // rebuilds the results tree
    }
    // The results tree is a view over a model: its top rows.
    state.counters["items"] = window.findChild<QTreeView*>("resultsView")->model()->rowCount();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RefreshResultsTree)->Arg(1)->Arg(2)->Arg(3)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
