// The byte-order listing to go-to and find: go-to reads byte offsets
// ("000A(10)", "a", "0Ah", "#N", "+N", "-N"); find looks in the bits
// ("Значение").
#pragma once

#include <cstdint>
#include <memory>

#include "grid_navigator.h"

class QWidget;
class StringGrid;

namespace sorrel {

class WindowWork;

class ByteContent final : public NavigableContent {
  public:
    GoToOutcome goTo(const CellSource* source, std::string_view text,
                     std::uint64_t current) const override;
    bool searches(const CellSource& source, std::uint64_t row, int column) const override;
    std::shared_ptr<const RowScanner> scanner(const std::shared_ptr<const CellSource>& source,
                                              const Query& query) const override;
};

// The byte-order window's navigator.
GridNavigator* NavigateBytes(QWidget* window, StringGrid* grid, WindowWork* work);

}  // namespace sorrel
