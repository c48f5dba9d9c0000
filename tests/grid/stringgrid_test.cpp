// The virtual string grid, driven as a user drives it: clicks, drags, keys,
// the wheel and the scroll bars, on real widgets (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

#include "grid_test_fixture.h"

namespace sorrel {
namespace {

// ---- look: titles, widths, rows, font ---------------------------------------

TEST_F(StringGridTest, TitlesWidthsAndTitleRowOfAStringGrid) {
    EXPECT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->columnTitle(0), "Адрес инструкци");
    EXPECT_EQ(grid->columnTitle(1), "Инструкция");
    EXPECT_EQ(grid->columnTitle(2), "Мнемоника");
    EXPECT_EQ(grid->columnTitle(3), QString());
    QHeaderView* titles = grid->titleRow();
    EXPECT_EQ(titles->model()->headerData(1, Qt::Horizontal).toString(), "Инструкция");
    EXPECT_EQ(grid->columnWidth(0), 70);
    EXPECT_EQ(grid->columnWidth(1), 137);
    EXPECT_EQ(grid->columnWidth(2), 171);
    // Every cell is followed by its grid line: 70 + 137 + 171 + 3 lines.
    EXPECT_EQ(titles->length(), 381);
    EXPECT_EQ(grid->defaultRowHeight(), 15);
    EXPECT_EQ(titles->height(), 16);
    EXPECT_EQ(titles->geometry().bottom() + 1, grid->viewport()->geometry().top());
    EXPECT_FALSE(titles->sectionsMovable());
    EXPECT_FALSE(titles->sectionsClickable());
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(titles->sectionResizeMode(column), QHeaderView::Interactive);
    }

    // Cells sit under their titles; a user's resize of a column moves the ones after it.
    setRows(100);
    EXPECT_EQ(grid->cellRect(0, 0), QRect(0, 0, 70, 15));
    EXPECT_EQ(grid->cellRect(1, 1), QRect(71, 16, 137, 15));
    titles->resizeSection(1, 51);
    EXPECT_EQ(grid->columnWidth(1), 50);
    EXPECT_EQ(grid->cellRect(2, 2), QRect(71 + 51, 32, 171, 15));

    // Fewer or more columns keep the widths of the ones that stay.
    grid->setColumnCount(5);
    EXPECT_EQ(grid->columnWidth(1), 50);
    EXPECT_EQ(grid->columnWidth(4), 64);
    grid->setColumnCount(2);
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->columnWidth(0), 70);
    EXPECT_EQ(grid->columnWidth(2), 0);
}

