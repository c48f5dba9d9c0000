// Loading an image in the windows, through their real handlers, against
// reading the same file into memory alone: the reload button with the first
// paint of the listing, and the byte-order window going from hidden to shown
// with its first paint. Images of 64 MiB and 1 GiB of pseudo-random bytes are
// written to a temporary folder and removed at the end. Offscreen.
//
//   windows_bench [--benchmark_filter=...]
//
// Besides the times, each benchmark reports the memory that one more run adds
// to the process's peak (VmHWM after the run less VmRSS before it), as a share
// of the file's size. At the end a summary compares every window's time with
// the read alone of the same size: the windows take at most 1.5 times as long
// and add at most 1.1 times the file's size to the peak.
//
// Go-to and find through the main window's navigator:
// - BM_GoToRow: the navigator's go to a row (record the place, make it
//   current, centre it) and the repaint of the grid, on 1,000 rows and on
//   2,147,483,647 rows of a synthetic listing: the same cost at both sizes.
// - BM_GoToText: reading a go-to text ("#N", "3FEh", "+N") for a listing of
//   1,000 and of 2,147,483,647 rows.
// - BM_FindTimerLateness: F3 with a query that matches nothing over the 1 GiB
//   image, loaded raw, while a timer on the GUI thread fires every 10 ms:
//   max_late_ms is the most that timer came late, at most 50 ms. The time is
//   that of one whole search, the wrap included.
// - BM_TimerLatenessWithout/0 and /1: the same timer while nothing runs, and
//   while a thread only spins, for comparison: on a busy machine the timer
//   comes late by itself, and later still beside any busy thread.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "find_dialog.h"
#include "go_to.h"
#include "grid_navigator.h"
#include "image_messages.h"
#include "sorrel_application.h"
#include "sorrel_windows.h"
#include "stringgrid.h"

namespace {

constexpr std::int64_t MiB = 1 << 20;
const std::int64_t Sizes[] = {64 * MiB, 1024 * MiB};

// The image of the timer's lateness during find, and the figures for the summary.
constexpr std::int64_t LatenessImageSize = 1024 * MiB;
constexpr std::int64_t MaxGoToRows = 2'147'483'647;
constexpr int TimerMilliseconds = 10;
constexpr double LatenessBound = 50.0;
double findLateness = 0;
double idleLateness = 0;
double spinLateness = 0;

QTemporaryDir* folder = nullptr;
SorrelWindows* windows = nullptr;

QString ImagePath(std::int64_t size) {
    return folder->filePath(QStringLiteral("image-%1MiB.bin").arg(size / MiB));
}

// Writes size pseudo-random bytes (xorshift64*), 1 MiB at a time.
void WriteImage(const QString& path, std::int64_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::uint64_t x = 0x9E3779B97F4A7C15u ^ static_cast<std::uint64_t>(size);
    std::vector<std::uint64_t> block(MiB / 8);
    for (std::int64_t done = 0; done < size; done += MiB) {
        for (std::uint64_t& v : block) {
            x ^= x >> 12;
            x ^= x << 25;
            x ^= x >> 27;
            v = x * 0x2545F4914F6CDD1Du;
        }
        file.write(reinterpret_cast<const char*>(block.data()), MiB);
    }
    // On disk before anything is timed, so that writing it back does not
    // compete with the reads.
    file.flush();
    fsync(file.handle());
}

// The process's memory in bytes from /proc/self/status ("VmRSS:", "VmHWM:").
std::int64_t StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            std::int64_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
    }
    return 0;
}

// Runs op once and returns what it added to the peak resident memory.
template <typename Op>
std::int64_t PeakAdded(Op op) {
    {
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";  // the peak starts again from the resident size now
    }
    const std::int64_t before = StatusBytes("VmRSS:");
    op();
    return StatusBytes("VmHWM:") - before;
}

void Click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

// Chooses path in the load button's dialog, as a user does; afterwards the
// reload button and the byte-order window read that file.
void ChooseInDialog(const QString& path) {
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible()) {
            dialog->selectFile(path);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        }
    });
    answer.start(5);
    Click(windows->form1->SpeedButton1);
}

void FirstPaint(StringGrid* grid) {
    grid->viewport()->repaint();
}

void Report(benchmark::State& state, std::int64_t size, std::int64_t peakAdded) {
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["peak_added_MiB"] = double(peakAdded) / MiB;
    state.counters["peak_per_file"] = double(peakAdded) / double(size);
}

