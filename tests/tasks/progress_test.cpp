// The progress reporter passes on at most one report an interval, and the
// last one again at the end; a clock of the test's own stands in for time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

#include "progress.h"

namespace sorrel {
namespace {

using Pair = std::pair<std::uint64_t, std::uint64_t>;
using std::chrono::milliseconds;

struct ThrottleCase {
    const char* name;
    std::vector<int> reportTimes;  // ms after the reporter was made; report i is (i + 1, 100)
    std::vector<Pair> passedOn;    // before finish
};

TEST(ProgressReporter, PassesOnAtMostOneReportAnInterval) {
    const ThrottleCase cases[] = {
        {"nothing reported", {}, {}},
        {"work shorter than an interval", {0, 10, 20, 49}, {}},
        {"one report at the interval", {50}, {{1, 100}}},
        {"many reports a millisecond",
         {10, 50, 50, 51, 60, 99, 100, 100, 149},
         {{2, 100}, {7, 100}}},
        {"the interval counts from the last report passed on",
         {70, 110, 119, 120, 171},
         {{1, 100}, {4, 100}, {5, 100}}},
        {"slow work", {100, 200, 300}, {{1, 100}, {2, 100}, {3, 100}}},
    };
    for (const ThrottleCase& c : cases) {
        ProgressReporter::Clock::time_point now{};
        std::vector<Pair> calls;
        ProgressReporter reporter(
            [&](std::uint64_t done, std::uint64_t total) { calls.emplace_back(done, total); },
            milliseconds(50), [&] { return now; });
        const ProgressReporter::Clock::time_point start = now;
        for (std::size_t i = 0; i < c.reportTimes.size(); ++i) {
            now = start + milliseconds(c.reportTimes[i]);
            reporter.fn()(i + 1, 100);
        }
        EXPECT_EQ(calls, c.passedOn) << c.name;

        // The end passes on the last report once more, or nothing.
        reporter.finish();
        std::vector<Pair> withFinish = c.passedOn;
        if (!c.reportTimes.empty()) {
            withFinish.emplace_back(c.reportTimes.size(), 100);
        }
        EXPECT_EQ(calls, withFinish) << c.name;
    }
}

TEST(ProgressReporter, WithoutCallbackReportsGoNowhere) {
    ProgressReporter reporter(nullptr, milliseconds(0));
    reporter.report(1, 2);
    reporter.finish();
}

}  // namespace
}  // namespace sorrel
