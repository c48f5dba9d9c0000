// The overview of a whole image, without Qt: one pass counts the words of each
// kind in a fixed number of slices of the rows, and a strip of any height is
// drawn from those counts, never from the image again.
//
// Kinds. Every row of the main listing (word k is row k) has exactly one:
// - Header: rows 0 to 255 of an image with a header;
// - ZeroRun, OnesRun: a program word in a run of empty (0000h) or erased
//   (FFFFh) memory: a run is a maximal stretch of at least RunMinimum
//   consecutive program rows that all hold 0000h, or all hold FFFFh (a run
//   never reaches into the header). Its words count only as its run, not
//   also as their class;
// - NoInstruction, Jump, Instruction: any other program word, as the decoder
//   classes it (no class; one of the eight jumps; any other class).
//
// Slices. An image of n rows is cut into s = min(MaxSlices, n) slices; slice
// i holds the rows from floor(i * n / s) up to floor((i + 1) * n / s), so
// their sizes differ by at most one row and each has at least one. A run that
// crosses a slice boundary counts, word by word, in every slice it touches.
//
// Bands. A strip of h pixel rows shows b = min(h, s) bands; band j holds the
// slices from floor(j * s / b) up to floor((j + 1) * s / b) and covers the
// pixel rows from floor(j * h / b) up to floor((j + 1) * h / b). When h <= s a
// band is one pixel row; a taller strip stretches each slice over one or more
// pixel rows. Every row, slice and pixel row lies in exactly one band, and the
// bands' counts add up to the slices'.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <vector>

#include "jump_flow.h"
#include "listing_text.h"
#include "parallel_slices.h"

namespace sorrel {

enum class WordKind : std::uint8_t { Header, NoInstruction, Jump, Instruction, ZeroRun, OnesRun };
inline constexpr std::size_t WordKindCount = 6;

// The shortest stretch of equal 0000h or FFFFh words that counts as a run.
inline constexpr std::uint64_t RunMinimum = 8;
// Slices of an image of at least this many rows.
inline constexpr std::size_t MaxSlices = 4096;

// The kind of a program word outside any run: NoInstruction, Jump or Instruction.
WordKind KindOfWord(std::uint16_t word);

struct KindCounts {
    std::array<std::uint64_t, WordKindCount> words{};

    std::uint64_t& operator[](WordKind kind) { return words[static_cast<std::size_t>(kind)]; }
    std::uint64_t operator[](WordKind kind) const { return words[static_cast<std::size_t>(kind)]; }
    std::uint64_t total() const;
    bool operator==(const KindCounts&) const = default;
};

// Row ranges are half-open: rows first to end - 1.
struct RowRange {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    bool operator==(const RowRange&) const = default;
};

struct OverviewSlices {
    std::uint64_t rows = 0;          // rows of the image
    std::vector<KindCounts> slices;  // min(MaxSlices, rows) of them
    // The pass was asked to stop before the end; slices is then empty.
    bool stopped = false;

    // The rows of slice i (i below slices.size()).
    RowRange rowsOfSlice(std::size_t i) const;
    // The slice holding row (row below rows).
    std::size_t sliceOfRow(std::uint64_t row) const;
};

// One pass over every row of image (read in place, never copied), spread
// over the cores (parallel_slices.h: an image of fewer program rows than
// options.serialRows on the calling thread alone), with the same counts as on
// one thread. Returns early with stopped set once stop is requested (checked
// every 8 Ki rows by every thread); progress, when set, is called on the
// calling thread with the rows done (the header's included) and the rows in
// all, each time the rows done reach a multiple of PassProgressStep and when
// all are done. Without options: every core.
OverviewSlices ScanOverview(const ListingRows& image, std::stop_token stop = {},
                            const ProgressFn& progress = {});
OverviewSlices ScanOverview(const ListingRows& image, std::stop_token stop,
                            const ProgressFn& progress, const SliceOptions& options);

// Pixel rows top to bottom - 1.
struct PixelRange {
    int top = 0;
    int bottom = 0;
    bool operator==(const PixelRange&) const = default;
};

struct StripBand {
    PixelRange pixels;
    RowRange rows;
    KindCounts counts;
};

// A strip of a given height made from the slice counts (see Bands above):
// O(slices) to make, O(1) for each question of geometry.
class StripBands {
  public:
    StripBands(const OverviewSlices& slices, int height);

    // Top to bottom; empty for an empty image or a height below 1.
    const std::vector<StripBand>& bands() const { return bands_; }
    // The pixel rows of the band that holds row; a row past the last is taken
    // as the last. Empty (0, 0) when there are no bands.
    PixelRange pixelsOfRow(std::uint64_t row) const;
    // The pixel rows that show rows first to end - 1 (outlining the rows in
    // view): from the top of the first's band to the bottom of the last's.
    PixelRange pixelsOfRows(RowRange rows) const;
    // The rows of the band that shows pixel row y; y is taken into 0 to
    // height - 1. Empty when there are no bands.
    RowRange rowsOfPixel(int y) const;

  private:
    std::size_t bandOfRow(std::uint64_t row) const;

    std::uint64_t rows_ = 0;
    std::size_t slices_ = 0;
    int height_ = 0;
    std::vector<StripBand> bands_;
};

}  // namespace sorrel
