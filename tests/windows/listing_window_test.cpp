// The main window's load and reload: the dialog, the caption, the warning for
// an odd length, the two modes, and what a file that cannot be opened leaves.
#include <sys/stat.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>

#include "window_test_support.h"

namespace wintest {
namespace {

const QString Fresh = QStringLiteral("Sorrel Дизассемблер ");
const QString WarningText = QStringLiteral("Длинна файла не кратна \r\nдлинне машинной команды.");

using ListingTest = WindowsTest;

struct SizeCase {
    int bytes;
    bool warned;
    std::uint64_t shownRows;  // the title row included
};

TEST_F(ListingTest, LoadOfEveryEdgeSizeWarnsOnlyForOddLengths) {
    const SizeCase cases[] = {{0, false, 1}, {1, true, 1}, {5, true, 3}, {18, false, 10}};
    int warningsSoFar = 0;
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        const QString path =
            writeImage(QStringLiteral("size%1.bin").arg(c.bytes), CountingWords(10).left(c.bytes));
        load(path);
        warningsSoFar += c.warned ? 1 : 0;
        EXPECT_EQ(warnings(), warningsSoFar);
        EXPECT_EQ(form1()->windowTitle(), CaptionFor(path));
        EXPECT_EQ(ShownRows(listing()), c.shownRows);
    }
    ASSERT_EQ(user_.boxes.size(), 2u);
    for (const SeenBox& box : user_.boxes) {
        EXPECT_EQ(box.title, WarningTitle);
        EXPECT_EQ(box.text, WarningText);
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    }
    // 18 bytes: nine header words, listed with their index and bits only.
    EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
    EXPECT_EQ(Cell(listing(), 8, 0), "0008(8)");
    EXPECT_EQ(Cell(listing(), 8, 1), "0000000000001000");
    EXPECT_EQ(Cell(listing(), 8, 2), "");
}

TEST_F(ListingTest, FiveBytesListTwoWordsAndDropTheOddByte) {
    load(writeImage(QStringLiteral("five.bin"), QByteArray("\x34\x12\xE0\x07\xAA", 5)));
    EXPECT_EQ(warnings(), 1);
    ASSERT_EQ(ShownRows(listing()), 3u);
    EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
    EXPECT_EQ(Cell(listing(), 0, 1), "0001001000110100");
    EXPECT_EQ(Cell(listing(), 1, 0), "0001(1)");
    EXPECT_EQ(Cell(listing(), 1, 1), "0000011111100000");
}

TEST_F(ListingTest, HeaderWordsAreNeverDecodedAndTheProgramStartsAtWord256) {
    // 256 words: all header.
    std::vector<std::uint16_t> words(256, 0x07E0);
    load(writeImage(QStringLiteral("h256.bin"), Words(words)));
    ASSERT_EQ(ShownRows(listing()), 257u);
    for (std::uint64_t k : {0u, 1u, 10u, 255u}) {
        EXPECT_EQ(Cell(listing(), k, 2), "") << k;
    }
    EXPECT_EQ(Cell(listing(), 10, 0), "000A(10)");
    EXPECT_EQ(Cell(listing(), 255, 0), "00FF(255)");

    // 257 words: only the last is decoded, at address 0000h.
    words.push_back(0x8000);
    load(writeImage(QStringLiteral("h257.bin"), Words(words)));
    ASSERT_EQ(ShownRows(listing()), 258u);
    EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
    EXPECT_EQ(Cell(listing(), 255, 0), "00FF(255)");
    EXPECT_EQ(Cell(listing(), 255, 2), "");
    EXPECT_EQ(Cell(listing(), 256, 0), "0000h");
    EXPECT_EQ(Cell(listing(), 256, 1), "1000000000000000");
    EXPECT_EQ(Cell(listing(), 256, 2), "jmp  0000h");
}

TEST_F(ListingTest, CheckBoxSwitchesBetweenRawAndHeaderByReloading) {
    const std::vector<std::uint16_t> program = {0x07E0, 0x8000, 0x2000, 0x03B3, 0x0000, 0xFFFF};
    std::vector<std::uint16_t> withHeader(256, 0x07E0);
    withHeader.insert(withHeader.end(), program.begin(), program.end());
    const QString path = writeImage(QStringLiteral("prog.bin"), Words(withHeader));
    load(path);
    EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
    EXPECT_EQ(Cell(listing(), 0, 2), "");
    EXPECT_EQ(Cell(listing(), 257, 0), "0001h");

    toggleRaw();  // raw: every word is code, from address 0000h
    ASSERT_TRUE(form1()->CheckBox1->isChecked());
    EXPECT_EQ(Cell(listing(), 0, 0), "0000h");
    EXPECT_EQ(Cell(listing(), 1, 0), "0001h");
    EXPECT_EQ(Cell(listing(), 0, 2), "mov  a0, d7");
    EXPECT_EQ(Cell(listing(), 256, 0), "0100h");
    const char* const texts[] = {"mov  a0, d7", "jmp  0000h", "ldr  #0, 00h",
                                 "mfpr c3, #5", "nop  ",      ""};
    for (std::size_t i = 0; i < program.size(); ++i) {
        EXPECT_EQ(Cell(listing(), 256 + i, 2), texts[i]) << i;
    }

    toggleRaw();  // back to the header
    EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
    EXPECT_EQ(Cell(listing(), 0, 2), "");
    EXPECT_EQ(Cell(listing(), 261, 0), "0005h");
    EXPECT_EQ(Cell(listing(), 261, 1), "1111111111111111");
    EXPECT_EQ(Cell(listing(), 261, 2), "");
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(path));
    EXPECT_EQ(warnings(), 0);
}

