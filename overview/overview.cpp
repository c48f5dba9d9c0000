// The overview pass and the strip drawn from its slices.
#include "overview.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sorrel {
namespace {

// Rows between two looks at the stop token, and at most between two flushes
// of the packed counters (four of them, each below 2^12 words); a multiple
// of 4.
constexpr std::uint64_t BlockRows = 4 * 2048;

// Parts of a sequence of total items cut into parts nearly equal parts
// (0 < parts <= total): part i starts at item floor(i * total / parts).
std::uint64_t PartStart(std::uint64_t part, std::uint64_t total, std::uint64_t parts) {
    return part * total / parts;
}

// The part that holds item index: the last part that starts at or before it.
std::uint64_t PartOf(std::uint64_t index, std::uint64_t total, std::uint64_t parts) {
    return ((index + 1) * parts - 1) / total;
}

std::uint64_t ChunkAt(const std::uint8_t* bytes, std::uint64_t row) {
    std::uint64_t chunk;
    std::memcpy(&chunk, bytes + 2 * row, sizeof chunk);
    return chunk;
}

// The words are counted in five 12-bit fields of a packed 64-bit counter:
// the three kinds of a word outside a run, and apart from them the words
// 0000h and FFFFh, which are counted by their kind afterwards and may turn
// out to belong to a run.
enum Field : unsigned { FieldNoInstruction, FieldJump, FieldInstruction, FieldZero, FieldOnes };
constexpr unsigned FieldBits = 12;
constexpr std::uint64_t FieldMask = (std::uint64_t{1} << FieldBits) - 1;

// For every word, the shift that puts a 1 into its field; and the kinds that
// 0000h and FFFFh have outside a run.
struct FieldShifts {
    std::array<std::uint8_t, 65536> shift;
    WordKind zeroKind = KindOfWord(0x0000);
    WordKind onesKind = KindOfWord(0xFFFF);

    FieldShifts() {
        for (unsigned w = 0; w < 65536; ++w) {
            const WordKind kind = KindOfWord(static_cast<std::uint16_t>(w));
            const unsigned field = w == 0x0000                     ? FieldZero
                                   : w == 0xFFFF                   ? FieldOnes
                                   : kind == WordKind::Jump        ? FieldJump
                                   : kind == WordKind::Instruction ? FieldInstruction
                                                                   : FieldNoInstruction;
            shift[w] = static_cast<std::uint8_t>(FieldBits * field);
        }
    }
};

const FieldShifts& Shifts() {
    static const FieldShifts shifts;
    return shifts;
}

// Adds the kinds of the words of rows row to end - 1 (at most BlockRows) to
// counts, 0000h and FFFFh by their own kinds; returns how many words were
// 0000h or FFFFh.
std::uint64_t CountKinds(const std::uint8_t* bytes, std::uint64_t row, std::uint64_t end,
                         const FieldShifts& table, KindCounts& counts) {
    std::uint64_t packed[4] = {};
    for (; row + 4 <= end; row += 4) {
        packed[0] += std::uint64_t{1} << table.shift[ImageWord(bytes, row)];
        packed[1] += std::uint64_t{1} << table.shift[ImageWord(bytes, row + 1)];
        packed[2] += std::uint64_t{1} << table.shift[ImageWord(bytes, row + 2)];
        packed[3] += std::uint64_t{1} << table.shift[ImageWord(bytes, row + 3)];
    }
    for (; row < end; ++row) {
        packed[0] += std::uint64_t{1} << table.shift[ImageWord(bytes, row)];
    }
    std::uint64_t fields[5] = {};
    for (const std::uint64_t p : packed) {
        for (unsigned f = 0; f < 5; ++f) {
            fields[f] += (p >> (FieldBits * f)) & FieldMask;
        }
    }
    counts[WordKind::NoInstruction] += fields[FieldNoInstruction];
    counts[WordKind::Jump] += fields[FieldJump];
    counts[WordKind::Instruction] += fields[FieldInstruction];
    counts[table.zeroKind] += fields[FieldZero];
    counts[table.onesKind] += fields[FieldOnes];
    return fields[FieldZero] + fields[FieldOnes];
}

// Rows in the parts of the pass spread over threads are cut at multiples of
// this: the run finder's chunks are never split.
constexpr std::uint64_t ChunkRows = 4;

// Calls part(slice, first, end) for each slice that rows first to end - 1
// reach, with the rows of the range in that slice.
template <typename Part>
void ForEachSlicePart(const OverviewSlices& slices, std::uint64_t first, std::uint64_t end,
                      Part part) {
    if (first >= end) {
        return;
    }
    for (std::size_t i = slices.sliceOfRow(first); first < end; ++i) {
        const std::uint64_t stop = std::min(end, slices.rowsOfSlice(i).end);
        part(i, first, stop);
        first = stop;
    }
}

// Finds the runs among the program rows in one sweep, 4 words (8 bytes) at a
// time. A run of 8 words covers 16 bytes and so a whole chunk of four words
// aligned to the image's start; only such a chunk of all 00h or all FFh
// bytes can be part of a run, and only around it are words looked at singly.
class RunFinder {
  public:
    // Finds the runs whose first whole chunk starts at or after start (a
    // multiple of 4, at least first); a run that holds the chunk before start
    // belongs to the finder of the rows before it.
    RunFinder(const std::uint8_t* bytes, std::uint64_t first, std::uint64_t rows,
              std::uint64_t start)
        : bytes_(bytes), first_(first), rows_(rows), start_(start), next_(start) {}

