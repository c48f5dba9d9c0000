// The lister's text made in-process, without any output: input bytes per
// second for each listing, on a pseudo-random image.
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "listing_writer.h"

namespace {

const std::vector<std::uint8_t>& Image() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(16 << 20);
        std::mt19937 random(42);
        for (auto& x : b) {
            x = static_cast<std::uint8_t>(random());
        }
        return b;
    }();
    return bytes;
}

void BM_Listing(benchmark::State& state) {
    const auto mode = static_cast<sorrel::ListingMode>(state.range(0));
    const std::vector<std::uint8_t>& image = Image();
    std::size_t out = 0;
    for (auto _ : state) {
        sorrel::ListingWriter writer(mode, [&out](std::string_view text) {
            out += text.size();
            return true;
        });
        for (std::size_t at = 0; at < image.size(); at += 1 << 17) {
            writer.write(image.data() + at, 1 << 17);
        }
        writer.finish();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_Listing)
    ->Arg(static_cast<int>(sorrel::ListingMode::Header))
    ->Arg(static_cast<int>(sorrel::ListingMode::Raw))
    ->Arg(static_cast<int>(sorrel::ListingMode::Bytes))
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
