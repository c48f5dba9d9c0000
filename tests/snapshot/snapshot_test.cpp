// The snapshot of an image on real files in a temporary folder: read whole,
// refused when too large or not a regular file, a file that shrinks while
// read, the promise never to change what it reads; and the read in pieces
// with its progress and its stop.
#include "image_snapshot.h"
#include "image_test_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <semaphore>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using sorrel::ImageData;
using sorrel::ImageError;
using sorrel::ImageFile;
using Kind = sorrel::ImageError::Kind;
using Outcome = sorrel::SnapshotRead::Outcome;

namespace {

class SnapshotTest : public ImageTestFolder {
  protected:
    static ImageFile open(const std::string& path) {
        return ImageFile::open(path, ImageFile::Accept::RegularFile);
    }

    // A sparse file of 4 GiB + 2 bytes; empty when the file system cannot
    // hold one.
    std::string hugeFile() {
        const std::string path = (dir_ / "huge.bin").string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        const bool sized = fd >= 0 && ftruncate(fd, (off_t{1} << 32) + 2) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        return sized ? path : std::string();
    }
};

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    }
    return bytes;
}

std::vector<std::uint8_t> BytesOf(const ImageData& image) {
    return std::vector<std::uint8_t>(image.data(), image.data() + image.size());
}

TEST_F(SnapshotTest, ReadsARegularFileWhole) {
    const std::vector<std::uint8_t> bytes = Pattern(300000);
    const std::string path = write("image.bin", bytes);
    const ImageData image = ImageData::read(path);
    ASSERT_EQ(image.size(), bytes.size());
    EXPECT_EQ(BytesOf(image), bytes);
}

TEST_F(SnapshotTest, ReadsAnEmptyFile) {
    const std::string path = write("empty.bin", {});
    EXPECT_EQ(ImageData::read(path).size(), 0u);
}

TEST_F(SnapshotTest, ReadsAnAlreadyOpenFile) {
    const std::string path = write("five.bin", {1, 2, 3, 4, 5});
    ImageFile file = open(path);
    const ImageData image = ImageData::read(file);
    ASSERT_EQ(image.size(), 5u);
    EXPECT_EQ(image[4], 5);
}

// The size is taken at open; a file cut short before the read is an error,
// not a listing padded with bytes that the file never held. Read in pieces,
// the error counts the bytes of the whole file.
TEST_F(SnapshotTest, AFileCutShortAfterOpenIsAShortRead) {
    for (const std::size_t piece : {sorrel::SnapshotPieceSize, std::size_t{256}}) {
        SCOPED_TRACE(piece);
        const std::string path = write("cut.bin", std::vector<std::uint8_t>(1000, 0x55));
        ImageFile file = open(path);
        fs::resize_file(path, 600);
        sorrel::ReadControl control;
        control.pieceSize = piece;
        const ImageError e = thrown([&] { sorrel::ReadSnapshot(file, control); });
        EXPECT_EQ(e.kind(), Kind::ShortRead);
        EXPECT_EQ(e.reason(), "the file ended after 600 of 1000 bytes");
    }
}

// Only regular files are read into a snapshot: by name, what is not one is
// refused as CannotOpen at once; a stream already open is a caller's error.
TEST_F(SnapshotTest, ReadsOnlyRegularFiles) {
    const std::string folder = (dir_ / "folder").string();
    fs::create_directory(folder);
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path :
         {(dir_ / "missing.bin").string(), folder, fifo, std::string("/dev/zero"), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(thrown([&] { ImageData::read(path); }).kind(), Kind::CannotOpen);
    }
    ImageFile stream = ImageFile::open("/dev/zero", ImageFile::Accept::RegularFileOrStream);
    EXPECT_THROW(sorrel::ReadSnapshot(stream), std::invalid_argument);
}

// A file past the limit is refused before anything is allocated or read:
// ImageData::read with a caller's limit, and a snapshot, past 4 GiB - 1.
TEST_F(SnapshotTest, RefusesAFileLargerThanTheLimit) {
    const std::string path = hugeFile();
    if (path.empty()) {
        GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file";
    }
    const ImageError e = thrown([&] { ImageData::read(path, 0xFFFFFFFFu); });
    EXPECT_EQ(e.kind(), Kind::TooLarge);
    EXPECT_EQ(e.reason(), "4294967298 bytes, more than the limit of 4294967295 bytes");
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);

    ImageFile file = open(path);
    EXPECT_EQ(thrown([&] { sorrel::ReadSnapshot(file); }).kind(), Kind::TooLarge);
}

