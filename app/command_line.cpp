#include "command_line.h"

#include <algorithm>
#include <array>

namespace sorrel {

namespace {

// The toolkit's own options, which it takes out of the arguments itself
// (also with "--" and as "-option=value"): those that take the next
// argument as their value, and those that stand alone.
constexpr std::array<std::string_view, 16> ToolkitOptionsWithValue = {
    "-platform",     "-platformpluginpath", "-platformtheme", "-plugin",  "-qwindowgeometry",
    "-qwindowicon",  "-qwindowtitle",       "-session",       "-display", "-geometry",
    "-style",        "-stylesheet",         "-title",         "-name",    "-visual",
    "-qmljsdebugger"};
constexpr std::array<std::string_view, 6> ToolkitOptionsAlone = {
    "-reverse", "-widgetcount", "-nograb", "-dograb", "-sync", "-testability"};

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& options, std::string_view option) {
    return std::find(options.begin(), options.end(), option) != options.end();
}

// How many arguments from arg on are one of the toolkit's options: 0 when
// it is none of them.
int ToolkitArguments(std::string_view arg, bool hasNext) {
    if (arg.starts_with("--")) {
        arg.remove_prefix(1);
    }
    const std::size_t equals = arg.find('=');
    if (equals != std::string_view::npos) {
        return Among(ToolkitOptionsWithValue, arg.substr(0, equals)) ? 1 : 0;
    }
    if (Among(ToolkitOptionsAlone, arg)) {
        return 1;
    }
    if (Among(ToolkitOptionsWithValue, arg)) {
        return hasNext ? 2 : 1;
    }
    return 0;
}

}  // namespace

const std::string_view Usage =
    "Usage: sorrel [--raw] [FILE]\n"
    "The Sorrel disassembler: lists each 16-bit word of a program image with its\n"
    "address, its bits and its disassembly, in a window.\n"
    "\n"
    "  FILE       the image to open at start, as if chosen with the load button\n"
    "  -r, --raw  open FILE as a raw image (the check box \"Сырой\" ticked)\n"
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            return {CommandLine::Action::Help, {}, false, {}};
        } else if (arg == "--version") {
            return {CommandLine::Action::Version, {}, false, {}};
        } else if (arg == "--raw" || arg == "-r") {
            line.raw = true;
        } else if (const int taken = ToolkitArguments(arg, i + 1 < args.size()); taken > 0) {
            i += static_cast<std::size_t>(taken - 1);
        } else if (line.error.empty()) {
            line.error = "unknown option '" + arg + "'";
        }
    }
    if (line.error.empty() && files.size() > 1) {
        line.error = "only one image file can be given";
    }
    if (line.error.empty() && line.raw && files.empty()) {
        line.error = "--raw needs an image file to open";
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
