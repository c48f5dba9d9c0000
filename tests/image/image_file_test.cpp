// The image reader on real files in a temporary folder: regular files, the
// kinds it must refuse without blocking, streams for those who accept them,
// sizes past 32 bits; and the POSIX loops beneath it.
#include "image_file.h"
#include "image_test_folder.h"
#include "posix_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using sorrel::ImageError;
using sorrel::ImageFile;
using Kind = sorrel::ImageError::Kind;
using Accept = sorrel::ImageFile::Accept;
constexpr Accept RegularFile = Accept::RegularFile;

namespace {

// A block device this process may open, or empty when there is none.
std::string ReadableBlockDevice() {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev", ec)) {
        struct stat st {};
        const std::string path = entry.path().string();
        if (stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
            access(path.c_str(), R_OK) == 0) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
                return path;
            }
        }
    }
    return {};
}

using ImageFileTest = ImageTestFolder;

TEST_F(ImageFileTest, ReadsARegularFileWhole) {
    std::vector<std::uint8_t> bytes(300000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    }
    const std::string path = write("image.bin", bytes);

    ImageFile file = ImageFile::open(path, RegularFile);
    EXPECT_EQ(file.size(), bytes.size());
    EXPECT_EQ(file.path(), path);
    EXPECT_FALSE(file.isStream());

    std::vector<std::uint8_t> read(bytes.size());
    file.readExactly(read.data(), read.size());
    EXPECT_EQ(read, bytes);
}

TEST_F(ImageFileTest, ReadsAnEmptyFile) {
    const std::string path = write("empty.bin", {});
    EXPECT_EQ(ImageFile::open(path, RegularFile).size(), 0u);
}

TEST_F(ImageFileTest, ReadExactlyReportsAnEarlyEnd) {
    const std::string path = write("short.bin", {1, 2, 3});
    ImageFile file = ImageFile::open(path, RegularFile);
    std::uint8_t buffer[8];
    const ImageError e = thrown([&] { file.readExactly(buffer, 8); });
    EXPECT_EQ(e.kind(), Kind::ShortRead);
    EXPECT_EQ(e.reason(), "the file ended after 3 of 8 bytes");
    EXPECT_EQ(std::string(e.what()),
              "cannot read '" + path + "': the file ended after 3 of 8 bytes");
}

TEST_F(ImageFileTest, ReadSomeStopsAtTheEnd) {
    const std::string path = write("two.bin", {0xAA, 0xBB});
    ImageFile file = ImageFile::open(path, RegularFile);
    std::uint8_t buffer[16];
    EXPECT_EQ(file.readSome(buffer, sizeof buffer), 2u);
    EXPECT_EQ(file.readSome(buffer, sizeof buffer), 0u);
}

// Opened as a regular file only, everything that is not an existing regular
// file is refused as CannotOpen, at once, with the system's reason and the
// file's name in the message. Opened with streams accepted, a FIFO and a
// character device open at once as streams, and the rest is still refused.
TEST_F(ImageFileTest, RefusesWhatIsNotAnExistingRegularFile) {
    const std::string missing = (dir_ / "missing.bin").string();
    const std::string folder = (dir_ / "folder").string();
    fs::create_directory(folder);
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        std::string path;
        std::string reason;
        std::string streamReason;  // with streams accepted; empty: opened as a stream
    };
    std::vector<Case> cases = {
        {missing, "No such file or directory", "No such file or directory"},
        {folder, "Is a directory", "Is a directory"},
        {fifo, "not a regular file", ""},  // no writer: a blocking open would hang here
        {"/dev/null", "not a regular file", ""},
        {"/dev/zero", "not a regular file", ""},
        {"", "no file name given", "no file name given"},
    };
    if (const std::string device = ReadableBlockDevice(); !device.empty()) {
        cases.push_back(
            {device, "not a regular file", "not a regular file, pipe or character device"});
    }
    for (const Case& c : cases) {
        for (const Accept accept : {RegularFile, Accept::RegularFileOrStream}) {
            SCOPED_TRACE(c.path + (accept == RegularFile ? " (regular file)" : " (or stream)"));
            const std::string& reason = accept == RegularFile ? c.reason : c.streamReason;
            const auto start = std::chrono::steady_clock::now();
            if (reason.empty()) {
                const ImageFile file = ImageFile::open(c.path, accept);
                EXPECT_TRUE(file.isStream());
                EXPECT_EQ(file.size(), 0u);
            } else {
                const ImageError e = thrown([&] { ImageFile::open(c.path, accept); });
                EXPECT_EQ(e.kind(), Kind::CannotOpen);
                EXPECT_EQ(e.path(), c.path);
                EXPECT_EQ(e.reason(), reason);
                EXPECT_EQ(std::string(e.what()), "cannot open '" + c.path + "': " + reason);
            }
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        }
    }
    EXPECT_FALSE(fs::exists(missing)) << "opening must never create a file";
}

// A FIFO opened by name reads as ended until a writer opens it; the first
// read waits for one, as cat's open would, and then reads what it writes.
TEST_F(ImageFileTest, FifoByNameWaitsForItsWriter) {
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ImageFile file = ImageFile::open(fifo, Accept::RegularFileOrStream);
    std::thread writer([&fifo] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0) << "the reader has gone";
        EXPECT_EQ(::write(fd, "abc", 3), 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(::write(fd, "de", 2), 2);
        ::close(fd);
    });
    std::string text;
    std::uint8_t buffer[16];
    while (const std::size_t got = file.readSome(buffer, sizeof buffer)) {
        text.append(reinterpret_cast<const char*>(buffer), got);
    }
    writer.join();
    EXPECT_EQ(text, "abcde");
}

