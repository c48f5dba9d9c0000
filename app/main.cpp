// The program's entry: the application object, the three windows, the event
// loop. It takes no arguments and returns 0.
#include "sorrel_application.h"
#include "sorrel_windows.h"

int main(int argc, char** argv) {
    SorrelApplication app(argc, argv);
    try {
        SorrelWindows windows = CreateWindows();
        windows.form1->show();
        app.exec();
    } catch (...) {
        SorrelApplication::showCurrentException();
    }
    return 0;
}
