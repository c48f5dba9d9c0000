// ScrollScale: the vertical scroll bar of a grid whose rows are counted in 64
// bits, while a scroll bar counts in int. The scroll bar's value stands for
// the grid's first row in view (its top row). Up to INT_MAX top rows the bar
// counts rows one for one; past that its range is ScaledRange and one step
// stands for several rows. No widget: the grid sets its bar from it.
#pragma once

#include <climits>
#include <cstdint>

namespace sorrel {

class ScrollScale {
  public:
    // The largest top row the bar counts one for one.
    static constexpr std::uint64_t DirectRange = INT_MAX;
    // The bar's range when it counts more top rows than that.
    static constexpr int ScaledRange = 1 << 30;

    // rows in the grid; pageRows whole rows in view (at least 1).
    ScrollScale(std::uint64_t rows, std::uint64_t pageRows);

    // The largest top row: the last row is then the last whole row in view.
    std::uint64_t maxTopRow() const { return maxTop_; }
    // Whether one step of the bar stands for more than one row.
    bool scaled() const { return maxTop_ > DirectRange; }

    // The bar's range is 0 to maximum(); its page step is pageStep().
    int maximum() const;
    int pageStep() const;

    // The top row of a bar value and the bar value of a top row. Only the
    // first and the last top rows put the bar at its ends, so that its arrows
    // always lead on; a row past maxTopRow() counts as maxTopRow().
    std::uint64_t valueToRow(int value) const;
    int rowToValue(std::uint64_t row) const;

  private:
    std::uint64_t maxTop_;
    std::uint64_t page_;
};

}  // namespace sorrel