TEST_F(SnapshotTest, ReadingChangesNothing) {
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

// The read in pieces: progress after each piece with the bytes read so far,
// the same bytes as one read, whatever the piece size.
TEST_F(SnapshotTest, ReadsInPiecesWithProgress) {
    const std::vector<std::uint8_t> bytes = Pattern(2500);
    const std::string path = write("pieces.bin", bytes);
    struct Case {
        std::size_t piece;
        std::vector<std::uint64_t> progress;
    };
    const Case cases[] = {
        {1000, {1000, 2000, 2500}},
        {2500, {2500}},
        {sorrel::SnapshotPieceSize, {2500}},
        {1, {}},  // every byte a piece: 2500 reports, checked by their count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.piece);
        ImageFile file = open(path);
        std::vector<std::uint64_t> seen;
        sorrel::ReadControl control;
        control.pieceSize = c.piece;
        control.progress = [&seen](std::uint64_t done, std::uint64_t size) {
            EXPECT_EQ(size, 2500u);
            seen.push_back(done);
        };
        const sorrel::SnapshotRead read = sorrel::ReadSnapshot(file, control);
        EXPECT_EQ(read.outcome, Outcome::Complete);
        EXPECT_FALSE(read.cancelled());
        ASSERT_NE(read.image, nullptr);
        EXPECT_EQ(BytesOf(*read.image), bytes);
        if (c.progress.empty()) {
            EXPECT_EQ(seen.size(), 2500u);
            EXPECT_EQ(seen.back(), 2500u);
        } else {
            EXPECT_EQ(seen, c.progress);
        }
    }
    // An empty file has no piece to report.
    ImageFile empty = open(write("empty.bin", {}));
    int calls = 0;
    const sorrel::SnapshotRead read =
        sorrel::ReadSnapshot(empty, {{}, [&calls](std::uint64_t, std::uint64_t) { ++calls; }});
    ASSERT_NE(read.image, nullptr);
    EXPECT_EQ(read.image->size(), 0u);
    EXPECT_EQ(calls, 0);
}

// A stop asked for before the read, or while it runs (here from the
// progress report, as from another thread), ends it after the piece in hand:
// the outcome is Cancelled, with no image and nothing thrown.
TEST_F(SnapshotTest, StopsWhenAsked) {
    const std::string path = write("stop.bin", Pattern(4000));
    struct Case {
        const char* name;
        int stopAfterPieces;  // 0: asked before the read
        std::vector<std::uint64_t> progress;
    };
    const Case cases[] = {
        {"before the read", 0, {}},
        {"after the first piece", 1, {1000}},
        {"after the last piece", 4, {1000, 2000, 3000, 4000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageFile file = open(path);
        std::stop_source stop;
        if (c.stopAfterPieces == 0) {
            stop.request_stop();
        }
        std::vector<std::uint64_t> seen;
        sorrel::ReadControl control;
        control.stop = stop.get_token();
        control.pieceSize = 1000;
        control.progress = [&](std::uint64_t done, std::uint64_t) {
            seen.push_back(done);
            if (static_cast<int>(seen.size()) == c.stopAfterPieces) {
                stop.request_stop();
            }
        };
        sorrel::SnapshotRead read;
        EXPECT_NO_THROW(read = sorrel::ReadSnapshot(file, control));
        EXPECT_EQ(read.outcome, Outcome::Cancelled);
        EXPECT_TRUE(read.cancelled());
        EXPECT_EQ(read.image, nullptr);
        EXPECT_EQ(seen, c.progress);
    }
}

// The reader as the windows will run it: on a thread of its own, stopped
// from this one while it is between pieces.
TEST_F(SnapshotTest, StopsWhenAskedFromAnotherThread) {
    ImageFile file = open(write("thread.bin", Pattern(4000)));
    std::binary_semaphore firstPiece(0), stopAsked(0);
    std::vector<std::uint64_t> seen;
    sorrel::SnapshotRead read;
    std::jthread reader([&](std::stop_token stop) {
        sorrel::ReadControl control;
        control.stop = stop;
        control.pieceSize = 1000;
        control.progress = [&](std::uint64_t done, std::uint64_t) {
            seen.push_back(done);
            if (seen.size() == 1) {
                firstPiece.release();
                stopAsked.acquire();
            }
        };
        read = sorrel::ReadSnapshot(file, control);
    });
    firstPiece.acquire();
    reader.request_stop();
    stopAsked.release();
    reader.join();
    EXPECT_TRUE(read.cancelled());
    EXPECT_EQ(read.image, nullptr);
    EXPECT_EQ(seen, std::vector<std::uint64_t>{1000});
}

// The plain form is the read in pieces without a stop: the same snapshot.
TEST_F(SnapshotTest, PlainSnapshotHoldsTheFile) {
    const std::vector<std::uint8_t> bytes = Pattern(70001);
    ImageFile file = open(write("plain.bin", bytes));
    const std::shared_ptr<const ImageData> image = sorrel::ReadSnapshot(file);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(BytesOf(*image), bytes);
}

}  // namespace
