#include "place_history.h"

namespace sorrel {
namespace {

// Pushes place onto a walk of at most length places, dropping the oldest;
// the same place as the last one is not pushed again.
void Push(std::deque<Place>& walk, Place place, std::size_t length) {
    if (!walk.empty() && walk.back() == place) {
        return;
    }
    walk.push_back(place);
    while (walk.size() > length) {
        walk.pop_front();
    }
}

// Takes the last place of from that differs from current, if any, and keeps
// current on the walk the other way.
std::optional<Place> Step(std::deque<Place>& from, std::deque<Place>& to, Place current,
                          std::size_t length) {
    while (!from.empty() && from.back() == current) {
        from.pop_back();
    }
    if (from.empty()) {
        return std::nullopt;
    }
    const Place place = from.back();
    from.pop_back();
    Push(to, current, length);
    return place;
}

}  // namespace

PlaceHistory::PlaceHistory(std::size_t length) : length_(length == 0 ? 1 : length) {}

void PlaceHistory::visit(Place from) {
    Push(back_, from, length_);
    forward_.clear();
}

std::optional<Place> PlaceHistory::back(Place current) {
    return Step(back_, forward_, current, length_);
}

std::optional<Place> PlaceHistory::forward(Place current) {
    return Step(forward_, back_, current, length_);
}

void PlaceHistory::clear() {
    back_.clear();
    forward_.clear();
}

}  // namespace sorrel
