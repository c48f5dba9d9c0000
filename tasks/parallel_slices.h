// Work over a range of rows spread over the machine's cores: the range cut into
// a few slices for each thread, and every thread, the calling one included,
// taking the next slice that nobody has taken until none is left. So a core
// that the machine gives to something else for a while holds up no more than
// the slice it is on, and the other cores do the rest.
//
// RunSlices runs a body on each slice and returns when every body has
// returned. The slices share:
// - a stop: the caller's stop token, seen by every slice at once, and an
//   internal one that a slice's exception or a nearer match raises (see
//   SliceContext::stopped);
// - their progress: every slice adds the rows it has done, and the calling
//   thread alone passes the sum on (while it runs slices, and while it waits
//   for the last ones), monotonic, at most once each time it
//   passes a multiple of the step, and once more when the whole range is done;
// - their errors: the first exception of a slice stops the others and is
//   thrown again by RunSlices once all have returned.
// A range too short to be worth a thread (SliceOptions::serialRows) is one
// slice, run on the calling thread alone: it starts no thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <vector>

#include "progress.h"

namespace sorrel {

// Ranges of fewer rows than this run on the calling thread alone by default.
inline constexpr std::uint64_t DefaultSerialRows = std::uint64_t{1} << 22;

// The slices a range is cut into for each thread when there are several.
inline constexpr unsigned SlicesPerThread = 8;

struct SliceOptions {
    // Threads to use, the calling thread included; 0 for every core
    // (std::thread::hardware_concurrency(), at least 1).
    unsigned threads = 0;
    // A range of fewer rows is one slice on the calling thread.
    std::uint64_t serialRows = DefaultSerialRows;
};

// The threads that options.threads asks for: itself, or every core for 0.
unsigned ThreadCount(const SliceOptions& options);

// Rows begin to end - 1.
struct SliceRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t size() const { return end - begin; }
    bool operator==(const SliceRange&) const = default;
};

// begin..end cut into at most parts nearly equal slices, in order, none
// empty, together covering the range. Every boundary between two slices is a
// multiple of align (at least 1), so that no slice splits an aligned group of
// align rows: the cut nearest to begin + k * (end - begin) / parts is taken
// down to a multiple of align. Empty for an empty range.
std::vector<SliceRange> CutRange(std::uint64_t begin, std::uint64_t end, std::uint64_t parts,
                                 std::uint64_t align);

// The slices of begin..end for options: one slice (or none for an empty
// range) below options.serialRows rows or for one thread, else
// SlicesPerThread for each thread, as CutRange.
std::vector<SliceRange> PlanSlices(std::uint64_t begin, std::uint64_t end, std::uint64_t align,
                                   const SliceOptions& options);

// How a run reports progress: fn (when not empty) is called on the calling
// thread with the rows done, starting at `done`, and total, each time the
// rows done reach the next multiple of step, and with total when the
// slices have done all of it.
struct SliceProgress {
    const ProgressFn* fn = nullptr;
    std::uint64_t total = 0;
    std::uint64_t step = std::uint64_t{1} << 20;
    std::uint64_t done = 0;
};

class SliceRun;

// What a slice's body sees of the run.
class SliceContext {
  public:
    SliceContext(SliceRun& run, std::size_t index, SliceRange range, bool caller)
        : run_(run), index_(index), range_(range), caller_(caller) {}

    std::size_t index() const { return index_; }
    SliceRange range() const { return range_; }

    // Whether the slice should return now: the caller's stop was requested,
    // another slice threw, or a slice before it called stopLaterSlices (one
    // after it stopEarlierSlices). The body checks it about every million
    // rows; a body that stops for the caller's stop makes RunSlices return
    // true.
    bool stopped();
    // Adds rows to the progress (on the calling thread, passes it on when due).
    void advance(std::uint64_t rows);
    // The slices after (before) this one are no longer needed: for the first
    // (last) match of a range, once this slice has found its own.
    void stopLaterSlices();
    void stopEarlierSlices();

  private:
    SliceRun& run_;
    std::size_t index_;
    SliceRange range_;
    bool caller_;  // runs on the thread that called RunSlices
};

using SliceBody = std::function<void(SliceContext& slice)>;

// Who runs the slices of a RunSlices, and in which order they are taken.
struct SliceTurns {
    // Threads, the calling one included: ThreadCount of the options that
    // planned the slices. 0 for a thread for every slice.
    unsigned threads = 0;
    // The slices are taken from the last to the first: for the last match of
    // a range, which the last slices hold.
    bool lastFirst = false;
};

// Runs body on every slice and returns when all have returned: the calling
// thread takes the first slice (the last when turns.lastFirst), up to
// turns.threads - 1 more threads start, and each thread takes the next slice
// in order that nobody has taken, until none is left. True when a slice
// stopped early for the stop token (its result is then partial), false when
// every slice ran to its end or to a stop of stopLaterSlices or
// stopEarlierSlices. Throws the first exception of a body.
bool RunSlices(const std::vector<SliceRange>& slices, std::stop_token stop,
               const SliceProgress& progress, const SliceBody& body, SliceTurns turns = {});

}  // namespace sorrel
