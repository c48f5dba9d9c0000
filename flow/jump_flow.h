// The control flow of an image's jumps, without Qt: how many jumps go to each
// listing address (one pass over the image), and the arrows and target marks
// of the rows in view, laid out for a narrow gutter beside the listing.
//
// Rows are those of the main listing (ListingRows): row k is word k. With a
// header, rows 0 to 255 are header rows: they are never decoded, so they have
// no arrows and are never targets, and row k >= 256 has the listing address
// k - 256. In a raw image row k has address k. A jump at a program row goes to
// the row base + JumpField(word), which may lie past the end of the image.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "listing_text.h"
#include "parallel_slices.h"
#include "progress.h"

namespace sorrel {

// Listing addresses a jump can reach: 0000h to 03FFh.
inline constexpr int JumpAddressCount = 1024;

// The row that the word at row jumps to: base + JumpField(word); nullopt for a
// header row, a row past the end and a word that is no jump. The row may lie
// past the end of the image.
std::optional<std::uint64_t> JumpTargetRow(const ListingRows& image, std::uint64_t row);

struct JumpCounts {
    // jumps[a]: the program rows whose jump goes to listing address a. The
    // header is not counted. An image holds fewer than 2^31 words, so a
    // counter cannot overflow.
    std::array<std::uint32_t, JumpAddressCount> jumps{};
    // The pass was asked to stop before the end; the counts are partial.
    bool stopped = false;
};

// One pass over the program rows of image (read in place, never copied),
// spread over the cores (parallel_slices.h: fewer program rows than
// options.serialRows on the calling thread alone), with the same counts as on
// one thread. Returns early with stopped set once stop is requested (checked
// every 64 Ki rows by every thread); progress, when set, is called on the
// calling thread with the program rows done and the program rows in all,
// each time the rows done reach a multiple of PassProgressStep and when all
// are done. Without options: every core.
JumpCounts CountJumps(const ListingRows& image, std::stop_token stop = {},
                      const ProgressFn& progress = {});
JumpCounts CountJumps(const ListingRows& image, std::stop_token stop, const ProgressFn& progress,
                      const SliceOptions& options);

enum class ArrowDirection : std::uint8_t {
    Up,    // target above the source
    Down,  // target below the source
    Self   // a jump to its own row
};

enum class TargetPlace : std::uint8_t {
    InView,  // the arrow is drawn whole, in its lane
    Above,   // a short stub pointing up
    Below,   // a short stub pointing down
    PastEnd  // the target row is past the last row: a stub with a cross
};

// An arrow's lane when it has none (stubs).
inline constexpr int NoLane = -1;

struct JumpArrow {
    std::uint64_t source = 0;  // the jump's row, always in view
    std::uint64_t target = 0;  // base + JumpField; may be past the end
    ArrowDirection direction = ArrowDirection::Self;
    TargetPlace place = TargetPlace::InView;
    int lane = NoLane;  // 0 is next to the text; NoLane unless place is InView

    bool operator==(const JumpArrow&) const = default;
};

struct TargetMark {
    std::uint64_t row = 0;
    std::uint32_t jumps = 0;  // jumps to the row's address, at least 1

    bool operator==(const TargetMark&) const = default;
};

struct FlowView {
    std::vector<JumpArrow> arrows;  // one per jump row in view, by source row
    std::vector<TargetMark> marks;  // target rows in view, by row
    int lanes = 0;                  // lanes in use: 1 + the highest lane, 0 if none
};

// The arrows and marks of the rows firstRow to firstRow + rowsInView - 1 (cut
// at the last row of the image). The rules:
// - Every program row in view that holds a jump gives one arrow; header rows
//   give none. Its direction is Up, Down or Self as its target row is above,
//   below or equal to it.
// - Its place is PastEnd when the target row is not below rowCount() (in
//   either mode, a target address past the last word), otherwise InView,
//   Above or Below as the target row lies in the view, before it or after it.
// - Lanes go only to the arrows whose place is InView, a jump to itself
//   included. An arrow covers the rows from its upper to its lower end, both
//   included; its span is the difference of the two. The arrows are taken by
//   span, then upper end, then source row, all increasing, and each gets the
//   lowest lane in which no arrow taken before it covers a row that it
//   covers. So disjoint arrows share a lane, arrows that overlap or meet at a
//   row never do, and an arrow inside another is nearer the text. A lane at
//   or past maxLanes becomes maxLanes - 1, the outermost, where arrows may
//   overlap; maxLanes below 1 counts as 1.
// - counts, when not empty, gives a mark to every program row in view whose
//   address a is below counts.size() and has counts[a] > 0 (pass
//   JumpCounts::jumps); an empty counts gives no marks.
FlowView LayOutFlow(const ListingRows& image, std::uint64_t firstRow, std::uint64_t rowsInView,
                    int maxLanes, std::span<const std::uint32_t> counts = {});

}  // namespace sorrel
