// The passes behind the jump arrows and the overview strip, in words per
// second over a 1 GiB pseudo-random image made in memory (header mode), and
// over a 256 MiB image that is half erased memory, each on one thread and on
// every core (the argument is the thread count, 0 for every core); and the
// arrow layout of a full screen of jumps.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "jump_flow.h"
#include "overview.h"

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint64_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::mt19937_64 random(seed);
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        const std::uint64_t v = random();
        std::memcpy(bytes.data() + at, &v, 8);
    }
    return bytes;
}

// 1 GiB of pseudo-random words: about one word in eight is a jump.
const std::vector<std::uint8_t>& RandomImage() {
    static const std::vector<std::uint8_t> bytes = RandomBytes(std::size_t{1} << 30, 42);
    return bytes;
}

// 256 MiB in blocks of 64 KiB: random words, then erased (FFh) or empty (00h)
// memory in turn, so that half the words are runs.
const std::vector<std::uint8_t>& ErasedImage() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b = RandomBytes(std::size_t{256} << 20, 7);
        constexpr std::size_t block = 64 << 10;
        for (std::size_t at = block; at < b.size(); at += 2 * block) {
            std::memset(b.data() + at, (at / (2 * block)) % 2 == 0 ? 0xFF : 0x00, block);
        }
        return b;
    }();
    return bytes;
}

sorrel::ListingRows Rows(const std::vector<std::uint8_t>& bytes) {
    return {bytes.data(), bytes.size(), false};
}

// A pass over an image on some threads, giving something of its result to keep.
using Pass = std::uint64_t (*)(const sorrel::ListingRows&, const sorrel::SliceOptions&);

// Words per second of pass over image, on range(0) threads (0: every core).
void WordsPerSecond(benchmark::State& state, const std::vector<std::uint8_t>& (*image)(),
                    Pass pass) {
    const sorrel::ListingRows rows = Rows(image());
    const sorrel::SliceOptions options{static_cast<unsigned>(state.range(0)),
                                       sorrel::DefaultSerialRows};
    for (auto _ : state) {
        benchmark::DoNotOptimize(pass(rows, options));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.rowCount()));
}

// The memory speed the passes are measured against: a sum of 64-bit loads.
std::uint64_t ReadImage(const sorrel::ListingRows& rows, const sorrel::SliceOptions&) {
    std::uint64_t sum = 0;
    for (std::uint64_t at = 0; at + 8 <= rows.size; at += 8) {
        std::uint64_t v;
        std::memcpy(&v, rows.bytes + at, 8);
        sum += v;
    }
    return sum;
}

std::uint64_t OverviewPass(const sorrel::ListingRows& rows, const sorrel::SliceOptions& options) {
    return sorrel::ScanOverview(rows, {}, {}, options).slices[0].total();
}

std::uint64_t JumpCountPass(const sorrel::ListingRows& rows, const sorrel::SliceOptions& options) {
    return sorrel::CountJumps(rows, {}, {}, options).jumps[0];
}

// One thread and every core, in real time (the calling thread waits for the
// others).
void OneAndAll(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(WordsPerSecond, read_random_1GiB, RandomImage, ReadImage)
    ->Arg(1)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WordsPerSecond, overview_random_1GiB, RandomImage, OverviewPass)
    ->Apply(OneAndAll);
BENCHMARK_CAPTURE(WordsPerSecond, overview_half_erased_256MiB, ErasedImage, OverviewPass)
    ->Apply(OneAndAll);
BENCHMARK_CAPTURE(WordsPerSecond, jump_counts_random_1GiB, RandomImage, JumpCountPass)
    ->Apply(OneAndAll);
BENCHMARK_CAPTURE(WordsPerSecond, jump_counts_half_erased_256MiB, ErasedImage, JumpCountPass)
    ->Apply(OneAndAll);

// A view of range(0) rows in a raw image where every row is a jump to a row
// within about one screen of it, so that most arrows are drawn whole and need
// lanes; with the target marks of the whole image.
void ArrowLayout(benchmark::State& state) {
    const auto inView = static_cast<std::uint64_t>(state.range(0));
    constexpr std::uint64_t first = 400;
    std::vector<std::uint8_t> bytes(2 * 1024);
    std::mt19937 random(1);
    for (std::uint64_t row = 0; row < 1024; ++row) {
        const std::uint64_t target =
            (row + 1024 - inView / 2 + random() % (inView + inView / 4)) % 1024;
        const auto word = static_cast<std::uint16_t>(0x8000u | target);  // jmp target
        bytes[2 * row] = static_cast<std::uint8_t>(word);
        bytes[2 * row + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    const sorrel::ListingRows rows{bytes.data(), bytes.size(), true};
    const sorrel::JumpCounts counts = sorrel::CountJumps(rows);
    for (auto _ : state) {
        sorrel::FlowView view = sorrel::LayOutFlow(rows, first, inView, 8, counts.jumps);
        benchmark::DoNotOptimize(view.arrows.data());
    }
}
BENCHMARK(ArrowLayout)->Arg(60)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
