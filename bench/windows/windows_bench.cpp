// Loading an image in the windows, through their real handlers, against
// reading the same file into memory alone: a load through the dialog (from
// the dialog's Enter to the listing shown and painted), the reload button
// until the listing is shown and painted, and the byte-order window going from
// hidden to shown with its first paint. The windows read on a worker thread;
// a 10 ms timer on the GUI thread runs meanwhile and its worst lateness is
// reported, beside that of the same timer while a plain thread reads the file
// (what the machine itself gives: on a loaded virtual machine a large read
// delays every other thread now and then). Then saving the main listing (Ctrl+S after its dialog)
// against the real sorrel-dis writing the same listing to a file in the same folder. Images of 64
// MiB and 1 GiB of pseudo-random bytes are written to a temporary folder and removed at the end,
// and so is every listing written. Offscreen.
//
//   windows_bench [--benchmark_filter=...]
//
// Besides the times, each benchmark of a window's read reports the memory that
// one more run adds to the process's peak (VmHWM after the run less VmRSS
// before it), as a share of the file's size: a reload holds the former image
// and the new one for a moment, so it adds the new one. At the end a summary
// compares every window's time with the read alone of the same size (at most
// 1.1 times as long, at most 1.1 times the file's size added to the peak, the
// timer at most 50 ms late) and the save's speed with sorrel-dis's (at least
// 0.8 times for 1 GiB; sorrel-dis leaves its listing in the page cache, a
// save puts it on disk, so the last column compares with sorrel-dis and an
// fsync).
//
// Go-to and find through the main window's navigator:
// - BM_GoToRow: the navigator's go to a row (record the place, make it
//   current, centre it) and the repaint of the grid, on 1,000 rows and on
//   2,147,483,647 rows of a synthetic listing: the same cost at both sizes.
// - BM_GoToText: reading a go-to text ("#N", "3FEh", "+N") for a listing of
//   1,000 and of 2,147,483,647 rows.
// - BM_FindTimerLateness/all:0 and /all:1: F3 (and "find all") with a query
//   that matches nothing over the 1 GiB image, loaded raw, on every core,
//   while a timer on the GUI thread fires every 10 ms: max_late_ms is the
//   most that timer came late, at most 50 ms. The time is that of one whole
//   search, the wrap included.
// - BM_TimerLatenessWithout/N: the same timer while N threads only spin (0,
//   1, and one for every core), for comparison: on a busy machine the timer
//   comes late by itself, later beside any busy thread, and with every core
//   busy as late as the machine's scheduler makes it, whatever the program.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
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

#include "bench_windows_support.h"
#include "find_dialog.h"
#include "go_to.h"
#include "grid_navigator.h"
#include "image_loader.h"
#include "image_messages.h"
#include "listing_export.h"
#include "sorrel_application.h"
#include "sorrel_windows.h"
#include "stringgrid.h"

using namespace sorrel;
using namespace sorrel::bench;

