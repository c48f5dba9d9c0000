// Jump counts and the arrow layout of the rows in view.
#include "jump_flow.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace sorrel {
namespace {

// Rows between two looks at the stop token.
constexpr std::uint64_t BlockRows = std::uint64_t{1} << 16;

// The counter of a word: its target address, or the spare counter
// JumpAddressCount for a word that is no jump.
std::size_t CounterOf(std::uint16_t word) {
    const int target = JumpField(word);
    return static_cast<std::size_t>(target < 0 ? JumpAddressCount : target);
}

// Eight sets of counters, word i counted in set i % 8: a stretch of words
// with one target (or of words that are no jump) then adds to eight counters
// in turn instead of waiting on one counter's previous store.
constexpr std::uint64_t CounterSetCount = 8;
using CounterSets = std::array<std::array<std::uint32_t, JumpAddressCount + 1>, CounterSetCount>;

void CountRows(const std::uint8_t* bytes, std::uint64_t row, std::uint64_t end, CounterSets& sets) {
    for (; row + CounterSetCount <= end; row += CounterSetCount) {
        for (std::uint64_t k = 0; k < CounterSetCount; ++k) {
            ++sets[k][CounterOf(ImageWord(bytes, row + k))];
        }
    }
    for (; row < end; ++row) {
        ++sets[0][CounterOf(ImageWord(bytes, row))];
    }
}

// Rows covered by an arrow in its lane, both ends included.
struct Cover {
    std::uint64_t top;
    std::uint64_t bottom;
};

Cover CoverOf(const JumpArrow& arrow) {
    return {std::min(arrow.source, arrow.target), std::max(arrow.source, arrow.target)};
}

bool Overlap(const Cover& a, const Cover& b) {
    return a.top <= b.bottom && b.top <= a.bottom;
}

// Gives a lane to every arrow whose place is InView, by the rules in the
// header; returns the lanes in use.
int AssignLanes(std::vector<JumpArrow>& arrows, int maxLanes) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < arrows.size(); ++i) {
        if (arrows[i].place == TargetPlace::InView) {
            order.push_back(i);
        }
    }
    std::sort(order.begin(), order.end(), [&arrows](std::size_t a, std::size_t b) {
        const Cover ca = CoverOf(arrows[a]);
        const Cover cb = CoverOf(arrows[b]);
        const std::uint64_t spanA = ca.bottom - ca.top;
        const std::uint64_t spanB = cb.bottom - cb.top;
        if (spanA != spanB) {
            return spanA < spanB;
        }
        if (ca.top != cb.top) {
            return ca.top < cb.top;
        }
        return arrows[a].source < arrows[b].source;
    });

    // Lanes before the limit; the arrows taken so far with their covers.
    std::vector<int> unlimited(arrows.size(), NoLane);
    std::vector<bool> taken;
    int lanes = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const Cover cover = CoverOf(arrows[order[k]]);
        taken.assign(k + 1, false);
        for (std::size_t j = 0; j < k; ++j) {
            if (Overlap(cover, CoverOf(arrows[order[j]]))) {
                taken[static_cast<std::size_t>(unlimited[order[j]])] = true;
            }
        }
        const int lane =
            static_cast<int>(std::find(taken.begin(), taken.end(), false) - taken.begin());
        unlimited[order[k]] = lane;
        arrows[order[k]].lane = std::min(lane, maxLanes - 1);
        lanes = std::max(lanes, arrows[order[k]].lane + 1);
    }
    return lanes;
}

}  // namespace

std::optional<std::uint64_t> JumpTargetRow(const ListingRows& image, std::uint64_t row) {
    if (row < image.base() || row >= image.rowCount()) {
        return std::nullopt;
    }
    const int target = JumpField(ImageWord(image.bytes, row));
    if (target < 0) {
        return std::nullopt;
    }
    return image.base() + static_cast<std::uint64_t>(target);
}

JumpCounts CountJumps(const ListingRows& image, std::stop_token stop, const ProgressFn& progress) {
    return CountJumps(image, std::move(stop), progress, SliceOptions{});
}

JumpCounts CountJumps(const ListingRows& image, std::stop_token stop, const ProgressFn& progress,
                      const SliceOptions& options) {
    JumpCounts result;
    const std::uint64_t rows = image.rowCount();
    const std::uint64_t first = std::min(image.base(), rows);
    const std::vector<SliceRange> parts = PlanSlices(first, rows, CounterSetCount, options);
    std::vector<JumpCounts> partCounts(parts.size());
    result.stopped = RunSlices(
        parts, std::move(stop), {&progress, rows - first, PassProgressStep, 0},
        [&](SliceContext& part) {
            CounterSets sets{};
            for (std::uint64_t row = part.range().begin; row < part.range().end;) {
                if (part.stopped()) {
                    break;
                }
                const std::uint64_t end = std::min(part.range().end, row + BlockRows);
                CountRows(image.bytes, row, end, sets);
                part.advance(end - row);
                row = end;
            }
            std::array<std::uint32_t, JumpAddressCount>& jumps = partCounts[part.index()].jumps;
            for (const auto& set : sets) {
                for (std::size_t a = 0; a < jumps.size(); ++a) {
                    jumps[a] += set[a];
                }
            }
        },
        {ThreadCount(options)});
    for (const JumpCounts& counts : partCounts) {
        for (std::size_t a = 0; a < result.jumps.size(); ++a) {
            result.jumps[a] += counts.jumps[a];
        }
    }
    return result;
}

FlowView LayOutFlow(const ListingRows& image, std::uint64_t firstRow, std::uint64_t rowsInView,
                    int maxLanes, std::span<const std::uint32_t> counts) {
    FlowView view;
    const std::uint64_t rows = image.rowCount();
    if (firstRow >= rows) {
        return view;
    }
    const std::uint64_t end = firstRow + std::min(rowsInView, rows - firstRow);
    const std::uint64_t base = image.base();
    for (std::uint64_t row = std::max(firstRow, base); row < end; ++row) {
        const std::optional<std::uint64_t> target = JumpTargetRow(image, row);
        if (target) {
            JumpArrow arrow;
            arrow.source = row;
            arrow.target = *target;
            arrow.direction = *target < row   ? ArrowDirection::Up
                              : *target > row ? ArrowDirection::Down
                                              : ArrowDirection::Self;
            arrow.place = *target >= rows      ? TargetPlace::PastEnd
                          : *target < firstRow ? TargetPlace::Above
                          : *target >= end     ? TargetPlace::Below
                                               : TargetPlace::InView;
            view.arrows.push_back(arrow);
        }
        const std::uint64_t address = row - base;
        if (address < counts.size() && counts[address] > 0) {
            view.marks.push_back({row, counts[address]});
        }
    }
    view.lanes = AssignLanes(view.arrows, std::max(maxLanes, 1));
    return view;
}

}  // namespace sorrel
