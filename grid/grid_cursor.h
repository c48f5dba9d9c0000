// GridCursor: the current cell and the selection of a grid of rows (counted
// in 64 bits) and columns, without a widget. The selection is the rectangle
// between the anchor, where it was started, and the current cell.
#pragma once

#include <cstdint>

// A rectangle of cells, inclusive on all sides.
namespace sorrel {

struct GridRange {
    std::uint64_t top = 0;
    std::uint64_t bottom = 0;
    int left = 0;
    int right = 0;
    bool operator==(const GridRange&) const = default;
};

// row moved by delta rows (negative: towards row 0), never past row 0 or
// the row last. Every step of the grid, of its current cell or of its view,
// goes through here.
std::uint64_t StepRow(std::uint64_t row, std::int64_t delta, std::uint64_t last);

// The moves of the current cell by the keyboard.
enum class CursorMove {
    LineUp,         // Up
    LineDown,       // Down
    ColumnLeft,     // Left
    ColumnRight,    // Right
    PageUp,         // Page Up
    PageDown,       // Page Down
    RowStart,       // Home
    RowEnd,         // End
    DocumentStart,  // Ctrl+Home
    DocumentEnd,    // Ctrl+End
};

class GridCursor {
  public:
    std::uint64_t row() const { return row_; }
    int column() const { return column_; }
    GridRange selection() const { return selection_; }
    // Whether there is any cell to be current.
    bool hasCells() const { return rows_ > 0 && columns_ > 0; }

    // A new number of rows or columns: the current cell, the anchor and the
    // selection are clamped to the last row and column; with no cells, all
    // go back to row 0, column 0.
    void setSize(std::uint64_t rows, int columns);

    // Makes (row, column), clamped to the cells, the current cell. Unless
    // extend, it is also the new anchor. Returns whether the current cell
    // changed. Does nothing without cells.
    bool moveTo(std::uint64_t row, int column, bool extend);
    // Moves the current cell; page is the rows of a page. Returns whether it
    // changed.
    bool move(CursorMove move, std::uint64_t page, bool extend);
    // Selects every cell; the current cell and the anchor stay.
    void selectAll();

  private:
    std::uint64_t rows_ = 0;
    int columns_ = 0;
    std::uint64_t row_ = 0;
    int column_ = 0;
    std::uint64_t anchorRow_ = 0;
    int anchorColumn_ = 0;
    GridRange selection_;
};

}  // namespace sorrel
