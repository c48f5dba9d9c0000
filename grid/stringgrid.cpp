#include "stringgrid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr int DefaultColumnCount = 5;
constexpr int DefaultColumnWidth = 64;
constexpr int DefaultRowHeight = 15;
constexpr int TextPadding = 2;
// Past this many top rows the vertical scroll bar counts in steps of more than
// one row: its range is then ScaledRange.
constexpr std::uint64_t DirectRange = INT_MAX;
constexpr int ScaledRange = 1 << 30;
constexpr int WheelNotch = 120;

const QColor& gridLineColor() {
    static const QColor colour(0xC0, 0xC0, 0xC0);
    return colour;
}

const QColor& titleLineColor() {
    static const QColor colour(0xA0, 0xA0, 0xA0);
    return colour;
}

// 1234567 -> "1 234 567", with no-break spaces between the groups.
QString groupDigits(std::uint64_t value) {
    QString digits = QString::number(value);
    for (int i = digits.size() - 3; i > 0; i -= 3) {
        digits.insert(i, QChar(0x00A0));
    }
    return digits;
}

// The column titles, the header's only data: no rows.
class TitleModel : public QAbstractTableModel {
  public:
    explicit TitleModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& = QModelIndex()) const override { return 0; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(titles_.size());
    }
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < titles_.size()) {
            return titles_[section];
        }
        return {};
    }

    void setCount(int count) {
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
    void setTitles(const QStringList& titles) {
        for (qsizetype i = 0; i < titles_.size(); ++i) {
            titles_[i] = i < titles.size() ? titles[i] : QString();
        }
        if (!titles_.isEmpty()) {
            emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(titles_.size()) - 1);
        }
    }
    QString title(int column) const {
        return column >= 0 && column < titles_.size() ? titles_[column] : QString();
    }

  private:
    QStringList titles_;
};

// The fixed title row: button-face cells with a raised edge and the grid's
// lines, the area past the last column left in the cells' colour.
class TitleRow : public QHeaderView {
  public:
    explicit TitleRow(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

  protected:
    void paintEvent(QPaintEvent* event) override {
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

    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
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
        const QString text =
            model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
        if (!text.isEmpty()) {
            painter->setFont(font());
            painter->setPen(pal.color(QPalette::ButtonText));
            painter->drawText(cell.adjusted(TextPadding, 0, -1, 0),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        }
    }
};

}  // namespace

struct StringGrid::Private {
    TitleModel* titles = nullptr;
    TitleRow* header = nullptr;
    QFont cellFont;
    bool cellFontSet = false;
    int rowHeight = DefaultRowHeight;
    std::uint64_t rows = 1;  // rowCount(), kept while the source is set
    GridRange selection;
    int wheelY = 0;
    int wheelX = 0;
    bool dragging = false;
    bool syncingScrollBar = false;
    bool updatingGeometries = false;
    QPointer<QMessageBox> refusal;
};

StringGrid::StringGrid(QWidget* parent) : QAbstractScrollArea(parent), d_(new Private) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    d_->header = new TitleRow(this);
    d_->titles = new TitleModel(d_->header);
    d_->header->setModel(d_->titles);
    d_->header->setMinimumSectionSize(GridLineWidth);
    d_->header->setDefaultSectionSize(DefaultColumnWidth + GridLineWidth);
    d_->header->setSectionResizeMode(QHeaderView::Interactive);
    d_->header->setSectionsMovable(false);
    d_->header->setSectionsClickable(false);
    d_->header->setHighlightSections(false);
    d_->header->setSortIndicatorShown(false);
    d_->header->setStretchLastSection(false);
    d_->header->setCascadingSectionResizes(false);
    d_->header->setFocusPolicy(Qt::NoFocus);
    d_->titles->setCount(DefaultColumnCount);

