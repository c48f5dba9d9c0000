// Scrolling the virtual string grid over up to four giga-rows: keys, the
// scroll bars and the wheel; a source that shrinks under the view; the row
// geometry that widgets beside the cells follow.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <optional>

#include "grid_test_fixture.h"

namespace sorrel {
namespace {

// ---- 64-bit rows ----------------------------------------------------------------

TEST_F(StringGridTest, CtrlEndReachesTheLastOfFourGigaRowsAndPaintsIt) {
    auto source = setRows(MaxRows);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRow(), MaxRows - 1);
    EXPECT_EQ(grid->currentColumn(), 2);
    EXPECT_EQ(grid->topRow(), MaxRows - PageRows);
    EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
    paintNow(*source);
    EXPECT_EQ(source->maxRow, MaxRows - 1);
    EXPECT_EQ(source->minRow, MaxRows - PageRows);
    EXPECT_FALSE(grid->cellRect(MaxRows - 1, 2).isEmpty());
    EXPECT_LE(grid->cellRect(MaxRows - 1, 2).bottom(), grid->viewport()->height());

    key(Qt::Key_Up);
    EXPECT_EQ(grid->currentRow(), MaxRows - 2);
    key(Qt::Key_PageUp);
    EXPECT_EQ(grid->currentRow(), MaxRows - 2 - PageRows);
    EXPECT_EQ(grid->topRow(), MaxRows - 2 * PageRows);
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRow(), 0u);
    EXPECT_EQ(grid->topRow(), 0u);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
}