TEST_F(StringGridTest, PaintsGridLinesTitleRowAndSelectionColours) {
    setRows(100);
    grid->setCurrentCell(1, 0);
    grid->setCurrentCell(2, 1, true);
    grid->clearFocus();
    const QImage image = grid->grab().toImage();
    const QPalette& pal = grid->palette();
    const int top = grid->viewport()->geometry().top();
    const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    // Title row: button face right of the last title, its lines below and between.
    EXPECT_EQ(at(71 + 138 + 150, 7), pal.color(QPalette::Button));
    EXPECT_EQ(at(70, 7), QColor(0xA0, 0xA0, 0xA0));
    EXPECT_EQ(at(30, top - 1), QColor(0xA0, 0xA0, 0xA0));
    // Cells: silver lines after each cell, white cells, highlighted selection.
    EXPECT_EQ(at(70, top + 5), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(at(30, top + 15), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(at(71 + 137, top + 16 + 5), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(at(65, top + 5), pal.color(QPalette::Base));
    EXPECT_EQ(at(65, top + 16 + 5), pal.color(QPalette::Highlight));
    EXPECT_EQ(at(71 + 130, top + 32 + 5), pal.color(QPalette::Highlight));
    EXPECT_EQ(at(71 + 138 + 160, top + 16 + 5), pal.color(QPalette::Base));
    // Past the last column the grid is blank, title row included.
    EXPECT_EQ(at(390, 7), pal.color(QPalette::Base));
    EXPECT_EQ(at(390, top + 5), pal.color(QPalette::Base));
}

TEST_F(StringGridTest, TheHighlightedCellsAreTheCopiedCells) {
    setRows(100);
    grid->activateWindow();
    grid->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(grid.get()));
    ASSERT_TRUE(grid->hasFocus());
    const QPalette& pal = grid->palette();
    const int top = grid->viewport()->geometry().top();
    QClipboard* clipboard = QGuiApplication::clipboard();
    // The selection keeps its colours; the current row has a band across it
    // and the current cell a solid frame, with or without the focus.
    struct Case {
        const char* name;
        std::function<void()> select;
        bool focused;
        bool currentFilled;  // the current cell is painted as selected
    };
    const Case cases[] = {
        {"a range",
         [&] {
             grid->setCurrentCell(1, 0);
             grid->setCurrentCell(3, 1, true);
         },
         true, true},
        {"a range grown upwards",
         [&] {
             grid->setCurrentCell(4, 2);
             key(Qt::Key_Up, Qt::ShiftModifier);
         },
         true, true},
        {"every cell", [&] { key(Qt::Key_A, Qt::ControlModifier); }, true, true},
        {"one cell", [&] { grid->setCurrentCell(2, 1); }, true, false},
        {"a range without focus",
         [&] {
             grid->setCurrentCell(1, 0);
             grid->setCurrentCell(3, 1, true);
             grid->clearFocus();
         },
         false, true},
        {"one cell without focus", [&] { grid->setCurrentCell(2, 1); }, false, false},
    };
    const QColor band = StringGrid::CurrentRowBand(pal);
    ASSERT_NE(band, pal.color(QPalette::Base));
    ASSERT_NE(band, pal.color(QPalette::Highlight));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.focused) {
            grid->setFocus();
        }
        c.select();
        ASSERT_EQ(grid->hasFocus(), c.focused);
        key(Qt::Key_C, Qt::ControlModifier);
        const QStringList copied = clipboard->text().split(QRegularExpression("[\t\n]"));
        const QImage image = grid->grab().toImage();
        for (std::uint64_t row = 0; row < 6; ++row) {
            for (int column = 0; column < 3; ++column) {
                SCOPED_TRACE(QStringLiteral("cell %1, %2").arg(row).arg(column).toStdString());
                const QRect cell = grid->cellRect(row, column).translated(0, top);
                const bool current = row == grid->currentRow() && column == grid->currentColumn();
                // Right of the text and inside the frame.
                const QColor fill = image.pixelColor(cell.right() - 3, cell.top() + 3);
                const bool filled =
                    current ? c.currentFilled : copied.contains(grid->cellText(row, column));
                const bool onCurrentRow = row == grid->currentRow();
                EXPECT_EQ(fill, filled         ? pal.color(QPalette::Highlight)
                                : onCurrentRow ? band
                                               : pal.color(QPalette::Base));
                if (!current) {
                    continue;
                }
                // The frame: two pixels all round, in the highlight's colour,
                // or in the highlighted text's on the highlight.
                const QColor frame =
                    pal.color(filled ? QPalette::HighlightedText : QPalette::Highlight);
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    for (const int y :
                         {cell.top(), cell.top() + 1, cell.bottom() - 1, cell.bottom()}) {
                        EXPECT_EQ(image.pixelColor(x, y), frame) << x << ", " << y;
                    }
                }
            }
        }
    }
}

TEST_F(StringGridTest, RowHeightSetsThePitchOfRowsAndTitleRow) {
    setRows(1000);
    grid->setDefaultRowHeight(20);
    EXPECT_EQ(grid->titleRow()->height(), 21);
    EXPECT_EQ(grid->cellRect(1, 0), QRect(0, 21, 70, 20));
    EXPECT_EQ(grid->visibleRowCount(),
              static_cast<std::uint64_t>((grid->viewport()->height() + 1) / 21));
}

