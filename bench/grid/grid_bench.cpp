// The string grid's costs against the row count: replacing the source, the
// first paint, a Page Down and a Ctrl+End, and the memory the grid takes, for
// 1,000 to 4,294,967,295 rows; a QTableView over the same content alongside,
// for the sizes where it still runs. Offscreen.
//
//   grid_bench [--benchmark_repetitions=5 --benchmark_report_aggregates_only=true]
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "stringgrid.h"

using namespace sorrel;

namespace {

const std::int64_t GridRows[] = {1'000, 1'000'000, 100'000'000, 4'294'967'295};
const std::int64_t TableRows[] = {1'000, 1'000'000, 32'000'000, 100'000'000, 4'294'967'295};

// Cell texts of one width for every row, "0000000042:1", so that the cost of a
// paint near the last row is not that of longer numbers.
std::uint64_t cellsAsked = 0;  // cells asked of any FixedWidthSource

class FixedWidthSource : public CellSource {
  public:
    explicit FixedWidthSource(std::uint64_t rows) : rows_(rows) {}
    std::uint64_t rowCount() const override { return rows_; }
    QString cellText(std::uint64_t row, int column) const override {
        ++cellsAsked;
        return QStringLiteral("%1:%2").arg(row, 10, 10, QLatin1Char('0')).arg(column);
    }

  private:
    std::uint64_t rows_;
};

// The fastest of the repetitions (--benchmark_repetitions=N): the machine may be
// busy with other work, which only ever adds time.
double smallest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

// Reports the cells asked of the source per operation: the work of a paint,
// the same for every row count.
void countCells(benchmark::State& state, std::uint64_t before) {
    state.counters["cells_per_op"] =
        benchmark::Counter(double(cellsAsked - before), benchmark::Counter::kAvgIterations);
}

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
    std::shared_ptr<const CellSource> sources[] = {std::make_shared<FixedWidthSource>(rows),
                                                   std::make_shared<FixedWidthSource>(rows)};
    grid->setSource(sources[1]);
    grid->setCurrentCell(rows / 2, 1);
    std::size_t i = 0;
    const std::uint64_t cellsBefore = cellsAsked;
    for (auto _ : state) {
        grid->setSource(sources[i++ & 1]);
    }
    countCells(state, cellsBefore);
}

void BM_GridFirstPaint(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    auto grid = makeGrid();
    std::shared_ptr<const CellSource> sources[] = {std::make_shared<FixedWidthSource>(rows),
                                                   std::make_shared<FixedWidthSource>(rows)};
    std::size_t i = 0;
    const std::uint64_t cellsBefore = cellsAsked;
    for (auto _ : state) {
        grid->setSource(sources[i++ & 1]);
        grid->repaint();
    }
    countCells(state, cellsBefore);
}

void BM_GridPageDown(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    auto grid = makeGrid();
    grid->setSource(std::make_shared<FixedWidthSource>(rows));
    grid->repaint();
    const std::uint64_t cellsBefore = cellsAsked;
    for (auto _ : state) {
        if (grid->currentRow() + 1 >= rows) {
            grid->setCurrentCell(0, 0);
        }
        press(grid.get(), Qt::Key_PageDown);
        grid->repaint();
    }
    countCells(state, cellsBefore);
}

void BM_GridCtrlEnd(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    auto grid = makeGrid();
    grid->setSource(std::make_shared<FixedWidthSource>(rows));
    grid->repaint();
    const std::uint64_t cellsBefore = cellsAsked;
    for (auto _ : state) {
        // Back to the first row without a paint: setting the cell costs nothing
        // beside the key and the paint that follow.
        grid->setCurrentCell(0, 0);
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->repaint();
    }
    if (grid->currentRow() != rows - 1) {
        state.SkipWithError("Ctrl+End missed the last row");
    }
    countCells(state, cellsBefore);
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
        grid->setSource(std::make_shared<FixedWidthSource>(100));
        grid->repaint();
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->repaint();
        const double before = residentKiB();
        grid->setSource(std::make_shared<FixedWidthSource>(rows));
        grid->repaint();
        press(grid.get(), Qt::Key_PageDown);
        grid->repaint();
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->repaint();
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

BENCHMARK(BM_GridSetSource)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->ComputeStatistics("min", smallest);
BENCHMARK(BM_GridFirstPaint)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->ComputeStatistics("min", smallest)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridPageDown)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->ComputeStatistics("min", smallest)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridCtrlEnd)
    ->ArgsProduct({{std::begin(GridRows), std::end(GridRows)}})
    ->ComputeStatistics("min", smallest)
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
        grid->setSource(std::make_shared<FixedWidthSource>(1000));
        grid->repaint();
        press(grid.get(), Qt::Key_PageDown);
        press(grid.get(), Qt::Key_End, Qt::ControlModifier);
        grid->repaint();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
