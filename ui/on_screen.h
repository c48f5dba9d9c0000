// Keeping a window of the program whole on the screen.
#pragma once

class QWidget;

namespace sorrel {

// Moves the top-level window so that its frame lies on the available area
// of its screen (its parent's screen, before it is shown), as far as it fits.
void KeepOnScreen(QWidget* window);

}  // namespace sorrel
