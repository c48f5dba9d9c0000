// Saving a listing, below the windows: which image bytes a run of rows shows
// (up to an image of 4 GiB - 1 bytes), and writes to a descriptor that fail
// or are stopped. That the text is sorrel-dis's own is checked through the
// windows, against the real sorrel-dis.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stop_token>
#include <system_error>

#include "image_file.h"
#include "listing_mode.h"
#include "listing_writer.h"
#include "temporary_folder.h"

namespace sorrel {
namespace {

constexpr std::uint64_t FourGiBLess1 = 0xFFFFFFFFu;

TEST(ListingExport, RowsAreWholeWordsOrBytesUpToFourGiBLessOne) {
    struct Case {
        ListingMode mode;
        std::uint64_t imageSize;
        std::uint64_t rows;
    };
    const Case counts[] = {
        {ListingMode::Header, 0, 0},
        {ListingMode::Header, 1, 0},
        {ListingMode::Raw, 5, 2},
        {ListingMode::Bytes, 5, 5},
        {ListingMode::Header, FourGiBLess1, 0x7FFFFFFFu},
        {ListingMode::Bytes, FourGiBLess1, FourGiBLess1},
    };
    for (const Case& c : counts) {
        EXPECT_EQ(ListingRowCount(c.mode, c.imageSize), c.rows) << c.imageSize;
    }

    struct SpanCase {
        ListingMode mode;
        std::uint64_t first;
        std::uint64_t count;
        ListingSpan span;
    };
    const SpanCase spans[] = {
        {ListingMode::Header, 0, 3, {0, 6}},
        {ListingMode::Raw, 256, 2, {512, 4}},
        {ListingMode::Bytes, 7, 2, {7, 2}},
        // The last rows of the largest images, past 32 bits of offset.
        {ListingMode::Header, 0x7FFFFFFEu, 1, {0xFFFFFFFCu, 2}},
        {ListingMode::Bytes, 0, FourGiBLess1, {0, FourGiBLess1}},
        {ListingMode::Raw, 0, 0x7FFFFFFFu, {0, 0xFFFFFFFEu}},
    };
    for (const SpanCase& c : spans) {
        EXPECT_EQ(RowSpan(c.mode, c.first, c.count), c.span) << c.first << " +" << c.count;
    }
}

// An image of count words 0, 1, 2 ...
std::shared_ptr<const ImageData> CountingImage(const TemporaryFolder& dir, int count) {
    const std::string path = dir.path("image.bin");
    {
        std::ofstream file(path, std::ios::binary);
        for (int i = 0; i < count; ++i) {
            const char word[2] = {static_cast<char>(i & 0xFF), static_cast<char>(i >> 8)};
            file.write(word, 2);
        }
    }
    ImageFile image = ImageFile::open(path, ImageFile::Accept::RegularFile);
    return ReadSnapshot(image);
}

TEST(ListingExport, AWriteThatFailsThrowsTheSystemsReason) {
    const TemporaryFolder dir;
    const std::shared_ptr<const ImageData> image = CountingImage(dir, 4096);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    try {
        WriteListing(full, ListingDocument(image, ListingMode::Raw, "image.bin"),
                     {0, image->size()}, {}, {});
        ADD_FAILURE() << "a write to /dev/full succeeded";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ENOSPC);
    }
    ::close(full);
}

TEST(ListingExport, AStoppedWriteEndsEarlyWithoutAWord) {
    const TemporaryFolder dir;
    const std::shared_ptr<const ImageData> image = CountingImage(dir, 4096);
    const std::string out = dir.path("out.txt");
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(WriteListing(fd, ListingDocument(image, ListingMode::Header, "image.bin"),
                              {0, image->size()}, stop.get_token(), {}));
    ::close(fd);
    EXPECT_EQ(std::filesystem::file_size(out), 0u);
}

}  // namespace
}  // namespace sorrel
