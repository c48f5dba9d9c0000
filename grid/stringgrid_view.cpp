// StringGrid: scrolling and the geometry of rows, cells and side widgets.
#include <QEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "scroll_scale.h"
#include "stringgrid.h"
#include "title_row.h"

namespace sorrel {

// ---- scrolling ---------------------------------------------------------------

std::uint64_t StringGrid::visibleRowCount() const {
    const int height = viewport()->height();
    if (height <= 0) {
        return 0;
    }
    return static_cast<std::uint64_t>((height + GridLineWidth) / rowPitch());
}

std::uint64_t StringGrid::pageRows() const {
    return std::max<std::uint64_t>(1, visibleRowCount());
}

ScrollScale StringGrid::scrollScale() const {
    return ScrollScale(rows_, pageRows());
}

std::uint64_t StringGrid::maxTopRow() const {
    return scrollScale().maxTopRow();
}

void StringGrid::scrollToRow(std::uint64_t row) {
    setTopRow(row);
}

void StringGrid::setTopRow(std::uint64_t row) {
    const ScrollScale scale = scrollScale();
    row = std::min(row, scale.maxTopRow());
    if (row != topRow_) {
        topRow_ = row;
        viewport()->update();
    }
    const int value = scale.rowToValue(topRow_);
    if (verticalScrollBar()->value() != value) {
        syncingScrollBar_ = true;
        verticalScrollBar()->setValue(value);
        syncingScrollBar_ = false;
    }
    noteRowGeometry();
}

void StringGrid::stepTopRow(std::int64_t delta) {
    setTopRow(StepRow(topRow_, delta, maxTopRow()));
}

void StringGrid::updateVerticalScrollBar() {
    const ScrollScale scale = scrollScale();
    topRow_ = std::min(topRow_, scale.maxTopRow());
    QScrollBar* bar = verticalScrollBar();
    syncingScrollBar_ = true;
    bar->setRange(0, scale.maximum());
    bar->setPageStep(scale.pageStep());
    bar->setSingleStep(1);
    bar->setValue(scale.rowToValue(topRow_));
    syncingScrollBar_ = false;
    viewport()->update();
    noteRowGeometry();
}

void StringGrid::updateHorizontalScrollBar() {
    QScrollBar* bar = horizontalScrollBar();
    const int width = viewport()->width();
    bar->setRange(0, std::max(0, header_->length() - width));
    bar->setPageStep(std::max(1, width));
    bar->setSingleStep(rowPitch());
    header_->setOffset(bar->value());
}

void StringGrid::onVerticalValue(int value) {
    if (syncingScrollBar_) {
        return;
    }
    // A value that the current top row already maps to keeps that row: the
    // scroll bar may count several rows in one step.
    const ScrollScale scale = scrollScale();
    if (scale.rowToValue(topRow_) == value) {
        return;
    }
    topRow_ = scale.valueToRow(value);
    viewport()->update();
    noteRowGeometry();
}

void StringGrid::onVerticalAction(int action) {
    // Steps and pages move by whole rows, however many rows one step of the
    // scroll bar stands for.
    const ScrollScale scale = scrollScale();
    const auto page = static_cast<std::int64_t>(pageRows());
    std::uint64_t top = topRow_;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            top = StepRow(topRow_, 1, scale.maxTopRow());
            break;
        case QAbstractSlider::SliderSingleStepSub:
            top = StepRow(topRow_, -1, scale.maxTopRow());
            break;
        case QAbstractSlider::SliderPageStepAdd:
            top = StepRow(topRow_, page, scale.maxTopRow());
            break;
        case QAbstractSlider::SliderPageStepSub:
            top = StepRow(topRow_, -page, scale.maxTopRow());
            break;
        case QAbstractSlider::SliderToMinimum:
            top = 0;
            break;
        case QAbstractSlider::SliderToMaximum:
            top = scale.maxTopRow();
            break;
        default:
            return;
    }
    if (top != topRow_) {
        topRow_ = top;
        viewport()->update();
    }
    verticalScrollBar()->setSliderPosition(scale.rowToValue(topRow_));
    noteRowGeometry();
}