TEST_F(StringGridTest, CourierNewOfElevenPixelsIsAFixedPitchFont) {
    QFont font("Courier New");
    font.setPixelSize(11);
    grid->setCellFont(font);
    EXPECT_EQ(grid->cellFont().family(), "Courier New");
    const QFontInfo info(grid->cellFont());
    EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
    EXPECT_EQ(info.pixelSize(), 11);
    EXPECT_EQ(grid->titleRow()->font().pixelSize(), 11);
}

TEST_F(StringGridTest, WithoutSourceOneEmptyRowAndAnEmptySourceNone) {
    EXPECT_EQ(grid->source(), nullptr);
    EXPECT_EQ(grid->rowCount(), 1u);
    EXPECT_EQ(grid->cellText(0, 0), QString());
    EXPECT_FALSE(grid->cellRect(0, 2).isEmpty());
    EXPECT_TRUE(grid->cellRect(1, 0).isEmpty());
    click(0, 1);
    EXPECT_EQ(grid->currentColumn(), 1);
    // The empty row holds nothing to copy: Ctrl+C leaves the clipboard alone.
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("before");
    key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "before");
    EXPECT_EQ(grid->selectedText(), QString());

    auto empty = setRows(0);
    EXPECT_EQ(grid->rowCount(), 0u);
    EXPECT_TRUE(grid->cellRect(0, 0).isEmpty());
    EXPECT_EQ(grid->selection(), GridRange{});
    EXPECT_EQ(grid->selectedText(), QString());
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "before");
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Down);
    EXPECT_EQ(grid->currentRow(), 0u);
    paintNow(*empty);
    EXPECT_EQ(empty->calls, 0u);

    grid->setSource(nullptr);
    EXPECT_EQ(grid->rowCount(), 1u);
}

// ---- painting and cost --------------------------------------------------------

TEST_F(StringGridTest, SettingASourceAsksForNothingAndPaintAsksOnlyForVisibleCells) {
    auto source = setRows(MaxRows);
    EXPECT_EQ(source->calls, 0u);
    paintNow(*source);
    // Ten whole rows and the part of an eleventh, three columns each.
    EXPECT_GT(source->calls, 0u);
    EXPECT_LE(source->calls, 3u * (PageRows + 1));
    EXPECT_EQ(source->minRow, 0u);
    EXPECT_LE(source->maxRow, static_cast<std::uint64_t>(PageRows));

    grid->scrollToRow(3'000'000'000);
    paintNow(*source);
    EXPECT_LE(source->calls, 3u * (PageRows + 1));
    EXPECT_EQ(source->minRow, 3'000'000'000u);
    EXPECT_LE(source->maxRow, 3'000'000'000u + PageRows);
}

// ---- mouse ----------------------------------------------------------------

TEST_F(StringGridTest, ClickDragAndShiftClickSelectRectangles) {
    setRows(1000);
    QSignalSpy changed(grid.get(), &StringGrid::currentCellChanged);
    click(3, 1);
    EXPECT_EQ(grid->currentRow(), 3u);
    EXPECT_EQ(grid->currentColumn(), 1);
    EXPECT_EQ(grid->selection(), (GridRange{3, 3, 1, 1}));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<std::uint64_t>(), 3u);

    // Shift+click spans from the anchor, whichever way.
    click(7, 2, Qt::ShiftModifier);
    EXPECT_EQ(grid->selection(), (GridRange{3, 7, 1, 2}));
    EXPECT_EQ(grid->currentRow(), 7u);
    click(1, 0, Qt::ShiftModifier);
    EXPECT_EQ(grid->selection(), (GridRange{1, 3, 0, 1}));

    // A drag selects from the pressed cell to the cell under the pointer.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, centreOf(2, 2));
    QTest::mouseMove(grid->viewport(), centreOf(5, 1));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, centreOf(5, 1));
    EXPECT_EQ(grid->selection(), (GridRange{2, 5, 1, 2}));
    EXPECT_EQ(grid->currentRow(), 5u);
    EXPECT_EQ(grid->currentColumn(), 1);

    // Dragging below the last row in view takes the next row and scrolls to it.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, centreOf(8, 0));
    QTest::mouseMove(grid->viewport(), QPoint(500, grid->viewport()->height() + 20));
    EXPECT_EQ(grid->currentRow(), static_cast<std::uint64_t>(PageRows));
    EXPECT_EQ(grid->currentColumn(), 2);
    EXPECT_EQ(grid->topRow(), 1u);
    EXPECT_EQ(grid->selection(), (GridRange{8, PageRows, 0, 2}));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton);

    // A click below the last row or right of the last column changes nothing.
    setRows(3);
    click(1, 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(10, 5 * 16 + 4));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(400, 4));
    EXPECT_EQ(grid->selection(), (GridRange{1, 1, 1, 1}));
}

