// The views of a listing in the real windows, offscreen, over a 1 GiB image of
// pseudo-random bytes with 100,000 notes (a label and a comment each, one on
// each of the first 64 program rows and the rest spread over the image):
// - BM_ScreenPaint: one paint of the grid over
//   the rows that all have notes, in a window of 1920 by 1080 pixels (every
//   column in view), with the three columns alone and with the
//   columns shown from the menu (hex and text; notes; all three), in the
//   main window and in the byte-order window;
// - BM_NotesSaveTimerLateness: a bookmark set or cleared, then the notes
//   file of the 100,000 notes written off the GUI thread, while a timer on
//   the GUI thread fires every 10 ms: the most it came late.
// At the end a summary gives each paint as a multiple of the paint without
// the extra columns, measured in the same run: hex and text at most 1.3
// times, the notes column at most 1.5 times; the timer at most 50 ms late.
//
//   views_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "bench_windows_support.h"
#include "listing_columns.h"
#include "sorrel_application.h"
#include "sorrel_windows.h"
#include "stringgrid.h"
#include "window_document.h"
#include "window_notes.h"

using namespace sorrel;
using namespace sorrel::bench;

namespace {

constexpr std::int64_t ImageSize = std::int64_t{1} << 30;
constexpr std::uint64_t FirstCodeRow = 256;
constexpr int DenseRows = 64;
constexpr int NoteCount = 100'000;
constexpr double LatenessBound = 50.0;

QTemporaryDir* folder = nullptr;
SorrelWindows* windows = nullptr;

QString ImagePath() {
    return folder->filePath(QStringLiteral("image.bin"));
}

// The names to import: "#ROW n_I ; comment" for NoteCount rows.
QString WriteNames() {
    const QString path = folder->filePath(QStringLiteral("names.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    static const char* const Words[] = {"wait", "timer", "loop", "init",  "read",
                                        "send", "ждём",  "флаг", "сброс", "buffer"};
    const std::uint64_t rows = ImageSize / 2;
    const std::uint64_t step = (rows - FirstCodeRow - DenseRows) / (NoteCount - DenseRows);
    QByteArray text;
    for (int i = 0; i < NoteCount; ++i) {
        const std::uint64_t row =
            i < DenseRows
                ? FirstCodeRow + static_cast<std::uint64_t>(i)
                : FirstCodeRow + DenseRows + static_cast<std::uint64_t>(i - DenseRows) * step;
        text += "#" + QByteArray::number(static_cast<qulonglong>(row)) + " n_" +
                QByteArray::number(i) + " ;";
        for (int w = 0; w < 2 + i % 9; ++w) {
            text += ' ';
            text += Words[(i + w) % std::size(Words)];
        }
        text += '\n';
    }
    file.write(text);
    return path;
}

template <typename Done>
bool WaitFor(Done done, int ms = 600'000) {
    return QTest::qWaitFor(done, ms);
}

void ShowColumns(WindowDocument* document, int columns) {
    ExtraColumns extra = document->columns();
    extra.hex = columns == 1 || columns == 3;
    extra.text = extra.hex;
    extra.notes = columns == 2 || columns == 3;
    document->setColumns(extra);
}

// Arg 0: the window (0 main, 1 byte order); Arg 1: the columns shown (0 the
// three alone, 1 hex and text, 2 notes, 3 all of them); Arg 2: the rows
// painted (0 the first program rows, every one with a note; 1 rows in the
// middle of the image, as most screens are: the notes column shows the jumps'
// targets there).
void BM_ScreenPaint(benchmark::State& state) {
    const bool bytes = state.range(0) != 0;
    const int columns = static_cast<int>(state.range(1));
    const bool middle = state.range(2) != 0;
    StringGrid* grid = bytes ? windows->form2->StringGrid1 : windows->form1->StringGrid1;
    WindowDocument* document = bytes ? windows->form2->document() : windows->form1->document();
    QWidget* window = bytes ? static_cast<QWidget*>(windows->form2.get())
                            : static_cast<QWidget*>(windows->form1.get());
    window->resize(1920, 1080);
    ShowColumns(document, columns);
    // The rows of the notes: from the first code row, its bytes in the
    // byte-order window.
    const std::uint64_t word = middle ? ImageSize / 4 : FirstCodeRow;
    const std::uint64_t row = bytes ? 2 * word : word;
    grid->setCurrentCell(row + 1, 1);
    grid->scrollToRow(row);
    grid->viewport()->repaint();
    for (auto _ : state) {
        grid->viewport()->repaint();
    }
    state.counters["columns"] = grid->columnCount();
    ShowColumns(document, 0);
}

void BM_NotesSaveTimerLateness(benchmark::State& state) {
    WindowNotes* notes = windows->form1->notes();
    windows->form1->StringGrid1->setCurrentCell(FirstCodeRow + 2, 1);
    double lateMs = 0;
    for (auto _ : state) {
        const TimerLateness timer;
        notes->toggleBookmark();
        if (!WaitFor([&] { return notes->writing(); }, 5000) ||
            !WaitFor([&] { return !notes->writing(); })) {
            state.SkipWithError("the notes were not written");
            return;
        }
        lateMs = std::max(lateMs, timer.worstMs());
    }
    state.counters["max_late_ms"] = lateMs;
}

class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> fastest;  // ns, the fastest run of each
    double lateMs = 0;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.function_name + "/" + run.run_name.args;
            const auto it = fastest.find(name);
            const double time = run.GetAdjustedRealTime();
            if (it == fastest.end() || time < it->second) {
                fastest[name] = time;
            }
            const auto late = run.counters.find("max_late_ms");
            if (late != run.counters.end()) {
                lateMs = std::max(lateMs, late->second.value);
            }
        }
    }
};

}  // namespace