    // Looks at the chunks that start before limit; calls run(first, end, word)
    // for every run found, which may reach past limit.
    template <typename Run>
    void findBefore(std::uint64_t limit, Run run) {
        while (next_ < limit && next_ + 4 <= rows_) {
            const std::uint64_t chunk = ChunkAt(bytes_, next_);
            if (chunk + 1 > 1) {  // neither all zero bits nor all one bits
                next_ += 4;
                continue;
            }
            const std::uint16_t word = static_cast<std::uint16_t>(chunk);
            std::uint64_t first = next_;
            while (first > first_ && ImageWord(bytes_, first - 1) == word) {
                --first;
            }
            std::uint64_t end = next_ + 4;
            while (end + 4 <= rows_ && ChunkAt(bytes_, end) == chunk) {
                end += 4;
            }
            while (end < rows_ && ImageWord(bytes_, end) == word) {
                ++end;
            }
            if (end - first >= RunMinimum && first + 4 > start_) {
                run(first, end, word);
            }
            // The chunk where the run ends may begin the next one.
            next_ = end - end % 4;
        }
    }

    // Passes over the chunks that start before limit: none of them can be
    // part of a run.
    void skipBefore(std::uint64_t limit) { next_ = std::max(next_, limit - limit % 4); }

  private:
    const std::uint8_t* bytes_;
    std::uint64_t first_;  // the first program row: 0 or 256, a multiple of 4
    std::uint64_t rows_;
    std::uint64_t start_;
    std::uint64_t next_;  // the next chunk to look at
};

}  // namespace

WordKind KindOfWord(std::uint16_t word) {
    if (JumpField(word) >= 0) {
        return WordKind::Jump;
    }
    return ClassOfWord(word) == NoClass ? WordKind::NoInstruction : WordKind::Instruction;
}

std::uint64_t KindCounts::total() const {
    std::uint64_t sum = 0;
    for (const std::uint64_t n : words) {
        sum += n;
    }
    return sum;
}

RowRange OverviewSlices::rowsOfSlice(std::size_t i) const {
    const std::uint64_t parts = slices.size();
    return {PartStart(i, rows, parts), PartStart(i + 1, rows, parts)};
}

std::size_t OverviewSlices::sliceOfRow(std::uint64_t row) const {
    return static_cast<std::size_t>(PartOf(row, rows, slices.size()));
}

OverviewSlices ScanOverview(const ListingRows& image, std::stop_token stop,
                            const ProgressFn& progress) {
    return ScanOverview(image, std::move(stop), progress, SliceOptions{});
}

