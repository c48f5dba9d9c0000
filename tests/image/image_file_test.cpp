// The image reader on real files in a temporary folder: regular files, the
// kinds it must refuse without blocking, sizes past 32 bits, and the promise
// never to change what it reads.
#include "image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using sorrel::ImageData;
using sorrel::ImageError;
using sorrel::ImageFile;
using Kind = sorrel::ImageError::Kind;

namespace {

class ImageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sorrel-image-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Runs f, which must throw ImageError, and gives it back.
    template <typename F>
    static ImageError thrown(F&& f) {
        try {
            f();
        } catch (const ImageError& e) {
            return e;
        }
        ADD_FAILURE() << "no ImageError was thrown";
        return ImageError(Kind::CannotOpen, "", "");
    }

    fs::path dir_;
};

TEST_F(ImageFileTest, ReadsARegularFileWhole) {
    std::vector<std::uint8_t> bytes(300000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    }
    const std::string path = write("image.bin", bytes);

    const ImageFile file = ImageFile::open(path);
    EXPECT_EQ(file.size(), bytes.size());
    EXPECT_EQ(file.path(), path);

    const ImageData image = ImageData::read(path);
    ASSERT_EQ(image.size(), bytes.size());
    EXPECT_EQ(std::vector<std::uint8_t>(image.data(), image.data() + image.size()), bytes);
}

TEST_F(ImageFileTest, ReadsAnEmptyFile) {
    const std::string path = write("empty.bin", {});
    EXPECT_EQ(ImageFile::open(path).size(), 0u);
    EXPECT_EQ(ImageData::read(path).size(), 0u);
}

TEST_F(ImageFileTest, ReadsAnAlreadyOpenFile) {
    const std::string path = write("five.bin", {1, 2, 3, 4, 5});
    ImageFile file = ImageFile::open(path);
    const ImageData image = ImageData::read(file);
    ASSERT_EQ(image.size(), 5u);
    EXPECT_EQ(image[4], 5);
}

// The size is taken at open; a file cut short before the read is an error,
// not a listing padded with bytes that the file never held.
TEST_F(ImageFileTest, AFileCutShortAfterOpenIsAShortRead) {
    const std::string path = write("cut.bin", std::vector<std::uint8_t>(1000, 0x55));
    ImageFile file = ImageFile::open(path);
    fs::resize_file(path, 600);
    const ImageError e = thrown([&] { ImageData::read(file); });
    EXPECT_EQ(e.kind(), Kind::ShortRead);
    EXPECT_EQ(e.reason(), "the file ended after 600 of 1000 bytes");
}

TEST_F(ImageFileTest, ReadExactlyReportsAnEarlyEnd) {
    const std::string path = write("short.bin", {1, 2, 3});
    ImageFile file = ImageFile::open(path);
    std::uint8_t buffer[8];
    const ImageError e = thrown([&] { file.readExactly(buffer, 8); });
    EXPECT_EQ(e.kind(), Kind::ShortRead);
    EXPECT_EQ(e.reason(), "the file ended after 3 of 8 bytes");
    EXPECT_EQ(std::string(e.what()),
              "cannot read '" + path + "': the file ended after 3 of 8 bytes");
}

TEST_F(ImageFileTest, ReadSomeStopsAtTheEnd) {
    const std::string path = write("two.bin", {0xAA, 0xBB});
    ImageFile file = ImageFile::open(path);
    std::uint8_t buffer[16];
    EXPECT_EQ(file.readSome(buffer, sizeof buffer), 2u);
    EXPECT_EQ(file.readSome(buffer, sizeof buffer), 0u);
}

// Everything that is not an existing regular file is refused as CannotOpen,
// at once, with the system's reason and the file's name in the message.
TEST_F(ImageFileTest, RefusesWhatIsNotAnExistingRegularFile) {
    const std::string missing = (dir_ / "missing.bin").string();
    const std::string folder = (dir_ / "folder").string();
    fs::create_directory(folder);
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {missing, "No such file or directory"},
        {folder, "Is a directory"},
        {fifo, "not a regular file"},  // no writer: a blocking open would hang here
        {"/dev/null", "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {"", "no file name given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto start = std::chrono::steady_clock::now();
        const ImageError e = thrown([&] { ImageFile::open(c.path); });
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(e.kind(), Kind::CannotOpen);
        EXPECT_EQ(e.path(), c.path);
        EXPECT_EQ(e.reason(), c.reason);
        EXPECT_EQ(std::string(e.what()), "cannot open '" + c.path + "': " + c.reason);
        EXPECT_EQ(thrown([&] { ImageData::read(c.path); }).kind(), Kind::CannotOpen);
    }
    EXPECT_FALSE(fs::exists(missing)) << "opening must never create a file";
}

TEST_F(ImageFileTest, RefusesAFileWithoutReadPermission) {
    const std::string path = write("secret.bin", {1, 2});
    fs::permissions(path, fs::perms::none);
    try {
        ImageFile::open(path);
        GTEST_SKIP() << "running with permission to read any file (root)";
    } catch (const ImageError& e) {
        EXPECT_EQ(e.kind(), Kind::CannotOpen);
        EXPECT_EQ(e.reason(), "Permission denied");
    }
}

// A sparse file of 4 GiB + 2 bytes: the size is taken in 64 bits, never
// wrapped to the 2 bytes of its low 32 bits, and a caller's limit refuses it
// before anything is allocated or read.
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

    EXPECT_EQ(ImageFile::open(path).size(), 4294967298u);
    const ImageError e = thrown([&] { ImageData::read(path, 0xFFFFFFFFu); });
    EXPECT_EQ(e.kind(), Kind::TooLarge);
    EXPECT_EQ(e.reason(), "4294967298 bytes, more than the limit of 4294967295 bytes");
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
}

TEST_F(ImageFileTest, ReadingChangesNothing) {
    const std::vector<std::uint8_t> bytes = {0x34, 0x12, 0xB9, 0x11, 0xFF};
    const std::string path = write("keep.bin", bytes);
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};  // atime, mtime in 2001
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    const auto before = fs::last_write_time(path);
    const auto permsBefore = fs::status(path).permissions();

    for (int i = 0; i < 2; ++i) {
        const ImageData image = ImageData::read(path);
        EXPECT_EQ(image.size(), bytes.size());
    }

    EXPECT_EQ(fs::last_write_time(path), before);
    EXPECT_EQ(fs::status(path).permissions(), permsBefore);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> after((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    EXPECT_EQ(after, bytes);
}

TEST_F(ImageFileTest, MovedFileKeepsItsDescriptor) {
    const std::string path = write("move.bin", {7, 8, 9});
    ImageFile a = ImageFile::open(path);
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
    ImageFile file = ImageFile::fromDescriptor(fds[0], "pipe");  // owns and closes fds[0]
    EXPECT_EQ(file.size(), 0u);
    std::uint8_t buffer[16];
    std::size_t total = 0;
    while (std::size_t got = file.readSome(buffer + total, sizeof buffer - total)) {
        total += got;
    }
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), total), "abcdef");
}

}  // namespace
