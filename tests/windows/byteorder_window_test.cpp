// The byte-order window: shown by the main window's third button, it lists
// the current image byte by byte and reads it again each time it goes from
// hidden to shown.
#include <QFile>
#include <QTest>

#include "window_test_support.h"

namespace wintest {
namespace {

using ByteOrderTest = WindowsTest;

TEST_F(ByteOrderTest, BeforeAnyLoadItShowsTheTitlesAndOneEmptyRow) {
    EXPECT_FALSE(form2()->isVisible());
    showByteOrder();
    ASSERT_TRUE(form2()->isVisible());
    EXPECT_EQ(bytes()->columnTitle(0), QStringLiteral("Адрес байта"));
    EXPECT_EQ(bytes()->columnTitle(1), QStringLiteral("Адрес слова"));
    EXPECT_EQ(bytes()->columnTitle(2), QStringLiteral("Значение"));
    ASSERT_EQ(ShownRows(bytes()), 2u);
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(Cell(bytes(), 0, column), "");
    }
    EXPECT_TRUE(user_.boxes.empty());
}

TEST_F(ByteOrderTest, ListsEveryByteWithItsOffsetWordAndBits) {
    // Three bytes: the last odd byte is listed here though the main window
    // does not list it; no warning comes from this window.
    load(writeImage(QStringLiteral("three.bin"), QByteArray("\x34\x12\xA5", 3)));
    EXPECT_EQ(warnings(), 1);
    showByteOrder();
    EXPECT_EQ(warnings(), 1);
    ASSERT_EQ(ShownRows(bytes()), 4u);
    const char* const expected[3][3] = {{"0000(0)", "0000", "00110100"},
                                        {"0001(1)", "", "00010010"},
                                        {"0002(2)", "0001", "10100101"}};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(Cell(bytes(), row, column), expected[row][column]) << row << "," << column;
        }
    }
    // The same two bytes as one word in the main window.
    EXPECT_EQ(Cell(listing(), 0, 1), "0001001000110100");
    EXPECT_EQ(ShownRows(listing()), 2u);
}

TEST_F(ByteOrderTest, OffsetsGrowPastFourHexDigitsAndTheCheckBoxPlaysNoPart) {
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("big.bin"), QByteArray(65537, '\x01')));
    showByteOrder();
    ASSERT_EQ(ShownRows(bytes()), 65538u);
    EXPECT_EQ(Cell(bytes(), 65536, 0), "10000(65536)");
    EXPECT_EQ(Cell(bytes(), 65536, 1), "8000");
    EXPECT_EQ(Cell(bytes(), 65536, 2), "00000001");
    EXPECT_EQ(Cell(bytes(), 0, 0), "0000(0)");
}

TEST_F(ByteOrderTest, AnEmptyFileLeavesOnlyTheTitleRow) {
    load(writeImage(QStringLiteral("empty.bin"), QByteArray()));
    showByteOrder();
    EXPECT_EQ(ShownRows(bytes()), 1u);
}

TEST_F(ByteOrderTest, ShowingItAgainWhileVisibleKeepsItsListingClosingAndShowingReadsAfresh) {
    load(writeImage(QStringLiteral("first.bin"), QByteArray(6, '\xFF')));
    showByteOrder();
    ASSERT_EQ(ShownRows(bytes()), 7u);

    // Another, shorter image loaded meanwhile: a second click only brings the
    // window to the front.
    const QString second = writeImage(QStringLiteral("second.bin"), QByteArray("\x0F\xF0", 2));
    load(second);
    showByteOrder();
    EXPECT_EQ(ShownRows(bytes()), 7u);
    EXPECT_EQ(Cell(bytes(), 0, 2), "11111111");

    // Closed and shown again: the current image, read now.
    ASSERT_TRUE(form2()->close());
    EXPECT_FALSE(form2()->isVisible());
    showByteOrder();
    ASSERT_EQ(ShownRows(bytes()), 3u);
    EXPECT_EQ(Cell(bytes(), 0, 2), "00001111");
    EXPECT_EQ(Cell(bytes(), 1, 2), "11110000");

    // Changed on disk while shown: nothing changes until it is shown anew.
    writeImage(QStringLiteral("second.bin"), QByteArray("\x80", 1));
    showByteOrder();
    EXPECT_EQ(ShownRows(bytes()), 3u);
    form2()->hide();
    showByteOrder();
    ASSERT_EQ(ShownRows(bytes()), 2u);
    EXPECT_EQ(Cell(bytes(), 0, 2), "10000000");
}

// Hidden, the window holds no image (a large one would stay in memory for
// nothing): shown again on a file that is gone it is fresh, and silent.
TEST_F(ByteOrderTest, HiddenItHoldsNoImage) {
    const QString path = writeImage(QStringLiteral("gone.bin"), QByteArray(4, '\0'));
    load(path);
    showByteOrder();
    std::weak_ptr<const CellSource> shown = bytes()->sharedSource();
    ASSERT_FALSE(shown.expired());
    form2()->hide();
    EXPECT_EQ(bytes()->source(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.expired(); }));
    ASSERT_TRUE(QFile::remove(path));
    showByteOrder();
    EXPECT_TRUE(form2()->isVisible());
    EXPECT_EQ(ShownRows(bytes()), 2u);
    EXPECT_TRUE(user_.boxes.empty());
}

}  // namespace
}  // namespace wintest
