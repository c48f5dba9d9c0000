// JumpGutter: the narrow column left of the main listing that draws, for the
// rows in view, an arrow from each jump row to its target row, and a mark on
// every row that jumps go to.
//
// The arrows come from LayOutFlow; the gutter only draws them. Lane 0 is at
// the gutter's right edge, next to the listing, and further lanes lie to its
// left. An arrow leaves its jump row (the tail, a little above the row's
// middle) to the right edge, runs in its lane to the target row and comes back
// to the right edge with its head (a little below the target row's middle),
// pointing at the text. Colours: downward jumps blue (#0072B2), upward jumps
// and jumps to themselves vermillion (#D55E00), so that they stay apart for
// colour-blind eyes too; the arrows of the current row (its own and those
// that end on it) are drawn twice as thick and on top of the others. A target
// above or below the view gets a short stub pointing up or down next to the
// text; a target past the end of the image a stub with a cross. A target
// mark is a grey dot at the right edge; its tooltip gives the number of jumps
// to the row. Everything is drawn with vectors in device pixels, so the
// gutter is sharp at any device pixel ratio.
//
// The gutter holds no scroll state of its own: whoever shows it gives it the
// snapshot, the jump counts once they are ready, the listing's row geometry
// and its current row, and moves the listing when the gutter asks for a row.
#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "jump_flow.h"
#include "listing_columns.h"

namespace sorrel {

class ImageData;

class JumpGutter : public QWidget {
    Q_OBJECT
  public:
    // Where the listing shows its rows, in the gutter's own coordinates.
    struct RowGeometry {
        std::uint64_t firstRow = 0;    // the first row in view
        std::uint64_t rowsInView = 0;  // rows shown, a partly visible last one included
        int rowPitch = 16;             // from one row's top to the next: height + grid line
        int rowHeight = 15;
        int firstRowY = 0;  // the y of the first row's top
        bool operator==(const RowGeometry&) const = default;
    };

    // Lanes that the preferred width holds.
    static constexpr int PreferredLanes = 8;

    // The colour of an arrow of a direction (a jump to itself is drawn as an
    // upward one).
    static QColor arrowColor(ArrowDirection direction);

    // The font is the grids' (GridFont()), the line colour theirs (C0C0C0).
    explicit JumpGutter(QWidget* parent = nullptr);

    // The snapshot and its mode (raw: every row is program code; otherwise
    // rows 0 to 255 are the header). The gutter keeps the snapshot alive.
    // Setting another snapshot drops the jump counts.
    void setImage(std::shared_ptr<const ImageData> image, bool raw);
    // The jump counts of a finished pass over that snapshot, or none (no marks).
    void setJumpCounts(std::shared_ptr<const JumpCounts> counts);
    // The notes of the listing, whose labels the tool tips name; none: no names.
    void setNotes(std::shared_ptr<const RowNotes> notes) { notes_ = std::move(notes); }
    void setRowGeometry(const RowGeometry& geometry);
    void setCurrentRow(std::uint64_t row);
    // The colour of the grid's lines: the separator at the right edge and the
    // lines between rows.
    void setLineColor(const QColor& color);

    const RowGeometry& rowGeometry() const { return geometry_; }
    std::uint64_t currentRow() const { return currentRow_; }
    QColor lineColor() const { return lineColor_; }
    // Lanes that the current width holds: at least 1.
    int laneCount() const;
    // The arrows and marks drawn now.
    const FlowView& flow() const { return flow_; }

    // The pixels an arrow is drawn at, in the gutter's coordinates: the end
    // of its tail next to the text; the tip of its head (next to the text on
    // the target row, or the end of a stub pointing up or down), or the centre
    // of the cross of a stub past the end; and the column of its lane or stub.
    QPoint tailPoint(const JumpArrow& arrow) const;
    QPoint headPoint(const JumpArrow& arrow) const;
    int laneX(const JumpArrow& arrow) const;
    // The centre of the mark of a row in view.
    QPoint markCentre(std::uint64_t row) const;
    // The row to go to for a click at point: the tail of the arrow whose head
    // is there, the target of the arrow or stub whose tail is there; false
    // when there is none (a stub past the end leads nowhere).
    bool rowForClick(const QPoint& point, std::uint64_t* row) const;
    // The tooltip at a point: the number of jumps to its row when the row has
    // a mark, else empty.
    QString toolTipAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    // The user clicked an arrow's end or a stub: the listing should go to row.
    void rowRequested(std::uint64_t row);

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    // Sizes in pixels, from the font's height.
    struct Metrics {
        int lanePitch = 4;
        int headLength = 5;
        int headHalf = 3;
        int markDiameter = 5;
        int stubLength = 6;
        int markColumn() const { return markDiameter + 2; }
        // From the left edge of lane 0 to the gutter's right edge.
        int rightPart() const { return 1 + markColumn() + 1 + headLength + 1 + lanePitch; }
    };
    void updateMetrics();
    int headTipX() const;
    int stubX() const;
    int crossHalf() const;
    void relayout();
    int rowTop(std::uint64_t row) const;
    int tailY(std::uint64_t row) const;
    int headY(std::uint64_t row) const;
    bool rowAt(int y, std::uint64_t* row) const;
    const TargetMark* markOf(std::uint64_t row) const;

    std::shared_ptr<const ImageData> image_;
    bool raw_ = false;
    std::shared_ptr<const JumpCounts> counts_;
    std::shared_ptr<const RowNotes> notes_;
    RowGeometry geometry_;
    std::uint64_t currentRow_ = 0;
    QColor lineColor_;
    Metrics metrics_;
    FlowView flow_;
};

}  // namespace sorrel
