// StringGrid: what the user does with keys, mouse and wheel.
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "stringgrid.h"
#include "title_row.h"

namespace sorrel {

namespace {

constexpr int WheelNotch = 120;

// Alt and Meta with a key make a command of the window (Alt+Left: back), not
// a move of the grid; so do Ctrl+Up and Ctrl+Down (the next region), which
// move the grid as the plain arrows only where the window has no such command.
bool IsWindowCommand(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) {
        return true;
    }
    return (key->modifiers() & Qt::ControlModifier) &&
           (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down);
}

}  // namespace

bool StringGrid::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys that the grid handles itself are not taken by window shortcuts.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
            event->accept();
            return true;
        }
        if (IsWindowCommand(key)) {
            return QAbstractScrollArea::event(event);
        }
        switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
                event->accept();
                return true;
            default:
                break;
        }
    } else if (event->type() == QEvent::FontChange) {
        if (!cellFontSet_) {
            viewport()->update();
        }
    }
    return QAbstractScrollArea::event(event);
}

void StringGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateGeometries();
}

bool StringGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        std::uint64_t row = 0;
        int column = 0;
        const QString tip = source_ && cellAt(help->pos(), &row, &column)
                                ? source_->toolTip(row, column)
                                : QString();
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, viewport(), cellRect(row, column));
        }
        return true;
    }
    if (event->type() == QEvent::Resize) {
        const bool handled = QAbstractScrollArea::viewportEvent(event);
        updateGeometries();
        return handled;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        copySelection();
        event->accept();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        event->accept();
        return;
    }
    if (!cursor_.hasCells() || (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
        event->ignore();
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const std::uint64_t page = pageRows();
    CursorMove move = CursorMove::LineUp;
    switch (event->key()) {
        case Qt::Key_Up:
            move = CursorMove::LineUp;
            break;
        case Qt::Key_Down:
            move = CursorMove::LineDown;
            break;
        case Qt::Key_Left:
            move = CursorMove::ColumnLeft;
            break;
        case Qt::Key_Right:
            move = CursorMove::ColumnRight;
            break;
        case Qt::Key_PageUp:
            move = CursorMove::PageUp;
            stepTopRow(-static_cast<std::int64_t>(page));
            break;
        case Qt::Key_PageDown:
            move = CursorMove::PageDown;
            stepTopRow(static_cast<std::int64_t>(page));
            break;
        case Qt::Key_Home:
            move = control ? CursorMove::DocumentStart : CursorMove::RowStart;
            break;
        case Qt::Key_End:
            move = control ? CursorMove::DocumentEnd : CursorMove::RowEnd;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Shift or Ctrl with Enter are left to the window; no editing.
            if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !source_) {
                event->ignore();
                return;
            }
            emit cellActivated(currentRow(), currentColumn());
            event->accept();
            return;
        default:
            // No editing: other keys go to the parent.
            event->ignore();
            return;
    }
    followCurrent(cursor_.move(move, page, shift));
    event->accept();
}

void StringGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    std::uint64_t row = 0;
    int column = 0;
    const QPoint point = event->position().toPoint();
    if (!cellAt(point, &row, &column)) {
        return;
    }
    setCurrentCell(row, column, event->modifiers() & Qt::ShiftModifier);
    dragging_ = true;
    event->accept();
}

void StringGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    extendToPoint(event->position().toPoint());
    event->accept();
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
    }
    event->accept();
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // No editing: a double click is a click that also activates the cell.
    mousePressEvent(event);
    std::uint64_t row = 0;
    int column = 0;
    if (event->button() == Qt::LeftButton && source_ &&
        cellAt(event->position().toPoint(), &row, &column)) {
        dragging_ = false;
        emit cellActivated(row, column);
    }
}

void StringGrid::extendToPoint(const QPoint& point) {
    const int columns = columnCount();
    if (!cursor_.hasCells()) {
        return;
    }
    // Past the top or bottom edge, the selection goes one row further and
    // the view follows it.
    const int offset = std::min(point.y(), std::max(0, viewport()->height())) / rowPitch();
    const std::uint64_t row = StepRow(topRow_, point.y() < 0 ? -1 : offset, rows_ - 1);
    const int x = std::clamp(point.x(), 0, std::max(0, viewport()->width() - 1));
    int column = header_->logicalIndexAt(x);
    if (column < 0) {
        column = x < header_->sectionViewportPosition(0) ? 0 : columns - 1;
    }
    setCurrentCell(row, column, true);
}

void StringGrid::wheelEvent(QWheelEvent* event) {
    QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier && delta.x() == 0) {
        delta = QPoint(delta.y(), 0);
    }
    if (delta.y() != 0) {
        wheelY_ += delta.y();
        const int notches = wheelY_ / WheelNotch;
        wheelY_ -= notches * WheelNotch;
        // A notch away from the user scrolls towards the first row.
        if (notches != 0) {
            stepTopRow(-static_cast<std::int64_t>(notches) * WheelRows);
        }
    }
    if (delta.x() != 0) {
        wheelX_ += delta.x();
        const int notches = wheelX_ / WheelNotch;
        wheelX_ -= notches * WheelNotch;
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() - notches * WheelRows * bar->singleStep());
    }
    event->accept();
}

void StringGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void StringGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

}  // namespace sorrel