void BM_ReadAlone(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    const std::string path = sorrel::LocalFileName(ImagePath(size));
    for (auto _ : state) {
        sorrel::ImageData image = sorrel::ImageData::read(path, sorrel::MaxImageSize);
        benchmark::DoNotOptimize(image.data());
    }
    Report(state, size, PeakAdded([&] {
               sorrel::ImageData image = sorrel::ImageData::read(path, sorrel::MaxImageSize);
               benchmark::DoNotOptimize(image.data());
           }));
}

void BM_ReloadButton(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    ChooseInDialog(ImagePath(size));
    TForm1* form = windows->form1.get();
    if (form->StringGrid1->rowCount() != std::uint64_t(size / 2)) {
        state.SkipWithError("the image was not listed");
        return;
    }
    for (auto _ : state) {
        Click(form->SpeedButton2);
        FirstPaint(form->StringGrid1);
    }
    Report(state, size, PeakAdded([&] {
               Click(form->SpeedButton2);
               FirstPaint(form->StringGrid1);
           }));
}

void BM_ByteOrderShown(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    ChooseInDialog(ImagePath(size));
    TForm2* form = windows->form2.get();
    const auto showAndPaint = [&] {
        Click(windows->form1->SpeedButton3);
        FirstPaint(form->StringGrid1);
    };
    for (auto _ : state) {
        showAndPaint();
        state.PauseTiming();
        form->hide();
        state.ResumeTiming();
    }
    if (form->StringGrid1->rowCount() != std::uint64_t(size)) {
        state.SkipWithError("the image was not listed");
        return;
    }
    Report(state, size, PeakAdded(showAndPaint));
    form->hide();
}

// A listing of any number of rows whose texts have the same width at every
// row, so that the paints of the two sizes draw the same.
class FixedWidthSource : public CellSource {
  public:
    explicit FixedWidthSource(std::uint64_t rows) : rows_(rows) {}
    std::uint64_t rowCount() const override { return rows_; }
    QString cellText(std::uint64_t row, int column) const override {
        return QStringLiteral("%1:%2").arg(row % 100000, 5, 10, QLatin1Char('0')).arg(column);
    }

  private:
    std::uint64_t rows_;
};

void BM_GoToRow(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    TForm1* form = windows->form1.get();
    // On screen, so that the repaint paints.
    if (!QTest::qWaitForWindowExposed(form)) {
        state.SkipWithError("the window is not shown");
        return;
    }
    form->StringGrid1->setSource(std::make_shared<FixedWidthSource>(rows));
    sorrel::GridNavigator* navigator = form->navigator();
    // Far apart, so that every go scrolls.
    const std::uint64_t places[] = {rows / 10, rows - rows / 10};
    std::size_t i = 0;
    for (auto _ : state) {
        navigator->goToRow(places[i++ % 2]);
        form->StringGrid1->viewport()->repaint();
    }
    if (form->StringGrid1->currentRow() != places[(i - 1) % 2]) {
        state.SkipWithError("the grid did not go");
    }
    form->StringGrid1->setSource(nullptr);
}

void BM_GoToText(benchmark::State& state) {
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    // The same texts at both sizes, each naming a row of both: a row number,
    // an address and a step from row 100.
    const std::string texts[] = {"#999", "3E7h", "+899"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sorrel::GoToListingRow(texts[i++ % 3], rows, true, 100));
    }
}

// A timer on the GUI thread every TimerMilliseconds, and the most it came late
// since start().
class LatenessProbe {
  public:
    LatenessProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            maxLate_ = std::max(maxLate_, double(now - last_) / 1e6 - TimerMilliseconds);
            last_ = now;
        });
    }
    void start() {
        clock_.start();
        last_ = 0;
        timer_.start(TimerMilliseconds);
    }
    void stop() { timer_.stop(); }
    double maxLate() const { return maxLate_; }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    double maxLate_ = 0;
};

