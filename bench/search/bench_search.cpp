// Words per second of the scans over a 1 GiB pseudo-random image held in
// memory (an image with a header, 536,870,912 words): find next with no match,
// find all of a rare query, the cross-references of one address, and find
// previous with no match, each on one thread and on every core (the argument
// is the thread count, 0 for every core); against the text scan, which makes
// every row's texts and matches them, on a 32 MiB slice of the same image
// (checked to give the same rows as the fast scan). And the cost of deciding a
// query for all 65,536 words.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "scan.h"
#include "text_scan.h"

namespace {

constexpr std::uint64_t ImageBytes = std::uint64_t{1} << 30;
constexpr std::uint64_t SliceBytes = std::uint64_t{32} << 20;
// Its bits are in no other text, and the image never holds it.
constexpr const char* AbsentWord = "1111111111111111";
constexpr const char* Rare = "j* 03fe*";  // the eight jumps to 03FEh

// The image, made once: splitmix64 from a fixed seed, with every FFFFh word
// made FFFEh.
const std::vector<std::uint8_t>& Image() {
    static const std::vector<std::uint8_t> image = [] {
        std::vector<std::uint8_t> bytes(ImageBytes);
        std::uint64_t state = 0x5EED5EED5EED5EEDull;
        for (std::uint64_t i = 0; i < ImageBytes; i += 8) {
            state += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = state;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            z ^= z >> 31;
            for (int j = 0; j < 64; j += 16) {
                if (((z >> j) & 0xFFFF) == 0xFFFF) {
                    z &= ~(std::uint64_t{1} << j);
                }
            }
            std::memcpy(bytes.data() + i, &z, 8);
        }
        return bytes;
    }();
    return image;
}

sorrel::ListingRows Rows(std::uint64_t bytes) {
    return {Image().data(), bytes, false};
}

// The threads of a benchmark: its argument, 0 for every core.
sorrel::SliceOptions Threads(const benchmark::State& state) {
    return {static_cast<unsigned>(state.range(0)), sorrel::DefaultSerialRows};
}

void ReportWords(benchmark::State& state, std::uint64_t words) {
    state.counters["words/s"] =
        benchmark::Counter(static_cast<double>(words) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// Find next (or previous) of a word the image never holds: the whole image.
void NoMatch(benchmark::State& state, bool previous) {
    const sorrel::ListingRows rows = Rows(ImageBytes);
    const sorrel::ListingMatch match = sorrel::MatchListing(sorrel::Query(AbsentWord));
    for (auto _ : state) {
        const auto row =
            previous ? sorrel::FindPrevious(rows, match, 0, rows.rowCount(), {}, {}, Threads(state))
                     : sorrel::FindNext(rows, match, 0, rows.rowCount(), {}, {}, Threads(state));
        if (row) {
            state.SkipWithError("the absent word was found");
        }
    }
    ReportWords(state, rows.rowCount());
}
// One thread and every core: the argument of the scans' benchmarks.
void OneAndAll(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);
    b->UseRealTime();
}

BENCHMARK_CAPTURE(NoMatch, FindNext, false)->Apply(OneAndAll);
BENCHMARK_CAPTURE(NoMatch, FindPrevious, true)->Apply(OneAndAll);

void FindAllRare(benchmark::State& state) {
    const sorrel::ListingRows rows = Rows(ImageBytes);
    const sorrel::ListingMatch match = sorrel::MatchListing(sorrel::Query(Rare));
    std::size_t found = 0;
    for (auto _ : state) {
        found =
            sorrel::FindAll(rows, match, sorrel::FindAllLimit, {}, {}, Threads(state)).rows.size();
    }
    state.counters["rows"] = static_cast<double>(found);
    ReportWords(state, rows.rowCount());
}
BENCHMARK(FindAllRare)->Apply(OneAndAll);

void CrossReferences(benchmark::State& state) {
    const sorrel::ListingRows rows = Rows(ImageBytes);
    std::size_t found = 0;
    for (auto _ : state) {
        found = sorrel::CrossReferences(rows, 0x3FE, sorrel::FindAllLimit, {}, {}, Threads(state))
                    .rows.size();
    }
    state.counters["rows"] = static_cast<double>(found);
    ReportWords(state, rows.rowCount() - sorrel::HeaderWords);
}
BENCHMARK(CrossReferences)->Apply(OneAndAll);

// The fast scan and the text scan of the same 32 MiB slice.
void FindAllRareSlice(benchmark::State& state) {
    const sorrel::ListingRows rows = Rows(SliceBytes);
    const sorrel::ListingMatch match = sorrel::MatchListing(sorrel::Query(Rare));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sorrel::FindAll(rows, match).rows.size());
    }
    ReportWords(state, rows.rowCount());
}
BENCHMARK(FindAllRareSlice)->Unit(benchmark::kMillisecond)->UseRealTime();

void TextScanSlice(benchmark::State& state) {
    const sorrel::ListingRows rows = Rows(SliceBytes);
    const sorrel::Query query(Rare);
    const sorrel::RowList fast = sorrel::FindAll(rows, sorrel::MatchListing(query));
    for (auto _ : state) {
        const sorrel::RowList text = sorrel::TextScanAll(rows, query);
        if (text.rows != fast.rows || text.rows.empty()) {
            state.SkipWithError("the text scan and the fast scan found different rows");
        }
    }
    state.counters["rows"] = static_cast<double>(fast.rows.size());
    ReportWords(state, rows.rowCount());
}
BENCHMARK(TextScanSlice)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Deciding a query for every word, once per search.
void MatchListingOnce(benchmark::State& state) {
    const sorrel::Query query(Rare);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sorrel::MatchListing(query));
    }
}
BENCHMARK(MatchListingOnce)->Unit(benchmark::kMillisecond);

}  // namespace
