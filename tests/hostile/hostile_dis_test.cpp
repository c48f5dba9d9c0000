// Hostile files given to sorrel-dis, a real process, in each of its three
// modes: by name it lists regular files, reads a FIFO or character device as
// a stream to its end as "-" does, and refuses the rest at once with the
// system's reason; "-" reads whatever standard input is as a stream.
// A file too large to read through is listed with its whole size, and a file
// that shrinks while listed is an error, never a shorter listing and status 0.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "hostile_support.h"

namespace hostile {
namespace {

namespace fs = std::filesystem;

const std::vector<std::vector<std::string>> Modes = {{}, {"--raw"}, {"--bytes"}};

std::string ModeName(const std::vector<std::string>& mode) {
    return mode.empty() ? "header" : mode[0];
}

std::vector<std::string> Args(std::vector<std::string> mode, const std::string& file) {
    mode.push_back(file);
    return mode;
}

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "sorrel-hostile-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

enum class Hostile {
    Missing,
    Directory,
    Fifo,  // no writer, or one that opens it after the lister
    DevZero,
    DevNull,
    Empty,
    OneByte,
    FourGiBAndTwo,  // sparse; its low 32 bits of size are 2
    Unreadable,
};

enum class Listing {
    Nothing,
    ZeroRows,  // rows of zero bytes, more than the low 32 bits of the size hold; read in part
    OneByte,   // the byte 81h: no word, one byte row
};

struct DisCase {
    const char* name;
    Hostile kind;
    bool asStandardInput;  // given as "-" with the file as standard input
    int status;
    const char* refusal;  // the system's reason for refusing it by name, or none
    Listing listing;
};

void PrintTo(const DisCase& c, std::ostream* out) {
    *out << c.name;
}

const DisCase Cases[] = {
    {"Missing", Hostile::Missing, false, 1, "No such file or directory", Listing::Nothing},
    {"Directory", Hostile::Directory, false, 1, "Is a directory", Listing::Nothing},
    // By name it is a stream, opened without waiting; the first read waits
    // for a writer, which here opens it after the lister and writes 81h.
    {"FifoByName", Hostile::Fifo, false, 0, nullptr, Listing::OneByte},
    // As standard input (opened without waiting) it is a stream: with no
    // writer it ends at once.
    {"FifoAsStandardInput", Hostile::Fifo, true, 0, nullptr, Listing::Nothing},
    // An endless stream, listed until the reader goes away (status 1, no message).
    {"DevZeroByName", Hostile::DevZero, false, 1, nullptr, Listing::ZeroRows},
    {"DevZeroAsStandardInput", Hostile::DevZero, true, 1, nullptr, Listing::ZeroRows},
    {"DevNullByName", Hostile::DevNull, false, 0, nullptr, Listing::Nothing},
    {"DevNullAsStandardInput", Hostile::DevNull, true, 0, nullptr, Listing::Nothing},
    {"Empty", Hostile::Empty, false, 0, nullptr, Listing::Nothing},
    {"OneByte", Hostile::OneByte, false, 0, nullptr, Listing::OneByte},
    // Read in part, then the reader goes away: status 1 without a message.
    {"SparseFourGiBAndTwo", Hostile::FourGiBAndTwo, false, 1, nullptr, Listing::ZeroRows},
    {"WithoutReadPermission", Hostile::Unreadable, false, 1, "Permission denied", Listing::Nothing},
};

// Opens the FIFO for writing once a reader has it open (trying for at most
// 10 seconds, so that it never waits for ever), waits a little and writes
// bytes.
void WriteLateToFifo(const std::string& path, const std::string& bytes) {
    std::this_thread::sleep_for(200ms);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    int fd = -1;
    while (fd < 0 && std::chrono::steady_clock::now() < deadline) {
        fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(fd, 0) << "sorrel-dis never opened the FIFO";
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

class HostileDisTest : public ::testing::TestWithParam<DisCase> {
  protected:
    // Makes the file; empty when the case cannot be made here.
    std::string make(Hostile kind) {
        const std::string path = folder_ / "hostile.bin";
        switch (kind) {
            case Hostile::Missing:
                return path;
            case Hostile::Directory:
                fs::create_directory(path);
                return path;
            case Hostile::Fifo:
                EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
                return path;
            case Hostile::DevZero:
                return "/dev/zero";
            case Hostile::DevNull:
                return "/dev/null";
            case Hostile::Empty:
                WriteWhole(path, "");
                return path;
            case Hostile::OneByte:
                WriteWhole(path, "\x81");
                return path;
            case Hostile::FourGiBAndTwo:
                return MakeSparseFile(path, (std::uint64_t{1} << 32) + 2) ? path : std::string();
            case Hostile::Unreadable:
                WriteWhole(path, std::string(4, '\0'));
                fs::permissions(path, fs::perms::none);
                return ReadsAnyFile(path) ? std::string() : path;
        }
        return {};
    }

    // The listing of zero bytes in a mode, long enough to compare a part of
    // any zero listing with.
    std::string zeroListing(const std::vector<std::string>& mode) {
        const std::string path = folder_ / "zeros.bin";
        if (!fs::exists(path)) {
            EXPECT_TRUE(MakeSparseFile(path, 65536));
        }
        const DisResult r = RunDis(Args(mode, path));
        EXPECT_EQ(r.status, 0);
        return r.out;
    }

    TempFolder folder_;
};

TEST_P(HostileDisTest, HasOneClearOutcomeInEveryMode) {
    const DisCase& c = GetParam();
    const std::string path = make(c.kind);
    if (path.empty()) {
        GTEST_SKIP() << "this case cannot be made here (running as root, or no sparse files)";
    }
    for (const std::vector<std::string>& mode : Modes) {
        SCOPED_TRACE(ModeName(mode));
        const bool words = mode.empty() || mode[0] != "--bytes";
        // A FIFO given as standard input is opened without waiting for a
        // writer (a shell would wait); the devices as a shell opens them.
        int input = -1;
        if (c.asStandardInput) {
            const int nonBlocking = c.kind == Hostile::Fifo ? O_NONBLOCK : 0;
            input = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | nonBlocking);
            ASSERT_GE(input, 0);
        }
        // A FIFO by name gets its writer only after the lister has opened it.
        std::thread writer;
        if (c.kind == Hostile::Fifo && !c.asStandardInput) {
            writer = std::thread(WriteLateToFifo, path, std::string("\x81"));
        }
        const std::size_t closeAfter = c.listing == Listing::ZeroRows ? 65536 : SIZE_MAX;
        const DisResult r = RunDis(Args(mode, c.asStandardInput ? "-" : path), input, closeAfter);
        if (input >= 0) {
            ::close(input);
        }
        if (writer.joinable()) {
            const Watchdog watchdog("the writer of the FIFO", 30s);
            writer.join();
        }
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.status, c.status);

        std::string err;
        if (c.refusal != nullptr) {
            err = "sorrel-dis: cannot open '" + path + "': " + c.refusal + "\n";
        } else if (c.listing == Listing::OneByte && words) {
            err = "sorrel-dis: warning: " + path +
                  ": the length (1 byte) is not a multiple of the 2-byte instruction length; "
                  "the last byte is not listed\n";
        }
        EXPECT_EQ(r.err, err);

        switch (c.listing) {
            case Listing::Nothing:
                EXPECT_EQ(r.out, "");
                break;
            case Listing::OneByte:
                EXPECT_EQ(r.out, words ? "" : "0000(0)\t0000\t10000001\n");
                break;
            case Listing::ZeroRows: {
                // Far more rows than the 1 word or 2 bytes of the low 32 bits of
                // 4 GiB + 2, and the rows of zero bytes from row 0 on.
                EXPECT_GE(r.out.size(), 65536u);
                EXPECT_GT(std::count(r.out.begin(), r.out.end(), '\n'), 1000);
                const std::string zeros = zeroListing(mode);
                const std::size_t n = std::min(r.out.size(), zeros.size());
                EXPECT_TRUE(r.out.compare(0, n, zeros, 0, n) == 0)
                    << r.out.substr(0, 200) << "\n...";
                break;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileDisTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<DisCase>& info) {
                             return std::string(info.param.name);
                         });

// A file of 256 MiB cut to 1 MiB while it is listed (its reader is slow, so
// the lister is still near its start): status 1 and a message that names the
// file and where it ended, after the rows of what was there.
TEST(HostileDisShrinkTest, FileThatShrinksWhileListedIsAnError) {
    TempFolder folder;
    constexpr std::uint64_t Before = std::uint64_t{256} << 20;
    constexpr std::uint64_t After = std::uint64_t{1} << 20;
    const std::string reference = folder / "one-mib.bin";
    ASSERT_TRUE(MakeSparseFile(reference, After));
    for (const std::vector<std::string>& mode : Modes) {
        SCOPED_TRACE(ModeName(mode));
        const std::string path = folder / "shrinks.bin";
        ASSERT_TRUE(MakeSparseFile(path, Before));
        DisProcess dis(Args(mode, path));
        ASSERT_TRUE(dis.started());
        ASSERT_TRUE(dis.readOutput(1));
        ASSERT_TRUE(ResizeFile(path, After));
        dis.finish();
        EXPECT_FALSE(dis.timedOut);
        EXPECT_EQ(dis.signal, 0);
        EXPECT_EQ(dis.status, 1);
        EXPECT_EQ(dis.err, "sorrel-dis: cannot read '" + path + "': the file ended after " +
                               std::to_string(After) + " of " + std::to_string(Before) +
                               " bytes\n");
        // The rows of the bytes that were there, whole, and nothing made up.
        const DisResult expected = RunDis(Args(mode, reference));
        ASSERT_EQ(expected.status, 0);
        EXPECT_EQ(dis.out.size(), expected.out.size());
        EXPECT_TRUE(dis.out == expected.out);
    }
}

}  // namespace
}  // namespace hostile
