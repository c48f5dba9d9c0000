// OverviewStrip: a narrow strip beside the listing's vertical scroll bar that
// shows the whole image in its height. Each device pixel row shows the words
// of the rows it stands for as a bar cut by kind, left to right in this order
// and colour (Okabe-Ito colours, told apart by colour-blind eyes too, all
// readable on a white or a dark base):
//   header words               reddish purple  #CC79A7
//   other instructions         bluish green    #009E73
//   jumps                      blue            #0072B2
//   words of no instruction    orange          #E69F00
//   runs of 0000h (empty)      grey            #888888
//   runs of FFFFh (erased)     light grey      #D2D2D2
// The rows in view are outlined (at least MinOutline pixels tall), the rows
// of the last "find all" are marked by black ticks at the left edge, and a
// click or drag asks the listing to centre the row under the pointer.
//
// The strip is drawn from the slice counts of the overview pass alone: a
// resize cuts them into bands again and never looks at the image.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "listing_columns.h"
#include "overview.h"

namespace sorrel {

class OverviewStrip : public QWidget {
    Q_OBJECT
  public:
    // The least height of the outline of the rows in view, in pixels.
    static constexpr int MinOutline = 4;
    // The preferred width, in pixels.
    static constexpr int PreferredWidth = 14;

    explicit OverviewStrip(QWidget* parent = nullptr);

    // The colour of a kind (see above).
    static QColor kindColor(WordKind kind);
    // The kinds in the order of the bar, left to right.
    static const std::array<WordKind, WordKindCount>& barOrder();

    // The rows of the image and its mode (raw: no header), which the slices
    // must match; until they come the strip is empty, but shows the view and
    // takes clicks.
    void setImageRows(std::uint64_t rows, bool raw);
    // The counts of a finished overview pass over that image, or none.
    // Slices of another number of rows are taken as none.
    void setSlices(std::shared_ptr<const OverviewSlices> slices);
    // The rows in view: the first and how many.
    void setView(std::uint64_t firstRow, std::uint64_t rowCount);
    // The notes of the listing: the tool tip names a label of the rows under
    // the pointer. None: no names.
    void setNotes(std::shared_ptr<const RowNotes> notes) { notes_ = std::move(notes); }
    // The rows of the last "find all", sorted, or none.
    void setFoundRows(std::shared_ptr<const std::vector<std::uint64_t>> rows);

    std::uint64_t imageRows() const { return rows_; }
    // The bands drawn now, in device pixel rows of the strip's height.
    const StripBands& bands() const { return strip_; }
    // The device pixel rows that the outline of the view spans; none when no
    // rows are in view.
    PixelRange viewPixels() const;
    // The row under a point: within the rows of its pixel row as the point
    // lies within that pixel row, so that the last pixel reaches the last row.
    std::uint64_t rowForPoint(const QPoint& point) const;
    // The tooltip's text for a point: the listing addresses of its pixel row
    // and the legend with the share of each kind there.
    QString toolTipAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    // A click or drag at a row: the listing should show it in the middle of
    // its view, as its current row.
    void rowRequested(std::uint64_t row);

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    // Cuts the slices into bands for a strip of deviceHeight pixel rows.
    void rebuild(int deviceHeight);
    // Paints the bars of the bands into bars_.
    void paintBars(int deviceWidth);
    int deviceY(double logicalY) const;
    void requestAt(const QPoint& point);

    std::uint64_t rows_ = 0;
    bool raw_ = false;
    std::shared_ptr<const OverviewSlices> slices_;
    // Slices of no words, of the image's rows: the empty strip's geometry,
    // which is that of the counts to come.
    OverviewSlices emptySlices_;
    std::uint64_t viewFirst_ = 0;
    std::uint64_t viewRows_ = 0;
    std::shared_ptr<const std::vector<std::uint64_t>> found_;
    std::shared_ptr<const RowNotes> notes_;
    int bandsHeight_ = 0;
    StripBands strip_{OverviewSlices{}, 0};
    QImage bars_;  // the bars of the bands, in device pixels
    std::uint64_t lastRequest_ = UINT64_MAX;
};

}  // namespace sorrel