// ---- keyboard -----------------------------------------------------------------

struct KeyCase {
    const char* name;
    std::uint64_t startRow;
    int startColumn;
    int key;
    Qt::KeyboardModifiers modifiers;
    std::uint64_t row;
    int column;
    GridRange selection;
};

TEST_F(StringGridTest, KeysMoveTheCurrentCellAndShiftExtends) {
    const std::uint64_t rows = 1000;
    const KeyCase cases[] = {
        {"down", 500, 1, Qt::Key_Down, {}, 501, 1, {501, 501, 1, 1}},
        {"up", 500, 1, Qt::Key_Up, {}, 499, 1, {499, 499, 1, 1}},
        {"left", 500, 1, Qt::Key_Left, {}, 500, 0, {500, 500, 0, 0}},
        {"right", 500, 1, Qt::Key_Right, {}, 500, 2, {500, 500, 2, 2}},
        {"up at the first row", 0, 1, Qt::Key_Up, {}, 0, 1, {0, 0, 1, 1}},
        {"down at the last row", 999, 1, Qt::Key_Down, {}, 999, 1, {999, 999, 1, 1}},
        {"left at the first column", 5, 0, Qt::Key_Left, {}, 5, 0, {5, 5, 0, 0}},
        {"right at the last column", 5, 2, Qt::Key_Right, {}, 5, 2, {5, 5, 2, 2}},
        {"page down", 500, 1, Qt::Key_PageDown, {}, 510, 1, {510, 510, 1, 1}},
        {"page up", 500, 1, Qt::Key_PageUp, {}, 490, 1, {490, 490, 1, 1}},
        {"page down near the end", 995, 1, Qt::Key_PageDown, {}, 999, 1, {999, 999, 1, 1}},
        {"page up near the start", 3, 1, Qt::Key_PageUp, {}, 0, 1, {0, 0, 1, 1}},
        {"home", 500, 1, Qt::Key_Home, {}, 500, 0, {500, 500, 0, 0}},
        {"end", 500, 1, Qt::Key_End, {}, 500, 2, {500, 500, 2, 2}},
        {"ctrl+home", 500, 1, Qt::Key_Home, Qt::ControlModifier, 0, 0, {0, 0, 0, 0}},
        {"ctrl+end", 500, 1, Qt::Key_End, Qt::ControlModifier, 999, 2, {999, 999, 2, 2}},
        {"shift+down", 500, 1, Qt::Key_Down, Qt::ShiftModifier, 501, 1, {500, 501, 1, 1}},
        {"shift+left", 500, 1, Qt::Key_Left, Qt::ShiftModifier, 500, 0, {500, 500, 0, 1}},
        {"shift+page up", 500, 1, Qt::Key_PageUp, Qt::ShiftModifier, 490, 1, {490, 500, 1, 1}},
        {"shift+end", 500, 1, Qt::Key_End, Qt::ShiftModifier, 500, 2, {500, 500, 1, 2}},
        {"shift+ctrl+end",
         500,
         1,
         Qt::Key_End,
         Qt::ShiftModifier | Qt::ControlModifier,
         999,
         2,
         {500, 999, 1, 2}},
        {"shift+ctrl+home",
         500,
         1,
         Qt::Key_Home,
         Qt::ShiftModifier | Qt::ControlModifier,
         0,
         0,
         {0, 500, 0, 1}},
    };
    setRows(rows);
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        grid->setCurrentCell(c.startRow, c.startColumn);
        key(c.key, c.modifiers);
        EXPECT_EQ(grid->currentRow(), c.row);
        EXPECT_EQ(grid->currentColumn(), c.column);
        EXPECT_EQ(grid->selection(), c.selection);
        EXPECT_TRUE(currentInView()) << "top " << grid->topRow();
    }
}

