// Words per second of the text decoder, DecodeWord(WordToBits(w).substr(16)),
// against the fast path FormatWord(w), each over 32 Mi words cycling through
// all 65,536 words; and the three cells of a listing row.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

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

void ListingRowCells(benchmark::State& state) {
    std::uint64_t row = 0;
    for (auto _ : state) {
        const auto word = static_cast<std::uint16_t>(row * 0x9E37u);
        for (int column = 0; column < 3; ++column) {
            sorrel::ShortText text = sorrel::ListingCellText(row, word, false, column);
            benchmark::DoNotOptimize(text);
        }
        ++row;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ListingRowCells)->Iterations(Words)->Unit(benchmark::kMillisecond);

}  // namespace
