// The scans that read an image as data, on one core over 1 GiB images made in
// memory, in bytes or words per second:
// - strings, one character a byte and one a word, over a pseudo-random image
//   (63 % of its bytes are characters: some 60 million strings of bytes, the
//   worst case), over "code" (no byte is a character but a 16-character string
//   every 64 KiB: the common case) and over erased memory;
// - region boundaries over erased memory, 0000h then FFFFh words with 2 KiB of
//   code at the end (the boundary sought lies there), and over the random
//   image (no region at all), in words and in bytes;
// - the count of the words of each class over the random image and the code.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "string_runs.h"

namespace {

constexpr std::size_t ImageBytes = std::size_t{1} << 30;

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

// The first half 0000h words, the second FFFFh, and 2 KiB of random code at
// the end.
const std::vector<std::uint8_t>& ErasedImage() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(ImageBytes, 0x00);
        std::memset(b.data() + ImageBytes / 2, 0xFF, ImageBytes / 2);
        const std::vector<std::uint8_t> code = RandomBytes(2048, 0xF00D);
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

void Strings(benchmark::State& state, Image image, sorrel::StringPacking packing) {
    const std::vector<std::uint8_t>& bytes = image();
    const sorrel::StringSource source{bytes.data(), bytes.size(), packing};
    std::size_t found = 0;
    for (auto _ : state) {
        const sorrel::StringList list = sorrel::FindStrings(source);
        found = list.runs.size();
        benchmark::DoNotOptimize(list.runs.data());
    }
    state.counters["strings"] = static_cast<double>(found);
    Rate(state, "bytes/s", bytes.size());
}
BENCHMARK_CAPTURE(Strings, BytesRandom, &RandomImage, sorrel::StringPacking::Bytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(Strings, BytesCode, &CodeImage, sorrel::StringPacking::Bytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(Strings, BytesErased, &ErasedImage, sorrel::StringPacking::Bytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(Strings, WordsRandom, &RandomImage, sorrel::StringPacking::Words)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(Strings, WordsCode, &CodeImage, sorrel::StringPacking::Words)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace
