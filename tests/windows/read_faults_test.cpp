// Reads that fail: a file that shrinks while it is read, a file too large for
// the windows, and memory that runs out. Each is told through the exception
// display, naming the file, and the grids keep what they showed.
#include <sys/resource.h>

#include <QFile>
#include <QRegularExpression>
#include <fstream>
#include <string>

#include "window_test_support.h"

namespace wintest {
namespace {

using ReadFaultsTest = WindowsTest;

// 4 GiB: one byte more than the largest image; sparse, so it takes no disk.
constexpr qint64 FourGiB = qint64{1} << 32;

QString SparseFile(const QString& path, qint64 size) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(file.resize(size));
    return path;
}

TEST_F(ReadFaultsTest, FileThatShrinksWhileReadIsReportedAndTheListingKept) {
    load(writeImage(QStringLiteral("kept.bin"), Words({0x8000, 0x07E0})));
    // The warning for the odd length comes after the file was opened and
    // before it is read: the file shrinks while the user reads it.
    const QString path = writeImage(QStringLiteral("shrinks.bin"), QByteArray(1001, '\0'));
    user_.onMessageBox = [&](QMessageBox* box) {
        if (box->windowTitle() == WarningTitle) {
            ASSERT_TRUE(QFile::resize(path, 10));
        }
    };
    load(path);
    ASSERT_EQ(user_.boxes.size(), 2u);
    const SeenBox& error = user_.boxes[1];
    EXPECT_EQ(error.title, ErrorTitle);
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_TRUE(error.text.contains(path)) << error.text.toStdString();
    EXPECT_TRUE(error.text.contains(QStringLiteral("прочитан не полностью")));
    // Not a listing padded with FFFFh words: the former one.
    ASSERT_EQ(ShownRows(listing()), 3u);
    EXPECT_EQ(Cell(listing(), 0, 1), "1000000000000000");
    EXPECT_EQ(Cell(listing(), 1, 1), "0000011111100000");
    // The caption names the file shown, and so does the current file: a
    // reload and the byte-order window read it, not the refused one.
    EXPECT_FALSE(form1()->windowTitle().contains(path));
    EXPECT_TRUE(form1()->windowTitle().contains(imagePath(QStringLiteral("kept.bin"))));
    EXPECT_EQ(form1()->openDialogFileName(), imagePath(QStringLiteral("kept.bin")));
    reload();
    EXPECT_EQ(ShownRows(listing()), 3u);
    EXPECT_EQ(errors(), 1);
    EXPECT_TRUE(form1()->windowTitle().contains(imagePath(QStringLiteral("kept.bin"))));
    showByteOrder();
    EXPECT_EQ(ShownRows(bytes()), 5u);
}

TEST_F(ReadFaultsTest, ImageOfFourGiBIsRefusedInBothWindowsAndTheProgramGoesOn) {
    const QString small = writeImage(QStringLiteral("small.bin"), Words({0x0001, 0x0002, 0x0003}));
    load(small);
    showByteOrder();
    form2()->hide();

    const QString huge = SparseFile(imagePath(QStringLiteral("huge.bin")), FourGiB);
    load(huge);
    ASSERT_EQ(errors(), 1);
    const SeenBox& error = user_.boxes.back();
    EXPECT_TRUE(error.text.contains(huge)) << error.text.toStdString();
    EXPECT_TRUE(error.text.contains(QStringLiteral("слишком велик")));
    EXPECT_TRUE(error.text.contains(QStringLiteral("4294967296")));
    EXPECT_TRUE(error.text.contains(QStringLiteral("4294967295")));
    EXPECT_EQ(ShownRows(listing()), 4u);
    EXPECT_EQ(Cell(listing(), 2, 1), "0000000000000011");

    // The refused image did not become the current one: the byte-order
    // window reads the one listed.
    EXPECT_EQ(form1()->openDialogFileName(), small);
    showByteOrder();
    EXPECT_TRUE(form2()->isVisible());
    EXPECT_EQ(errors(), 1);
    EXPECT_EQ(ShownRows(bytes()), 7u);

    // The program goes on: the next load lists normally.
    load(writeImage(QStringLiteral("next.bin"), Words({0x8000})));
    EXPECT_EQ(errors(), 1);
    ASSERT_EQ(ShownRows(listing()), 2u);
    EXPECT_EQ(Cell(listing(), 0, 1), "1000000000000000");
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SORREL_NO_ADDRESS_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SORREL_NO_ADDRESS_LIMIT 1
#endif
#endif

// Limits the process's address space to what it uses now plus some room, so
// that a large allocation fails for real.
class AddressSpaceLimit {
  public:
    explicit AddressSpaceLimit(std::uint64_t room) {
        getrlimit(RLIMIT_AS, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = static_cast<rlim_t>(VirtualSize() + room);
        active_ = setrlimit(RLIMIT_AS, &limit) == 0;
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &saved_); }
    bool active() const { return active_; }

  private:
    static std::uint64_t VirtualSize() {
        std::ifstream status("/proc/self/status");
        std::string key;
        while (status >> key) {
            if (key == "VmSize:") {
                std::uint64_t kib = 0;
                status >> kib;
                return kib * 1024;
            }
        }
        return 0;
    }
    rlimit saved_{};
    bool active_ = false;
};

TEST_F(ReadFaultsTest, MemoryThatRunsOutIsReportedAndTheGridsKeepTheirListings) {
#ifdef SORREL_NO_ADDRESS_LIMIT
    GTEST_SKIP() << "the sanitizers reserve more address space than any limit allows";
#else
    load(writeImage(QStringLiteral("small.bin"), Words({0x0001, 0x0002})));
    showByteOrder();
    form2()->hide();
    const QString large = SparseFile(imagePath(QStringLiteral("large.bin")), qint64{1} << 30);
    {
        AddressSpaceLimit limit(std::uint64_t{256} << 20);
        ASSERT_TRUE(limit.active());
        load(large);
        // Refused: the byte-order window reads the file still listed.
        showByteOrder();
    }
    ASSERT_EQ(errors(), 1);
    const SeenBox& error = user_.boxes.front();
    EXPECT_TRUE(error.text.contains(QStringLiteral("Недостаточно памяти")))
        << error.text.toStdString();
    EXPECT_TRUE(error.text.contains(large));
    EXPECT_EQ(ShownRows(listing()), 3u);
    EXPECT_EQ(ShownRows(bytes()), 5u);
#endif
}

}  // namespace
}  // namespace wintest
