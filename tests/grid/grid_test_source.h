// A synthetic cell source of any size for the grid's tests and benchmarks:
// cell (r, c) reads "r<r>c<c>". It counts the cells it is asked for.
#pragma once

#include <QString>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "stringgrid.h"

namespace sorrel {

class SyntheticSource : public CellSource {
  public:
    explicit SyntheticSource(std::uint64_t rows) : rows_(rows) {}

    std::uint64_t rowCount() const override { return rows_; }
    QString cellText(std::uint64_t row, int column) const override {
        ++calls;
        minRow = std::min(minRow, row);
        maxRow = std::max(maxRow, row);
        return QStringLiteral("r%1c%2").arg(row).arg(column);
    }

    void resetCounts() const {
        calls = 0;
        minRow = std::numeric_limits<std::uint64_t>::max();
        maxRow = 0;
    }

    mutable std::uint64_t calls = 0;
    mutable std::uint64_t minRow = std::numeric_limits<std::uint64_t>::max();
    mutable std::uint64_t maxRow = 0;

  private:
    std::uint64_t rows_;
};

}  // namespace sorrel
