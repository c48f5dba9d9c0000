// StringGrid: a virtual string grid. It paints only the rows in view and asks
// its cell source for each text when it needs it, so millions of rows cost no
// more than one screen. Row indices are 64-bit; the title row is a horizontal
// QHeaderView and is not counted among the rows.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "cell_glyphs.h"

#include "grid_cursor.h"

class QHeaderView;

namespace sorrel {

class ScrollScale;
class TitleRow;

class CellSource {
  public:
    virtual ~CellSource() = default;
    virtual std::uint64_t rowCount() const = 0;
    // row < rowCount(), 0 <= column < the grid's column count
    virtual QString cellText(std::uint64_t row, int column) const = 0;
    // Where in the cell's text a part drawn greyed begins (names the program
    // made up rather than the user's); -1 for none.
    virtual int greyedFrom(std::uint64_t, int) const { return -1; }
    // The row has a mark, drawn at the left edge of its first cell.
    virtual bool rowMarked(std::uint64_t) const { return false; }
    // The cell's tool tip (plain text); empty for none.
    virtual QString toolTip(std::uint64_t, int) const { return {}; }
};

class StringGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // Selections of more rows than this are not copied to the clipboard.
    static constexpr std::uint64_t MaxCopyRows = 1'000'000;
    // Width of the lines between cells, in pixels. A row takes
    // defaultRowHeight() + GridLineWidth pixels, a column columnWidth() + GridLineWidth.
    static constexpr int GridLineWidth = 1;
    // Space left of the text in a cell and in a title, in pixels.
    static constexpr int TextPadding = 2;
    // Rows moved by one notch of the mouse wheel.
    static constexpr int WheelRows = 3;
    // The colour of the band across the current row, under its cells' text.
    static QColor CurrentRowBand(const QPalette& palette);
    // The mark of a marked row: a bar at the left edge of its first cell.
    static constexpr int MarkWidth = 3;
    static const QColor MarkColour;

    explicit StringGrid(QWidget* parent = nullptr);
    ~StringGrid() override;

    // Columns and titles.
    void setColumnCount(int count);
    int columnCount() const;
    void setColumnTitles(const QStringList& titles);
    QString columnTitle(int column) const;
    void setColumnWidth(int column, int width);
    int columnWidth(int column) const;
    QHeaderView* titleRow() const;

    void setDefaultRowHeight(int height);  // 15 pixels unless set
    int defaultRowHeight() const { return rowHeight_; }
    void setCellFont(const QFont& font);
    QFont cellFont() const;

    // Content. Replacing the source is O(1); the grid clamps its current
    // cell, selection and scroll position to the new rows and repaints.
    // Without a source it shows one empty row under the titles, like a fresh
    // string grid; an empty source leaves the title row alone.
    void setSource(std::shared_ptr<const CellSource> source);
    const CellSource* source() const { return source_.get(); }
    std::shared_ptr<const CellSource> sharedSource() const { return source_; }
    // Rows shown: the source's rows, or 1 (the empty row) when there is no source.
    std::uint64_t rowCount() const { return rows_; }
    QString cellText(std::uint64_t row, int column) const;

    // Current cell and selection.
    std::uint64_t currentRow() const { return cursor_.row(); }
    int currentColumn() const { return cursor_.column(); }
    void setCurrentCell(std::uint64_t row, int column, bool extendSelection = false);
    GridRange selection() const { return cursor_.selection(); }
    void selectAll();
    // The selected cells as text: cells of a row joined by a tab, each row
    // ending with a line feed. Empty without a source or when more than
    // MaxCopyRows rows.
    QString selectedText() const;
    // Ctrl+C: puts selectedText() on the clipboard; a selection of more than
    // MaxCopyRows rows is refused with copyRefused() and the clipboard stays.
    // Without a source there is nothing to copy and the clipboard stays too.
    void copySelection();