BENCHMARK(BM_ScreenPaint)
    ->ArgNames({"window", "columns", "middle"})
    ->ArgsProduct({{0}, {0, 1, 2, 3}, {0, 1}})
    ->Args({1, 0, 0})
    ->Args({1, 1, 0})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5);
BENCHMARK(BM_NotesSaveTimerLateness)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4)
    ->Repetitions(2);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    SorrelApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    folder = &dir;
    WriteImage(ImagePath(), ImageSize);
    const QString names = WriteNames();

    SorrelWindows created = CreateWindows();
    windows = &created;
    created.form1->show();
    created.form1->openFile(ImagePath());
    WindowNotes* notes = created.form1->notes();
    if (!WaitFor([&] { return !created.form1->loading() && !notes->reading(); })) {
        std::fprintf(stderr, "the image was not listed\n");
        return 1;
    }
    notes->importNamesFrom(names);
    if (notes->notes()->size() != NoteCount || !WaitFor([&] { return !notes->writing(); })) {
        std::fprintf(stderr, "the names were not imported\n");
        return 1;
    }
    created.form2->show();
    if (!WaitFor([&] { return !created.form2->loading(); })) {
        std::fprintf(stderr, "the byte-order window did not list the image\n");
        return 1;
    }

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    windows = nullptr;

    const struct {
        const char* title;
        const char* what;
        int window;
        int columns;  // shown, against none
        double bound;
    } ratios[] = {
        {"main", "hex and text", 0, 1, 1.3},
        {"main", "notes", 0, 2, 1.5},
        {"main", "all three", 0, 3, 0},
        {"byte order", "hex and text", 1, 1, 1.3},
    };
    bool within = true;
    std::printf("\n%-11s %-13s %-14s %12s %12s %8s\n", "window", "columns", "rows", "paint us",
                "without us", "ratio");
    for (const auto& r : ratios) {
        for (const int middle : {0, 1}) {
            const auto name = [&](int columns) {
                char text[96];
                std::snprintf(text, sizeof text, "BM_ScreenPaint/window:%d/columns:%d/middle:%d",
                              r.window, columns, middle);
                return std::string(text);
            };
            const auto with = reporter.fastest.find(name(r.columns));
            const auto without = reporter.fastest.find(name(0));
            if (with == reporter.fastest.end() || without == reporter.fastest.end()) {
                continue;
            }
            const double ratio = with->second / without->second;
            const bool ok = r.bound == 0 || ratio <= r.bound;
            within = within && ok;
            std::printf("%-11s %-13s %-14s %12.1f %12.1f %8.2f%s\n", r.title, r.what,
                        middle != 0 ? "middle" : "all with notes", with->second, without->second,
                        ratio, ok ? "" : "  (over)");
        }
    }
    if (reporter.lateMs > 0) {
        const bool ok = reporter.lateMs <= LatenessBound;
        within = within && ok;
        std::printf(
            "the GUI thread's 10 ms timer came at most %.1f ms late while %d notes were "
            "saved%s\n",
            reporter.lateMs, NoteCount, ok ? "" : "  (over)");
    }
    std::printf("%s\n", within ? "every run within its bound" : "some run out of its bound");
    benchmark::Shutdown();
    return 0;
}
