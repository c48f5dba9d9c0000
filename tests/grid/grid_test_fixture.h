// The fixture of the grid's widget tests: a grid with the main window's
// columns, ten whole rows in view, shown offscreen, and a user's hands.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QString>
#include <QTest>
#include <QWheelEvent>
#include <memory>
#include <ostream>

#include "grid_test_source.h"
#include "stringgrid.h"

namespace sorrel {

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QColor& colour, std::ostream* out) {
    *out << colour.name().toStdString();
}

inline constexpr std::uint64_t MaxRows = 4'294'967'295;  // the byte-order window's largest file
inline constexpr int PageRows = 10;                      // whole rows in the test grid's viewport

class StringGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        grid = std::make_unique<StringGrid>();
        grid->setFrameShape(QFrame::NoFrame);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        grid->setColumnCount(3);
        grid->setColumnTitles({"Адрес инструкци", "Инструкция", "Мнемоника"});
        grid->setColumnWidth(0, 70);
        grid->setColumnWidth(1, 137);
        grid->setColumnWidth(2, 171);
        // The title row and ten rows of 15 pixels, each with its grid line.
        grid->resize(420, 16 + PageRows * 16);
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        ASSERT_EQ(grid->visibleRowCount(), static_cast<std::uint64_t>(PageRows));
    }

    std::shared_ptr<SyntheticSource> setRows(std::uint64_t rows) {
        auto source = std::make_shared<SyntheticSource>(rows);
        grid->setSource(source);
        return source;
    }

    // The centre of a cell in viewport coordinates; the cell must be in view.
    QPoint centreOf(std::uint64_t row, int column) const {
        const QRect rect = grid->cellRect(row, column);
        EXPECT_FALSE(rect.isEmpty()) << "row " << row << " column " << column;
        return rect.center();
    }

    void click(std::uint64_t row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, centreOf(row, column));
    }

    void key(int k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(grid.get(), Qt::Key(k), modifiers);
    }

    void wheel(int angle) {
        const QPointF pos(10, 10);
        QWheelEvent event(pos, grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, angle),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &event);
    }

    // Paints the grid now and returns the source's counts of that paint.
    void paintNow(const SyntheticSource& source) {
        source.resetCounts();
        grid->viewport()->repaint();
    }

    bool currentInView() const {
        return grid->currentRow() >= grid->topRow() &&
               grid->currentRow() < grid->topRow() + grid->visibleRowCount();
    }

    std::unique_ptr<StringGrid> grid;
};

}  // namespace sorrel
