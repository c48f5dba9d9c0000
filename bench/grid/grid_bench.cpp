// The string grid's costs against the row count: replacing the source, the
// first paint, a Page Down and a Ctrl+End, and the memory the grid takes, for
// 1,000 to 4,294,967,295 rows; a QTableView over the same content alongside,
// for the sizes where it still runs. Offscreen.
//
//   grid_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "grid_test_source.h"
#include "stringgrid.h"

namespace {

const std::int64_t GridRows[] = {1'000, 1'000'000, 100'000'000, 4'294'967'295};
const std::int64_t TableRows[] = {1'000, 1'000'000, 32'000'000, 100'000'000, 4'294'967'295};

// Resident memory of the process, in KiB.
double residentKiB() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1024.0;
}

// A grid as the main window shows it.
std::unique_ptr<StringGrid> makeGrid() {
    auto grid = std::make_unique<StringGrid>();
    grid->setColumnCount(3);
    grid->setColumnTitles({"Адрес инструкци", "Инструкция", "Мнемоника"});
    grid->setColumnWidth(0, 70);
    grid->setColumnWidth(1, 137);
    grid->setColumnWidth(2, 171);
    QFont font("Courier New");
    font.setPixelSize(11);
    grid->setCellFont(font);
    grid->resize(381, 233);
    grid->show();
    QCoreApplication::processEvents();
    return grid;
}

void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &event);
}

void BM_GridSetSource(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    auto grid = makeGrid();
    std::shared_ptr<const CellSource> sources[] = {std::make_shared<SyntheticSource>(rows),
                                                   std::make_shared<SyntheticSource>(rows)};
    grid->setSource(sources[1]);
    grid->setCurrentCell(rows / 2, 1);
    std::size_t i = 0;
    for (auto _ : state) {
        grid->setSource(sources[i++ & 1]);
    }
}

void BM_GridFirstPaint(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    auto grid = makeGrid();
    std::shared_ptr<const CellSource> sources[] = {std::make_shared<SyntheticSource>(rows),
                                                   std::make_shared<SyntheticSource>(rows)};
    std::size_t i = 0;
    for (auto _ : state) {
        grid->setSource(sources[i++ & 1]);
        grid->viewport()->repaint();
    }
}

void BM_GridPageDown(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    auto grid = makeGrid();
    grid->setSource(std::make_shared<SyntheticSource>(rows));
    grid->viewport()->repaint();
    for (auto _ : state) {
        if (grid->currentRow() + 1 >= rows) {
            grid->setCurrentCell(0, 0);
        }
        press(grid.get(), Qt::Key_PageDown);
        grid->viewport()->repaint();
    }
}

void BM_GridCtrlEnd(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    auto grid = makeGrid();
    grid->setSource(std::make_shared<SyntheticSource>(rows));
    grid->viewport()->repaint();
    for (auto _ : state) {
        // Back to the first row without a paint: setting the cell costs nothing
        // beside the key and the paint that follow.
        grid->setCurrentCell(0, 0);
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->viewport()->repaint();
    }
    if (grid->currentRow() != rows - 1) {
        state.SkipWithError("Ctrl+End missed the last row");
    }
}

// The grid's memory: resident KiB before a source is set and after it is set,
// painted, paged through and sent to its end; the second of two runs, past the
// benchmark library's own first-run allocations.
void BM_GridMemory(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    double growth = 0;
    for (auto _ : state) {
        // Warm up first: the glyphs of the texts and the painter's buffers.
        auto grid = makeGrid();
        grid->setSource(std::make_shared<SyntheticSource>(100));
        grid->viewport()->repaint();
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->viewport()->repaint();
        const double before = residentKiB();
        grid->setSource(std::make_shared<SyntheticSource>(rows));
        grid->viewport()->repaint();
        press(grid.get(), Qt::Key_PageDown);
        grid->viewport()->repaint();
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->viewport()->repaint();
        growth = residentKiB() - before;
    }
    state.counters["rss_growth_KiB"] = growth;
}

// The same content through a QTableView, for comparison.
class SyntheticModel : public QAbstractTableModel {
  public:
    explicit SyntheticModel(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) {
            return {};
        }
        return QStringLiteral("r%1c%2").arg(index.row()).arg(index.column());
    }

  private:
    int rows_;
};

void BM_TableViewFirstPaint(benchmark::State& state) {
    const std::int64_t rows = state.range(0);
    if (rows > INT_MAX) {
        state.SkipWithError("not run: a QAbstractItemModel counts its rows in an int");
        for (auto _ : state) {
        }
        return;
    }
    if (rows > 32'000'000) {
        state.SkipWithError(
            "not run: about 0.8 GB and seconds at this size, and the vertical header's pixel "
            "height overflows near 143 million rows");
        for (auto _ : state) {
        }
        return;
    }
    double growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = residentKiB();
        auto view = std::make_unique<QTableView>();
        view->resize(381, 233);
        view->verticalHeader()->setDefaultSectionSize(16);
        view->show();
        QCoreApplication::processEvents();
        SyntheticModel model(static_cast<int>(rows));
        state.ResumeTiming();
        view->setModel(&model);
        view->viewport()->repaint();
        state.PauseTiming();
        if (growth == 0) {
            growth = residentKiB() - before;  // the first run, on a fresh heap
        }
        view.reset();
        state.ResumeTiming();
    }
    state.counters["rss_growth_KiB"] = growth;
}

}  // namespace

BENCHMARK(BM_GridSetSource)->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}});
BENCHMARK(BM_GridFirstPaint)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridPageDown)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridCtrlEnd)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridMemory)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableViewFirstPaint)
    ->ArgsProduct({{std::begin(TableRows), std::end(TableRows)}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    {
        // One grid through every step first, so that the first measurement
        // does not carry the process's one-time costs (fonts, window buffers).
        auto grid = makeGrid();
        grid->setSource(std::make_shared<SyntheticSource>(1000));
        grid->viewport()->repaint();
        press(grid.get(), Qt::Key_PageDown);
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->viewport()->repaint();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
