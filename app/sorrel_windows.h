// The program's three windows, created at start-up in this order: the main
// window Form1, the options window OptionWin (never shown) and the byte-order
// window Form2 (hidden). They live until the program ends.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "byteorder.h"
#include "main.h"
#include "optionwin.h"

namespace sorrel {

extern TForm1* Form1;
extern TOptionWin* OptionWin;
extern TForm2* Form2;

struct SorrelWindows {
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TOptionWin> optionWin;
    std::unique_ptr<TForm2> form2;

    SorrelWindows() = default;
    SorrelWindows(SorrelWindows&&) = default;
    SorrelWindows& operator=(SorrelWindows&&) = delete;
    // Destroys Form2, OptionWin and Form1 in that order and clears the pointers.
    ~SorrelWindows();
};

// Creates the three windows, sets the global pointers and joins them: Form2
// lists the file named by Form1's OpenDialog1, and Form1's SpeedButton3
// shows Form2. Nothing is shown yet.
SorrelWindows CreateWindows();

// The file named on the command line, relative to the working folder: opened
// once the event loop runs, as if chosen in the load dialog of form; raw
// ticks the check box first. When it cannot be opened, errors is told its
// name and the system's reason, and the window stays as it is.
void OpenAtStart(TForm1& form, const std::string& file, bool raw, std::ostream& errors);

}  // namespace sorrel
