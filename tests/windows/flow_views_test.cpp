// The jump gutter and the overview strip in the main window: fed by their
// passes after a load, following the listing's rows, moving it when clicked,
// hidden and shown from the grid's context menu and by their keys.
#include <QAction>
#include <QCheckBox>
#include <QTest>

#include "flow_views.h"
#include "jump_gutter.h"
#include "overview_strip.h"
#include "window_test_support.h"

namespace wintest {
namespace {

class FlowViewsTest : public WindowsTest {
  protected:
    sorrel::FlowViews* views() const {
        return listing()->findChild<sorrel::FlowViews*>(QString(), Qt::FindDirectChildrenOnly);
    }
    JumpGutter* gutter() const { return views()->gutter(); }
    OverviewStrip* strip() const { return views()->strip(); }

    // Loads words and waits for both passes over them.
    void loadWords(const std::vector<std::uint16_t>& words, bool raw) {
        form1()->CheckBox1->setChecked(raw);  // may reload the file written below
        settle();
        load(writeImage(QStringLiteral("flow.bin"), Words(words)));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !views()->counting(); }, 20'000));
    }
};

// jmp to a listing address.
constexpr std::uint16_t JmpTo(unsigned address) {
    return static_cast<std::uint16_t>(0x8000 | address);
}

TEST_F(FlowViewsTest, PassesAfterALoadGiveTheArrowsMarksAndStrip) {
    ASSERT_NE(views(), nullptr);
    // Rows 0..9: a jump down from 1 to 6, one up from 8 to 2, and 7 to itself.
    std::vector<std::uint16_t> words(10, 0x07E0);
    words[1] = JmpTo(6);
    words[8] = JmpTo(2);
    words[7] = JmpTo(7);
    loadWords(words, true);

    const sorrel::FlowView& flow = gutter()->flow();
    ASSERT_EQ(flow.arrows.size(), 3u);
    EXPECT_EQ(flow.arrows[0].source, 1u);
    EXPECT_EQ(flow.arrows[0].target, 6u);
    EXPECT_EQ(flow.arrows[2].target, 2u);
    ASSERT_EQ(flow.marks.size(), 3u);
    EXPECT_EQ(flow.marks[0].row, 2u);
    EXPECT_EQ(strip()->imageRows(), 10u);
    EXPECT_FALSE(strip()->bands().bands().empty());

    // With a header the same words are header rows: no arrows, no marks.
    words.resize(300, 0x07E0);
    words[260] = JmpTo(1);  // row 260 jumps to 0001h, row 257
    loadWords(words, false);
    ASSERT_EQ(gutter()->flow().arrows.size(), 0u);  // rows 0..13 in view: all header
    listing()->setCurrentCell(260, 1);
    ASSERT_EQ(gutter()->flow().arrows.size(), 1u);
    EXPECT_EQ(gutter()->flow().arrows[0].target, 257u);
    EXPECT_EQ(gutter()->currentRow(), 260u);
}

TEST_F(FlowViewsTest, ClicksOnArrowsAndStripMoveTheListing) {
    std::vector<std::uint16_t> words(5000, 0x07E0);
    words[2] = JmpTo(4);  // both ends stay in view when either is centred
    loadWords(words, true);
    listing()->setCurrentCell(0, 2);
    const sorrel::JumpArrow arrow = gutter()->flow().arrows.at(0);

    QTest::mouseClick(gutter(), Qt::LeftButton, {}, gutter()->tailPoint(arrow));
    EXPECT_EQ(listing()->currentRow(), 4u);
    EXPECT_EQ(listing()->currentColumn(), 2);
    QTest::mouseClick(gutter(), Qt::LeftButton, {}, gutter()->headPoint(arrow));
    EXPECT_EQ(listing()->currentRow(), 2u);

    // A click on the strip makes the row under it current, in the middle of
    // the view, or as near it as the end of the listing lets it be.
    QTest::mouseClick(strip(), Qt::LeftButton, {}, QPoint(2, strip()->height() - 1));
    const sorrel::RowRange last = strip()->bands().rowsOfPixel(strip()->height() - 1);
    EXPECT_GE(listing()->currentRow(), last.first);
    EXPECT_LT(listing()->currentRow(), last.end);
    EXPECT_EQ(listing()->topRow(),
              std::min(listing()->maxTopRow(),
                       listing()->currentRow() - listing()->visibleRowCount() / 2));
    EXPECT_EQ(listing()->currentColumn(), 2);
    const std::uint64_t middle = listing()->rowCount() / 2;
    QTest::mouseClick(strip(), Qt::LeftButton, {}, QPoint(2, strip()->height() / 2));
    EXPECT_NEAR(static_cast<double>(listing()->currentRow()), static_cast<double>(middle),
                static_cast<double>(listing()->rowCount()) / strip()->height() + 1);
    EXPECT_EQ(listing()->currentRow() - listing()->topRow(), listing()->visibleRowCount() / 2);
}

TEST_F(FlowViewsTest, MenuAndKeysHideAndShowEach) {
    struct Toggle {
        const char* name;
        std::function<QAction*(sorrel::FlowViews*)> action;
        std::function<QWidget*(sorrel::FlowViews*)> widget;
        Qt::Key key;
    };
    const Toggle toggles[] = {
        {"arrows", &sorrel::FlowViews::arrowsAction,
         [](sorrel::FlowViews* v) -> QWidget* { return v->gutter(); }, Qt::Key_J},
        {"overview", &sorrel::FlowViews::overviewAction,
         [](sorrel::FlowViews* v) -> QWidget* { return v->strip(); }, Qt::Key_O},
    };
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1()));
    EXPECT_TRUE(listing()->actions().contains(views()->arrowsAction()));
    EXPECT_TRUE(listing()->actions().contains(views()->overviewAction()));
    EXPECT_EQ(views()->arrowsAction()->text(), QStringLiteral("Стрелки переходов"));
    EXPECT_EQ(views()->overviewAction()->text(), QStringLiteral("Обзор образа"));
    for (const Toggle& t : toggles) {
        SCOPED_TRACE(t.name);
        QWidget* widget = t.widget(views());
        QAction* action = t.action(views());
        const int width = listing()->viewport()->width();
        EXPECT_TRUE(widget->isVisible());
        action->trigger();
        EXPECT_FALSE(widget->isVisible());
        EXPECT_EQ(listing()->viewport()->width(), width + widget->width());
        QTest::keyClick(listing(), t.key, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(widget->isVisible());
        EXPECT_TRUE(action->isChecked());
        EXPECT_EQ(listing()->viewport()->width(), width);
    }
}

}  // namespace
}  // namespace wintest
