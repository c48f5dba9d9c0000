// Go-to, find and the history of the byte-order window's listing: go-to reads
// byte offsets ("000A(10)", "a", "0Ah", "#N", "+N", "-N"); find looks in the
// bits ("Значение").
#pragma once

#include "grid_navigator.h"

namespace sorrel {

// The byte-order window's navigator of grid.
GridNavigator* NavigateBytes(QWidget* window, StringGrid* grid, WindowWork* work);

}  // namespace sorrel
