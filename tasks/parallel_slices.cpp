#include "parallel_slices.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

namespace sorrel {

unsigned ThreadCount(const SliceOptions& options) {
    if (options.threads > 0) {
        return options.threads;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

std::vector<SliceRange> CutRange(std::uint64_t begin, std::uint64_t end, std::uint64_t parts,
                                 std::uint64_t align) {
    std::vector<SliceRange> slices;
    if (begin >= end) {
        return slices;
    }
    parts = std::max<std::uint64_t>(parts, 1);
    align = std::max<std::uint64_t>(align, 1);
    const std::uint64_t size = end - begin;
    std::uint64_t from = begin;
    for (std::uint64_t k = 1; k <= parts; ++k) {
        // begin + k * size / parts without overflow.
        const std::uint64_t ideal = begin + size / parts * k + size % parts * k / parts;
        const std::uint64_t cut = k == parts ? end : ideal - ideal % align;
        if (cut > from) {
            slices.push_back({from, cut});
            from = cut;
        }
    }
    return slices;
}

std::vector<SliceRange> PlanSlices(std::uint64_t begin, std::uint64_t end, std::uint64_t align,
                                   const SliceOptions& options) {
    const unsigned threads = ThreadCount(options);
    const bool serial = begin >= end || end - begin < options.serialRows || threads == 1;
    return CutRange(begin, end, serial ? 1 : std::uint64_t{threads} * SlicesPerThread, align);
}

// The state that the slices of one RunSlices share.
class SliceRun {
  public:
    SliceRun(const std::vector<SliceRange>& slices, std::stop_token stop,
             const SliceProgress& progress, bool lastFirst)
        : slices_(slices),
          lastFirst_(lastFirst),
          stop_(std::move(stop)),
          progress_(progress),
          done_(progress.done),
          nextReport_(NextMultiple(progress.done)) {}

    bool stopped(std::size_t index) {
        if (stop_.stop_requested()) {
            interrupted_.store(true, std::memory_order_relaxed);
            return true;
        }
        return failed_.load(std::memory_order_relaxed) ||
               index > firstNeeded_.load(std::memory_order_relaxed) ||
               index < lastNeeded_.load(std::memory_order_relaxed);
    }

    void advance(bool caller, std::uint64_t rows) {
        const std::uint64_t done = done_.fetch_add(rows, std::memory_order_relaxed) + rows;
        if (caller) {
            report();
        } else if (done >= nextReport_.load(std::memory_order_relaxed)) {
            const std::lock_guard lock(mutex_);
            changed_.notify_one();
        }
    }

    void stopAfter(std::size_t index) {
        std::size_t seen = firstNeeded_.load();
        while (index < seen && !firstNeeded_.compare_exchange_weak(seen, index)) {
        }
    }

    void stopBefore(std::size_t index) {
        std::size_t seen = lastNeeded_.load();
        while (index > seen && !lastNeeded_.compare_exchange_weak(seen, index)) {
        }
    }

    // The turn that nobody has taken yet (turn k is the slice k from the
    // first or from the last); slices.size() and over once all are taken.
    std::size_t nextTurn() { return next_.fetch_add(1, std::memory_order_relaxed); }

    // One thread's turns: turn, then the next that nobody has taken, until
    // none is left.
    void takeTurns(const SliceBody& body, bool caller, std::size_t turn) {
        for (; turn < slices_.size(); turn = nextTurn()) {
            runSlice(body, lastFirst_ ? slices_.size() - 1 - turn : turn, caller);
        }
        const std::lock_guard lock(mutex_);
        ++finished_;
        changed_.notify_one();
    }

    void fail(std::exception_ptr error) {
        const std::lock_guard lock(mutex_);
        if (!error_) {
            error_ = std::move(error);
        }
        failed_ = true;
    }

    // On the calling thread: passes progress on until every thread (started
    // of them, itself included) has taken its last turn.
    void waitForThreads(std::size_t started) {
        std::unique_lock lock(mutex_);
        for (;;) {
            lock.unlock();
            try {
                report();
            } catch (...) {
                fail(std::current_exception());  // thrown again once all have returned
            }
            lock.lock();
            if (finished_ == started) {
                break;
            }
            changed_.wait(lock);
        }
    }

    // On the calling thread, after all slices have returned.
    bool finish() {
        if (error_) {
            std::rethrow_exception(error_);
        }
        const std::uint64_t done = done_.load();
        if (progress_.fn && *progress_.fn && done == progress_.total && done != reported_) {
            (*progress_.fn)(done, progress_.total);
        }
        return interrupted_.load();
    }

  private:
    // Runs body on slice index, keeping its exception.
    void runSlice(const SliceBody& body, std::size_t index, bool caller) {
        try {
            SliceContext context(*this, index, slices_[index], caller);
            body(context);
        } catch (...) {
            fail(std::current_exception());
        }
    }

    std::uint64_t NextMultiple(std::uint64_t done) const {
        const std::uint64_t step = std::max<std::uint64_t>(progress_.step, 1);
        return (done / step + 1) * step;
    }

    // On the calling thread: passes the rows done on when they reached the
    // next multiple of the step.
    void report() {
        const std::uint64_t done = done_.load(std::memory_order_relaxed);
        if (done < nextReport_.load(std::memory_order_relaxed)) {
            return;
        }
        nextReport_.store(NextMultiple(done), std::memory_order_relaxed);
        if (progress_.fn && *progress_.fn) {
            reported_ = done;
            (*progress_.fn)(done, progress_.total);
        }
    }

    const std::vector<SliceRange>& slices_;
    const bool lastFirst_;
    const std::stop_token stop_;
    const SliceProgress progress_;

    std::atomic<std::size_t> next_{0};  // the next turn to take

    std::atomic<std::uint64_t> done_;
    std::atomic<std::uint64_t> nextReport_;  // written by the calling thread alone
    std::uint64_t reported_ = std::numeric_limits<std::uint64_t>::max();  // calling thread
    std::atomic<bool> failed_{false};
    std::atomic<bool> interrupted_{false};
    std::atomic<std::size_t> firstNeeded_{std::numeric_limits<std::size_t>::max()};
    std::atomic<std::size_t> lastNeeded_{0};

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t finished_ = 0;  // threads done, under mutex_
    std::exception_ptr error_;  // under mutex_ while slices run
};

bool SliceContext::stopped() {
    return run_.stopped(index_);
}

void SliceContext::advance(std::uint64_t rows) {
    run_.advance(caller_, rows);
}

void SliceContext::stopLaterSlices() {
    run_.stopAfter(index_);
}

void SliceContext::stopEarlierSlices() {
    run_.stopBefore(index_);
}

bool RunSlices(const std::vector<SliceRange>& slices, std::stop_token stop,
               const SliceProgress& progress, const SliceBody& body, SliceTurns turns) {
    if (slices.empty()) {
        return false;
    }
    SliceRun run(slices, std::move(stop), progress, turns.lastFirst);
    const std::size_t wanted =
        turns.threads == 0 ? slices.size() : std::min<std::size_t>(turns.threads, slices.size());
    const std::size_t first = run.nextTurn();  // the first slice, on this thread
    std::vector<std::jthread> threads;
    std::size_t started = 1;  // this thread
    try {
        threads.reserve(wanted - 1);
        for (std::size_t i = 1; i < wanted; ++i) {
            threads.emplace_back([&run, &body] { run.takeTurns(body, false, run.nextTurn()); });
            ++started;
        }
    } catch (...) {
        run.fail(std::current_exception());  // the slices taken stop at once
    }
    run.takeTurns(body, true, first);
    run.waitForThreads(started);
    threads.clear();  // joins
    return run.finish();
}

}  // namespace sorrel
