// StringGrid: a virtual string grid. It paints only the rows in view and asks
// its cell source for each text when it needs it, so millions of rows cost no
// more than one screen. Row indices are 64-bit; the title row is a horizontal
// QHeaderView and is not counted among the rows.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QHeaderView;

class CellSource {
  public:
    virtual ~CellSource() = default;
    virtual std::uint64_t rowCount() const = 0;
    // row < rowCount(), 0 <= column < the grid's column count
    virtual QString cellText(std::uint64_t row, int column) const = 0;
};

// A rectangle of cells, inclusive on all sides.
struct GridRange {
    std::uint64_t top = 0;
    std::uint64_t bottom = 0;
    int left = 0;
    int right = 0;
    bool operator==(const GridRange&) const = default;
};

class StringGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // Selections of more rows than this are not copied to the clipboard.
    static constexpr std::uint64_t MaxCopyRows = 1'000'000;
    // Width of the lines between cells, in pixels. A row takes
    // defaultRowHeight() + GridLineWidth pixels, a column columnWidth() + GridLineWidth.
    static constexpr int GridLineWidth = 1;
    // Rows moved by one notch of the mouse wheel.
    static constexpr int WheelRows = 3;

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
    int defaultRowHeight() const;
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
    std::uint64_t rowCount() const;
    QString cellText(std::uint64_t row, int column) const;

    // Current cell and selection.
    std::uint64_t currentRow() const { return currentRow_; }
    int currentColumn() const { return currentColumn_; }
    void setCurrentCell(std::uint64_t row, int column, bool extendSelection = false);
    GridRange selection() const;
    void selectAll();
    // The selected cells as text: cells of a row joined by a tab, each row
    // ending with a line feed. Empty when more than MaxCopyRows rows.
    QString selectedText() const;
    // Ctrl+C: puts selectedText() on the clipboard, or tells the user why not.
    void copySelection();

    // Scrolling: the first row in view.
    std::uint64_t topRow() const { return topRow_; }
    void scrollToRow(std::uint64_t row);
    std::uint64_t visibleRowCount() const;  // whole rows that fit in the viewport
    // The largest first row: the last row is then the last whole row in view.
    std::uint64_t maxTopRow() const;

    // The cell's rectangle in viewport coordinates, without its grid lines;
    // empty when the row lies outside the viewport's rows or there is no such column.
    QRect cellRect(std::uint64_t row, int column) const;
    // The cell under a viewport point; false when no cell is there.
    bool cellAt(const QPoint& point, std::uint64_t* row, int* column) const;

  signals:
    void currentCellChanged(std::uint64_t row, int column);
    void sourceChanged();

  protected:
    bool event(QEvent* event) override;
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
    struct Private;
    int rowPitch() const;
    std::uint64_t pageRows() const;
    void updateGeometries();
    void updateVerticalScrollBar();
    void updateHorizontalScrollBar();
    void setTopRow(std::uint64_t row);
    void ensureVisible(std::uint64_t row, int column);
    void clampToRows();
    void moveCurrent(std::uint64_t row, int column, bool extend);
    void onVerticalAction(int action);
    void onVerticalValue(int value);
    std::uint64_t valueToRow(int value) const;
    int rowToValue(std::uint64_t row) const;
    void extendToPoint(const QPoint& point);

    std::unique_ptr<Private> d_;
    std::shared_ptr<const CellSource> source_;
    std::uint64_t currentRow_ = 0;
    int currentColumn_ = 0;
    std::uint64_t anchorRow_ = 0;
    int anchorColumn_ = 0;
    std::uint64_t topRow_ = 0;
};