TEST_F(ImageFileTest, RefusesAFileWithoutReadPermission) {
    const std::string path = write("secret.bin", {1, 2});
    fs::permissions(path, fs::perms::none);
    try {
        ImageFile::open(path, RegularFile);
        GTEST_SKIP() << "running with permission to read any file (root)";
    } catch (const ImageError& e) {
        EXPECT_EQ(e.kind(), Kind::CannotOpen);
        EXPECT_EQ(e.reason(), "Permission denied");
    }
}

// A sparse file of 4 GiB + 2 bytes: the size is taken in 64 bits, never
// wrapped to the 2 bytes of its low 32 bits.
TEST_F(ImageFileTest, SizeIsSixtyFourBits) {
    const std::string path = (dir_ / "huge.bin").string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    const std::uint64_t size = (std::uint64_t{1} << 32) + 2;
    const bool sized = ftruncate(fd, static_cast<off_t>(size)) == 0;
    ::close(fd);
    if (!sized) {
        GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file";
    }

    EXPECT_EQ(ImageFile::open(path, RegularFile).size(), 4294967298u);
}

TEST_F(ImageFileTest, MovedFileKeepsItsDescriptor) {
    const std::string path = write("move.bin", {7, 8, 9});
    ImageFile a = ImageFile::open(path, RegularFile);
    ImageFile b = std::move(a);
    std::uint8_t buffer[3];
    b.readExactly(buffer, 3);
    EXPECT_EQ(buffer[2], 9);
    EXPECT_EQ(b.size(), 3u);
}

TEST_F(ImageFileTest, ReadsAPipeThroughItsDescriptor) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const char text[] = "abcdef";
    ASSERT_EQ(::write(fds[1], text, 6), 6);
    ::close(fds[1]);
    ImageFile file = ImageFile::fromDescriptor(sorrel::FileDescriptor::owned(fds[0]), "pipe");
    EXPECT_EQ(file.size(), 0u);
    EXPECT_TRUE(file.isStream());
    std::uint8_t buffer[16];
    std::size_t total = 0;
    while (std::size_t got = file.readSome(buffer + total, sizeof buffer - total)) {
        total += got;
    }
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), total), "abcdef");
}

// The POSIX loops beneath the reader and sorrel-dis.

// Owned descriptors are closed with their holder, borrowed ones never; a
// moved-from holder closes nothing.
TEST(FileDescriptorTest, ClosesOnlyWhatItOwns) {
    const auto isOpen = [](int fd) { return fcntl(fd, F_GETFD) != -1; };
    for (const bool owned : {true, false}) {
        SCOPED_TRACE(owned ? "owned" : "borrowed");
        const int raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(raw, 0);
        {
            sorrel::FileDescriptor outer;
            {
                sorrel::FileDescriptor inner = owned ? sorrel::FileDescriptor::owned(raw)
                                                     : sorrel::FileDescriptor::borrowed(raw);
                EXPECT_EQ(inner.owns(), owned);
                outer = std::move(inner);
                EXPECT_FALSE(inner.valid());
            }
            EXPECT_TRUE(isOpen(raw));
            EXPECT_EQ(outer.get(), raw);
        }
        EXPECT_EQ(isOpen(raw), !owned);
        if (!owned) {
            ::close(raw);
        }
    }
}

// A pipe whose reading end does not block: ReadSome waits for the data.
TEST(PosixIoTest, ReadSomeWaitsOnANonBlockingDescriptor) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    std::thread writer([fd = fds[1]] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(::write(fd, "xyz", 3), 3);
    });
    char buffer[8];
    const sorrel::ReadResult got = sorrel::ReadSome(fds[0], buffer, sizeof buffer);
    writer.join();
    EXPECT_EQ(got.error, 0);
    EXPECT_EQ(std::string(buffer, got.bytes), "xyz");
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PosixIoTest, ReadSomeReportsTheSystemsError) {
    const int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    char buffer[8];
    const sorrel::ReadResult got = sorrel::ReadSome(fd, buffer, sizeof buffer);
    EXPECT_EQ(got.bytes, 0u);
    EXPECT_EQ(got.error, EISDIR);
    ::close(fd);
}

// Far more than a pipe holds, through a writing end that does not block and
// a slow reader: every byte arrives, in order.
TEST(PosixIoTest, WriteAllDeliversEverythingThroughANonBlockingPipe) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    std::string text(1 << 20, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>(i * 31 + (i >> 12));
    }
    std::string received;
    std::thread reader([&received, fd = fds[0]] {
        char buffer[4096];
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, -1);
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got == 0) {
                return;
            }
            if (got > 0) {
                received.append(buffer, static_cast<std::size_t>(got));
            }
        }
    });
    EXPECT_EQ(sorrel::WriteAll(fds[1], text), 0);
    ::close(fds[1]);
    reader.join();
    ::close(fds[0]);
    EXPECT_TRUE(received == text);
}

TEST(PosixIoTest, WriteAllReportsAReaderThatHasGone) {
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    ::close(fds[0]);
    EXPECT_EQ(sorrel::WriteAll(fds[1], "text"), EPIPE);
    ::close(fds[1]);
    std::signal(SIGPIPE, previous);
}

}  // namespace
