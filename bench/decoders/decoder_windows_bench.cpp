// The viewer windows offscreen: a DBF table of 100,000 records opened and painted, and a
// key listing of 10,000 keys filled and painted.
#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>
#include <string>

#include "decoders/FichierDBF.h"
#include "decoders/FichierKEY.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/key_file_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kelvane;

constexpr int kRecords = 100000;
constexpr int kKeys = 10000;
constexpr int kKeysPerSet = 50;

struct Files {
    test::TempDir dir;
    QString dbf = QString::fromStdString((dir.path() / "BIG.DBF").string());
    QString keys = QString::fromStdString((dir.path() / "BIG.KEY").string());

    Files() {
        test::DbfLayout table;
        table.fields = {{"ICAO", 4}, {"NOM", 30}, {"LAT", 12}, {"LON", 12}, {"ALT", 6}};
        table.records.reserve(kRecords);
        for (int r = 0; r < kRecords; ++r) {
            const std::string n = std::to_string(r);
            table.records.push_back("L" +
                                    std::string(3 - std::min<std::size_t>(3, n.size() % 4), 'F') +
                                    "AEROPORT " + n + std::string(21, ' ') + "48.72" + n);
        }
        test::writeFile(dir.path() / "BIG.DBF", test::buildDbf(table));

        std::vector<test::KeySet> sets;
        for (int s = 0; s < kKeys / kKeysPerSet; ++s) {
            test::KeySet set{"Groupe " + std::to_string(s), {}};
            for (int k = 0; k < kKeysPerSet; ++k) {
                set.keys.push_back({{{"name", "Commande " + std::to_string(k)},
                                     {"code", std::to_string(65536 * (k % 3) + k % 90)}}});
            }
            sets.push_back(std::move(set));
        }
        test::writeFile(dir.path() / "BIG.KEY", test::buildKeyFile(sets));
    }
};

Files& files() {
    static Files instance;
    return instance;
}

void BM_OpenDbfWindow(benchmark::State& state) {
    TformDBF window;
    window.show();
    for (auto _ : state) {
        window.Read(files().dbf);
        benchmark::DoNotOptimize(window.grab());
    }
    state.counters["records"] = window.grid()->model()->rowCount();
}
BENCHMARK(BM_OpenDbfWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_FillKeyListing(benchmark::State& state) {
    TformKey window;
    window.show();
    for (auto _ : state) {
        window.Openkey(files().keys);
        benchmark::DoNotOptimize(window.grab());
    }
    state.counters["lines"] = window.listing()->document()->blockCount();
}
BENCHMARK(BM_FillKeyListing)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    files();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