    // Scrolling: the first row in view.
    std::uint64_t topRow() const { return topRow_; }
    void scrollToRow(std::uint64_t row);
    std::uint64_t visibleRowCount() const;  // whole rows that fit in the viewport
    // The largest first row: the last row is then the last whole row in view.
    std::uint64_t maxTopRow() const;

    // Row geometry, for widgets beside the cells: row r lies at viewport y
    // (r - topRow()) * rowPitch(), and is rowPitch() - GridLineWidth high.
    // rowGeometryChanged() tells of any change of it.
    int rowPitch() const { return rowHeight_ + GridLineWidth; }
    // The viewport y of the row's top; empty when there is no such row or no
    // part of it is in view.
    std::optional<int> rowY(std::uint64_t row) const;

    // The cell's rectangle in viewport coordinates, without its grid lines;
    // empty when the row lies outside the viewport's rows or there is no such column.
    QRect cellRect(std::uint64_t row, int column) const;
    // The cell under a viewport point; false when no cell is there.
    bool cellAt(const QPoint& point, std::uint64_t* row, int* column) const;

    // Widgets beside the cells, inside the grid's frame: Side::Left left of
    // the cells, Side::Right between the cells and the vertical scroll bar.
    // Each is width pixels wide and spans the cell rows: its y is the
    // viewport's y. The grid lays it out and takes it as its child; a widget
    // it replaces is deleted. A null widget, a width of 0 or a hidden widget
    // takes no room.
    enum class Side { Left, Right };
    void setSideWidget(Side side, QWidget* widget, int width);
    QWidget* sideWidget(Side side) const;
    // The width the grid needs to show every column, its side widgets and a
    // vertical scroll bar without scrolling sideways.
    int widthForColumns() const;

  signals:
    void currentCellChanged(std::uint64_t row, int column);
    void sourceChanged();
    // Ctrl+C or copySelection() refused to copy a selection of rows rows.
    void copyRefused(std::uint64_t rows);
    // The user activated a cell: Enter or Return on the current cell, or a
    // double click with the left button on a cell. Only while there is a
    // source; the grid itself does nothing more.
    void cellActivated(std::uint64_t row, int column);
    // The top row, the row pitch, the rows in view, the viewport's height or
    // the source changed.
    void rowGeometryChanged();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

  private:
    struct SideWidget {
        QPointer<QWidget> widget;
        int width = 0;
        int room() const;
    };
    // What rowGeometryChanged() tells of.
    struct RowGeometry {
        std::uint64_t top = 0;
        int pitch = 0;
        int height = 0;
        const CellSource* source = nullptr;
        std::uint64_t rows = 0;
        bool operator==(const RowGeometry&) const = default;
    };

    std::uint64_t pageRows() const;
    ScrollScale scrollScale() const;
    void updateGeometries();
    void updateVerticalScrollBar();
    void updateHorizontalScrollBar();
    void setTopRow(std::uint64_t row);
    void stepTopRow(std::int64_t delta);
    void ensureVisible(std::uint64_t row, int column);
    // Clamps the cursor and the view to the rows and columns; returns
    // whether the current cell changed.
    bool resizeCursor();
    // Brings the current cell into view after a move.
    void followCurrent(bool changed);
    void onVerticalAction(int action);
    void onVerticalValue(int value);
    void extendToPoint(const QPoint& point);
    void noteRowGeometry();

    TitleRow* header_ = nullptr;
    QFont cellFont_;
    bool cellFontSet_ = false;
    // The glyphs of the cells' font, made again when the font changes.
    std::optional<CellGlyphs> glyphs_;
    int rowHeight_ = 15;
    std::shared_ptr<const CellSource> source_;
    std::uint64_t rows_ = 1;  // rowCount(), kept while the source is set
    GridCursor cursor_;
    std::uint64_t topRow_ = 0;
    int wheelY_ = 0;
    int wheelX_ = 0;
    bool dragging_ = false;
    bool syncingScrollBar_ = false;
    bool updatingGeometries_ = false;
    SideWidget sides_[2];
    RowGeometry rowGeometry_;
};

}  // namespace sorrel