TEST_F(StringGridTest, PageDownScrollsByAPageAndShiftArrowsGrowFromTheAnchor) {
    setRows(1000);
    grid->setCurrentCell(2, 0);
    key(Qt::Key_PageDown);
    EXPECT_EQ(grid->currentRow(), 12u);
    EXPECT_EQ(grid->topRow(), 10u);
    key(Qt::Key_PageUp);
    EXPECT_EQ(grid->currentRow(), 2u);
    EXPECT_EQ(grid->topRow(), 0u);

    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid->selection(), (GridRange{2, 4, 0, 1}));
    key(Qt::Key_Up, Qt::ShiftModifier);
    key(Qt::Key_Up, Qt::ShiftModifier);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid->selection(), (GridRange{1, 2, 0, 1}));
    // A plain arrow drops the range.
    key(Qt::Key_Down);
    EXPECT_EQ(grid->selection(), (GridRange{2, 2, 1, 1}));
}

TEST_F(StringGridTest, TypingEditsNothing) {
    auto source = setRows(50);
    grid->setCurrentCell(4, 1);
    const GridRange before = grid->selection();
    for (int k : {int(Qt::Key_A), int(Qt::Key_0), int(Qt::Key_F2), int(Qt::Key_Delete),
                  int(Qt::Key_Backspace), int(Qt::Key_Space)}) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(grid.get(), &press);
        EXPECT_FALSE(press.isAccepted()) << k;
    }
    EXPECT_EQ(grid->selection(), before);
    EXPECT_EQ(grid->cellText(4, 1), "r4c1");
    EXPECT_EQ(grid->findChildren<QLineEdit*>().size(), 0);
}

// Enter, Return and a double click activate a cell, which the window may act
// on (follow a jump); the grid edits nothing and moves nowhere by itself.
TEST_F(StringGridTest, EnterAndADoubleClickActivateACell) {
    auto source = setRows(50);
    QSignalSpy activated(grid.get(), &StringGrid::cellActivated);
    struct Case {
        const char* name;
        std::function<void()> act;
        bool activates;
        std::uint64_t row;
        int column;
    };
    const Case cases[] = {
        {"Return", [this] { key(Qt::Key_Return); }, true, 4, 1},
        {"Enter of the keypad", [this] { key(Qt::Key_Enter, Qt::KeypadModifier); }, true, 4, 1},
        {"double click",
         [this] { QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, centreOf(6, 2)); }, true,
         6, 2},
        {"Shift+Return", [this] { key(Qt::Key_Return, Qt::ShiftModifier); }, false, 4, 1},
        {"Alt+Return", [this] { key(Qt::Key_Return, Qt::AltModifier); }, false, 4, 1},
        {"double click with the right button",
         [this] { QTest::mouseDClick(grid->viewport(), Qt::RightButton, {}, centreOf(6, 2)); },
         false, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->setCurrentCell(4, 1);
        activated.clear();
        c.act();
        ASSERT_EQ(activated.size(), c.activates ? 1 : 0);
        if (c.activates) {
            EXPECT_EQ(activated[0][0].value<std::uint64_t>(), c.row);
            EXPECT_EQ(activated[0][1].toInt(), c.column);
        }
        EXPECT_EQ(grid->currentRow(), c.row);
        EXPECT_EQ(grid->currentColumn(), c.column);
        EXPECT_EQ(grid->cellText(4, 1), "r4c1");
    }
    // Without a source there is nothing to act on.
    grid->setSource(nullptr);
    activated.clear();
    key(Qt::Key_Return);
    EXPECT_EQ(activated.size(), 0);
}

