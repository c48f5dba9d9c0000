#include "title_row.h"

#include <QPaintEvent>
#include <QPainter>

#include "stringgrid.h"

namespace sorrel {

namespace {

const QColor& titleLineColor() {
    static const QColor colour(0xA0, 0xA0, 0xA0);
    return colour;
}

}  // namespace

// ---- TitleModel ----------------------------------------------------------------

int TitleModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant TitleModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < titles_.size()) {
        return titles_[section];
    }
    return {};
}

void TitleModel::setCount(int count) {
    const int old = static_cast<int>(titles_.size());
    if (count > old) {
        beginInsertColumns(QModelIndex(), old, count - 1);
        titles_.resize(count);
        endInsertColumns();
    } else if (count < old) {
        beginRemoveColumns(QModelIndex(), count, old - 1);
        titles_.resize(count);
        endRemoveColumns();
    }
}

void TitleModel::setTitles(const QStringList& titles) {
    for (qsizetype i = 0; i < titles_.size(); ++i) {
        titles_[i] = i < titles.size() ? titles[i] : QString();
    }
    if (!titles_.isEmpty()) {
        emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(titles_.size()) - 1);
    }
}

QString TitleModel::title(int column) const {
    return column >= 0 && column < titles_.size() ? titles_[column] : QString();
}

// ---- TitleRow ------------------------------------------------------------------

TitleRow::TitleRow(QWidget* parent, int columns, int columnWidth)
    : QHeaderView(Qt::Horizontal, parent), titles_(new TitleModel(this)) {
    setModel(titles_);
    setMinimumSectionSize(StringGrid::GridLineWidth);
    setDefaultSectionSize(columnWidth + StringGrid::GridLineWidth);
    setSectionResizeMode(QHeaderView::Interactive);
    setSectionsMovable(false);
    setSectionsClickable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setCascadingSectionResizes(false);
    setFocusPolicy(Qt::NoFocus);
    titles_->setCount(columns);
}

void TitleRow::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    if (count() == 0) {
        return;
    }
    int first = visualIndexAt(area.left());
    if (first < 0) {
        return;
    }
    int last = visualIndexAt(area.right());
    if (last < 0) {
        last = count() - 1;
    }
    for (int visual = first; visual <= last; ++visual) {
        const int logical = logicalIndex(visual);
        if (isSectionHidden(logical)) {
            continue;
        }
        const QRect rect(sectionViewportPosition(logical), 0, sectionSize(logical),
                         viewport()->height());
        painter.save();
        paintSection(&painter, rect, logical);
        painter.restore();
    }
}

void TitleRow::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    const int line = StringGrid::GridLineWidth;
    const QRect cell(rect.x(), rect.y(), rect.width() - line, rect.height() - line);
    painter->fillRect(rect.x() + cell.width(), rect.y(), line, rect.height(), titleLineColor());
    painter->fillRect(rect.x(), rect.y() + cell.height(), cell.width(), line, titleLineColor());
    if (cell.width() <= 0 || cell.height() <= 0) {
        return;
    }
    const QPalette& pal = palette();
    painter->fillRect(cell, pal.color(QPalette::Button));
    // Raised edge: light above and to the left, shadow below and to the right.
    painter->fillRect(cell.left(), cell.top(), cell.width(), 1, pal.color(QPalette::Light));
    painter->fillRect(cell.left(), cell.top(), 1, cell.height(), pal.color(QPalette::Light));
    painter->fillRect(cell.left(), cell.bottom(), cell.width(), 1, pal.color(QPalette::Mid));
    painter->fillRect(cell.right(), cell.top(), 1, cell.height(), pal.color(QPalette::Mid));
    const QString text = titles_->title(logicalIndex);
    if (!text.isEmpty()) {
        painter->setFont(font());
        painter->setPen(pal.color(QPalette::ButtonText));
        painter->drawText(cell.adjusted(StringGrid::TextPadding, 0, -1, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
}

}  // namespace sorrel
