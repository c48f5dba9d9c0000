#include "progress.h"

#include <utility>

namespace sorrel {

ProgressReporter::ProgressReporter(ProgressFn callback, Clock::duration interval, Now now)
    : callback_(std::move(callback)), interval_(interval), now_(std::move(now)), last_(now_()) {}

void ProgressReporter::report(std::uint64_t done, std::uint64_t total) {
    done_ = done;
    total_ = total;
    reported_ = true;
    const Clock::time_point t = now_();
    if (t - last_ >= interval_) {
        last_ = t;
        if (callback_) {
            callback_(done, total);
        }
    }
}

void ProgressReporter::finish() {
    if (reported_ && callback_) {
        callback_(done_, total_);
    }
}

ProgressFn ProgressReporter::fn() {
    return [this](std::uint64_t done, std::uint64_t total) { report(done, total); };
}

}  // namespace sorrel
