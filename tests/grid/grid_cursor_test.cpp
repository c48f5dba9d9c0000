// The grid's current cell and selection, and the bounded steps of its rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "grid_cursor.h"

namespace sorrel {
namespace {

constexpr std::uint64_t MaxRows = 4'294'967'295;  // the byte-order window's largest file
constexpr std::uint64_t U64Max = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t I64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t I64Min = std::numeric_limits<std::int64_t>::min();

TEST(StepRowTest, StepsStopAtTheFirstAndLastRows) {
    struct Case {
        std::uint64_t row;
        std::int64_t delta;
        std::uint64_t last;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {5, 3, 10, 8},
        {5, -3, 10, 2},
        {5, 0, 10, 5},
        {0, -1, 10, 0},
        {10, 1, 10, 10},
        {2, -10, 10, 0},
        {8, 10, 10, 10},
        {0, 0, 0, 0},
        {0, 1, 0, 0},
        {12, -1, 10, 9},  // a row past the last steps from the last
        {MaxRows - 2, 1, MaxRows - 1, MaxRows - 1},
        {MaxRows - 2, 2, MaxRows - 1, MaxRows - 1},
        {1, I64Min, U64Max, 0},
        {U64Max - 1, I64Max, U64Max, U64Max},
        {0, I64Max, U64Max, static_cast<std::uint64_t>(I64Max)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepRow(c.row, c.delta, c.last), c.expected)
            << c.row << " + " << c.delta << " up to " << c.last;
    }
}

struct MoveCase {
    const char* name;
    std::uint64_t rows;
    std::uint64_t startRow;
    int startColumn;
    CursorMove move;
    bool extend;
    std::uint64_t row;
    int column;
    GridRange selection;
    bool changed;
};

TEST(GridCursorTest, MovesStopAtTheEndsOfAnyNumberOfRows) {
    constexpr std::uint64_t page = 10;
    constexpr std::uint64_t last = MaxRows - 1;
    const MoveCase cases[] = {
        // No rows: nothing to move.
        {"no rows, down", 0, 0, 0, CursorMove::LineDown, false, 0, 0, {}, false},
        {"no rows, ctrl+end", 0, 0, 0, CursorMove::DocumentEnd, false, 0, 0, {}, false},
        // One row.
        {"one row, up", 1, 0, 1, CursorMove::LineUp, false, 0, 1, {0, 0, 1, 1}, false},
        {"one row, down", 1, 0, 1, CursorMove::LineDown, false, 0, 1, {0, 0, 1, 1}, false},
        {"one row, page down", 1, 0, 1, CursorMove::PageDown, false, 0, 1, {0, 0, 1, 1}, false},
        {"one row, ctrl+end", 1, 0, 0, CursorMove::DocumentEnd, false, 0, 2, {0, 0, 2, 2}, true},
        // At row 0.
        {"row 0, up", 1000, 0, 1, CursorMove::LineUp, false, 0, 1, {0, 0, 1, 1}, false},
        {"row 0, page up", 1000, 0, 1, CursorMove::PageUp, false, 0, 1, {0, 0, 1, 1}, false},
        {"row 5, page up", 1000, 5, 1, CursorMove::PageUp, false, 0, 1, {0, 0, 1, 1}, true},
        {"row 0, down", 1000, 0, 1, CursorMove::LineDown, false, 1, 1, {1, 1, 1, 1}, true},
        {"row 0, page down", 1000, 0, 1, CursorMove::PageDown, false, 10, 1, {10, 10, 1, 1}, true},
        {"first column, left",
         1000,
         7,
         0,
         CursorMove::ColumnLeft,
         false,
         7,
         0,
         {7, 7, 0, 0},
         false},
        {"last column, right",
         1000,
         7,
         2,
         CursorMove::ColumnRight,
         false,
         7,
         2,
         {7, 7, 2, 2},
         false},
        {"home", 1000, 7, 2, CursorMove::RowStart, false, 7, 0, {7, 7, 0, 0}, true},
        {"end", 1000, 7, 0, CursorMove::RowEnd, false, 7, 2, {7, 7, 2, 2}, true},
        // At the last of four giga-rows.
        {"last row, down",
         MaxRows,
         last,
         1,
         CursorMove::LineDown,
         false,
         last,
         1,
         {last, last, 1, 1},
         false},
        {"last row, page down",
         MaxRows,
         last,
         1,
         CursorMove::PageDown,
         false,
         last,
         1,
         {last, last, 1, 1},
         false},
        {"near the last row, page down",
         MaxRows,
         last - 3,
         1,
         CursorMove::PageDown,
         false,
         last,
         1,
         {last, last, 1, 1},
         true},
        {"last row, up",
         MaxRows,
         last,
         1,
         CursorMove::LineUp,
         false,
         last - 1,
         1,
         {last - 1, last - 1, 1, 1},
         true},
        {"last row, page up",
         MaxRows,
         last,
         1,
         CursorMove::PageUp,
         false,
         last - page,
         1,
         {last - page, last - page, 1, 1},
         true},
        {"ctrl+end",
         MaxRows,
         5,
         1,
         CursorMove::DocumentEnd,
         false,
         last,
         2,
         {last, last, 2, 2},
         true},
        {"ctrl+home", MaxRows, last, 1, CursorMove::DocumentStart, false, 0, 0, {0, 0, 0, 0}, true},
        // Extending from the anchor.
        {"shift+ctrl+end",
         MaxRows,
         5,
         1,
         CursorMove::DocumentEnd,
         true,
         last,
         2,
         {5, last, 1, 2},
         true},
        {"shift+ctrl+home",
         MaxRows,
         5,
         1,
         CursorMove::DocumentStart,
         true,
         0,
         0,
         {0, 5, 0, 1},
         true},
        {"shift+page down at the end",
         MaxRows,
         last,
         1,
         CursorMove::PageDown,
         true,
         last,
         1,
         {last, last, 1, 1},
         false},
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.name);
        GridCursor cursor;
        cursor.setSize(c.rows, 3);
        cursor.moveTo(c.startRow, c.startColumn, false);
        EXPECT_EQ(cursor.move(c.move, page, c.extend), c.changed);
        EXPECT_EQ(cursor.row(), c.row);
        EXPECT_EQ(cursor.column(), c.column);
        EXPECT_EQ(cursor.selection(), c.selection);
    }
}

TEST(GridCursorTest, MoveToClampsToTheCellsAndExtendsFromTheAnchor) {
    GridCursor cursor;
    cursor.setSize(MaxRows, 3);
    EXPECT_TRUE(cursor.moveTo(U64Max, 7, false));
    EXPECT_EQ(cursor.row(), MaxRows - 1);
    EXPECT_EQ(cursor.column(), 2);
    EXPECT_FALSE(cursor.moveTo(MaxRows - 1, 2, false));
    cursor.moveTo(10, 1, false);
    cursor.moveTo(4, -3, true);
    EXPECT_EQ(cursor.selection(), (GridRange{4, 10, 0, 1}));
    cursor.moveTo(12, 2, true);
    EXPECT_EQ(cursor.selection(), (GridRange{10, 12, 1, 2}));
}

TEST(GridCursorTest, SelectAllKeepsTheCurrentCellAndTheAnchor) {
    GridCursor cursor;
    cursor.setSize(MaxRows, 3);
    cursor.moveTo(7, 1, false);
    cursor.selectAll();
    EXPECT_EQ(cursor.selection(), (GridRange{0, MaxRows - 1, 0, 2}));
    EXPECT_EQ(cursor.row(), 7u);
    cursor.move(CursorMove::LineDown, 10, true);
    EXPECT_EQ(cursor.selection(), (GridRange{7, 8, 1, 1}));

    GridCursor none;
    none.setSize(0, 3);
    none.selectAll();
    EXPECT_EQ(none.selection(), GridRange{});
}

TEST(GridCursorTest, ANewSizeClampsCellAnchorAndSelection) {
    struct Case {
        const char* name;
        std::uint64_t rows;
        int columns;
        std::uint64_t row;
        int column;
        GridRange selection;
    };
    const Case cases[] = {
        {"same size", 1000, 3, 900, 2, {800, 900, 1, 2}},
        {"fewer rows", 100, 3, 99, 2, {99, 99, 1, 2}},
        {"fewer columns", 1000, 2, 900, 1, {800, 900, 1, 1}},
        {"one row", 1, 3, 0, 2, {0, 0, 1, 2}},
        {"no rows", 0, 3, 0, 0, {}},
        {"no columns", 1000, 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridCursor cursor;
        cursor.setSize(1000, 3);
        cursor.moveTo(800, 1, false);
        cursor.moveTo(900, 2, true);
        cursor.setSize(c.rows, c.columns);
        EXPECT_EQ(cursor.row(), c.row);
        EXPECT_EQ(cursor.column(), c.column);
        EXPECT_EQ(cursor.selection(), c.selection);
    }
    // The anchor is clamped with the rest: Shift extends from it.
    GridCursor cursor;
    cursor.setSize(1000, 3);
    cursor.moveTo(800, 1, false);
    cursor.moveTo(900, 2, true);
    cursor.setSize(100, 3);
    cursor.move(CursorMove::LineUp, 10, true);
    EXPECT_EQ(cursor.selection(), (GridRange{98, 99, 1, 2}));
}

}  // namespace
}  // namespace sorrel
