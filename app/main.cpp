// The program's entry: the command line, the application object, the three
// windows, the file named on the command line, the event loop.
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "sorrel_application.h"
#include "sorrel_windows.h"

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

}  // namespace

int main(int argc, char** argv) {
    // --help, --version and every usage error need no display: read before
    // the application, which needs one.
    const sorrel::CommandLine early = sorrel::ParseCommandLine(Arguments(argc, argv));
    if (early.action == sorrel::CommandLine::Action::Help) {
        std::cout << sorrel::Usage;
        return 0;
    }
    if (early.action == sorrel::CommandLine::Action::Version) {
        std::cout << sorrel::VersionText();
        return 0;
    }
    if (early.action == sorrel::CommandLine::Action::Wrong) {
        std::cerr << "sorrel: " << early.error << '\n' << sorrel::Usage;
        return 2;
    }
    sorrel::SorrelApplication app(argc, argv);
    // The toolkit has taken its own options out of the arguments.
    const sorrel::CommandLine line = sorrel::ParseCommandLine(Arguments(argc, argv));
    if (line.action != sorrel::CommandLine::Action::Run) {
        std::cerr << "sorrel: " << line.error << '\n' << sorrel::Usage;
        return 2;
    }
    try {
        sorrel::SorrelWindows windows = sorrel::CreateWindows();
        windows.form1->show();
        if (!line.file.empty()) {
            sorrel::OpenAtStart(*windows.form1, line.file, line.raw, std::cerr);
        }
        app.exec();
    } catch (...) {
        sorrel::SorrelApplication::showCurrentException();
    }
    return 0;
}