TEST_F(ListingTest, ReloadAndCheckBoxBeforeAnyLoadChangeNothing) {
    reload();
    toggleRaw();
    EXPECT_TRUE(form1()->CheckBox1->isChecked());  // no listing to contradict: it stays
    toggleRaw();
    EXPECT_EQ(form1()->windowTitle(), Fresh);
    EXPECT_EQ(listing()->source(), nullptr);
    ASSERT_EQ(ShownRows(listing()), 2u);  // the titles and one empty row
    EXPECT_EQ(Cell(listing(), 0, 0), "");
    EXPECT_EQ(listing()->columnTitle(0), QStringLiteral("Адрес инструкци"));
    EXPECT_TRUE(user_.boxes.empty());
}

TEST_F(ListingTest, ShorterFileAfterALongerOneShrinksTheGrid) {
    load(writeImage(QStringLiteral("long.bin"), CountingWords(1000)));
    ASSERT_EQ(ShownRows(listing()), 1001u);
    listing()->setCurrentCell(999, 2);
    load(writeImage(QStringLiteral("short.bin"), CountingWords(3)));
    ASSERT_EQ(ShownRows(listing()), 4u);
    EXPECT_EQ(Cell(listing(), 2, 0), "0002(2)");
    EXPECT_LT(listing()->currentRow(), 3u);
}

TEST_F(ListingTest, EveryRunReadsTheFileAfreshAndTheListingIsASnapshot) {
    const QString path = writeImage(QStringLiteral("changing.bin"), Words({0x07E0, 0x0001}));
    load(path);
    EXPECT_EQ(Cell(listing(), 0, 1), "0000011111100000");

    // Changed on disk: the listing stays as read until the next reload.
    writeImage(QStringLiteral("changing.bin"), Words({0x1234, 0x0002, 0x0003}));
    EXPECT_EQ(Cell(listing(), 0, 1), "0000011111100000");
    EXPECT_EQ(ShownRows(listing()), 3u);
    reload();
    EXPECT_EQ(ShownRows(listing()), 4u);
    EXPECT_EQ(Cell(listing(), 0, 1), "0001001000110100");

    // A switch of the check box reads it afresh too.
    writeImage(QStringLiteral("changing.bin"), Words({0x8000}));
    toggleRaw();
    ASSERT_EQ(ShownRows(listing()), 2u);
    EXPECT_EQ(Cell(listing(), 0, 2), "jmp  0000h");
    EXPECT_EQ(warnings(), 0);
}