// Alt and Meta with an arrow are the window's (back and forward), not moves.
TEST_F(StringGridTest, AltWithAnArrowIsLeftToTheWindow) {
    setRows(50);
    for (Qt::KeyboardModifier modifier : {Qt::AltModifier, Qt::MetaModifier}) {
        for (int k : {int(Qt::Key_Left), int(Qt::Key_Right), int(Qt::Key_Up), int(Qt::Key_Down),
                      int(Qt::Key_Home)}) {
            SCOPED_TRACE(k);
            grid->setCurrentCell(4, 1);
            QKeyEvent override(QEvent::ShortcutOverride, k, modifier);
            QApplication::sendEvent(grid.get(), &override);
            EXPECT_FALSE(override.isAccepted());
            QKeyEvent press(QEvent::KeyPress, k, modifier);
            QApplication::sendEvent(grid.get(), &press);
            EXPECT_FALSE(press.isAccepted());
            EXPECT_EQ(grid->currentRow(), 4u);
            EXPECT_EQ(grid->currentColumn(), 1);
        }
    }
    // Without Alt the grid keeps its arrows from window shortcuts.
    QKeyEvent plain(QEvent::ShortcutOverride, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(grid.get(), &plain);
    EXPECT_TRUE(plain.isAccepted());
}

// ---- clipboard ------------------------------------------------------------------

TEST_F(StringGridTest, CopyPutsTabSeparatedRowsOnTheClipboard) {
    setRows(4);
    QGuiApplication::clipboard()->clear();
    grid->setCurrentCell(1, 1);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "r1c1\tr1c2\nr2c1\tr2c2\n");

    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->selection(), (GridRange{0, 3, 0, 2}));
    EXPECT_EQ(grid->currentRow(), 2u);  // select all leaves the current cell where it was
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "r0c0\tr0c1\tr0c2\n"
              "r1c0\tr1c1\tr1c2\n"
              "r2c0\tr2c1\tr2c2\n"
              "r3c0\tr3c1\tr3c2\n");

    grid->setCurrentCell(3, 0);
    grid->copySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "r3c0\n");
}

TEST_F(StringGridTest, AMillionRowsAreCopiedAndOneMoreIsRefused) {
    auto source = setRows(MaxRows);
    QClipboard* clipboard = QGuiApplication::clipboard();
    QSignalSpy refused(grid.get(), &StringGrid::copyRefused);

    grid->setCurrentCell(5, 0);
    grid->setCurrentCell(5 + StringGrid::MaxCopyRows - 1, 0, true);
    grid->copySelection();
    const QString copied = clipboard->text();
    EXPECT_EQ(copied.count(QLatin1Char('\n')), static_cast<qsizetype>(StringGrid::MaxCopyRows));
    EXPECT_TRUE(copied.startsWith("r5c0\nr6c0\n"));
    EXPECT_TRUE(copied.endsWith("r1000004c0\n"));
    EXPECT_EQ(refused.count(), 0);

    // The grid shows no message of its own: it tells how many rows it refused.
    struct Refused {
        const char* name;
        std::function<void()> select;
        std::uint64_t rows;
    };
    const Refused cases[] = {
        {"one row too many",
         [&] {
             grid->setCurrentCell(0, 0);
             grid->setCurrentCell(StringGrid::MaxCopyRows, 1, true);
         },
         StringGrid::MaxCopyRows + 1},
        {"select all", [&] { key(Qt::Key_A, Qt::ControlModifier); }, MaxRows},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.name);
        clipboard->setText("before");
        c.select();
        source->resetCounts();
        refused.clear();
        key(Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(source->calls, 0u);
        EXPECT_EQ(clipboard->text(), "before");
        EXPECT_EQ(grid->selectedText(), QString());
        ASSERT_EQ(refused.count(), 1);
        EXPECT_EQ(refused.at(0).at(0).value<std::uint64_t>(), c.rows);
    }
}

}  // namespace
}  // namespace sorrel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
