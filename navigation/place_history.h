// The places a user jumped from (go-to, follow, find, cross-references), to
// walk back and forward through them as a browser does.
//
// A jump calls visit() with the place it leaves; back() and forward() take the
// place the user is at, keep it for the walk the other way, and give the place
// to go to. A visit drops the places forward. At most `length` places are kept
// each way; the oldest goes first. A load, a reload or a change of mode makes
// rows mean something else: clear() then.
//
// Not thread-safe (the GUI thread owns it); every operation is O(1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace sorrel {

struct Place {
    std::uint64_t row = 0;
    int column = 0;
    friend bool operator==(const Place&, const Place&) = default;
};

class PlaceHistory {
  public:
    static constexpr std::size_t DefaultLength = 100;

    explicit PlaceHistory(std::size_t length = DefaultLength);

    // A jump leaves from. The same place twice in a row is kept once.
    void visit(Place from);
    // The place before current, or nothing. Places equal to current are
    // dropped on the way: going there would not move.
    std::optional<Place> back(Place current);
    // The place after current, or nothing, the same way.
    std::optional<Place> forward(Place current);

    bool canGoBack() const { return !back_.empty(); }
    bool canGoForward() const { return !forward_.empty(); }
    void clear();

  private:
    std::size_t length_;
    std::deque<Place> back_;     // the most recent last
    std::deque<Place> forward_;  // the nearest last
};

}  // namespace sorrel
