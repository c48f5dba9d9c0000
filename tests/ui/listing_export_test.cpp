// Saving a listing, below the windows: which image bytes a run of rows shows
// (up to an image of 4 GiB - 1 bytes), which targets a save refuses, and
// writes that fail or are stopped. That the text is sorrel-dis's own is
// checked through the windows, against the real sorrel-dis.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <stop_token>
#include <system_error>

#include "image_loader.h"
#include "listing_export.h"

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

TEST(ListingExport, TargetsThatAreAnImageOrNoRegularFileAreRefused) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto make = [&](const QString& name) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        return file.fileName();
    };
    const QString image = make(QStringLiteral("image.bin"));
    const QString current = make(QStringLiteral("current.bin"));
    const QString other = make(QStringLiteral("other.txt"));
    ASSERT_TRUE(QFile::link(image, dir.filePath(QStringLiteral("link.bin"))));
    ASSERT_EQ(::link(QFile::encodeName(image).constData(),
                     QFile::encodeName(dir.filePath(QStringLiteral("hard.bin"))).constData()),
              0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QStringList images = {image, current};

    struct Case {
        QString target;
        SaveTarget expected;
    };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("new.txt")), SaveTarget::New},
        {other, SaveTarget::Replaces},
        {image, SaveTarget::IsAnImage},
        {current, SaveTarget::IsAnImage},
        {dir.filePath(QStringLiteral("link.bin")), SaveTarget::IsAnImage},
        {dir.filePath(QStringLiteral("hard.bin")), SaveTarget::IsAnImage},
        {dir.filePath(QStringLiteral("sub/../image.bin")), SaveTarget::IsAnImage},
        {dir.filePath(QStringLiteral("sub")), SaveTarget::NotARegularFile},
        {QStringLiteral("/dev/full"), SaveTarget::NotARegularFile},
        {QStringLiteral("/dev/null"), SaveTarget::NotARegularFile},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckSaveTarget(c.target, images), c.expected) << c.target.toStdString();
    }
}

// An image of count words 0, 1, 2 ...
std::shared_ptr<const ImageData> CountingImage(QTemporaryDir& dir, int count) {
    QFile file(dir.filePath(QStringLiteral("image.bin")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < count; ++i) {
        const char word[2] = {static_cast<char>(i & 0xFF), static_cast<char>(i >> 8)};
        file.write(word, 2);
    }
    file.close();
    ImageFile image = ImageFile::open(QFile::encodeName(file.fileName()).toStdString(),
                                      ImageFile::Accept::RegularFile);
    return ReadSnapshot(image);
}

TEST(ListingExport, AWriteThatFailsThrowsTheSystemsReason) {
    QTemporaryDir dir;
    const std::shared_ptr<const ImageData> image = CountingImage(dir, 4096);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    try {
        WriteListing(full, *image, ListingMode::Raw, {0, image->size()}, {}, {});
        ADD_FAILURE() << "a write to /dev/full succeeded";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ENOSPC);
    }
    ::close(full);
}

TEST(ListingExport, AStoppedWriteEndsEarlyWithoutAWord) {
    QTemporaryDir dir;
    const std::shared_ptr<const ImageData> image = CountingImage(dir, 4096);
    QFile out(dir.filePath(QStringLiteral("out.txt")));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(WriteListing(out.handle(), *image, ListingMode::Header, {0, image->size()},
                              stop.get_token(), {}));
    out.close();
    EXPECT_EQ(QFile(out.fileName()).size(), 0);
}

TEST(ImageLoader, ProgressNamesTheAmountReadInMiBOrKiB) {
    constexpr std::uint64_t MiB = 1 << 20;
    struct Case {
        std::uint64_t done, total;
        const char* text;
    };
    const Case cases[] = {
        {12 * MiB, 64 * MiB, "12 из 64 МиБ (18 %)"},
        {0, 1024 * MiB, "0 из 1024 МиБ (0 %)"},
        {FourGiBLess1, FourGiBLess1, "4096 из 4096 МиБ (100 %)"},
        {300 * 1024, 700 * 1024, "300 из 700 КиБ (42 %)"},
        {MiB + 1, 3 * MiB / 2, "1 из 2 МиБ (66 %)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AmountText(c.done, c.total).toStdString(), c.text);
    }
}

}  // namespace
}  // namespace sorrel