TEST_F(StringGridTest, ScrollBarMapsOntoRowsPastTheRangeOfInt) {
    setRows(MaxRows);
    QScrollBar* bar = grid->verticalScrollBar();
    const std::uint64_t maxTop = MaxRows - PageRows;
    ASSERT_EQ(grid->maxTopRow(), maxTop);

    bar->setValue(bar->maximum());
    EXPECT_EQ(grid->topRow(), maxTop);
    bar->setValue(bar->minimum());
    EXPECT_EQ(grid->topRow(), 0u);

    // Every value maps to a later row than the one before, evenly.
    std::uint64_t previous = 0;
    for (int i = 1; i <= 16; ++i) {
        const int value = static_cast<int>(static_cast<std::int64_t>(bar->maximum()) * i / 16);
        bar->setValue(value);
        EXPECT_GT(grid->topRow(), previous) << value;
        const double expected = double(maxTop) * i / 16;
        EXPECT_NEAR(double(grid->topRow()), expected, double(maxTop) / bar->maximum() + 1);
        previous = grid->topRow();
    }

    // The arrows and the trough move by exact rows, so every row can be reached.
    grid->scrollToRow(1);
    EXPECT_GT(bar->value(), 0);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(grid->topRow(), 0u);
    EXPECT_EQ(bar->value(), 0);
    grid->scrollToRow(3'000'000'001);
    EXPECT_EQ(grid->topRow(), 3'000'000'001u);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(grid->topRow(), 3'000'000'002u);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(grid->topRow(), 3'000'000'000u);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(grid->topRow(), 3'000'000'000u + PageRows);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(grid->topRow(), maxTop);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(grid->topRow(), maxTop - 1);
    EXPECT_LT(bar->value(), bar->maximum());
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(grid->topRow(), maxTop);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(StringGridTest, ScrollBarCountsRowsOneForOneBelowTheRangeOfInt) {
    setRows(1'000'000);
    QScrollBar* bar = grid->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 1'000'000 - PageRows);
    EXPECT_EQ(bar->pageStep(), PageRows);
    bar->setValue(123'456);
    EXPECT_EQ(grid->topRow(), 123'456u);
    grid->scrollToRow(2'000'000);
    EXPECT_EQ(grid->topRow(), 1'000'000u - PageRows);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(StringGridTest, WheelScrollsThreeRowsANotchAndAddsUpFineSteps) {
    setRows(1000);
    wheel(-120);
    EXPECT_EQ(grid->topRow(), 3u);
    wheel(-240);
    EXPECT_EQ(grid->topRow(), 9u);
    wheel(120);
    EXPECT_EQ(grid->topRow(), 6u);
    wheel(-40);
    wheel(-40);
    EXPECT_EQ(grid->topRow(), 6u);
    wheel(-40);
    EXPECT_EQ(grid->topRow(), 9u);
    wheel(1200);
    EXPECT_EQ(grid->topRow(), 0u);
    EXPECT_EQ(grid->currentRow(), 0u);  // the wheel scrolls the view, not the current cell

    setRows(MaxRows);
    grid->scrollToRow(MaxRows - PageRows - 1);
    wheel(-120);
    EXPECT_EQ(grid->topRow(), MaxRows - PageRows);
    EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
    wheel(120);
    EXPECT_EQ(grid->topRow(), MaxRows - PageRows - 3);
}

TEST_F(StringGridTest, HorizontalScrollingKeepsTheCurrentColumnInView) {
    setRows(100);
    grid->resize(200, grid->height());
    QTest::qWait(0);
    ASSERT_GT(grid->viewport()->width(), 171);
    key(Qt::Key_End);
    const QRect cell = grid->cellRect(0, 2);
    EXPECT_GT(grid->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(grid->titleRow()->offset(), grid->horizontalScrollBar()->value());
    EXPECT_GE(cell.left(), 0);
    EXPECT_EQ(cell.right() + 1 + StringGrid::GridLineWidth, grid->viewport()->width());
    key(Qt::Key_Home);
    EXPECT_EQ(grid->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(grid->cellRect(0, 0).left(), 0);

    // A column wider than the view shows from its left edge.
    grid->resize(120, grid->height());
    QTest::qWait(0);
    key(Qt::Key_End);
    EXPECT_EQ(grid->cellRect(0, 2).left(), 0);
    EXPECT_EQ(grid->titleRow()->sectionViewportPosition(2), 0);
}

// ---- a smaller source ---------------------------------------------------------

TEST_F(StringGridTest, ShrinkingTheSourceClampsCellSelectionAndScroll) {
    setRows(1000);
    grid->setCurrentCell(800, 1);
    grid->setCurrentCell(900, 2, true);
    grid->scrollToRow(850);
    QSignalSpy changed(grid.get(), &StringGrid::currentCellChanged);

    setRows(100);
    EXPECT_EQ(grid->currentRow(), 99u);
    EXPECT_EQ(grid->currentColumn(), 2);
    EXPECT_EQ(grid->selection(), (GridRange{99, 99, 1, 2}));
    EXPECT_EQ(grid->topRow(), 100u - PageRows);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 100 - PageRows);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 100 - PageRows);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<std::uint64_t>(), 99u);
    // Shift extends from the clamped anchor.
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid->selection(), (GridRange{98, 99, 1, 2}));

    // Fewer rows than fit in view: all of them in view, from the first.
    setRows(4);
    EXPECT_EQ(grid->topRow(), 0u);
    EXPECT_EQ(grid->currentRow(), 3u);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 0);

    // Shrinking from four giga-rows at the bottom to a few.
    setRows(MaxRows);
    key(Qt::Key_End, Qt::ControlModifier);
    setRows(20);
    EXPECT_EQ(grid->currentRow(), 19u);
    EXPECT_EQ(grid->topRow(), 20u - PageRows);
    EXPECT_EQ(grid->selectedText(), "r19c2\n");

    setRows(0);
    EXPECT_EQ(grid->currentRow(), 0u);
    EXPECT_EQ(grid->topRow(), 0u);
    EXPECT_EQ(grid->selection(), GridRange{});

    // Fewer columns clamp the current column too.
    setRows(10);
    grid->setCurrentCell(5, 2);
    grid->setColumnCount(2);
    EXPECT_EQ(grid->currentColumn(), 1);
    EXPECT_EQ(grid->selection(), (GridRange{5, 5, 1, 1}));
}

// ---- row geometry and widgets beside the cells --------------------------------

TEST_F(StringGridTest, SideWidgetsSpanTheRowsAndFollowTheirGeometry) {
    auto* left = new QWidget;
    auto* right = new QWidget;
    QSignalSpy changed(grid.get(), &StringGrid::rowGeometryChanged);
    struct Step {
        const char* name;
        std::function<void()> act;
        int leftWidth;  // room the side widgets take
        int rightWidth;
        int pitch;
        std::uint64_t wholeRows;
        std::uint64_t top;
        bool signalled;  // rowGeometryChanged() came
    };
    const Step steps[] = {
        {"a new source", [&] { setRows(1000); }, 0, 0, 16, PageRows, 0, true},
        {"side widgets of 12 and 7 pixels",
         [&] {
             grid->setSideWidget(StringGrid::Side::Left, left, 12);
             grid->setSideWidget(StringGrid::Side::Right, right, 7);
         },
         12, 7, 16, PageRows, 0, false},
        {"scrolled", [&] { grid->scrollToRow(500); }, 12, 7, 16, PageRows, 500, true},
        {"scrolled to where it is", [&] { grid->scrollToRow(500); }, 12, 7, 16, PageRows, 500,
         false},
        {"wheel", [&] { wheel(-120); }, 12, 7, 16, PageRows, 503, true},
        {"Page Down",
         [&] {
             grid->setCurrentCell(505, 0);
             key(Qt::Key_PageDown);
         },
         12, 7, 16, PageRows, 513, true},
        {"scroll bar arrow",
         [&] { grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); },
         12, 7, 16, PageRows, 512, true},
        {"resized to five rows", [&] { grid->resize(420, 16 + 5 * 16); }, 12, 7, 16, 5, 512, true},
        {"rows of 20 pixels", [&] { grid->setDefaultRowHeight(20); }, 12, 7, 21, 3, 512, true},
        {"left widget hidden", [&] { left->hide(); }, 0, 7, 21, 3, 512, false},
        {"left widget shown", [&] { left->show(); }, 12, 7, 21, 3, 512, false},
        {"right width 0", [&] { grid->setSideWidget(StringGrid::Side::Right, right, 0); }, 12, 0,
         21, 3, 512, false},
        {"left widget removed", [&] { grid->setSideWidget(StringGrid::Side::Left, nullptr, 12); },
         0, 0, 21, 3, 512, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        changed.clear();
        step.act();
        QTest::qWait(0);
        EXPECT_EQ(changed.count() > 0, step.signalled);
        EXPECT_EQ(grid->rowPitch(), step.pitch);
        EXPECT_EQ(grid->visibleRowCount(), step.wholeRows);
        EXPECT_EQ(grid->topRow(), step.top);

        // The cells, their titles and the widgets beside them share the rows'
        // height; the scroll bar stays right of everything.
        const QRect cells = grid->viewport()->geometry();
        EXPECT_EQ(cells.left(), step.leftWidth);
        EXPECT_EQ(cells.top(), step.pitch);
        EXPECT_EQ(grid->titleRow()->geometry(), QRect(cells.left(), 0, cells.width(), step.pitch));
        EXPECT_EQ(cells.right() + 1 + step.rightWidth,
                  grid->verticalScrollBar()->mapTo(grid.get(), QPoint(0, 0)).x());
        if (step.leftWidth > 0) {
            EXPECT_EQ(left->geometry(), QRect(0, cells.top(), 12, cells.height()));
        }
        if (step.rightWidth > 0) {
            EXPECT_EQ(right->geometry(), QRect(cells.right() + 1, cells.top(), 7, cells.height()));
        }

        // Row y: the top row at 0, the next rows a pitch apart, the row
        // partly in view below the whole ones, no row outside.
        const std::uint64_t top = step.top;
        const auto whole = static_cast<int>(step.wholeRows);
        EXPECT_EQ(grid->rowY(top), 0);
        EXPECT_EQ(grid->rowY(top + whole - 1), (whole - 1) * step.pitch);
        const int below = whole * step.pitch;
        EXPECT_EQ(grid->rowY(top + whole),
                  below < cells.height() ? std::optional<int>(below) : std::nullopt);
        EXPECT_EQ(grid->rowY(top + whole + 1), std::nullopt);
        EXPECT_EQ(grid->rowY(top - 1), std::nullopt);
        EXPECT_EQ(grid->cellRect(top + 1, 0).top(), grid->rowY(top + 1));
    }
    // Rows past the last have no y.
    setRows(3);
    EXPECT_EQ(grid->rowY(2), 2 * 21);
    EXPECT_EQ(grid->rowY(3), std::nullopt);
    EXPECT_EQ(grid->sideWidget(StringGrid::Side::Left), nullptr);
    EXPECT_EQ(grid->sideWidget(StringGrid::Side::Right), right);
    EXPECT_EQ(right->parentWidget(), grid.get());
}

}  // namespace
}  // namespace sorrel
