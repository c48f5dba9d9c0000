// The program's command line: sorrel [--help] [--version] [--raw] [--] [FILE].
// It is read before the application object exists, so that --help,
// --version and every usage error are answered without a display: the
// toolkit's own options (-platform, -style ...) are known and passed over
// there. It is read again once the toolkit has taken them out, for FILE.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sorrel {

struct CommandLine {
    enum class Action {
        Run,      // start, opening file when one is given
        Help,     // print Usage on standard output, exit 0
        Version,  // print VersionText on standard output, exit 0
        Wrong     // print error and Usage on standard error, exit 2
    };
    Action action = Action::Run;
    std::string file;   // empty when none was given
    bool raw = false;   // --raw: FILE is opened as a raw image (the check box ticked)
    std::string error;  // what is wrong, for Wrong
};

// Reads the arguments after the program's name. --help (or -h) and --version
// win over anything else before "--"; after "--" every argument is a file.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending in a line feed.
extern const std::string_view Usage;
// "sorrel " and the version, ending in a line feed.
std::string VersionText();

}  // namespace sorrel
