// Opening, listing and sorting an archive of 100,000 entries in the real main window,
// offscreen; starting a drag of 9,000 of its rows; and the memory the listing takes per entry
// beyond the names.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTreeView>
#include <chrono>
#include <fstream>
#include "browser/catalogue_model.h"
#include "browser/catalogue_proxy.h"
#include "browser/folder_index.h"
#include "browser/folder_tree_model.h"

#include "archive/pod_reader.h"
#include "browser/Kelvane_main.h"
#include "platform/desktop_services.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kEntries = 100000;

// Answers nothing: the benchmark opens archives directly.
class SilentDesktop : public kelvane::DesktopServices {
  public:
    void showMessage(QWidget*, MessageKind, const QString&, const QString& text) override {
        qFatal("unexpected message: %s", qPrintable(text));
    }
    void showButtonlessMessage(QWidget*, MessageKind, const QString&, const QString&) override {}
    Answer askYesNoAll(QWidget*, const QString&, const QString&, const QPoint&) override {
        return Answer::Closed;
    }
    bool askYesNo(QWidget*, const QString&, const QString&) override { return false; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QStringList openFileNames(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString existingDirectory(QWidget*, const QString&, const QString&, NewFolders) override {
        return {};
    }
    int showModal(QDialog*) override { return 0; }
    bool startProgram(const QString&, const QStringList&, const QString&, bool) override {
        return false;
    }
    bool runProgram(const QString&, const QStringList&, const QString&, int) override {
        return false;
    }
    bool print(QWidget*, QTextDocument&, const QString&) override { return false; }
};

struct Fixture {
    kelvane::test::TempDir dir;
    std::string path = (dir.path() / "big.POD").string();
    std::size_t nameBytes = 0;  // heap bytes of names too long for the string's own buffer

    Fixture() {
        std::vector<kelvane::test::StoredFile> files;
        files.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            // 40 x 50 folders of 50 tiles each.
            std::string name = "WORLD\\R" + std::to_string(i % 40) + "\\C" +
                               std::to_string(i / 40 % 50) + "\\T" +
                               std::to_string((i * 7919) % kEntries) + ".TXP";
            if (name.size() > 15) nameBytes += name.size() + 1;
            files.push_back({std::move(name), std::string(i % 5, 'x'),
                             std::uint32_t(900000000 + (std::int64_t(i) * 104729) % 300000000)});
        }
        kelvane::test::writeArchive(path, kelvane::test::ArchiveLayout::POD, files);
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

void BM_OpenListAndPaint(benchmark::State& state) {
    kelvane::Tform_main window(fixture().dir.path().string() + "/none.ini");
    window.show();
    for (auto _ : state) {
        window.openArchiveCommand(QString::fromStdString(fixture().path));
        benchmark::DoNotOptimize(window.grab());
    }
    state.counters["entries"] = window.findChild<QTableView*>("sgPodview")->model()->rowCount();
}
BENCHMARK(BM_OpenListAndPaint)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SortByColumn(benchmark::State& state) {
    kelvane::Tform_main window(fixture().dir.path().string() + "/none.ini");
    window.show();
    window.openArchiveCommand(QString::fromStdString(fixture().path));
    auto* proxy =
        qobject_cast<kelvane::CatalogueProxy*>(window.findChild<QTableView*>("sgPodview")->model());
    const int column = int(state.range(0));
    bool ascending = false;
    for (auto _ : state) {
        ascending = !ascending;
        proxy->sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        benchmark::DoNotOptimize(proxy->index(0, column).data());
    }
}
BENCHMARK(BM_SortByColumn)->DenseRange(1, 5)->Unit(benchmark::kMillisecond)->Iterations(10);

// One keystroke in the filter box: the rows re-filtered and the whole window repainted. The
// texts alternate so that every keystroke changes the rows shown; the slowest is reported.
void BM_FilterKeystroke(benchmark::State& state) {
    kelvane::Tform_main window(fixture().dir.path().string() + "/none.ini");
    window.show();
    window.openArchiveCommand(QString::fromStdString(fixture().path));
    auto* filter = window.findChild<QLineEdit*>("edFilter");
    auto* grid = window.findChild<QTableView*>("sgPodview");
    const QStringList texts = {"t1", "t12", "t1*9", "t"};
    int next = 0;
    double worst = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        filter->setText(texts[next++ % texts.size()]);
        window.repaint();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        worst = std::max(worst, took.count());
    }
    state.counters["shown"] = grid->model()->rowCount();
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond)->Iterations(40);

// The folder tree of the archive: the index of its folders and the tree view showing it.
void BM_FolderTree(benchmark::State& state) {
    kelvane::TPOD reader(fixture().path);
    reader.ReadHeaderAndDirectory();
    kelvane::FolderTreeModel model;
    QTreeView view;
    view.setModel(&model);
    view.show();
    for (auto _ : state) {
        const kelvane::FolderIndex folders(reader.catalogue());
        model.setFolders(&folders, "big.POD");
        view.expandAll();
        view.viewport()->repaint();
        state.counters["folders"] = double(folders.folders().size());
    }
}
BENCHMARK(BM_FolderTree)->Unit(benchmark::kMillisecond)->Iterations(10);

// A drag of 9,000 rows (every eleventh, all columns selected, as the grid selects them)
// starting: the listing's mimeData() call, which the view makes as the drag starts, until the
// data are ready to be handed to the drag.
void BM_DragStart(benchmark::State& state) {
    kelvane::Tform_main window(fixture().dir.path().string() + "/none.ini");
    window.show();
    window.openArchiveCommand(QString::fromStdString(fixture().path));
    auto* grid = window.findChild<QTableView*>("sgPodview");
    QAbstractItemModel* model = grid->model();
    QItemSelection rows;
    for (int row = 0; row < 9000 * 11; row += 11)
        rows.select(model->index(row, 0), model->index(row, model->columnCount() - 1));
    grid->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    const QModelIndexList selected = grid->selectionModel()->selectedIndexes();
    for (auto _ : state) {
        const std::unique_ptr<QMimeData> mime(model->mimeData(selected));
        benchmark::DoNotOptimize(mime.get());
    }
    state.counters["rows"] = double(selected.size()) / model->columnCount();
}
BENCHMARK(BM_DragStart)->Unit(benchmark::kMillisecond)->Iterations(5);

// The drop of that drag: the target asks for the files, which are extracted then.
void BM_DragDrop(benchmark::State& state) {
    kelvane::Tform_main window(fixture().dir.path().string() + "/none.ini");
    window.show();
    window.openArchiveCommand(QString::fromStdString(fixture().path));
    QAbstractItemModel* model = window.findChild<QTableView*>("sgPodview")->model();
    QModelIndexList selected;
    for (int row = 0; row < 9000 * 11; row += 11) selected << model->index(row, kelvane::kColName);
    for (auto _ : state) {
        const std::unique_ptr<QMimeData> mime(model->mimeData(selected));
        state.counters["files"] = double(mime->urls().size());
    }
}
BENCHMARK(BM_DragDrop)->Unit(benchmark::kMillisecond)->Iterations(3);

std::size_t heapInUse() {
    const auto info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Heap per entry, without the names' own bytes: the reader's catalogue alone, and the
// listing (model, sort proxy, view) of an open, painted and sorted archive on top of it. The
// window with a one-entry archive listed is the baseline.
void BM_ListingMemory(benchmark::State& state) {
    const std::string small = (fixture().dir.path() / "small.POD").string();
    kelvane::test::writeArchive(small, kelvane::test::ArchiveLayout::POD, {{"a", "", 0}});
    for (auto _ : state) {
        std::size_t start = heapInUse();
        {
            kelvane::TPOD reader(fixture().path);
            reader.ReadHeaderAndDirectory();
            state.counters["catalogue_bytes_per_entry"] =
                (double(heapInUse()) - double(start) - double(fixture().nameBytes)) / kEntries;
        }
        kelvane::Tform_main window(fixture().dir.path().string() + "/none.ini");
        window.show();
        window.openArchiveCommand(QString::fromStdString(small));
        benchmark::DoNotOptimize(window.grab());
        start = heapInUse();
        window.openArchiveCommand(QString::fromStdString(fixture().path));
        auto* view = window.findChild<QTableView*>("sgPodview");
        qobject_cast<kelvane::CatalogueProxy*>(view->model())->sort(3);
        benchmark::DoNotOptimize(window.grab());
        const double total = double(heapInUse()) - double(start) - double(fixture().nameBytes);
        state.counters["total_bytes_per_entry"] = total / kEntries;
        state.counters["listing_bytes_per_entry"] =
            total / kEntries - state.counters["catalogue_bytes_per_entry"];
    }
}
BENCHMARK(BM_ListingMemory)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    SilentDesktop desktop;
    kelvane::setDesktop(&desktop);
    fixture();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
