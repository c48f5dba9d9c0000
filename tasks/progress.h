// Progress of long work, passed on at a pace a window can show.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace sorrel {

// How far long work has come: done of total units (rows, words, bytes). A
// scan calls it after each slice of its range; an empty one is never called.
using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

// A pass over a whole image reports its progress (the rows done and the rows
// in all; each pass says which rows it counts) every PassProgressStep rows or
// so; the caller throttles what it shows.
inline constexpr std::uint64_t PassProgressStep = std::uint64_t{1} << 22;

// Passes on the progress that work reports to a callback at most once every
// interval (50 ms unless told), however often the work reports, and once more
// at the end (finish). The first report is passed on only when an interval has
// gone by since the reporter was made, so work that ends sooner shows only its
// final progress.
//
// Not thread-safe: one thread reports and finishes; the callback runs on that
// thread. report() costs one clock read when it passes nothing on.
class ProgressReporter {
  public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;
    static constexpr std::chrono::milliseconds DefaultInterval{50};

    // now is the clock; tests give their own.
    explicit ProgressReporter(ProgressFn callback, Clock::duration interval = DefaultInterval,
                              Now now = &Clock::now);

    void report(std::uint64_t done, std::uint64_t total);
    // Passes on the last reported progress, whether or not it was passed on
    // already; nothing when nothing was reported.
    void finish();
    // A ProgressFn that reports to this reporter, which must outlive it.
    ProgressFn fn();

  private:
    ProgressFn callback_;
    Clock::duration interval_;
    Now now_;
    Clock::time_point last_;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
    bool reported_ = false;
};

}  // namespace sorrel
