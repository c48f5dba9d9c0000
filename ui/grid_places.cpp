#include "grid_places.h"

#include "stringgrid.h"

namespace sorrel {

GridPlaces::GridPlaces(StringGrid* grid) : grid_(grid) {}

Place GridPlaces::here() const {
    return {grid_->currentRow(), grid_->currentColumn()};
}

void GridPlaces::show(Place place, Reveal reveal) {
    const std::uint64_t top = grid_->topRow();
    const std::uint64_t inView = grid_->visibleRowCount();
    const bool hidden = place.row < top || place.row - top >= inView;
    grid_->setCurrentCell(place.row, place.column);
    if (reveal == Reveal::Centre || hidden) {
        const std::uint64_t half = inView / 2;
        grid_->scrollToRow(place.row > half ? place.row - half : 0);
    }
}

void GridPlaces::leaveFor(Place place, Reveal reveal) {
    history_.visit(here());
    show(place, reveal);
}

void GridPlaces::goToRow(std::uint64_t row) {
    leaveFor({row, grid_->currentColumn()}, Reveal::Centre);
}

void GridPlaces::back() {
    if (const std::optional<Place> place = history_.back(here())) {
        show(*place, Reveal::Centre);
    }
}

void GridPlaces::forward() {
    if (const std::optional<Place> place = history_.forward(here())) {
        show(*place, Reveal::Centre);
    }
}

}  // namespace sorrel
