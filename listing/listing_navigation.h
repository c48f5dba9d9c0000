// The main listing to go-to and find (ListingContent), and what only the main
// window does with jumps (ListingJumps): Enter or a double click on a jump
// follows it, X lists the jumps to the current row.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

#include "grid_navigator.h"

class QWidget;
class StringGrid;

namespace sorrel {

class WindowWork;

// Go-to reads main-listing addresses ("03FEh", "3fe", "00FF(255)", "#N",
// "+N", "-N"); find looks in the bits and the disassembly, in the header in
// the bits only.
class ListingContent final : public NavigableContent {
  public:
    GoToOutcome goTo(const CellSource* source, std::string_view text,
                     std::uint64_t current) const override;
    bool searches(const CellSource& source, std::uint64_t row, int column) const override;
    std::shared_ptr<const RowScanner> scanner(const std::shared_ptr<const CellSource>& source,
                                              const Query& query) const override;
};

// Follow and the jumps to a row, in the main window's grid, through its
// navigator (which records the places and shows the results).
class ListingJumps : public QObject {
    Q_OBJECT
  public:
    // Enter and double clicks in grid follow; X in grid lists the jumps to
    // the current row. A child of navigator.
    ListingJumps(StringGrid* grid, GridNavigator* navigator);

    // Goes to the row that the jump at row goes to (row base + its 10-bit
    // field), keeping the column; or tells why not: a header row, a word that
    // is no jump, a target past the end of the image.
    void follow(std::uint64_t row);
    // Lists in the results panel every jump to the listing address of row,
    // as "Ссылки на 03FEh: 8".
    void listJumpsTo(std::uint64_t row);

  private:
    StringGrid* grid_;
    GridNavigator* navigator_;
};

// The main window's navigator, with follow and the jumps to a row.
GridNavigator* NavigateListing(QWidget* window, StringGrid* grid, WindowWork* work);

}  // namespace sorrel