namespace {

constexpr std::int64_t MiB = 1 << 20;
const std::int64_t Sizes[] = {64 * MiB, 1024 * MiB};

// The image of the timer's lateness during find, and the figures for the summary.
constexpr std::int64_t LatenessImageSize = 1024 * MiB;
constexpr std::int64_t MaxGoToRows = 2'147'483'647;
constexpr double LatenessBound = 50.0;
double findLateness = 0;
double idleLateness = 0;
double spinLateness = 0;
double allSpinLateness = 0;  // a spinning thread on every core

QTemporaryDir* folder = nullptr;
SorrelWindows* windows = nullptr;

QString ImagePath(std::int64_t size) {
    return folder->filePath(QStringLiteral("image-%1MiB.bin").arg(size / MiB));
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

// Waits until the windows have freed the images their listings replaced.
void WaitForFrees() {
    for (const auto* loader : windows->form1->findChildren<sorrel::ImageLoader*>() +
                                  windows->form2->findChildren<sorrel::ImageLoader*>()) {
        while (loader->releasing()) {
            QThread::msleep(1);
        }
    }
}

// Runs op once and returns what it added to the peak resident memory.
template <typename Op>
std::int64_t PeakAdded(Op op) {
    WaitForFrees();
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

// Runs the event loop until window has read its image: the listing is shown.
template <typename Window>
void WaitWhileReading(Window* window) {
    while (window->loading()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// Chooses path in the load button's dialog, as a user does; afterwards the
// reload button and the byte-order window read that file. Returns the time
// from the dialog's acceptance to the listing shown.
double ChooseInDialog(const QString& path) {
    QElapsedTimer sinceAccepted;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible()) {
            dialog->selectFile(path);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            sinceAccepted.start();
            static_cast<QDialog*>(dialog)->accept();
        }
    });
    answer.start(5);
    Click(windows->form1->SpeedButton1);
    answer.stop();
    WaitWhileReading(windows->form1.get());
    return double(sinceAccepted.nsecsElapsed()) / 1e9;
}

void FirstPaint(StringGrid* grid) {
    grid->viewport()->repaint();
}

void Report(benchmark::State& state, std::int64_t size, std::int64_t peakAdded, double lateMs = 0) {
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["peak_added_MiB"] = double(peakAdded) / MiB;
    state.counters["peak_per_file"] = double(peakAdded) / double(size);
    state.counters["timer_late_ms"] = lateMs;
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

// The read alone on a thread of its own while the GUI thread waits in its event
// loop: the timer's lateness that the machine itself gives a read (a control
// for the windows' lateness).
void BM_ReadOnThread(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    const std::string path = sorrel::LocalFileName(ImagePath(size));
    double lateMs = 0;
    for (auto _ : state) {
        const TimerLateness timer;
        std::atomic<bool> done = false;
        std::thread reader([&] {
            sorrel::ImageData image = sorrel::ImageData::read(path, sorrel::MaxImageSize);
            benchmark::DoNotOptimize(image.data());
            done = true;
        });
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);  // woken by the timer
        }
        reader.join();
        lateMs = std::max(lateMs, timer.worstMs());
    }
    Report(state, size, 0, lateMs);
}

void BM_LoadDialog(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    TForm1* form = windows->form1.get();
    for (auto _ : state) {
        QElapsedTimer paint;
        double seconds = ChooseInDialog(ImagePath(size));
        paint.start();
        FirstPaint(form->StringGrid1);
        seconds += double(paint.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
    }
    if (form->StringGrid1->rowCount() != std::uint64_t(size / 2)) {
        state.SkipWithError("the image was not listed");
        return;
    }
    Report(state, size, PeakAdded([&] { ChooseInDialog(ImagePath(size)); }));
}

void BM_ReloadButton(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    ChooseInDialog(ImagePath(size));
    TForm1* form = windows->form1.get();
    if (form->StringGrid1->rowCount() != std::uint64_t(size / 2)) {
        state.SkipWithError("the image was not listed");
        return;
    }
    const auto reload = [&] {
        Click(form->SpeedButton2);
        WaitWhileReading(form);
        FirstPaint(form->StringGrid1);
    };
    double lateMs = 0;
    for (auto _ : state) {
        const TimerLateness timer;
        reload();
        lateMs = std::max(lateMs, timer.worstMs());
    }
    Report(state, size, PeakAdded(reload), lateMs);
}

void BM_ByteOrderShown(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    ChooseInDialog(ImagePath(size));
    TForm2* form = windows->form2.get();
    const auto showAndPaint = [&] {
        Click(windows->form1->SpeedButton3);
        WaitWhileReading(form);
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

void BM_FindTimerLateness(benchmark::State& state) {
    TForm1* form = windows->form1.get();
    form->CheckBox1->setChecked(true);
    form->openFile(ImagePath(LatenessImageSize));
    // The load runs on a worker, and the previous repetition's listing has as
    // many rows: wait for the read to end, not only for the row count. The
    // passes over the new listing and the notes' hash may still run, as they
    // do when a user searches at once.
    if (!QTest::qWaitFor(
            [&] {
                return !form->loading() && form->StringGrid1->rowCount() == LatenessImageSize / 2;
            },
            120000)) {
        state.SkipWithError("the image was not listed");
        return;
    }
    sorrel::GridNavigator* navigator = form->navigator();
    const bool all = state.range(0) != 0;
    navigator->findDialog()->edit()->setText(QStringLiteral("zzz"));
    double lateMs = 0;
    for (auto _ : state) {
        form->StringGrid1->setCurrentCell(LatenessImageSize / 4, 1);  // both legs of the wrap
        const TimerLateness timer;
        if (all) {
            navigator->findAll();
        } else {
            navigator->findNext();
        }
        while (navigator->searching()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        lateMs = std::max(lateMs, timer.worstMs());
    }
    if (!all && form->StatusBar1->currentMessage() != QStringLiteral("Не найдено")) {
        state.SkipWithError("the search did not end as expected");
    }
    state.SetBytesProcessed(state.iterations() * LatenessImageSize);
    state.counters["max_late_ms"] = lateMs;
    findLateness = std::max(findLateness, lateMs);
}

// The same timer for as long as a search while nothing runs (Arg 0), or while
// a thread of the program only spins (Arg 1): what the machine itself adds,
// and what any busy worker costs the GUI thread on it.
void BM_TimerLatenessWithout(benchmark::State& state) {
    const auto spinners = static_cast<unsigned>(state.range(0));
    double lateMs = 0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::vector<std::thread> threads;
        for (unsigned i = 0; i < spinners; ++i) {
            threads.emplace_back([&stop] {
                std::uint64_t turns = 0;
                while (!stop.load(std::memory_order_relaxed)) {
                    benchmark::DoNotOptimize(++turns);
                }
            });
        }
        const TimerLateness timer;
        QTest::qWait(500);
        lateMs = std::max(lateMs, timer.worstMs());
        stop = true;
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    state.counters["max_late_ms"] = lateMs;
    double& worst = spinners == 0 ? idleLateness : spinners == 1 ? spinLateness : allSpinLateness;
    worst = std::max(worst, lateMs);
}

QString ListingPath(const char* writer) {
    return folder->filePath(QStringLiteral("listing-%1.txt").arg(QString::fromLatin1(writer)));
}

// The main listing of the image (with a header), saved as after Ctrl+S and its
// dialog: written on a worker, then on disk, then in the target's place.
void BM_SaveListing(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    ChooseInDialog(ImagePath(size));
    TForm1* form = windows->form1.get();
    auto* save = form->findChild<sorrel::ListingExport*>();
    const QString target = ListingPath("save");
    std::int64_t written = 0;
    for (auto _ : state) {
        save->save(target);
        while (save->saving()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        state.PauseTiming();
        written = QFileInfo(target).size();
        QFile::remove(target);
        state.ResumeTiming();
    }
    if (written == 0) {
        state.SkipWithError("nothing was written");
        return;
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["listing_MiB"] = double(written) / MiB;
}

// sorrel-dis writing the same listing to a file in the same folder; toDisk:
// and then the file on disk (fsync), as a save leaves it.
void RunSorrelDis(benchmark::State& state, bool toDisk) {
    const std::int64_t size = state.range(0);
    const QString target = ListingPath("sorrel-dis");
    std::int64_t written = 0;
    for (auto _ : state) {
        QProcess dis;
        dis.setStandardOutputFile(target, QIODevice::Truncate);
        dis.start(QStringLiteral(SORREL_DIS), {ImagePath(size)});
        if (!dis.waitForFinished(-1) || dis.exitCode() != 0) {
            state.SkipWithError("sorrel-dis failed");
            return;
        }
        if (toDisk) {
            QFile file(target);
            if (!file.open(QIODevice::ReadWrite) || fsync(file.handle()) != 0) {
                state.SkipWithError("the listing could not be put on disk");
                return;
            }
        }
        state.PauseTiming();
        written = QFileInfo(target).size();
        QFile::remove(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["listing_MiB"] = double(written) / MiB;
}

void BM_SorrelDisToFile(benchmark::State& state) {
    RunSorrelDis(state, false);
}

void BM_SorrelDisToDisk(benchmark::State& state) {
    RunSorrelDis(state, true);
}

// Each read runs three times, each save twice at 64 MiB and once at 1 GiB.
// Collects the fastest time of each benchmark (the machine's
// other work only ever adds time) and its memory and timer counters.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    struct Result {
        double seconds = 1e300;
        double peakPerFile = 0;
        double peakMiB = 0;
        double lateMs = 0;
    };
    std::map<std::string, Result> results;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // The runs of the reads and of the saves: those that the summary uses.
            if (run.run_type != Run::RT_Iteration || run.error_occurred ||
                (run.counters.count("peak_per_file") == 0 &&
                 run.counters.count("listing_MiB") == 0)) {
                continue;
            }
            Result& r = results[run.run_name.function_name + "/" + run.run_name.args];
            r.seconds = std::min(r.seconds, run.GetAdjustedRealTime() / 1e3);  // ms to s
            const auto counter = [&run](const char* name) {
                const auto it = run.counters.find(name);
                return it == run.counters.end() ? 0.0 : it->second.value;
            };
            r.peakPerFile = std::max(r.peakPerFile, counter("peak_per_file"));
            r.peakMiB = std::max(r.peakMiB, counter("peak_added_MiB"));
            r.lateMs = std::max(r.lateMs, counter("timer_late_ms"));
        }
    }
};

}  // namespace

BENCHMARK(BM_ReadAlone)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);
BENCHMARK(BM_ReadOnThread)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3);
BENCHMARK(BM_LoadDialog)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(3);
BENCHMARK(BM_ReloadButton)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3);
BENCHMARK(BM_ByteOrderShown)
    ->Arg(64 * MiB)
    ->Arg(1024 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3);
// A listing of a 1 GiB image is some 20 GB: written once by each.
BENCHMARK(BM_SorrelDisToFile)
    ->Arg(64 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(2);
BENCHMARK(BM_SorrelDisToDisk)
    ->Arg(64 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(2);
BENCHMARK(BM_SaveListing)
    ->Arg(64 * MiB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(2);
BENCHMARK(BM_SorrelDisToFile)->Arg(1024 * MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SorrelDisToDisk)->Arg(1024 * MiB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveListing)->Arg(1024 * MiB)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK(BM_GoToRow)->Arg(1000)->Arg(MaxGoToRows)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_GoToText)->Arg(1000)->Arg(MaxGoToRows)->Repetitions(3);
BENCHMARK(BM_FindTimerLateness)
    ->ArgName("all")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Repetitions(3);
BENCHMARK(BM_TimerLatenessWithout)
    ->Apply([](benchmark::internal::Benchmark* b) {
        b->Arg(0)->Arg(1);
        if (std::thread::hardware_concurrency() > 1) {
            b->Arg(std::thread::hardware_concurrency());
        }
    })
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
    std::printf("\n%-8s %-22s %10s %10s %12s %14s %10s\n", "image", "run", "seconds", "x read",
                "peak added", "x file size", "late ms");
    for (std::int64_t size : Sizes) {
        const std::string arg = "/" + std::to_string(size);
        const auto read = reporter.results.find("BM_ReadAlone" + arg);
        if (read == reporter.results.end()) {
            continue;
        }
        for (const char* name : {"BM_ReadAlone", "BM_ReadOnThread", "BM_LoadDialog",
                                 "BM_ReloadButton", "BM_ByteOrderShown"}) {
            const auto it = reporter.results.find(name + arg);
            if (it == reporter.results.end()) {
                continue;
            }
            const SummaryReporter::Result& r = it->second;
            const double ratio = r.seconds / read->second.seconds;
            // The read on a thread is a control for the timer alone.
            const bool control = std::string(name) == "BM_ReadOnThread";
            const bool ok = control || (ratio <= 1.1 && r.peakPerFile <= 1.1 && r.lateMs <= 50);
            within = within && ok;
            std::printf("%5lld MiB %-22s %10.3f %10.2f %9.0f MiB %14.2f %10.1f%s\n",
                        static_cast<long long>(size / MiB), name, r.seconds, ratio, r.peakMiB,
                        r.peakPerFile, r.lateMs, ok ? "" : "  (over)");
        }
    }
    std::printf("\n%-8s %-22s %10s %14s %20s\n", "image", "run", "seconds", "x sorrel-dis",
                "x sorrel-dis, fsync");
    for (std::int64_t size : Sizes) {
        const std::string arg = "/" + std::to_string(size);
        const auto dis = reporter.results.find("BM_SorrelDisToFile" + arg);
        const auto disk = reporter.results.find("BM_SorrelDisToDisk" + arg);
        const auto save = reporter.results.find("BM_SaveListing" + arg);
        if (dis == reporter.results.end() || disk == reporter.results.end() ||
            save == reporter.results.end()) {
            continue;
        }
        // Speeds relative to sorrel-dis: its time over the save's.
        const double speed = dis->second.seconds / save->second.seconds;
        const double speedOnDisk = disk->second.seconds / save->second.seconds;
        // The bound is for a 1 GiB image; a save of 64 MiB is shown as well,
        // and there putting the listing on disk weighs the most.
        const bool ok = size < 1024 * MiB || speed >= 0.8;
        within = within && ok;
        const long long mib = static_cast<long long>(size / MiB);
        std::printf("%5lld MiB %-22s %10.3f\n", mib, "BM_SorrelDisToFile", dis->second.seconds);
        std::printf("%5lld MiB %-22s %10.3f\n", mib, "BM_SorrelDisToDisk", disk->second.seconds);
        std::printf("%5lld MiB %-22s %10.3f %14.2f %20.2f%s\n", mib, "BM_SaveListing",
                    save->second.seconds, speed, speedOnDisk, ok ? "" : "  (under)");
    }
    std::printf("%s\n", within ? "every run within its bound" : "some run out of its bound");
    if (findLateness > 0) {
        std::printf(
            "the GUI thread's 10 ms timer came at most %.1f ms late during find over "
            "1 GiB (%s); %.1f ms while idle, %.1f ms while a thread only spun, %.1f ms "
            "while a thread spun on every core\n",
            findLateness, findLateness <= LatenessBound ? "within 50 ms" : "OVER 50 ms",
            idleLateness, spinLateness, allSpinLateness);
    }
    benchmark::Shutdown();
    return 0;
}
