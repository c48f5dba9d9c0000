// Go-to, find and the history of the main window's listing, and what only the
// main window does with jumps: Enter or a double click on a jump follows it,
// X lists the jumps to the current row in the results panel.
//
// Go-to reads main-listing addresses ("03FEh", "3fe", "00FF(255)", "#N", "+N",
// "-N"); find looks in the bits and the disassembly, in the header in the bits
// only. Following a jump goes to the row base + its 10-bit field, keeping the
// column, or tells in the status bar why not (a header row, a word that is no
// jump, a target past the end of the image).
#pragma once

#include "grid_navigator.h"

namespace sorrel {

// The main window's navigator of its listing, with follow and the jumps to a row.
GridNavigator* NavigateListing(QWidget* window, WindowDocument* document, WindowWork* work,
                               WindowCommands* commands);

}  // namespace sorrel
