// The toolkit's own file dialog (not the desktop's), as the windows use it.
#pragma once

class QFileDialog;

namespace sorrel {

// The completion list under the dialog's file name box is a window of its
// own, which the toolkit neither closes with the dialog nor keeps from
// opening after it (when the folder's listing arrives after Enter). Left on
// screen it holds the keyboard and the next click. This detaches it from its
// box whenever the dialog closes: it closes and cannot come back; the box
// takes it again when it next has the keys.
void CloseCompletionWithDialog(QFileDialog* dialog);

}  // namespace sorrel
