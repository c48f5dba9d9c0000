#include "scroll_scale.h"

#include <algorithm>

namespace sorrel {

namespace {

__extension__ typedef unsigned __int128 Wide;

}  // namespace

ScrollScale::ScrollScale(std::uint64_t rows, std::uint64_t pageRows)
    : maxTop_(rows > pageRows ? rows - pageRows : 0), page_(std::max<std::uint64_t>(1, pageRows)) {}

int ScrollScale::maximum() const {
    return scaled() ? ScaledRange : static_cast<int>(maxTop_);
}

int ScrollScale::pageStep() const {
    if (!scaled()) {
        return static_cast<int>(std::min<std::uint64_t>(page_, INT_MAX));
    }
    return static_cast<int>(std::max<Wide>(1, Wide(page_) * ScaledRange / maxTop_));
}

std::uint64_t ScrollScale::valueToRow(int value) const {
    if (value <= 0) {
        return 0;
    }
    if (!scaled()) {
        return std::min<std::uint64_t>(static_cast<std::uint64_t>(value), maxTop_);
    }
    if (value >= ScaledRange) {
        return maxTop_;
    }
    return static_cast<std::uint64_t>(Wide(static_cast<std::uint64_t>(value)) * maxTop_ /
                                      ScaledRange);
}

int ScrollScale::rowToValue(std::uint64_t row) const {
    row = std::min(row, maxTop_);
    if (!scaled()) {
        return static_cast<int>(row);
    }
    if (row == 0 || row == maxTop_) {
        return row == 0 ? 0 : ScaledRange;
    }
    const auto value = static_cast<int>((Wide(row) * ScaledRange + maxTop_ / 2) / maxTop_);
    return std::clamp(value, 1, ScaledRange - 1);
}

}  // namespace sorrel
