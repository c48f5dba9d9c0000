// The vertical scroll bar's scale: top rows counted one for one up to INT_MAX,
// scaled past it, for every row count a 64-bit grid can have.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <vector>

#include "scroll_scale.h"

namespace sorrel {
namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t IntMax = INT_MAX;
constexpr int Scaled = ScrollScale::ScaledRange;

struct ScaleCase {
    const char* name;
    std::uint64_t maxTop;  // the largest top row: the rows less a page
    std::uint64_t page;
    bool scaled;
    int maximum;
    int pageStep;
};

// The rows of a case.
std::uint64_t RowsOf(const ScaleCase& c) {
    return c.maxTop == 0 ? c.page - 1 : c.maxTop + c.page;
}

const ScaleCase Cases[] = {
    {"no rows", 0, 1, false, 0, 1},
    {"fewer rows than a page", 0, 10, false, 0, 10},
    {"one top row past the first", 1, 10, false, 1, 10},
    {"INT_MAX - 1 top rows", IntMax - 1, 10, false, INT_MAX - 1, 10},
    {"INT_MAX top rows: the last counted one for one", IntMax, 10, false, INT_MAX, 10},
    {"INT_MAX + 1 top rows: the first scaled", IntMax + 1, 10, true, Scaled, 5},
    {"2^32 - 1 top rows", 4'294'967'295u, 10, true, Scaled, 2},
    {"4,294,967,295 rows, the byte-order window's largest file", 4'294'967'295u - 10, 10, true,
     Scaled, 2},
    {"the largest row count of the type", std::numeric_limits<std::uint64_t>::max() - 10, 10, true,
     Scaled, 1},
    {"a page of INT_MAX rows", IntMax, IntMax, false, INT_MAX, INT_MAX},
};

// The points from 0 to last, in order, each once.
template <typename T>
std::vector<T> Within(T last, std::initializer_list<T> points) {
    std::vector<T> within;
    for (T point : points) {
        if (point >= 0 && point <= last) {
            within.push_back(point);
        }
    }
    std::sort(within.begin(), within.end());
    within.erase(std::unique(within.begin(), within.end()), within.end());
    return within;
}

TEST(ScrollScaleTest, RangeAndPageStepCountRowsUpToIntMaxAndScaleAbove) {
    for (const ScaleCase& c : Cases) {
        SCOPED_TRACE(c.name);
        const ScrollScale scale(RowsOf(c), c.page);
        EXPECT_EQ(scale.maxTopRow(), c.maxTop);
        EXPECT_EQ(scale.scaled(), c.scaled);
        EXPECT_EQ(scale.maximum(), c.maximum);
        EXPECT_EQ(scale.pageStep(), c.pageStep);
    }
}

TEST(ScrollScaleTest, OnlyTheFirstAndLastTopRowsPutTheBarAtItsEnds) {
    for (const ScaleCase& c : Cases) {
        SCOPED_TRACE(c.name);
        const ScrollScale scale(RowsOf(c), c.page);
        const std::uint64_t last = c.maxTop;
        // Bar values to top rows; values outside the range stay at its ends.
        EXPECT_EQ(scale.valueToRow(INT_MIN), 0u);
        EXPECT_EQ(scale.valueToRow(0), 0u);
        EXPECT_EQ(scale.valueToRow(c.maximum), last);
        EXPECT_EQ(scale.valueToRow(INT_MAX), last);
        // Top rows to bar values; rows past the last are the last.
        EXPECT_EQ(scale.rowToValue(0), 0);
        EXPECT_EQ(scale.rowToValue(last), c.maximum);
        EXPECT_EQ(scale.rowToValue(last + 1), c.maximum);
        EXPECT_EQ(scale.rowToValue(std::numeric_limits<std::uint64_t>::max()), c.maximum);
        if (last >= 2) {
            // The rows next to the ends are one step inside them.
            EXPECT_EQ(scale.rowToValue(1), 1);
            EXPECT_EQ(scale.rowToValue(last - 1), c.maximum - 1);
        }
    }
}

TEST(ScrollScaleTest, EveryBarValueMapsToATopRowThatMapsBack) {
    for (const ScaleCase& c : Cases) {
        SCOPED_TRACE(c.name);
        const ScrollScale scale(RowsOf(c), c.page);
        const int max = c.maximum;
        std::uint64_t previous = 0;
        for (int value : Within(max, {0, 1, 2, max / 3, max / 2, max - 2, max - 1, max})) {
            SCOPED_TRACE(value);
            const std::uint64_t row = scale.valueToRow(value);
            EXPECT_EQ(scale.rowToValue(row), value);
            EXPECT_GE(row, previous);  // later values, later rows
            previous = row;
            if (!c.scaled) {
                EXPECT_EQ(row, static_cast<std::uint64_t>(value));
            } else {
                // Evenly: the row value / ScaledRange of the way to the last
                // top row, rounded down.
                const Wide share = Wide(static_cast<std::uint64_t>(value)) * c.maxTop;
                EXPECT_TRUE(Wide(row) * Scaled <= share);
                EXPECT_TRUE(Wide(row + 1) * Scaled > share);
            }
        }
    }
}

TEST(ScrollScaleTest, TopRowsMapToTheBarValueOfTheNearestRowItNames) {
    for (const ScaleCase& c : Cases) {
        SCOPED_TRACE(c.name);
        const ScrollScale scale(RowsOf(c), c.page);
        const std::uint64_t last = c.maxTop;
        // One bar step stands for this many rows, or one.
        const std::uint64_t step = c.scaled ? last / Scaled + 1 : 1;
        for (std::uint64_t row : Within(
                 last, {std::uint64_t{0}, std::uint64_t{1}, last / 3, last / 2, last - 1, last})) {
            SCOPED_TRACE(row);
            const std::uint64_t back = scale.valueToRow(scale.rowToValue(row));
            if (!c.scaled) {
                EXPECT_EQ(back, row);
            } else {
                EXPECT_LE(back > row ? back - row : row - back, step);
            }
        }
    }
}

}  // namespace
}  // namespace sorrel
