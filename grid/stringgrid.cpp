#include "stringgrid.h"

#include <QApplication>
#include <QClipboard>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "title_row.h"

namespace sorrel {

namespace {

constexpr int DefaultColumnCount = 5;
constexpr int DefaultColumnWidth = 64;

const QColor& gridLineColor() {
    static const QColor colour(0xC0, 0xC0, 0xC0);
    return colour;
}

}  // namespace

StringGrid::StringGrid(QWidget* parent)
    : QAbstractScrollArea(parent),
      header_(new TitleRow(this, DefaultColumnCount, DefaultColumnWidth)) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    cursor_.setSize(rows_, DefaultColumnCount);

    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateHorizontalScrollBar();
        viewport()->update();
    });
    connect(header_, &QHeaderView::sectionCountChanged, this, [this] {
        updateHorizontalScrollBar();
        viewport()->update();
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        header_->setOffset(value);
        viewport()->update();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { onVerticalValue(value); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { onVerticalAction(action); });

    updateGeometries();
}

StringGrid::~StringGrid() {
    // The children outlive the members by a little: nothing they signal or
    // send may reach them.
    disconnect(header_, nullptr, this, nullptr);
    disconnect(horizontalScrollBar(), nullptr, this, nullptr);
    disconnect(verticalScrollBar(), nullptr, this, nullptr);
    for (SideWidget& side : sides_) {
        if (side.widget) {
            side.widget->removeEventFilter(this);
        }
    }
}

// ---- columns and titles ----------------------------------------------------

void StringGrid::setColumnCount(int count) {
    count = std::max(0, count);
    if (count == columnCount()) {
        return;
    }
    header_->titles()->setCount(count);
    const bool changed = resizeCursor();
    updateGeometries();
    viewport()->update();
    if (changed) {
        emit currentCellChanged(currentRow(), currentColumn());
    }
}

int StringGrid::columnCount() const {
    return header_->titles()->columnCount();
}

void StringGrid::setColumnTitles(const QStringList& titles) {
    header_->titles()->setTitles(titles);
    header_->viewport()->update();
}

QString StringGrid::columnTitle(int column) const {
    return header_->titles()->title(column);
}

void StringGrid::setColumnWidth(int column, int width) {
    if (column < 0 || column >= columnCount()) {
        return;
    }
    header_->resizeSection(column, std::max(0, width) + GridLineWidth);
}

int StringGrid::columnWidth(int column) const {
    if (column < 0 || column >= columnCount()) {
        return 0;
    }
    return std::max(0, header_->sectionSize(column) - GridLineWidth);
}

QHeaderView* StringGrid::titleRow() const {
    return header_;
}

void StringGrid::setDefaultRowHeight(int height) {
    height = std::max(1, height);
    if (height == rowHeight_) {
        return;
    }
    rowHeight_ = height;
    updateGeometries();
    setTopRow(topRow_);
    viewport()->update();
}

void StringGrid::setCellFont(const QFont& font) {
    cellFont_ = font;
    cellFontSet_ = true;
    header_->setFont(font);
    header_->viewport()->update();
    viewport()->update();
}

QFont StringGrid::cellFont() const {
    return cellFontSet_ ? cellFont_ : font();
}

// ---- content -----------------------------------------------------------------

void StringGrid::setSource(std::shared_ptr<const CellSource> source) {
    source_ = std::move(source);
    rows_ = source_ ? source_->rowCount() : 1;
    const bool changed = resizeCursor();
    updateVerticalScrollBar();
    viewport()->update();
    emit sourceChanged();
    if (changed) {
        emit currentCellChanged(currentRow(), currentColumn());
    }
}

QString StringGrid::cellText(std::uint64_t row, int column) const {
    if (!source_ || row >= rows_ || column < 0 || column >= columnCount()) {
        return QString();
    }
    return source_->cellText(row, column);
}

bool StringGrid::resizeCursor() {
    const std::uint64_t oldRow = currentRow();
    const int oldColumn = currentColumn();
    cursor_.setSize(rows_, columnCount());
    topRow_ = cursor_.hasCells() ? std::min(topRow_, maxTopRow()) : 0;
    return oldRow != currentRow() || oldColumn != currentColumn();
}

// ---- current cell and selection ------------------------------------------

void StringGrid::setCurrentCell(std::uint64_t row, int column, bool extendSelection) {
    if (cursor_.hasCells()) {
        followCurrent(cursor_.moveTo(row, column, extendSelection));
    }
}

void StringGrid::followCurrent(bool changed) {
    ensureVisible(currentRow(), currentColumn());
    viewport()->update();
    if (changed) {
        emit currentCellChanged(currentRow(), currentColumn());
    }
}

void StringGrid::selectAll() {
    if (cursor_.hasCells()) {
        cursor_.selectAll();
        viewport()->update();
    }
}

QString StringGrid::selectedText() const {
    if (!source_ || !cursor_.hasCells()) {
        return QString();
    }
    const GridRange range = selection();
    if (range.bottom - range.top >= MaxCopyRows) {
        return QString();
    }
    QString text;
    for (std::uint64_t row = range.top;; ++row) {
        for (int column = range.left; column <= range.right; ++column) {
            if (column != range.left) {
                text += QLatin1Char('\t');
            }
            text += cellText(row, column);
        }
        text += QLatin1Char('\n');
        if (row == range.bottom) {
            break;
        }
    }
    return text;
}

void StringGrid::copySelection() {
    // Without a source the grid shows one empty row: nothing to copy.
    if (!source_ || !cursor_.hasCells()) {
        return;
    }
    const GridRange range = selection();
    const std::uint64_t rows = range.bottom - range.top + 1;
    if (rows > MaxCopyRows) {
        emit copyRefused(rows);
        return;
    }
    QGuiApplication::clipboard()->setText(selectedText());
}

// ---- painting ----------------------------------------------------------------

const QColor StringGrid::MarkColour{0x1E, 0x64, 0xC8};

QColor StringGrid::CurrentRowBand(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor highlight = palette.color(QPalette::Highlight);
    // A fifth of the highlight over the cells' colour.
    const auto mix = [](int b, int h) { return (4 * b + h) / 5; };
    return QColor(mix(base.red(), highlight.red()), mix(base.green(), highlight.green()),
                  mix(base.blue(), highlight.blue()));
}

void StringGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const QPalette& pal = palette();
    painter.fillRect(area, pal.color(QPalette::Base));
    const int columns = columnCount();
    if (rows_ == 0 || columns == 0) {
        return;
    }
    const int pitch = rowPitch();
    const int height = rowHeight_;
    const std::uint64_t firstRow =
        topRow_ + static_cast<std::uint64_t>(std::max(0, area.top()) / pitch);
    if (firstRow >= rows_) {
        return;
    }
    const std::uint64_t lastRow = std::min(
        rows_ - 1, topRow_ + static_cast<std::uint64_t>(std::max(0, area.bottom()) / pitch));
    int firstVisual = header_->visualIndexAt(std::max(0, area.left()));
    if (firstVisual < 0) {
        return;
    }
    int lastVisual = header_->visualIndexAt(area.right());
    if (lastVisual < 0) {
        lastVisual = header_->count() - 1;
    }

    const GridRange range = selection();
    // Inside a range of more than one cell the current cell is painted as
    // selected, so that the highlight shows what Ctrl+C copies; a lone
    // current cell is not. Either way the current row has a band across it
    // and the current cell a frame, whether or not the grid has the focus,
    // so that the eye finds the place at once.
    const bool rangeOfCells = range.top != range.bottom || range.left != range.right;
    const QColor text = pal.color(QPalette::Text);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor highlightedText = pal.color(QPalette::HighlightedText);
    const QColor band = CurrentRowBand(pal);
    const QFont font = cellFont();
    painter.setFont(font);
    if (!glyphs_ || glyphs_->font() != font) {
        glyphs_.emplace(font);
    }
    // A text that fits its cell is drawn glyph by glyph at its baseline; one
    // that does not, or that needs another font, in its rectangle, laid out
    // and clipped. Returns the width drawn.
    constexpr int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const QFontMetricsF metrics(font);
    const double baseline = (height - metrics.height()) / 2 + metrics.ascent();
    const auto drawCellText = [&](const QRect& cell, int indent, const QString& text) {
        const QRect box = cell.adjusted(indent, 0, 0, 0);
        if (box.width() <= 0) {
            return 0.0;
        }
        const double drawn = glyphs_->draw(painter, box, baseline, text);
        if (drawn >= 0) {
            return drawn;
        }
        painter.drawText(box, flags, text);
        return metrics.horizontalAdvance(text);
    };

    for (std::uint64_t row = firstRow;; ++row) {
        const int y = static_cast<int>(row - topRow_) * pitch;
        const bool rowSelected = row >= range.top && row <= range.bottom;
        for (int visual = firstVisual; visual <= lastVisual; ++visual) {
            const int column = header_->logicalIndex(visual);
            if (header_->isSectionHidden(column)) {
                continue;
            }
            const int x = header_->sectionViewportPosition(column);
            const int width = header_->sectionSize(column) - GridLineWidth;
            painter.fillRect(x + width, y, GridLineWidth, pitch, gridLineColor());
            painter.fillRect(x, y + height, width, GridLineWidth, gridLineColor());
            if (width <= 0) {
                continue;
            }
            const QRect cell(x, y, width, height);
            const bool onCurrentRow = source_ && row == currentRow();
            const bool current = onCurrentRow && column == currentColumn();
            const bool selected = rowSelected && column >= range.left && column <= range.right &&
                                  (!current || rangeOfCells);
            if (selected) {
                painter.fillRect(cell, highlight);
            } else if (onCurrentRow) {
                painter.fillRect(cell, band);
            }
            if (source_) {
                const QString value = source_->cellText(row, column);
                if (!value.isEmpty()) {
                    painter.setPen(selected ? highlightedText : text);
                    const int greyed = source_->greyedFrom(row, column);
                    if (greyed < 0 || greyed >= value.size()) {
                        drawCellText(cell, TextPadding, value);
                    } else {
                        // The user's part, then the rest greyed.
                        const QString own = value.left(greyed);
                        const int after =
                            static_cast<int>(std::ceil(drawCellText(cell, TextPadding, own)));
                        painter.setPen(selected ? highlightedText
                                                : pal.color(QPalette::PlaceholderText));
                        drawCellText(cell, TextPadding + after, value.mid(greyed));
                    }
                }
                if (column == 0 && source_->rowMarked(row)) {
                    painter.fillRect(x, y, MarkWidth, height, MarkColour);
                }
            }
            if (current) {
                // Two pixels wide, inside the cell.
                const QColor frame = selected ? highlightedText : highlight;
                painter.setPen(QPen(frame, 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
                painter.drawRect(cell.adjusted(1, 1, -2, -2));
            }
        }
        if (row == lastRow) {
            break;
        }
    }
}

}  // namespace sorrel