void StringGrid::ensureVisible(std::uint64_t row, int column) {
    const std::uint64_t page = pageRows();
    if (row < topRow_) {
        setTopRow(row);
    } else if (row - topRow_ >= page) {
        setTopRow(row - page + 1);
    }
    if (column >= 0 && column < columnCount()) {
        QScrollBar* bar = horizontalScrollBar();
        const int left = header_->sectionPosition(column);
        const int right = left + header_->sectionSize(column);
        const int width = viewport()->width();
        if (left < bar->value()) {
            bar->setValue(left);
        } else if (right > bar->value() + width) {
            bar->setValue(std::min(left, right - width));
        }
    }
}

void StringGrid::scrollContentsBy(int, int) {
    // Rows are painted afresh from the source; there are no pixels to move.
    viewport()->update();
}

// ---- geometry ----------------------------------------------------------------

int StringGrid::widthForColumns() const {
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    return 2 * frameWidth() + sides_[0].room() + header_->length() + sides_[1].room() + bar;
}

int StringGrid::SideWidget::room() const {
    return widget && !widget->isHidden() ? width : 0;
}

void StringGrid::setSideWidget(Side side, QWidget* widget, int width) {
    SideWidget& slot = sides_[side == Side::Left ? 0 : 1];
    if (slot.widget && slot.widget != widget) {
        slot.widget->removeEventFilter(this);
        delete slot.widget;
    }
    slot.widget = widget;
    slot.width = std::max(0, width);
    if (widget && widget->parent() != this) {
        const bool hidden =
            widget->isHidden() && widget->testAttribute(Qt::WA_WState_ExplicitShowHide);
        widget->setParent(this);
        widget->setVisible(!hidden);
    }
    if (widget) {
        widget->installEventFilter(this);
    }
    updateGeometries();
}

QWidget* StringGrid::sideWidget(Side side) const {
    return sides_[side == Side::Left ? 0 : 1].widget;
}

bool StringGrid::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) &&
        (watched == sides_[0].widget || watched == sides_[1].widget)) {
        updateGeometries();
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void StringGrid::updateGeometries() {
    if (updatingGeometries_) {
        return;
    }
    updatingGeometries_ = true;
    const int titleHeight = rowPitch();
    const int left = sides_[0].room();
    const int right = sides_[1].room();
    const QMargins margins(left, titleHeight, right, 0);
    if (viewportMargins() != margins) {
        setViewportMargins(margins);
    }
    const QRect area = viewport()->geometry();
    header_->setGeometry(area.left(), area.top() - titleHeight, area.width(), titleHeight);
    if (left > 0) {
        sides_[0].widget->setGeometry(area.left() - left, area.top(), left, area.height());
    }
    if (right > 0) {
        sides_[1].widget->setGeometry(area.right() + 1, area.top(), right, area.height());
    }
    updatingGeometries_ = false;
    updateHorizontalScrollBar();
    updateVerticalScrollBar();
}

void StringGrid::noteRowGeometry() {
    const RowGeometry now{topRow_, rowPitch(), viewport()->height(), source_.get(), rows_};
    if (now != rowGeometry_) {
        rowGeometry_ = now;
        emit rowGeometryChanged();
    }
}

std::optional<int> StringGrid::rowY(std::uint64_t row) const {
    const int height = viewport()->height();
    const int pitch = rowPitch();
    if (row >= rows_ || row < topRow_ ||
        row - topRow_ >= static_cast<std::uint64_t>(std::max(0, height))) {
        return std::nullopt;
    }
    const int y = static_cast<int>(row - topRow_) * pitch;
    if (y >= height) {
        return std::nullopt;
    }
    return y;
}

QRect StringGrid::cellRect(std::uint64_t row, int column) const {
    const std::optional<int> y = rowY(row);
    if (!y || column < 0 || column >= columnCount()) {
        return QRect();
    }
    return QRect(header_->sectionViewportPosition(column), *y, columnWidth(column), rowHeight_);
}

bool StringGrid::cellAt(const QPoint& point, std::uint64_t* row, int* column) const {
    if (point.y() < 0 || point.y() >= viewport()->height()) {
        return false;
    }
    const std::uint64_t r = topRow_ + static_cast<std::uint64_t>(point.y() / rowPitch());
    if (r >= rows_) {
        return false;
    }
    const int c = header_->logicalIndexAt(point.x());
    if (c < 0) {
        return false;
    }
    if (row) {
        *row = r;
    }
    if (column) {
        *column = c;
    }
    return true;
}

}  // namespace sorrel