    connect(d_->header, &QHeaderView::sectionResized, this, [this] {
        updateHorizontalScrollBar();
        viewport()->update();
    });
    connect(d_->header, &QHeaderView::sectionCountChanged, this, [this] {
        updateHorizontalScrollBar();
        viewport()->update();
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        d_->header->setOffset(value);
        viewport()->update();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { onVerticalValue(value); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { onVerticalAction(action); });

    updateGeometries();
}

StringGrid::~StringGrid() {
    // The children outlive d_ by a little: nothing they signal may reach it.
    disconnect(d_->header, nullptr, this, nullptr);
    disconnect(horizontalScrollBar(), nullptr, this, nullptr);
    disconnect(verticalScrollBar(), nullptr, this, nullptr);
}

// ---- columns and titles ----------------------------------------------------

void StringGrid::setColumnCount(int count) {
    count = std::max(0, count);
    if (count == columnCount()) {
        return;
    }
    d_->titles->setCount(count);
    const std::uint64_t oldRow = currentRow_;
    const int oldColumn = currentColumn_;
    clampToRows();
    updateGeometries();
    viewport()->update();
    if (oldRow != currentRow_ || oldColumn != currentColumn_) {
        emit currentCellChanged(currentRow_, currentColumn_);
    }
}

int StringGrid::columnCount() const {
    return d_->titles->columnCount();
}

void StringGrid::setColumnTitles(const QStringList& titles) {
    d_->titles->setTitles(titles);
    d_->header->viewport()->update();
}

QString StringGrid::columnTitle(int column) const {
    return d_->titles->title(column);
}

void StringGrid::setColumnWidth(int column, int width) {
    if (column < 0 || column >= columnCount()) {
        return;
    }
    d_->header->resizeSection(column, std::max(0, width) + GridLineWidth);
}

int StringGrid::columnWidth(int column) const {
    if (column < 0 || column >= columnCount()) {
        return 0;
    }
    return std::max(0, d_->header->sectionSize(column) - GridLineWidth);
}

QHeaderView* StringGrid::titleRow() const {
    return d_->header;
}

void StringGrid::setDefaultRowHeight(int height) {
    height = std::max(1, height);
    if (height == d_->rowHeight) {
        return;
    }
    d_->rowHeight = height;
    updateGeometries();
    setTopRow(topRow_);
    viewport()->update();
}

int StringGrid::defaultRowHeight() const {
    return d_->rowHeight;
}

void StringGrid::setCellFont(const QFont& font) {
    d_->cellFont = font;
    d_->cellFontSet = true;
    d_->header->setFont(font);
    d_->header->viewport()->update();
    viewport()->update();
}

QFont StringGrid::cellFont() const {
    return d_->cellFontSet ? d_->cellFont : font();
}

// ---- content -----------------------------------------------------------------

void StringGrid::setSource(std::shared_ptr<const CellSource> source) {
    source_ = std::move(source);
    d_->rows = source_ ? source_->rowCount() : 1;
    const std::uint64_t oldRow = currentRow_;
    const int oldColumn = currentColumn_;
    clampToRows();
    updateVerticalScrollBar();
    viewport()->update();
    emit sourceChanged();
    if (oldRow != currentRow_ || oldColumn != currentColumn_) {
        emit currentCellChanged(currentRow_, currentColumn_);
    }
}

std::uint64_t StringGrid::rowCount() const {
    return d_->rows;
}

QString StringGrid::cellText(std::uint64_t row, int column) const {
    if (!source_ || row >= d_->rows || column < 0 || column >= columnCount()) {
        return QString();
    }
    return source_->cellText(row, column);
}

// ---- current cell and selection ------------------------------------------

void StringGrid::setCurrentCell(std::uint64_t row, int column, bool extendSelection) {
    const std::uint64_t rows = rowCount();
    const int columns = columnCount();
    if (rows == 0 || columns == 0) {
        return;
    }
    row = std::min(row, rows - 1);
    column = std::clamp(column, 0, columns - 1);
    const bool changed = row != currentRow_ || column != currentColumn_;
    currentRow_ = row;
    currentColumn_ = column;
    if (!extendSelection) {
        anchorRow_ = row;
        anchorColumn_ = column;
    }
    d_->selection = GridRange{std::min(anchorRow_, row), std::max(anchorRow_, row),
                              std::min(anchorColumn_, column), std::max(anchorColumn_, column)};
    ensureVisible(row, column);
    viewport()->update();
    if (changed) {
        emit currentCellChanged(currentRow_, currentColumn_);
    }
}

GridRange StringGrid::selection() const {
    return d_->selection;
}

void StringGrid::selectAll() {
    const std::uint64_t rows = rowCount();
    const int columns = columnCount();
    if (rows == 0 || columns == 0) {
        return;
    }
    d_->selection = GridRange{0, rows - 1, 0, columns - 1};
    viewport()->update();
}

QString StringGrid::selectedText() const {
    if (rowCount() == 0 || columnCount() == 0) {
        return QString();
    }
    const GridRange range = d_->selection;
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
    if (rowCount() == 0 || columnCount() == 0) {
        return;
    }
    const GridRange range = d_->selection;
    const std::uint64_t rows = range.bottom - range.top + 1;
    if (rows > MaxCopyRows) {
        if (d_->refusal) {
            d_->refusal->raise();
            d_->refusal->activateWindow();
            return;
        }
        auto* box =
            new QMessageBox(QMessageBox::Information, QStringLiteral("Копирование"),
                            QStringLiteral("Выделено слишком много строк для копирования: %1.\n"
                                           "Можно скопировать не более %2 строк.")
                                .arg(groupDigits(rows), groupDigits(MaxCopyRows)),
                            QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("copyRefusedMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        d_->refusal = box;
        box->open();
        return;
    }
    QGuiApplication::clipboard()->setText(selectedText());
}

// ---- scrolling ---------------------------------------------------------------

int StringGrid::rowPitch() const {
    return d_->rowHeight + GridLineWidth;
}

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

std::uint64_t StringGrid::maxTopRow() const {
    const std::uint64_t rows = rowCount();
    const std::uint64_t page = pageRows();
    return rows > page ? rows - page : 0;
}

void StringGrid::scrollToRow(std::uint64_t row) {
    setTopRow(row);
}

void StringGrid::setTopRow(std::uint64_t row) {
    row = std::min(row, maxTopRow());
    if (row != topRow_) {
        topRow_ = row;
        viewport()->update();
    }
    const int value = rowToValue(topRow_);
    if (verticalScrollBar()->value() != value) {
        d_->syncingScrollBar = true;
        verticalScrollBar()->setValue(value);
        d_->syncingScrollBar = false;
    }
}

std::uint64_t StringGrid::valueToRow(int value) const {
    const std::uint64_t maxTop = maxTopRow();
    if (value <= 0) {
        return 0;
    }
    if (maxTop <= DirectRange) {
        return std::min<std::uint64_t>(static_cast<std::uint64_t>(value), maxTop);
    }
    if (value >= ScaledRange) {
        return maxTop;
    }
    return static_cast<std::uint64_t>(Wide(static_cast<std::uint64_t>(value)) * maxTop /
                                      ScaledRange);
}

int StringGrid::rowToValue(std::uint64_t row) const {
    const std::uint64_t maxTop = maxTopRow();
    row = std::min(row, maxTop);
    if (maxTop <= DirectRange) {
        return static_cast<int>(row);
    }
    if (row == 0 || row == maxTop) {
        return row == 0 ? 0 : ScaledRange;
    }
    // Only the first and the last top rows put the slider at its ends, so that
    // its arrows always lead on.
    const auto value = static_cast<int>((Wide(row) * ScaledRange + maxTop / 2) / maxTop);
    return std::clamp(value, 1, ScaledRange - 1);
}

void StringGrid::updateVerticalScrollBar() {
    const std::uint64_t maxTop = maxTopRow();
    topRow_ = std::min(topRow_, maxTop);
    QScrollBar* bar = verticalScrollBar();
    int maximum = 0;
    int page = 1;
    const std::uint64_t rowsInPage = pageRows();
    if (maxTop <= DirectRange) {
        maximum = static_cast<int>(maxTop);
        page = static_cast<int>(std::min<std::uint64_t>(rowsInPage, INT_MAX));
    } else {
        maximum = ScaledRange;
        page =
            static_cast<int>(std::max<std::uint64_t>(1, Wide(rowsInPage) * ScaledRange / maxTop));
    }
    d_->syncingScrollBar = true;
    bar->setRange(0, maximum);
    bar->setPageStep(page);
    bar->setSingleStep(1);
    bar->setValue(rowToValue(topRow_));
    d_->syncingScrollBar = false;
    viewport()->update();
}

void StringGrid::updateHorizontalScrollBar() {
    QScrollBar* bar = horizontalScrollBar();
    const int width = viewport()->width();
    bar->setRange(0, std::max(0, d_->header->length() - width));
    bar->setPageStep(std::max(1, width));
    bar->setSingleStep(rowPitch());
    d_->header->setOffset(bar->value());
}

void StringGrid::onVerticalValue(int value) {
    if (d_->syncingScrollBar) {
        return;
    }
    // A value that the current top row already maps to keeps that row: the
    // scroll bar may count several rows in one step.
    if (rowToValue(topRow_) == value) {
        return;
    }
    topRow_ = valueToRow(value);
    viewport()->update();
}

void StringGrid::onVerticalAction(int action) {
    // Steps and pages move by whole rows, however many rows one step of the
    // scroll bar stands for.
    std::uint64_t top = topRow_;
    const std::uint64_t page = pageRows();
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            top = topRow_ + 1;
            break;
        case QAbstractSlider::SliderSingleStepSub:
            top = topRow_ > 0 ? topRow_ - 1 : 0;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            top = maxTopRow() - topRow_ > page ? topRow_ + page : maxTopRow();
            break;
        case QAbstractSlider::SliderPageStepSub:
            top = topRow_ > page ? topRow_ - page : 0;
            break;
        case QAbstractSlider::SliderToMinimum:
            top = 0;
            break;
        case QAbstractSlider::SliderToMaximum:
            top = maxTopRow();
            break;
        default:
            return;
    }
    top = std::min(top, maxTopRow());
    if (top != topRow_) {
        topRow_ = top;
        viewport()->update();
    }
    verticalScrollBar()->setSliderPosition(rowToValue(topRow_));
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
        const int left = d_->header->sectionPosition(column);
        const int right = left + d_->header->sectionSize(column);
        const int width = viewport()->width();
        if (left < bar->value()) {
            bar->setValue(left);
        } else if (right > bar->value() + width) {
            bar->setValue(std::min(left, right - width));
        }
    }
}

void StringGrid::clampToRows() {
    const std::uint64_t rows = rowCount();
    const int columns = columnCount();
    if (rows == 0 || columns == 0) {
        currentRow_ = anchorRow_ = 0;
        currentColumn_ = anchorColumn_ = 0;
        d_->selection = GridRange{};
        topRow_ = 0;
        return;
    }
    const std::uint64_t lastRow = rows - 1;
    const int lastColumn = columns - 1;
    currentRow_ = std::min(currentRow_, lastRow);
    anchorRow_ = std::min(anchorRow_, lastRow);
    currentColumn_ = std::min(currentColumn_, lastColumn);
    anchorColumn_ = std::min(anchorColumn_, lastColumn);
    GridRange& range = d_->selection;
    range.top = std::min(range.top, lastRow);
    range.bottom = std::min(range.bottom, lastRow);
    range.left = std::min(range.left, lastColumn);
    range.right = std::min(range.right, lastColumn);
    topRow_ = std::min(topRow_, maxTopRow());
}

void StringGrid::scrollContentsBy(int, int) {
    // Rows are painted afresh from the source; there are no pixels to move.
    viewport()->update();
}

void StringGrid::updateGeometries() {
    if (d_->updatingGeometries) {
        return;
    }
    d_->updatingGeometries = true;
    const int titleHeight = rowPitch();
    if (viewportMargins() != QMargins(0, titleHeight, 0, 0)) {
        setViewportMargins(0, titleHeight, 0, 0);
    }
    const QRect area = viewport()->geometry();
    d_->header->setGeometry(area.left(), area.top() - titleHeight, area.width(), titleHeight);
    d_->updatingGeometries = false;
    updateHorizontalScrollBar();
    updateVerticalScrollBar();
}

// ---- geometry --------------------------------------------------------------

QRect StringGrid::cellRect(std::uint64_t row, int column) const {
    if (row < topRow_ || row >= rowCount() || column < 0 || column >= columnCount()) {
        return QRect();
    }
    const std::uint64_t offset = row - topRow_;
    const int pitch = rowPitch();
    if (offset > static_cast<std::uint64_t>(viewport()->height() / pitch)) {
        return QRect();
    }
    return QRect(d_->header->sectionViewportPosition(column), static_cast<int>(offset) * pitch,
                 columnWidth(column), d_->rowHeight);
}

bool StringGrid::cellAt(const QPoint& point, std::uint64_t* row, int* column) const {
    if (point.y() < 0 || point.y() >= viewport()->height()) {
        return false;
    }
    const std::uint64_t r = topRow_ + static_cast<std::uint64_t>(point.y() / rowPitch());
    if (r >= rowCount()) {
        return false;
    }
    const int c = d_->header->logicalIndexAt(point.x());
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

// ---- painting --------------------------------------------------------------

void StringGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const QPalette& pal = palette();
    painter.fillRect(area, pal.color(QPalette::Base));
    const std::uint64_t rows = rowCount();
    const int columns = columnCount();
    if (rows == 0 || columns == 0) {
        return;
    }
    const int pitch = rowPitch();
    const int height = d_->rowHeight;
    const std::uint64_t firstRow =
        topRow_ + static_cast<std::uint64_t>(std::max(0, area.top()) / pitch);
    if (firstRow >= rows) {
        return;
    }
    const std::uint64_t lastRow = std::min(
        rows - 1, topRow_ + static_cast<std::uint64_t>(std::max(0, area.bottom()) / pitch));
    int firstVisual = d_->header->visualIndexAt(std::max(0, area.left()));
    if (firstVisual < 0) {
        return;
    }
    int lastVisual = d_->header->visualIndexAt(area.right());
    if (lastVisual < 0) {
        lastVisual = d_->header->count() - 1;
    }

    const GridRange range = d_->selection;
    const bool focused = hasFocus();
    const QColor text = pal.color(QPalette::Text);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor highlightedText = pal.color(QPalette::HighlightedText);
    painter.setFont(cellFont());
    constexpr int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

    for (std::uint64_t row = firstRow;; ++row) {
        const int y = static_cast<int>(row - topRow_) * pitch;
        const bool rowSelected = row >= range.top && row <= range.bottom;
        for (int visual = firstVisual; visual <= lastVisual; ++visual) {
            const int column = d_->header->logicalIndex(visual);
            if (d_->header->isSectionHidden(column)) {
                continue;
            }
            const int x = d_->header->sectionViewportPosition(column);
            const int width = d_->header->sectionSize(column) - GridLineWidth;
            painter.fillRect(x + width, y, GridLineWidth, pitch, gridLineColor());
            painter.fillRect(x, y + height, width, GridLineWidth, gridLineColor());
            if (width <= 0) {
                continue;
            }
            const QRect cell(x, y, width, height);
            const bool current = focused && row == currentRow_ && column == currentColumn_;
            const bool selected =
                rowSelected && column >= range.left && column <= range.right && !current;
            if (selected) {
                painter.fillRect(cell, highlight);
            }
            if (source_) {
                const QString value = source_->cellText(row, column);
                if (!value.isEmpty()) {
                    painter.setPen(selected ? highlightedText : text);
                    painter.drawText(cell.adjusted(TextPadding, 0, 0, 0), flags, value);
                }
            }
            if (current) {
                QPen pen(text, 1, Qt::DotLine);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
            }
        }
        if (row == lastRow) {
            break;
        }
    }
}

// ---- events ----------------------------------------------------------------

bool StringGrid::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys that the grid handles itself are not taken by window shortcuts.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
            event->accept();
            return true;
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
        if (!d_->cellFontSet) {
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
    const std::uint64_t rows = rowCount();
    const int columns = columnCount();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (rows == 0 || columns == 0) {
        event->ignore();
        return;
    }
    const std::uint64_t lastRow = rows - 1;
    const std::uint64_t page = pageRows();
    std::uint64_t row = currentRow_;
    int column = currentColumn_;
    switch (event->key()) {
        case Qt::Key_Up:
            row = row > 0 ? row - 1 : 0;
            break;
        case Qt::Key_Down:
            row = row < lastRow ? row + 1 : lastRow;
            break;
        case Qt::Key_Left:
            column = std::max(0, column - 1);
            break;
        case Qt::Key_Right:
            column = std::min(columns - 1, column + 1);
            break;
        case Qt::Key_PageUp:
            row = row > page ? row - page : 0;
            setTopRow(topRow_ > page ? topRow_ - page : 0);
            break;
        case Qt::Key_PageDown:
            row = lastRow - row > page ? row + page : lastRow;
            setTopRow(maxTopRow() - topRow_ > page ? topRow_ + page : maxTopRow());
            break;
        case Qt::Key_Home:
            column = 0;
            if (control) {
                row = 0;
            }
            break;
        case Qt::Key_End:
            column = columns - 1;
            if (control) {
                row = lastRow;
            }
            break;
        default:
            // No editing: other keys go to the parent.
            event->ignore();
            return;
    }
    setCurrentCell(row, column, shift);
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
    d_->dragging = true;
    event->accept();
}

void StringGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!d_->dragging || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    extendToPoint(event->position().toPoint());
    event->accept();
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        d_->dragging = false;
    }
    event->accept();
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // No editing: a double click is a click.
    mousePressEvent(event);
}

