// The cost of painting the jump gutter and the overview strip, offscreen,
// into an image of device pixel ratio 1 or 2 (the benchmark's argument):
// - the gutter for a full screen of 60 rows in which every row is a jump to a
//   row within about a screen of it, with the marks of the counts: a repaint
//   (the layout kept), and a scroll by one row (layout and paint);
// - the strip of the slices of a 1 GiB image at 1000 pixels high, with a
//   million found rows: a repaint (the bars kept), and a resize (bands and
//   bars made again, and paint).
//
//   flow_widgets_bench [--benchmark_repetitions=5 --benchmark_report_aggregates_only=true]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "image_snapshot.h"
#include "jump_flow.h"
#include "jump_gutter.h"
#include "overview.h"
#include "overview_strip.h"

using namespace sorrel;

namespace {

constexpr std::uint64_t ScreenRows = 60;
constexpr int Pitch = 16;

// Paints widget into image as a screen of the image's ratio would.
void Paint(QWidget& widget, QImage& image) {
    widget.render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

QImage Canvas(const QWidget& widget, double ratio) {
    QImage image(static_cast<int>(widget.width() * ratio),
                 static_cast<int>(widget.height() * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    return image;
}

// A raw image of 1024 words, each a jump to a row within about a screen of
// it, read from a file as the windows read it.
std::shared_ptr<const sorrel::ImageData> JumpImage() {
    static const std::shared_ptr<const sorrel::ImageData> image = [] {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("jumps.bin"));
        QFile file(path);
        QByteArray bytes;
        std::mt19937 random(1);
        for (std::uint64_t row = 0; row < 1024; ++row) {
            const std::uint64_t target =
                (row + 1024 - ScreenRows / 2 + random() % (ScreenRows + ScreenRows / 4)) % 1024;
            const auto word = static_cast<std::uint16_t>(0x8000u | target);  // jmp target
            bytes.append(static_cast<char>(word & 0xFF));
            bytes.append(static_cast<char>(word >> 8));
        }
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::abort();
        }
        file.close();
        return std::make_shared<const sorrel::ImageData>(
            sorrel::ImageData::read(path.toStdString()));
    }();
    return image;
}

struct Gutter {
    JumpGutter widget;
    JumpGutter::RowGeometry geometry{400, ScreenRows, Pitch, Pitch - 1, 0};

    Gutter() {
        const auto image = JumpImage();
        widget.resize(widget.sizeHint().width(), static_cast<int>(ScreenRows) * Pitch);
        widget.setImage(image, true);
        widget.setJumpCounts(std::make_shared<const sorrel::JumpCounts>(
            sorrel::CountJumps({image->data(), image->size(), true})));
        widget.setRowGeometry(geometry);
        widget.setCurrentRow(geometry.firstRow + ScreenRows / 2);
    }
};

double Ratio(const benchmark::State& state) {
    return static_cast<double>(state.range(0));
}

void GutterRepaint(benchmark::State& state) {
    Gutter gutter;
    QImage image = Canvas(gutter.widget, Ratio(state));
    state.counters["arrows"] = static_cast<double>(gutter.widget.flow().arrows.size());
    state.counters["lanes"] = gutter.widget.flow().lanes;
    for (auto _ : state) {
        Paint(gutter.widget, image);
    }
}
BENCHMARK(GutterRepaint)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void GutterScrollStep(benchmark::State& state) {
    Gutter gutter;
    QImage image = Canvas(gutter.widget, Ratio(state));
    std::uint64_t step = 0;
    for (auto _ : state) {
        gutter.geometry.firstRow = 400 + (++step % 2);
        gutter.widget.setRowGeometry(gutter.geometry);
        Paint(gutter.widget, image);
    }
}
BENCHMARK(GutterScrollStep)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The slices of a 1 GiB image with a header: every slice holds words of all
// kinds in shares that change from slice to slice, and erased stretches.
std::shared_ptr<const sorrel::OverviewSlices> GiBSlices() {
    auto slices = std::make_shared<sorrel::OverviewSlices>();
    slices->rows = std::uint64_t{1} << 29;
    slices->slices.resize(sorrel::MaxSlices);
    std::mt19937_64 random(7);
    for (std::size_t i = 0; i < sorrel::MaxSlices; ++i) {
        const sorrel::RowRange rows = slices->rowsOfSlice(i);
        std::uint64_t left = rows.end - rows.first;
        sorrel::KindCounts& counts = slices->slices[i];
        if (i == 0) {
            counts[sorrel::WordKind::Header] = sorrel::HeaderWords;
            left -= sorrel::HeaderWords;
        }
        if (i % 64 >= 48) {
            counts[sorrel::WordKind::ZeroRun] = left;
            continue;
        }
        const std::uint64_t run = random() % (left / 4);
        const std::uint64_t none = random() % (left / 4);
        const std::uint64_t jumps = (left - run - none) / 8;
        counts[sorrel::WordKind::ZeroRun] = run;
        counts[sorrel::WordKind::NoInstruction] = none;
        counts[sorrel::WordKind::Jump] = jumps;
        counts[sorrel::WordKind::Instruction] = left - run - none - jumps;
    }
    return slices;
}

struct Strip {
    OverviewStrip widget;

    Strip() {
        const auto slices = GiBSlices();
        widget.resize(OverviewStrip::PreferredWidth, 1000);
        widget.setImageRows(slices->rows, false);
        widget.setSlices(slices);
        widget.setView(slices->rows / 3, 60);
        // A million found rows spread over the image.
        auto found = std::make_shared<std::vector<std::uint64_t>>();
        for (std::uint64_t row = 0; row < slices->rows; row += slices->rows / 1'000'000) {
            found->push_back(row);
        }
        widget.setFoundRows(found);
    }
};

void StripRepaint(benchmark::State& state) {
    Strip strip;
    QImage image = Canvas(strip.widget, Ratio(state));
    for (auto _ : state) {
        Paint(strip.widget, image);
    }
}
BENCHMARK(StripRepaint)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void StripResize(benchmark::State& state) {
    Strip strip;
    QImage images[2];
    for (int k = 0; k < 2; ++k) {
        strip.widget.resize(OverviewStrip::PreferredWidth, 1000 - k);
        images[k] = Canvas(strip.widget, Ratio(state));
    }
    int k = 0;
    for (auto _ : state) {
        k = 1 - k;
        strip.widget.resize(OverviewStrip::PreferredWidth, 1000 - k);
        Paint(strip.widget, images[k]);
    }
}
BENCHMARK(StripResize)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
