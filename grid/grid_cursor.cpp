#include "grid_cursor.h"

#include <algorithm>

namespace sorrel {

std::uint64_t StepRow(std::uint64_t row, std::int64_t delta, std::uint64_t last) {
    row = std::min(row, last);
    if (delta < 0) {
        const std::uint64_t up = 0 - static_cast<std::uint64_t>(delta);
        return row > up ? row - up : 0;
    }
    const auto down = static_cast<std::uint64_t>(delta);
    return last - row > down ? row + down : last;
}

void GridCursor::setSize(std::uint64_t rows, int columns) {
    rows_ = rows;
    columns_ = std::max(0, columns);
    if (!hasCells()) {
        row_ = anchorRow_ = 0;
        column_ = anchorColumn_ = 0;
        selection_ = GridRange{};
        return;
    }
    const std::uint64_t lastRow = rows_ - 1;
    const int lastColumn = columns_ - 1;
    row_ = std::min(row_, lastRow);
    anchorRow_ = std::min(anchorRow_, lastRow);
    column_ = std::min(column_, lastColumn);
    anchorColumn_ = std::min(anchorColumn_, lastColumn);
    selection_.top = std::min(selection_.top, lastRow);
    selection_.bottom = std::min(selection_.bottom, lastRow);
    selection_.left = std::min(selection_.left, lastColumn);
    selection_.right = std::min(selection_.right, lastColumn);
}

bool GridCursor::moveTo(std::uint64_t row, int column, bool extend) {
    if (!hasCells()) {
        return false;
    }
    row = std::min(row, rows_ - 1);
    column = std::clamp(column, 0, columns_ - 1);
    const bool changed = row != row_ || column != column_;
    row_ = row;
    column_ = column;
    if (!extend) {
        anchorRow_ = row;
        anchorColumn_ = column;
    }
    selection_ = GridRange{std::min(anchorRow_, row), std::max(anchorRow_, row),
                           std::min(anchorColumn_, column), std::max(anchorColumn_, column)};
    return changed;
}

bool GridCursor::move(CursorMove move, std::uint64_t page, bool extend) {
    if (!hasCells()) {
        return false;
    }
    const std::uint64_t lastRow = rows_ - 1;
    const auto pageDelta = static_cast<std::int64_t>(std::min<std::uint64_t>(page, INT64_MAX));
    std::uint64_t row = row_;
    int column = column_;
    switch (move) {
        case CursorMove::LineUp:
            row = StepRow(row, -1, lastRow);
            break;
        case CursorMove::LineDown:
            row = StepRow(row, 1, lastRow);
            break;
        case CursorMove::ColumnLeft:
            column = std::max(0, column - 1);
            break;
        case CursorMove::ColumnRight:
            column = std::min(columns_ - 1, column + 1);
            break;
        case CursorMove::PageUp:
            row = StepRow(row, -pageDelta, lastRow);
            break;
        case CursorMove::PageDown:
            row = StepRow(row, pageDelta, lastRow);
            break;
        case CursorMove::RowStart:
            column = 0;
            break;
        case CursorMove::RowEnd:
            column = columns_ - 1;
            break;
        case CursorMove::DocumentStart:
            row = 0;
            column = 0;
            break;
        case CursorMove::DocumentEnd:
            row = lastRow;
            column = columns_ - 1;
            break;
    }
    return moveTo(row, column, extend);
}

void GridCursor::selectAll() {
    if (hasCells()) {
        selection_ = GridRange{0, rows_ - 1, 0, columns_ - 1};
    }
}

}  // namespace sorrel