void BM_FindTimerLateness(benchmark::State& state) {
    TForm1* form = windows->form1.get();
    form->CheckBox1->setChecked(true);
    form->openFile(ImagePath(LatenessImageSize));
    // The load may run on a worker: wait for the listing.
    if (!QTest::qWaitFor([&] { return form->StringGrid1->rowCount() == LatenessImageSize / 2; },
                         120000)) {
        state.SkipWithError("the image was not listed");
        return;
    }
    sorrel::GridNavigator* navigator = form->navigator();
    navigator->findDialog()->edit()->setText(QStringLiteral("zzz"));
    LatenessProbe probe;
    for (auto _ : state) {
        form->StringGrid1->setCurrentCell(LatenessImageSize / 4, 1);  // both legs of the wrap
        probe.start();
        navigator->findNext();
        while (navigator->searching()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        probe.stop();
    }
    if (form->StatusBar1->currentMessage() != QStringLiteral("Не найдено")) {
        state.SkipWithError("the search did not end as expected");
    }
    state.SetBytesProcessed(state.iterations() * LatenessImageSize);
    state.counters["max_late_ms"] = probe.maxLate();
    findLateness = std::max(findLateness, probe.maxLate());
}

// The same timer for as long as a search while nothing runs (Arg 0), or while
// a thread of the program only spins (Arg 1): what the machine itself adds,
// and what any busy worker costs the GUI thread on it.
void BM_TimerLatenessWithout(benchmark::State& state) {
    const bool spin = state.range(0) != 0;
    LatenessProbe probe;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread spinner;
        if (spin) {
            spinner = std::thread([&stop] {
                std::uint64_t turns = 0;
                while (!stop.load(std::memory_order_relaxed)) {
                    benchmark::DoNotOptimize(++turns);
                }
            });
        }
        probe.start();
        QTest::qWait(500);
        probe.stop();
        stop = true;
        if (spinner.joinable()) {
            spinner.join();
        }
    }
    state.counters["max_late_ms"] = probe.maxLate();
    double& worst = spin ? spinLateness : idleLateness;
    worst = std::max(worst, probe.maxLate());
}

// Each benchmark runs three times. Collects the fastest time of each benchmark (the machine's other
// work only ever adds time) and its memory counters.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    struct Result {
        double seconds = 1e300;
        double peakPerFile = 0;
        double peakMiB = 0;
    };
    std::map<std::string, Result> results;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred ||
                run.counters.count("peak_per_file") == 0) {
                continue;
            }
            Result& r = results[run.run_name.function_name + "/" + run.run_name.args];
            r.seconds = std::min(r.seconds, run.GetAdjustedRealTime() / 1e3);  // ms to s
            r.peakPerFile = std::max(r.peakPerFile, run.counters.at("peak_per_file").value);
            r.peakMiB = std::max(r.peakMiB, run.counters.at("peak_added_MiB").value);
        }
    }
};

}  // namespace

BENCHMARK(BM_ReadAlone)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);
BENCHMARK(BM_ReloadButton)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);
BENCHMARK(BM_ByteOrderShown)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);

BENCHMARK(BM_GoToRow)->Arg(1000)->Arg(MaxGoToRows)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_GoToText)->Arg(1000)->Arg(MaxGoToRows)->Repetitions(3);
BENCHMARK(BM_FindTimerLateness)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Repetitions(3);
BENCHMARK(BM_TimerLatenessWithout)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Repetitions(3);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    SorrelApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QTemporaryDir dir;
    folder = &dir;
    for (std::int64_t size : Sizes) {
        WriteImage(ImagePath(size), size);
    }
    SorrelWindows created = CreateWindows();
    windows = &created;
    created.form1->show();

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    windows = nullptr;

    bool within = true;
    std::printf("\n%-8s %-22s %10s %10s %12s %14s\n", "image", "run", "seconds", "x read",
                "peak added", "x file size");
    for (std::int64_t size : Sizes) {
        const std::string arg = "/" + std::to_string(size);
        const auto read = reporter.results.find("BM_ReadAlone" + arg);
        if (read == reporter.results.end()) {
            continue;
        }
        for (const char* name : {"BM_ReadAlone", "BM_ReloadButton", "BM_ByteOrderShown"}) {
            const auto it = reporter.results.find(name + arg);
            if (it == reporter.results.end()) {
                continue;
            }
            const double ratio = it->second.seconds / read->second.seconds;
            const bool ok = ratio <= 1.5 && it->second.peakPerFile <= 1.1;
            within = within && ok;
            std::printf("%5lld MiB %-22s %10.3f %10.2f %9.0f MiB %14.2f%s\n",
                        static_cast<long long>(size / MiB), name, it->second.seconds, ratio,
                        it->second.peakMiB, it->second.peakPerFile, ok ? "" : "  (over)");
        }
    }
    std::printf("%s\n", within ? "every window within 1.5 x the read time and 1.1 x the file size"
                               : "some window over its bound");
    if (findLateness > 0) {
        std::printf(
            "the GUI thread's 10 ms timer came at most %.1f ms late during find over "
            "1 GiB (%s); %.1f ms while idle, %.1f ms while a thread only spun\n",
            findLateness, findLateness <= LatenessBound ? "within 50 ms" : "OVER 50 ms",
            idleLateness, spinLateness);
    }
    benchmark::Shutdown();
    return 0;
}