void StringGrid::extendToPoint(const QPoint& point) {
    const std::uint64_t rows = rowCount();
    const int columns = columnCount();
    if (rows == 0 || columns == 0) {
        return;
    }
    // Past the top or bottom edge, the selection goes one row further and
    // the view follows it.
    std::uint64_t row = 0;
    if (point.y() < 0) {
        row = topRow_ > 0 ? topRow_ - 1 : 0;
    } else {
        const std::uint64_t offset = static_cast<std::uint64_t>(
            std::min(point.y(), std::max(0, viewport()->height())) / rowPitch());
        row = rows - 1 - topRow_ > offset ? topRow_ + offset : rows - 1;
    }
    const int x = std::clamp(point.x(), 0, std::max(0, viewport()->width() - 1));
    int column = d_->header->logicalIndexAt(x);
    if (column < 0) {
        column = x < d_->header->sectionViewportPosition(0) ? 0 : columns - 1;
    }
    setCurrentCell(row, column, true);
}

void StringGrid::wheelEvent(QWheelEvent* event) {
    QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier && delta.x() == 0) {
        delta = QPoint(delta.y(), 0);
    }
    if (delta.y() != 0) {
        d_->wheelY += delta.y();
        const int notches = d_->wheelY / WheelNotch;
        d_->wheelY -= notches * WheelNotch;
        if (notches > 0) {
            const std::uint64_t step = static_cast<std::uint64_t>(notches) * WheelRows;
            setTopRow(topRow_ > step ? topRow_ - step : 0);
        } else if (notches < 0) {
            const std::uint64_t step = static_cast<std::uint64_t>(-notches) * WheelRows;
            const std::uint64_t maxTop = maxTopRow();
            setTopRow(maxTop - topRow_ > step ? topRow_ + step : maxTop);
        }
    }
    if (delta.x() != 0) {
        d_->wheelX += delta.x();
        const int notches = d_->wheelX / WheelNotch;
        d_->wheelX -= notches * WheelNotch;
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
