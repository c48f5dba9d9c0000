#include "command_line.h"

namespace sorrel {

const std::string_view Usage =
    "Usage: sorrel [FILE]\n"
    "The Sorrel disassembler: lists each 16-bit word of a program image with its\n"
    "address, its bits and its disassembly, in a window.\n"
    "\n"
    "  FILE       the image to open at start, as if chosen with the load button\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "  --         ends the options (for a file named like an option)\n"
    "\n"
    "The toolkit's own options, such as -platform and -style, are accepted.\n"
    "Exit status: 0, or 2 on wrong usage.\n";

std::string VersionText() {
    return "sorrel " SORREL_VERSION "\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            return {CommandLine::Action::Help, {}, {}};
        } else if (arg == "--version") {
            return {CommandLine::Action::Version, {}, {}};
        } else if (line.error.empty()) {
            line.error = "unknown option '" + arg + "'";
        }
    }
    if (line.error.empty() && files.size() > 1) {
        line.error = "only one image file can be given";
    }
    if (!line.error.empty()) {
        line.action = CommandLine::Action::Wrong;
        return line;
    }
    if (!files.empty()) {
        line.file = files.front();
    }
    return line;
}

}  // namespace sorrel
