// The pieces that spread a scan of a range over slices (parallel_slices.h):
// a slice's rows in steps, and the first or last answer of a range asked of
// every slice at once. Used by the scans of this folder; no Qt.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

#include "parallel_slices.h"

namespace sorrel {

// Splits begin..end into steps of at most step rows, first to last or last
// to first, and calls body(stepBegin, stepEnd) on each until it returns true
// (found what it looked for) or pace says stop; pace.advance(rows) after
// each step. True when the body ended the scan.
template <typename Pace, typename Body>
bool ForEachStep(std::uint64_t begin, std::uint64_t end, std::uint64_t step, bool backwards,
                 Pace& pace, Body&& body) {
    while (begin < end) {
        if (pace.stopped()) {
            return false;
        }
        const std::uint64_t n = std::min(step, end - begin);
        const std::uint64_t b = backwards ? end - n : begin;
        if (body(b, b + n)) {
            return true;
        }
        pace.advance(n);
        if (backwards) {
            end -= n;
        } else {
            begin += n;
        }
    }
    return false;
}

// The first answer of begin..end over the slices of options (cut at
// multiples of align), or the last one when Last: answer(slice) gives a
// slice's first (last) answer, and a slice that has one stops those after
// (before) it. Nothing when there is none or when the stop token stopped
// the scan.
template <bool Last, typename Answer>
std::optional<std::uint64_t> NearestOfSlices(std::uint64_t begin, std::uint64_t end,
                                             std::uint64_t align, std::stop_token stop,
                                             const SliceProgress& progress,
                                             const SliceOptions& options, Answer&& answer) {
    const std::vector<SliceRange> slices = PlanSlices(begin, end, align, options);
    std::vector<std::optional<std::uint64_t>> found(slices.size());
    const auto nearest = [&](SliceContext& slice) {
        found[slice.index()] = answer(slice);
        if (found[slice.index()]) {
            if constexpr (Last) {
                slice.stopEarlierSlices();
            } else {
                slice.stopLaterSlices();
            }
        }
    };
    // The slices nearest to where the search starts are taken first.
    const bool stopped =
        RunSlices(slices, std::move(stop), progress, nearest, {ThreadCount(options), Last});
    if (stopped) {
        return std::nullopt;
    }
    if constexpr (Last) {
        std::reverse(found.begin(), found.end());
    }
    for (const std::optional<std::uint64_t>& row : found) {
        if (row) {
            return row;
        }
    }
    return std::nullopt;
}

}  // namespace sorrel
