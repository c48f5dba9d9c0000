// The keyboard in both grids: Ctrl+A selects every cell and Ctrl+C copies
// the selection as tab-separated lines.
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include "window_test_support.h"

namespace wintest {
namespace {

using KeyboardTest = WindowsTest;

void SelectAllAndCopy(StringGrid* grid) {
    QGuiApplication::clipboard()->clear();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
}

TEST_F(KeyboardTest, CtrlAAndCtrlCCopyEveryCellOfBothGrids) {
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("copy.bin"), Words({0x07E0, 0x8000}) + QByteArray(1, '\x01')));
    SelectAllAndCopy(listing());
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "0000h\t0000011111100000\tmov  a0, d7\n"
              "0001h\t1000000000000000\tjmp  0000h\n");

    showByteOrder();
    SelectAllAndCopy(bytes());
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "0000(0)\t0000\t11100000\n"
              "0001(1)\t\t00000111\n"
              "0002(2)\t0001\t00000000\n"
              "0003(3)\t\t10000000\n"
              "0004(4)\t0002\t00000001\n");
}

}  // namespace
}  // namespace wintest
