// The keyboard in both grids: Ctrl+A selects every cell and Ctrl+C copies
// the selection as tab-separated lines, or tells why it does not.
#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTest>
#include <functional>
#include <memory>

#include "grid_test_source.h"
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

// Copying more than a million rows is refused in either window with a message
// box of the window's own, one at a time, that does not block the window.
TEST_F(KeyboardTest, CopyingTooManyRowsIsRefusedWithAMessageInEitherWindow) {
    showByteOrder();
    struct Window {
        const char* name;
        QWidget* window;
        StringGrid* grid;
    };
    const Window windows[] = {{"main window", form1(), listing()},
                              {"byte-order window", form2(), bytes()}};
    struct Refused {
        const char* name;
        std::function<void(StringGrid*)> select;
        const char* count;
    };
    const Refused cases[] = {
        {"one row too many",
         [](StringGrid* grid) {
             grid->setCurrentCell(0, 0);
             grid->setCurrentCell(StringGrid::MaxCopyRows, 1, true);
         },
         "1 000 001"},
        {"select all",
         [](StringGrid* grid) { QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier); },
         "4 294 967 295"},
    };
    const QString nbsp(QChar(0x00A0));
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const Window& w : windows) {
        SCOPED_TRACE(w.name);
        // Four giga-rows: the byte-order window's largest file.
        w.grid->setSource(std::make_shared<SyntheticSource>(4'294'967'295));
        for (const Refused& c : cases) {
            SCOPED_TRACE(c.name);
            clipboard->setText("before");
            c.select(w.grid);
            QTest::keyClick(w.grid, Qt::Key_C, Qt::ControlModifier);
            EXPECT_EQ(clipboard->text(), "before");
            auto* box = w.window->findChild<QMessageBox*>("copyRefusedMessage");
            ASSERT_NE(box, nullptr);
            EXPECT_TRUE(box->isVisible());
            EXPECT_EQ(box->windowTitle(), "Копирование");
            EXPECT_EQ(box->icon(), QMessageBox::Information);
            EXPECT_TRUE(box->text().contains(QString(c.count).replace(' ', nbsp)))
                << box->text().toStdString();
            EXPECT_TRUE(box->text().contains("1" + nbsp + "000" + nbsp + "000"));
            EXPECT_TRUE(box->text().startsWith("Выделено слишком много строк"));
            // The way to take them all.
            EXPECT_TRUE(box->text().contains("Ctrl+S"));
            // A second Ctrl+C while the message is up does not stack another one.
            QTest::keyClick(w.grid, Qt::Key_C, Qt::ControlModifier);
            EXPECT_EQ(w.window->findChildren<QMessageBox*>().size(), 1);
            box->button(QMessageBox::Ok)->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_EQ(w.window->findChild<QMessageBox*>(), nullptr);
        }
    }
}

}  // namespace
}  // namespace wintest
