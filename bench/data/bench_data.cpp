// The scans that read an image as data, on one thread and on every core
// (threads 0), over 1 GiB images made in memory, in bytes or words a second:
// - strings, one character a byte and one a word, over a pseudo-random image
//   (63 % of its bytes are characters: some 60 million strings of bytes, the
//   worst case), over "code" (no byte is a character but a 16-character string
//   every 64 KiB: the common case) and over erased memory;
// - region boundaries over erased memory, FFFFh words with 2 KiB of code at
//   the end (the boundary sought lies there), and over the random image (no
//   region at all), in words and in bytes, forwards and backwards;
// - the count of the words of each class over the random image, the code and
//   erased memory (a run of one class);
// - for comparison in the same run, strings found by a walk of one byte at a
//   time, and the image read alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "class_counts.h"
#include "data_text.h"
#include "regions.h"
#include "string_runs.h"

namespace {

constexpr std::size_t ImageBytes = std::size_t{1} << 30;
constexpr std::size_t CodeBytes = 2048;

// splitmix64 from a seed, eight bytes at a time.
std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint64_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint64_t state = seed;
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        std::memcpy(bytes.data() + at, &z, 8);
    }
    return bytes;
}

const std::vector<std::uint8_t>& RandomImage() {
    static const std::vector<std::uint8_t> bytes = RandomBytes(ImageBytes, 0x5EED);
    return bytes;
}

// Random bytes made control characters (00h-1Fh) or 80h-9Fh, none of them a
// character, with "SORREL DATA TEXT" every 64 KiB.
const std::vector<std::uint8_t>& CodeImage() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b = RandomBytes(ImageBytes, 0xC0DE);
        for (std::uint8_t& x : b) {
            x = static_cast<std::uint8_t>((x & 0x1F) | (x & 0x80));
        }
        for (std::size_t at = 0; at + 16 <= b.size(); at += 64 << 10) {
            std::memcpy(b.data() + at, "SORREL DATA TEXT", 16);
        }
        return b;
    }();
    return bytes;
}

// Erased memory: FFFFh words but for 2 KiB of random code at the end.
const std::vector<std::uint8_t>& ErasedImage() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(ImageBytes, 0xFF);
        const std::vector<std::uint8_t> code = RandomBytes(CodeBytes, 0xF00D);
        std::memcpy(b.data() + ImageBytes - code.size(), code.data(), code.size());
        return b;
    }();
    return bytes;
}

using Image = const std::vector<std::uint8_t>& (*)();