TEST_F(ListingTest, OddLengthIsWarnedOncePerLoadAndNeverOnReload) {
    const QString path = writeImage(QStringLiteral("odd.bin"), QByteArray(7, '\0'));
    load(path);
    EXPECT_EQ(warnings(), 1);
    reload();
    toggleRaw();
    EXPECT_EQ(warnings(), 1);
    load(path);
    EXPECT_EQ(warnings(), 2);
    EXPECT_EQ(ShownRows(listing()), 4u);
}

TEST_F(ListingTest, WarningIsShownBeforeTheFileIsReadAndOverTheMainWindow) {
    const QString path = writeImage(QStringLiteral("odd.bin"), QByteArray(3, '\0'));
    QWidget* owner = nullptr;
    QString captionMeanwhile;
    std::uint64_t rowsMeanwhile = 0;
    user_.onMessageBox = [&](QMessageBox* box) {
        owner = box->parentWidget();
        captionMeanwhile = form1()->windowTitle();
        rowsMeanwhile = ShownRows(listing());
    };
    load(path);
    EXPECT_EQ(owner, form1());
    EXPECT_EQ(captionMeanwhile, CaptionFor(path));
    EXPECT_EQ(rowsMeanwhile, 2u);
    EXPECT_EQ(ShownRows(listing()), 2u);
    EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
}

TEST_F(ListingTest, CancelledDialogLeavesCaptionListingAndCurrentImage) {
    const QString path = writeImage(QStringLiteral("a.bin"), CountingWords(4));
    load(path);
    user_.willCancel();
    Click(form1()->SpeedButton1);
    EXPECT_EQ(user_.dialogsSeen, 2);
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(path));
    EXPECT_EQ(ShownRows(listing()), 5u);
    writeImage(QStringLiteral("a.bin"), CountingWords(2));
    reload();  // still the file chosen before
    EXPECT_EQ(ShownRows(listing()), 3u);
}

TEST_F(ListingTest, FilesThatCannotBeOpenedAreIgnoredSilently) {
    const QString good = writeImage(QStringLiteral("good.bin"), CountingWords(4));
    const QString fifo = imagePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString names[] = {imagePath(QStringLiteral("no such file.bin")), fifo,
                             QStringLiteral("/dev/zero"), QStringLiteral("/dev/null")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        load(good);
        load(name);  // a FIFO without a writer must not block
        EXPECT_EQ(form1()->openDialogFileName(), name);
        EXPECT_EQ(form1()->windowTitle(), CaptionFor(good));
        EXPECT_EQ(ShownRows(listing()), 5u);
        reload();  // the current image is now the one that cannot be opened
        EXPECT_EQ(ShownRows(listing()), 5u);
    }
    EXPECT_TRUE(user_.boxes.empty());
}

TEST_F(ListingTest, ImageReplacedByAFolderIsIgnoredOnReload) {
    const QString path = writeImage(QStringLiteral("becomes-dir"), CountingWords(4));
    load(path);
    ASSERT_TRUE(QFile::remove(path));
    reload();  // gone
    ASSERT_TRUE(QDir().mkdir(path));
    reload();  // a folder
    toggleRaw();
    EXPECT_EQ(ShownRows(listing()), 5u);
    EXPECT_EQ(Cell(listing(), 3, 0), "0003(3)");
    EXPECT_TRUE(user_.boxes.empty());
}

TEST_F(ListingTest, LargeIndicesGrowPastFourHexDigits) {
    // 65,793 words: word 65536 is "10000(65536)" in the first pass, and word
    // 65792 is at address 10000h after a 256-word header.
    load(writeImage(QStringLiteral("big.bin"), CountingWords(65793)));
    ASSERT_EQ(ShownRows(listing()), 65794u);
    EXPECT_EQ(Cell(listing(), 255, 0), "00FF(255)");
    EXPECT_EQ(Cell(listing(), 65536, 0), "FF00h");
    EXPECT_EQ(Cell(listing(), 65792, 0), "10000h");
    toggleRaw();
    EXPECT_EQ(Cell(listing(), 65536, 0), "10000h");
}

}  // namespace
}  // namespace wintest
