// sorrel-dis run as a real process on small images written into a temporary
// folder; its output is compared with golden listings written from the rules
// of the listing (tests/cli/golden/*.txt), and, with the columns shown on
// request, with golden lines and with the in-process writer.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "listing_writer.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;  // exit status; -1 when killed by a signal
    int signal = 0;   // the signal that ended the process, if any
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct RunOptions {
    bool feedInput = false;  // standard input from a pipe fed with input
    std::string input;
    std::string outputPath;                   // standard output to this file instead of a pipe
    std::size_t closeOutputAfter = SIZE_MAX;  // close the output pipe after this many bytes
    std::string directory;                    // working folder of the process
    // A bash script that runs sorrel-dis as "$0" "$@" (a pipeline, a process
    // substitution); empty runs sorrel-dis itself.
    std::string script;
};

// Runs sorrel-dis with args; gives up (and kills it) after 20 seconds.
Result RunDis(const std::vector<std::string>& args, const RunOptions& options = {}) {
    // A reader that has gone shows as EPIPE here, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2];
    if ((options.feedInput && pipe(in) != 0) || (options.outputPath.empty() && pipe(out) != 0) ||
        pipe(err) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int input = options.feedInput ? in[0] : open("/dev/null", O_RDONLY);
        const int output =
            options.outputPath.empty() ? out[1] : open(options.outputPath.c_str(), O_WRONLY);
        dup2(input, 0);
        dup2(output, 1);
        dup2(err[1], 2);
        if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) {
            _exit(126);
        }
        for (int fd = 3; fd < 256; ++fd) {
            close(fd);
        }
        // As a shell starts it: a closed pipe ends it with SIGPIPE unless it
        // says otherwise.
        std::signal(SIGPIPE, SIG_DFL);
        std::vector<char*> argv;
        std::string bash = "/bin/bash", dashC = "-c", script = options.script;
        if (!script.empty()) {
            argv.push_back(bash.data());
            argv.push_back(dashC.data());
            argv.push_back(script.data());
        }
        std::string program = SORREL_DIS;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Result result;
    if (options.feedInput) {
        close(in[0]);
        fcntl(in[1], F_SETFL, O_NONBLOCK);
    }
    if (options.outputPath.empty()) {
        close(out[1]);
    }
    close(err[1]);
    int inFd = options.feedInput ? in[1] : -1;
    int outFd = options.outputPath.empty() ? out[0] : -1;
    int errFd = err[0];
    std::size_t fed = 0;
    if (inFd >= 0 && options.input.empty()) {
        close(inFd);
        inFd = -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (inFd >= 0 || outFd >= 0 || errFd >= 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fds[3];
        int n = 0;
        if (inFd >= 0) {
            fds[n++] = {inFd, POLLOUT, 0};
        }
        if (outFd >= 0) {
            fds[n++] = {outFd, POLLIN, 0};
        }
        if (errFd >= 0) {
            fds[n++] = {errFd, POLLIN, 0};
        }
        if (poll(fds, static_cast<nfds_t>(n), 200) <= 0) {
            continue;
        }
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            if (fds[i].fd == inFd) {
                const ssize_t w =
                    write(inFd, options.input.data() + fed, options.input.size() - fed);
                if (w > 0) {
                    fed += static_cast<std::size_t>(w);
                }
                if (w < 0 || fed == options.input.size()) {
                    close(inFd);
                    inFd = -1;
                }
                continue;
            }
            char buffer[65536];
            const ssize_t r = read(fds[i].fd, buffer, sizeof buffer);
            std::string& text = fds[i].fd == outFd ? result.out : result.err;
            if (r > 0) {
                text.append(buffer, static_cast<std::size_t>(r));
            }
            const bool closeNow =
                fds[i].fd == outFd && result.out.size() >= options.closeOutputAfter;
            if (r <= 0 || closeNow) {
                close(fds[i].fd);
                (fds[i].fd == outFd ? outFd : errFd) = -1;
            }
        }
    }
    for (int fd : {inFd, outFd, errFd}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

std::string Golden(const std::string& name) {
    std::ifstream in(std::string(GOLDEN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << "missing golden file " << name;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Bytes(const std::vector<std::uint16_t>& words) {
    std::string bytes;
    for (std::uint16_t w : words) {
        bytes.push_back(static_cast<char>(w & 0xFF));
        bytes.push_back(static_cast<char>(w >> 8));
    }
    return bytes;
}

// The words of golden/raw.txt: the worked examples of every operand format,
// operand-less words with their trailing blanks and words of no class.
const std::vector<std::uint16_t> RawWords = {
    0x0000, 0x0001, 0x0006, 0x0004, 0x0005, 0x000E, 0x000F, 0x0016, 0x001F, 0x0052,
    0x0185, 0x01CF, 0x02B3, 0x03B3, 0x07E0, 0x11B9, 0x2563, 0x27FF, 0x2BF8, 0x2D67,
    0x3EF2, 0x4000, 0x7FCD, 0x83FE, 0x8400, 0x93FF, 0xE001, 0xF200, 0xFFFF, 0x0009};

// Header word k is (k << 8) | (255 - k); word 256 is 11B9, the first decoded.
std::vector<std::uint16_t> Header257Words() {
    std::vector<std::uint16_t> words;
    for (int k = 0; k < 256; ++k) {
        words.push_back(static_cast<std::uint16_t>((k << 8) | (255 - k)));
    }
    words.push_back(0x11B9);
    return words;
}

const std::string OddBytes = std::string("\x34\x12\x00\x00\xAB", 5);

class SorrelDisTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sorrel-dis-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    fs::path dir_;
};

TEST_F(SorrelDisTest, ListsGoldenImages) {
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<std::string> options;
        std::string golden;
    };
    const std::vector<Case> cases = {
        {"raw.bin", Bytes(RawWords), {"--raw", "FILE"}, "raw.txt"},
        {"header257.bin", Bytes(Header257Words()), {"FILE"}, "header257.txt"},
        {"odd.bin", OddBytes, {"--bytes", "FILE"}, "odd_bytes.txt"},
        // Options may follow the file; short options.
        {"raw.bin", Bytes(RawWords), {"FILE", "--raw"}, "raw.txt"},
        {"raw.bin", Bytes(RawWords), {"-r", "FILE"}, "raw.txt"},
        {"odd.bin", OddBytes, {"FILE", "-b"}, "odd_bytes.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        const std::string path = write(c.name, c.bytes);
        std::vector<std::string> args = c.options;
        for (std::string& a : args) {
            if (a == "FILE") {
                a = path;
            }
        }
        const Result r = RunDis(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, Golden(c.golden));
    }
}

// Words whose bytes are letters, as the first words of a header: "FIRMWARE",
// "Сорель" in Windows-1251, "Ёё", and 11B9h, whose bytes B9h and 11h are no
// characters.
const std::string LetterBytes = std::string("FIRMWARE\xD1\xEE\xF0\xE5\xEB\xFC\xA8\xB8\xB9\x11", 18);

TEST_F(SorrelDisTest, HexAndTextColumnsOfKnownWords) {
    struct Case {
        std::vector<std::string> options;
        std::vector<std::string> lines;  // the first lines of the listing
    };
    const std::vector<Case> cases = {
        {{"--hex", "--text"},
         {"0000(0)\t0100100101000110\t\t4946\tFI", "0001(1)\t0100110101010010\t\t4D52\tRM",
          "0002(2)\t0100000101010111\t\t4157\tWA", "0003(3)\t0100010101010010\t\t4552\tRE",
          "0004(4)\t1110111011010001\t\tEED1\tСо", "0005(5)\t1110010111110000\t\tE5F0\tре",
          "0006(6)\t1111110011101011\t\tFCEB\tль", "0007(7)\t1011100010101000\t\tB8A8\tЁё",
          "0008(8)\t0001000110111001\t\t11B9\t··"}},
        // The columns keep their order whatever the order of the options.
        {{"-t", "-x"}, {"0000(0)\t0100100101000110\t\t4946\tFI"}},
        {{"--text"}, {"0000(0)\t0100100101000110\t\tFI"}},
        {{"-x"}, {"0000(0)\t0100100101000110\t\t4946"}},
        {{"--raw", "--hex", "--text"}, {"0000h\t0100100101000110\tmovl a6, 01001010b\t4946\tFI"}},
        {{"--bytes", "--hex", "--text"},
         {"0000(0)\t0000\t01000110\t46\tF", "0001(1)\t\t01001001\t49\tI"}},
        {{"--text", "-b"}, {"0000(0)\t0000\t01000110\tF"}},
    };
    const std::string path = write("letters.bin", LetterBytes);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options));
        std::vector<std::string> args = c.options;
        args.push_back(path);
        const Result r = RunDis(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        std::string expected;
        for (const std::string& line : c.lines) {
            expected += line + "\n";
        }
        EXPECT_EQ(r.out.substr(0, expected.size()), expected);
    }
}

// The columns shown on request are the in-process writer's, in every mode,
// for a file and for standard input.
TEST_F(SorrelDisTest, HexAndTextColumnsAreTheWritersOwn) {
    std::string image(2 * 700 + 1, '\0');
    std::uint32_t x = 777;
    for (char& c : image) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(image.data());
    const std::string path = write("random.bin", image);
    struct Mode {
        const char* option;  // nullptr: with a header
        sorrel::ListingMode mode;
    };
    const Mode modes[] = {{nullptr, sorrel::ListingMode::Header},
                          {"--raw", sorrel::ListingMode::Raw},
                          {"--bytes", sorrel::ListingMode::Bytes}};
    const sorrel::ExtraColumns hex{true, false, false};
    const sorrel::ExtraColumns text{false, true, false};
    const sorrel::ExtraColumns both{true, true, false};
    for (const Mode& m : modes) {
        for (const auto& [options, extra] :
             std::vector<std::pair<std::vector<std::string>, sorrel::ExtraColumns>>{
                 {{"--hex"}, hex}, {{"--text"}, text}, {{"--text", "--hex"}, both}}) {
            SCOPED_TRACE(std::string(m.option ? m.option : "header") + " " +
                         testing::PrintToString(options));
            std::vector<std::string> args = options;
            if (m.option != nullptr) {
                args.insert(args.begin(), m.option);
            }
            const std::string expected = sorrel::ListingOf(data, image.size(), m.mode, extra);
            args.push_back(path);
            const Result fromFile = RunDis(args);
            EXPECT_EQ(fromFile.status, 0);
            EXPECT_TRUE(fromFile.out == expected);
            RunOptions piped;
            piped.feedInput = true;
            piped.input = image;
            args.back() = "-";
            const Result fromPipe = RunDis(args, piped);
            EXPECT_EQ(fromPipe.status, 0);
            EXPECT_TRUE(fromPipe.out == expected);
        }
    }
}

TEST_F(SorrelDisTest, HeaderOnlyImageIsNotDecoded) {
    // With a header, 256 words or fewer are all header: no disassembly at all.
    const Result r = RunDis({write("raw.bin", Bytes(RawWords))});
    EXPECT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    std::string line;
    int k = 0;
    while (std::getline(lines, line)) {
        const std::string index = line.substr(0, line.find('\t'));
        char expected[16];
        std::snprintf(expected, sizeof expected, "%04X(%d)", k, k);
        EXPECT_EQ(index, expected);
        EXPECT_EQ(line.back(), '\t') << line;
        ++k;
    }
    EXPECT_EQ(k, static_cast<int>(RawWords.size()));
}

TEST_F(SorrelDisTest, OddLengthWarnsAndGoesOn) {
    const std::string path = write("odd.bin", OddBytes);
    const Result r = RunDis({path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Golden("odd.txt"));
    EXPECT_EQ(r.err, "sorrel-dis: warning: " + path +
                         ": the length (5 bytes) is not a multiple of the 2-byte instruction "
                         "length; the last byte is not listed\n");

    const Result one = RunDis({"--raw", write("one.bin", std::string(1, '\x7F'))});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out, "");
    EXPECT_NE(one.err.find("warning"), std::string::npos);
}

TEST_F(SorrelDisTest, EmptyImageListsNothing) {
    const std::string path = write("empty.bin", "");
    for (const char* mode : {"--raw", "--bytes", "--"}) {
        const Result r = RunDis({mode, path});
        EXPECT_EQ(r.status, 0) << mode;
        EXPECT_EQ(r.out, "") << mode;
        EXPECT_EQ(r.err, "") << mode;
    }
}

TEST_F(SorrelDisTest, ReadsStandardInputThroughAPipe) {
    RunOptions options;
    options.feedInput = true;
    options.input = Bytes(RawWords);
    const Result r = RunDis({"--raw", "-"}, options);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Golden("raw.txt"));

    options.input = OddBytes;
    const Result odd = RunDis({"-"}, options);
    EXPECT_EQ(odd.status, 0);
    EXPECT_EQ(odd.out, Golden("odd.txt"));
    EXPECT_NE(odd.err.find("standard input: the length (5 bytes)"), std::string::npos) << odd.err;

    const Result bytes = RunDis({"--bytes", "-"}, options);
    EXPECT_EQ(bytes.out, Golden("odd_bytes.txt"));
    EXPECT_EQ(bytes.err, "");
}

// A piped image larger than the reading and writing pieces: the same text as
// the file, so the pieces join without a seam.
TEST_F(SorrelDisTest, StandardInputMatchesTheFileAcrossPieces) {
    std::string image(3 * 1048576 + 3, '\0');
    std::uint32_t x = 12345;
    for (char& c : image) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    const std::string path = write("big.bin", image);
    RunOptions options;
    options.feedInput = true;
    options.input = image;
    for (const char* mode : {"--raw", "--bytes"}) {
        const Result fromFile = RunDis({mode, path});
        const Result fromPipe = RunDis({mode, "-"}, options);
        EXPECT_EQ(fromFile.status, 0);
        EXPECT_EQ(fromPipe.status, 0);
        EXPECT_FALSE(fromFile.out.empty());
        EXPECT_TRUE(fromFile.out == fromPipe.out) << mode;
    }
}

// A pipe named on the command line is read as a stream to its end, as "-"
// is: through /dev/stdin, /dev/fd/N and a process substitution of the shell.
// An odd length is told after the listing, with the name given. (FIFOs and
// devices by name: the hostile-input tests.)
TEST_F(SorrelDisTest, ReadsPipesByNameAsStreams) {
    const std::string raw = write("raw.bin", Bytes(RawWords));
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;   // fed to standard input through a pipe
        std::string script;  // run through bash, sorrel-dis as "$0"
        std::string golden;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"/dev/stdin", {"--raw", "/dev/stdin"}, Bytes(RawWords), "", "raw.txt", ""},
        {"/dev/fd/0", {"--bytes", "/dev/fd/0"}, OddBytes, "", "odd_bytes.txt", ""},
        {"odd /dev/stdin",
         {"/dev/stdin"},
         OddBytes,
         "",
         "odd.txt",
         "sorrel-dis: warning: /dev/stdin: the length (5 bytes) is not a multiple of the 2-byte "
         "instruction length; the last byte is not listed\n"},
        {"process substitution",
         {"--raw", raw},
         "",
         R"(exec "$0" "$1" <(cat "$2"))",
         "raw.txt",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunOptions options;
        options.feedInput = !c.input.empty();
        options.input = c.input;
        options.script = c.script;
        const Result r = RunDis(c.args, options);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, Golden(c.golden));
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(SorrelDisTest, FileErrorsExitWithOne) {
    const std::string missing = (dir_ / "missing.bin").string();
    const std::string folder = (dir_ / "folder").string();
    fs::create_directory(folder);

    struct Case {
        std::string path;
        std::string message;
    };
    const std::vector<Case> cases = {
        {missing, "sorrel-dis: cannot open '" + missing + "': No such file or directory\n"},
        {folder, "sorrel-dis: cannot open '" + folder + "': Is a directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto start = std::chrono::steady_clock::now();
        const Result r = RunDis({"--raw", c.path});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.message);
    }
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(SorrelDisTest, UsageErrorsExitWithTwo) {
    const std::string path = write("raw.bin", Bytes(RawWords));
    const std::string together =
        "sorrel-dis: --raw and --bytes cannot be given together: the byte-order listing has no "
        "raw or header mode\n";
    struct Case {
        std::vector<std::string> args;
        std::string message;  // the first line on standard error, when checked
    };
    const std::vector<Case> cases = {
        {{}, "sorrel-dis: no image file given\n"},
        {{"--raw"}, ""},
        {{"--verbose", path}, "sorrel-dis: unknown option '--verbose'\n"},
        {{"-q", path}, ""},
        {{"--hex=1", path}, "sorrel-dis: unknown option '--hex=1'\n"},
        {{"-xt", path}, "sorrel-dis: unknown option '-xt'\n"},
        {{path, path}, "sorrel-dis: only one image file can be given\n"},
        // The byte-order listing has no mode, in any spelling or order.
        {{"--raw", "--bytes", path}, together},
        {{"-r", "-b", path}, together},
        {{path, "--bytes", "-r"}, together},
        {{"-b", "--raw", path}, together},
        {{"-rb", path}, "sorrel-dis: unknown option '-rb'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Result r = RunDis(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nUsage: sorrel-dis [--raw | --bytes] [--hex] [--text] FILE|-\n"),
                  std::string::npos);
    }
}

TEST_F(SorrelDisTest, HelpAndVersion) {
    for (const char* option : {"--help", "-h"}) {
        SCOPED_TRACE(option);
        const Result r = RunDis({option});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("Usage: sorrel-dis [--raw | --bytes] [--hex] [--text] FILE|-\n", 0),
                  0u);
        EXPECT_NE(r.out.find("Exit status"), std::string::npos);
    }
    const Result version = RunDis({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(version.out, std::string("sorrel-dis ") + SORREL_VERSION + "\n");
}

TEST_F(SorrelDisTest, DoubleDashEndsTheOptions) {
    write("--raw", Bytes(RawWords));
    RunOptions options;
    options.directory = dir_.string();
    const Result r = RunDis({"--raw", "--", "--raw"}, options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Golden("raw.txt"));
}

// The reader of the output goes away early ("| head -n 1" in a shell): no
// end by SIGPIPE, status 1 (the listing is incomplete) and no message, in
// every mode, for a file and for a stream, of even and odd length. Only the
// warning for a named file of odd length, given before the listing, stays.
TEST_F(SorrelDisTest, ClosedOutputEndsQuietly) {
    const std::string fileScript = R"("$0" "$@" | head -n 1; exit "${PIPESTATUS[0]}")";
    const std::string streamScript =
        R"(cat "${@: -1}" | "$0" "${@:1:$#-1}" - | head -n 1; exit "${PIPESTATUS[1]}")";
    for (const bool odd : {false, true}) {
        const std::string path =
            write(odd ? "odd.bin" : "even.bin", std::string(4 * 1048576 + (odd ? 1 : 0), '\x11'));
        for (const std::vector<std::string>& mode :
             std::vector<std::vector<std::string>>{{}, {"--raw"}, {"--bytes"}}) {
            std::vector<std::string> args = mode;
            args.push_back(write("two.bin", "\x11\x11"));
            const Result small = RunDis(args);
            const std::string firstLine = small.out.substr(0, small.out.find('\n') + 1);
            args.back() = path;
            for (const bool stream : {false, true}) {
                SCOPED_TRACE(std::string(odd ? "odd " : "even ") + (stream ? "stream" : "file") +
                             (mode.empty() ? "" : " " + mode[0]));
                RunOptions options;
                options.script = stream ? streamScript : fileScript;
                const Result r = RunDis(args, options);
                EXPECT_FALSE(r.timedOut);
                EXPECT_EQ(r.signal, 0);
                EXPECT_EQ(r.status, 1);
                EXPECT_EQ(r.out, firstLine);
                const bool warned = odd && !stream && mode != std::vector<std::string>{"--bytes"};
                EXPECT_EQ(r.err, warned ? "sorrel-dis: warning: " + path +
                                              ": the length (4194305 bytes) is not a multiple "
                                              "of the 2-byte instruction length; the last byte "
                                              "is not listed\n"
                                        : "");
            }
        }
    }
}

// A sparse file of 4 GiB + 3 bytes: its size is not cut to the 3 bytes of its
// low 32 bits. The reader stops after the first rows (listing it all would
// take seconds); the warning names the whole size.
TEST_F(SorrelDisTest, HugeFileIsNotCutToThirtyTwoBits) {
    const std::string path = (dir_ / "huge.bin").string();
    std::ofstream(path, std::ios::binary).put('\0');
    std::error_code ec;
    fs::resize_file(path, (std::uint64_t{1} << 32) + 3, ec);
    if (ec) {
        GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file";
    }
    RunOptions options;
    options.closeOutputAfter = 4096;
    const Result r = RunDis({"--raw", path}, options);
    EXPECT_EQ(r.status, 1);  // the output was closed before the end
    EXPECT_EQ(r.out.rfind("0000h\t0000000000000000\tnop  \n0001h\t", 0), 0u);
    EXPECT_GT(std::count(r.out.begin(), r.out.end(), '\n'), 10);
    EXPECT_NE(r.err.find("the length (4294967299 bytes)"), std::string::npos) << r.err;
}

TEST_F(SorrelDisTest, WriteErrorIsReported) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    RunOptions options;
    options.outputPath = "/dev/full";
    const Result r = RunDis({"--raw", write("raw.bin", Bytes(RawWords))}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "sorrel-dis: cannot write the listing: No space left on device\n");
}

}  // namespace