void Rate(benchmark::State& state, const char* unit, std::uint64_t units) {
    state.counters[unit] =
        benchmark::Counter(static_cast<double>(units) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// A scan on one thread and on every core, side by side: the argument
// "threads" is 1 or 0 (every core).
void OneThreadAndEveryCore(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
    b->UseRealTime();
}

sorrel::SliceOptions ThreadsOf(const benchmark::State& state) {
    return {static_cast<unsigned>(state.range(0)), sorrel::DefaultSerialRows};
}

void Strings(benchmark::State& state, Image image, sorrel::StringPacking packing) {
    const std::vector<std::uint8_t>& bytes = image();
    const sorrel::StringSource source{bytes.data(), bytes.size(), packing};
    std::size_t found = 0;
    for (auto _ : state) {
        const sorrel::StringList list =
            sorrel::FindStrings(source, sorrel::FindAllLimit, {}, {}, ThreadsOf(state));
        found = list.runs.size();
        benchmark::DoNotOptimize(list.runs.data());
    }
    state.counters["strings"] = static_cast<double>(found);
    Rate(state, "bytes/s", bytes.size());
}
BENCHMARK_CAPTURE(Strings, BytesRandom, &RandomImage, sorrel::StringPacking::Bytes)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(Strings, BytesCode, &CodeImage, sorrel::StringPacking::Bytes)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(Strings, BytesErased, &ErasedImage, sorrel::StringPacking::Bytes)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(Strings, WordsRandom, &RandomImage, sorrel::StringPacking::Words)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(Strings, WordsCode, &CodeImage, sorrel::StringPacking::Words)
    ->Apply(OneThreadAndEveryCore);

// For comparison, in the same run: the strings found by a walk of one byte at
// a time (the loop a first version would write), and the image read alone.
void NaiveStrings(benchmark::State& state, Image image) {
    const std::vector<std::uint8_t>& bytes = image();
    std::uint64_t found = 0;
    for (auto _ : state) {
        found = 0;
        std::uint64_t run = 0;
        for (const std::uint8_t b : bytes) {
            if (sorrel::IsTextByte(b)) {
                ++run;
            } else {
                found += run >= sorrel::StringMinimum;
                run = 0;
            }
        }
        found += run >= sorrel::StringMinimum;
        benchmark::DoNotOptimize(found);
    }
    state.counters["strings"] = static_cast<double>(found);
    Rate(state, "bytes/s", bytes.size());
}
BENCHMARK_CAPTURE(NaiveStrings, BytesRandom, &RandomImage)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(NaiveStrings, BytesCode, &CodeImage)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void ReadAlone(benchmark::State& state, Image image) {
    const std::vector<std::uint8_t>& bytes = image();
    for (auto _ : state) {
        // Four sums, so that no add waits on the one before.
        std::uint64_t sum[4] = {};
        for (std::size_t at = 0; at + 32 <= bytes.size(); at += 32) {
            for (std::size_t j = 0; j < 4; ++j) {
                std::uint64_t v;
                std::memcpy(&v, bytes.data() + at + 8 * j, 8);
                sum[j] += v;
            }
        }
        benchmark::DoNotOptimize(sum[0] + sum[1] + sum[2] + sum[3]);
    }
    Rate(state, "bytes/s", bytes.size());
}
BENCHMARK_CAPTURE(ReadAlone, Random, &RandomImage)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// The rows of an image, a word or a byte each.
enum class Rows { Words, Bytes };

std::uint64_t RowCount(const std::vector<std::uint8_t>& bytes, Rows rows) {
    return rows == Rows::Words ? bytes.size() / 2 : bytes.size();
}

std::optional<std::uint64_t> Next(const std::vector<std::uint8_t>& bytes, Rows rows,
                                  std::uint64_t row, const sorrel::SliceOptions& threads) {
    return rows == Rows::Words
               ? sorrel::NextRegionBoundary(sorrel::ListingRows{bytes.data(), bytes.size(), true},
                                            row, {}, {}, threads)
               : sorrel::NextRegionBoundary(sorrel::ByteRows{bytes.data(), bytes.size()}, row, {},
                                            {}, threads);
}

std::optional<std::uint64_t> Previous(const std::vector<std::uint8_t>& bytes, Rows rows,
                                      std::uint64_t row, const sorrel::SliceOptions& threads) {
    return rows == Rows::Words
               ? sorrel::PreviousRegionBoundary(
                     sorrel::ListingRows{bytes.data(), bytes.size(), true}, row, {}, {}, threads)
               : sorrel::PreviousRegionBoundary(sorrel::ByteRows{bytes.data(), bytes.size()}, row,
                                                {}, {}, threads);
}

// The next boundary from the first row: across the whole image to the code at
// the end of erased memory, or to the end of the random image, which has none.
void NextBoundary(benchmark::State& state, Image image, Rows rows) {
    const std::vector<std::uint8_t>& bytes = image();
    std::optional<std::uint64_t> found;
    for (auto _ : state) {
        found = Next(bytes, rows, 0, ThreadsOf(state));
    }
    state.counters["found"] = found ? static_cast<double>(*found) : -1.0;
    Rate(state, rows == Rows::Words ? "words/s" : "bytes/s",
         found ? *found : RowCount(bytes, rows));
}

// The previous boundary from the last row (in erased memory from the first
// row of code, where the erased run ends): back to the first row.
void PreviousBoundary(benchmark::State& state, Image image, Rows rows) {
    const std::vector<std::uint8_t>& bytes = image();
    const std::uint64_t n = RowCount(bytes, rows);
    const std::uint64_t from = image == &ErasedImage ? n - CodeBytes * n / bytes.size() : n;
    std::optional<std::uint64_t> found;
    for (auto _ : state) {
        found = Previous(bytes, rows, from, ThreadsOf(state));
    }
    state.counters["found"] = found ? static_cast<double>(*found) : -1.0;
    Rate(state, rows == Rows::Words ? "words/s" : "bytes/s", from - (found ? *found : 0));
}

BENCHMARK_CAPTURE(NextBoundary, WordsErased, &ErasedImage, Rows::Words)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(PreviousBoundary, WordsErased, &ErasedImage, Rows::Words)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(NextBoundary, WordsRandom, &RandomImage, Rows::Words)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(PreviousBoundary, WordsRandom, &RandomImage, Rows::Words)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(NextBoundary, BytesErased, &ErasedImage, Rows::Bytes)
    ->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(NextBoundary, BytesRandom, &RandomImage, Rows::Bytes)
    ->Apply(OneThreadAndEveryCore);

void Classes(benchmark::State& state, Image image) {
    const std::vector<std::uint8_t>& bytes = image();
    const sorrel::ListingRows rows{bytes.data(), bytes.size(), false};
    sorrel::ClassCounts counts;
    for (auto _ : state) {
        counts = sorrel::CountClasses(rows, {}, {}, ThreadsOf(state));
        benchmark::DoNotOptimize(counts);
    }
    state.counters["noClass"] = static_cast<double>(counts.noClass);
    Rate(state, "words/s", rows.rowCount());
}
BENCHMARK_CAPTURE(Classes, Random, &RandomImage)->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(Classes, Code, &CodeImage)->Apply(OneThreadAndEveryCore);
BENCHMARK_CAPTURE(Classes, Erased, &ErasedImage)->Apply(OneThreadAndEveryCore);

}  // namespace