// The program rows are cut into parts that the threads take in turns. Each part counts its
// own rows into counts of every slice of the image, its own, and moves to a run kind
// the runs whose first whole chunk of four words it holds, wherever their
// words lie (a run may reach into the parts around it). The parts' counts
// are then added up: the moves are additions too (wrapping around while a
// part's count is below what another part adds), so every slice comes out as
// a pass on one thread counts it.
OverviewSlices ScanOverview(const ListingRows& image, std::stop_token stop,
                            const ProgressFn& progress, const SliceOptions& options) {
    OverviewSlices result;
    result.rows = image.rowCount();
    result.slices.resize(static_cast<std::size_t>(std::min<std::uint64_t>(MaxSlices, result.rows)));
    const std::uint64_t rows = result.rows;
    const std::uint64_t first = std::min(image.base(), rows);
    ForEachSlicePart(result, 0, first, [&](std::size_t i, std::uint64_t from, std::uint64_t to) {
        result.slices[i][WordKind::Header] += to - from;
    });

    const FieldShifts& table = Shifts();
    const std::vector<SliceRange> parts = PlanSlices(first, rows, ChunkRows, options);
    std::vector<std::vector<KindCounts>> partCounts(parts.size());
    const bool stopped = RunSlices(
        parts, std::move(stop), {&progress, rows, PassProgressStep, first},
        [&](SliceContext& part) {
            std::vector<KindCounts>& counts = partCounts[part.index()];
            counts.resize(result.slices.size());
            // A run's words were counted by their kind first; they move to
            // ZeroRun or OnesRun.
            RunFinder runs(image.bytes, first, rows, part.range().begin);
            auto moveRun = [&](std::uint64_t from, std::uint64_t to, std::uint16_t word) {
                const WordKind kind = word == 0 ? table.zeroKind : table.onesKind;
                ForEachSlicePart(
                    result, from, to, [&](std::size_t i, std::uint64_t a, std::uint64_t b) {
                        counts[i][kind] -= b - a;
                        counts[i][word == 0 ? WordKind::ZeroRun : WordKind::OnesRun] += b - a;
                    });
            };
            for (std::uint64_t row = part.range().begin; row < part.range().end;) {
                if (part.stopped()) {
                    return;
                }
                const std::uint64_t end = std::min(part.range().end, row + BlockRows);
                std::uint64_t candidates = 0;
                ForEachSlicePart(result, row, end,
                                 [&](std::size_t i, std::uint64_t a, std::uint64_t b) {
                                     candidates += CountKinds(image.bytes, a, b, table, counts[i]);
                                 });
                // A run holds a whole chunk of four words of the block.
                if (candidates >= 4) {
                    runs.findBefore(end, moveRun);
                } else {
                    runs.skipBefore(end);
                }
                part.advance(end - row);
                row = end;
            }
        },
        {ThreadCount(options)});
    if (stopped) {
        result.stopped = true;
        result.slices.clear();
        return result;
    }
    for (const std::vector<KindCounts>& counts : partCounts) {
        for (std::size_t i = 0; i < counts.size(); ++i) {
            for (std::size_t k = 0; k < WordKindCount; ++k) {
                result.slices[i].words[k] += counts[i].words[k];
            }
        }
    }
    return result;
}

StripBands::StripBands(const OverviewSlices& slices, int height)
    : rows_(slices.rows), slices_(slices.slices.size()), height_(height) {
    if (slices_ == 0 || height < 1) {
        return;
    }
    const std::uint64_t bands =
        std::min<std::uint64_t>(slices_, static_cast<std::uint64_t>(height));
    bands_.resize(static_cast<std::size_t>(bands));
    for (std::uint64_t j = 0; j < bands; ++j) {
        StripBand& band = bands_[static_cast<std::size_t>(j)];
        band.pixels = {
            static_cast<int>(PartStart(j, static_cast<std::uint64_t>(height), bands)),
            static_cast<int>(PartStart(j + 1, static_cast<std::uint64_t>(height), bands))};
        const std::uint64_t s0 = PartStart(j, slices_, bands);
        const std::uint64_t s1 = PartStart(j + 1, slices_, bands);
        band.rows = {slices.rowsOfSlice(static_cast<std::size_t>(s0)).first,
                     slices.rowsOfSlice(static_cast<std::size_t>(s1 - 1)).end};
        for (std::uint64_t s = s0; s < s1; ++s) {
            const KindCounts& slice = slices.slices[static_cast<std::size_t>(s)];
            for (std::size_t k = 0; k < WordKindCount; ++k) {
                band.counts.words[k] += slice.words[k];
            }
        }
    }
}

std::size_t StripBands::bandOfRow(std::uint64_t row) const {
    const std::uint64_t slice = PartOf(std::min(row, rows_ - 1), rows_, slices_);
    return static_cast<std::size_t>(PartOf(slice, slices_, bands_.size()));
}

PixelRange StripBands::pixelsOfRow(std::uint64_t row) const {
    if (bands_.empty()) {
        return {};
    }
    return bands_[bandOfRow(row)].pixels;
}

PixelRange StripBands::pixelsOfRows(RowRange rows) const {
    if (bands_.empty()) {
        return {};
    }
    const std::uint64_t last = rows.end > rows.first ? rows.end - 1 : rows.first;
    return {bands_[bandOfRow(rows.first)].pixels.top, bands_[bandOfRow(last)].pixels.bottom};
}

RowRange StripBands::rowsOfPixel(int y) const {
    if (bands_.empty()) {
        return {};
    }
    const auto pixel = static_cast<std::uint64_t>(std::clamp(y, 0, height_ - 1));
    return bands_[static_cast<std::size_t>(
                      PartOf(pixel, static_cast<std::uint64_t>(height_), bands_.size()))]
        .rows;
}

}  // namespace sorrel
