// Words per second of the text decoder, DecodeWord(WordToBits(w).substr(16)),
// against the fast path (WordText(w), a view of the word's text, and
// FormatWord(w), a copy), each over 32 Mi words cycling through all 65,536
// words; and the three cells of a listing row.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "listing_text.h"
#include "sorrel_support.h"

namespace {

constexpr std::int64_t Words = std::int64_t{32} << 20;

void TextDecodeWord(benchmark::State& state) {
    const sorrel::Disassembler d;
    std::uint32_t w = 0;
    for (auto _ : state) {
        const std::string bits = sorrel::WordToBits(w & 0xFFFF).substr(16);
        std::string text = d.DecodeWord(bits);
        benchmark::DoNotOptimize(text);
        ++w;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TextDecodeWord)->Iterations(Words)->Unit(benchmark::kMillisecond);

void FastFormatWord(benchmark::State& state) {
    std::uint32_t w = 0;
    for (auto _ : state) {
        sorrel::ShortText text = sorrel::FormatWord(static_cast<std::uint16_t>(w));
        benchmark::DoNotOptimize(text);
        ++w;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FastFormatWord)->Iterations(Words)->Unit(benchmark::kMillisecond);

// The fast path's text of a word as a view (WordText), over sweeps of all
// 65,536 words; FormatWord above copies the same text into a ShortText.
void FastWordText(benchmark::State& state) {
    for (auto _ : state) {
        // Every text is taken and folded into a sum, so none can be skipped.
        std::uintptr_t sum = 0;
        for (std::uint32_t w = 0; w < 0x10000; ++w) {
            const std::string_view text = sorrel::WordText(static_cast<std::uint16_t>(w));
            sum += text.size() ^ reinterpret_cast<std::uintptr_t>(text.data());
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 0x10000);
}
BENCHMARK(FastWordText)->Iterations(Words / 0x10000)->Unit(benchmark::kMillisecond);

// The same words in a scattered order (an odd multiplier permutes all 65,536
// words), as the words of a real program come: table reads miss the cache and
// the formats change from word to word.
void FastFormatWordScattered(benchmark::State& state) {
    std::uint32_t i = 0;
    for (auto _ : state) {
        sorrel::ShortText text = sorrel::FormatWord(static_cast<std::uint16_t>(i * 0x9E37u));
        benchmark::DoNotOptimize(text);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FastFormatWordScattered)->Iterations(Words)->Unit(benchmark::kMillisecond);

// The text composed from the word's bits, without the table.
void ComposeWordText(benchmark::State& state) {
    std::uint32_t i = 0;
    for (auto _ : state) {
        sorrel::ShortText text =
            sorrel::detail::ComposeWordText(static_cast<std::uint16_t>(i * state.range(0)));
        benchmark::DoNotOptimize(text);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ComposeWordText)->Arg(1)->Arg(0x9E37)->Iterations(Words)->Unit(benchmark::kMillisecond);

// The three cells of a listing row (header mode, past the header), words in
// scattered order; and one column at a time.
void ListingRowCells(benchmark::State& state) {
    const int first = static_cast<int>(state.range(0));
    const int last = static_cast<int>(state.range(1));
    std::uint64_t row = sorrel::HeaderWords;
    for (auto _ : state) {
        const auto word = static_cast<std::uint16_t>(row * 0x9E37u);
        for (int column = first; column <= last; ++column) {
            sorrel::ShortText text = sorrel::ListingCellText(row, word, false, column);
            benchmark::DoNotOptimize(text);
        }
        ++row;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ListingRowCells)
    ->Args({0, 2})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({2, 2})
    ->Iterations(Words)
    ->Unit(benchmark::kMillisecond);

}  // namespace
