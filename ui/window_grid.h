// The grids of the windows: their columns, and one function that gives a
// grid its columns, the row height and the grid font.
// The message that refuses to copy too many rows is shown the same way in
// both windows.
#pragma once

#include <QString>
#include <cstdint>
#include <span>

class QString;
class QWidget;

namespace sorrel {

class StringGrid;

// A column of a window's grid: its title (UTF-8) and its width in pixels.
struct GridColumn {
    const char* title;
    int width;
};

// The main window's listing and the byte-order window's bytes.
inline constexpr GridColumn ListingGridColumns[] = {
    {"Адрес инструкци", 70}, {"Инструкция", 137}, {"Мнемоника", 171}};
inline constexpr GridColumn ByteOrderGridColumns[] = {
    {"Адрес байта", 70}, {"Адрес слова", 92}, {"Значение", 101}};

// The row height of both windows' grids, in pixels.
inline constexpr int WindowGridRowHeight = 15;

// Gives grid the columns, in order, the row height and GridFont() for its
// cells and titles. A column is never narrower than its title.
void SetUpWindowGrid(StringGrid* grid, std::span<const GridColumn> columns);
// The width a column needs to show title whole in grid's title row.
int TitleWidth(const StringGrid& grid, const QString& title);

// Columns were added to grid: its window grows so that all of them fit
// without scrolling sideways, as far as the screen has room, and stays on the
// screen. A maximized or full-screen window, or one wide enough, stays.
void WidenForColumns(StringGrid* grid);

// 1234567 -> "1 234 567", with no-break spaces between the groups of digits.
QString GroupDigits(std::uint64_t value);

// After a dialog or a message box: the grid's window is the active one and
// the grid has the keys, so that the arrows work without a click.
void GiveGridTheKeys(StringGrid* grid);

// Tells the user that a selection of rows rows is too large to copy: a
// message box owned by window that does not block it. While one is up,
// another refusal brings it to the front instead of opening a second.
void ShowCopyRefusedMessage(QWidget* window, std::uint64_t rows);

}  // namespace sorrel
