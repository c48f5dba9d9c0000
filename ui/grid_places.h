// Where a window's grid is, and the history of the places it went from:
// going to a row (go-to, follow, a find, a result), back and forward. Going
// records the place left in the history; walking the history does not.
// Going keeps the current column and shows the row in the middle of the
// view; a find shows its match in the middle only when it was out of view.
// GUI thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "place_history.h"

namespace sorrel {

class StringGrid;

class GridPlaces {
  public:
    // How a place is shown: in the middle of the view always, or only when
    // it is out of view.
    enum class Reveal { Centre, WhenHidden };

    explicit GridPlaces(StringGrid* grid);

    // The current cell.
    Place here() const;
    // Makes place current and shows it; the history stays.
    void show(Place place, Reveal reveal);
    // The same, recording the place left.
    void leaveFor(Place place, Reveal reveal);
    // Goes to row in the current column, in the middle of the view.
    void goToRow(std::uint64_t row);
    // Alt+Left and Alt+Right: the place before (after) the current one.
    void back();
    void forward();
    // Rows now mean something else: the history goes.
    void clear() { history_.clear(); }

    const PlaceHistory& history() const { return history_; }

  private:
    StringGrid* grid_;
    PlaceHistory history_;
};

}  // namespace sorrel
