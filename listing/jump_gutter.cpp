// The jump gutter: layout by LayOutFlow, drawing in device pixels, hit testing.
#include "jump_gutter.h"

#include <QCursor>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QToolTip>
#include <algorithm>

#include "device_pixels.h"
#include "image_snapshot.h"
#include "listing_text.h"
#include "window_font.h"

namespace sorrel {

namespace {

// Free pixels left of the outermost lane.
constexpr int LeftMargin = 1;
// How far left of an arrow's lane or stub a click still takes it.
constexpr int HitSlack = 2;
// The thickness of the lines of an arrow, and of the current row's arrows.
constexpr int LineWidth = 1;
constexpr int HighlightWidth = 2;

// Draws one frame of the gutter in device pixels; coordinates given to it are
// the gutter's logical pixels.
class GutterPainter {
  public:
    explicit GutterPainter(QPainter& painter)
        : painter_(painter), ratio_(UseDevicePixels(painter)) {}

    void fill(const QRect& logical, const QColor& colour) {
        painter_.fillRect(DeviceRect(logical, ratio_), colour);
    }

    // A filled polygon of logical points (arrowheads), antialiased.
    void polygon(const QPolygonF& logical, const QColor& colour) {
        QPolygonF device;
        for (const QPointF& p : logical) {
            device << p * ratio_;
        }
        painter_.setRenderHint(QPainter::Antialiasing, true);
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colour);
        painter_.drawPolygon(device);
        painter_.setRenderHint(QPainter::Antialiasing, false);
    }

    void dot(const QPointF& centre, double diameter, const QColor& colour) {
        painter_.setRenderHint(QPainter::Antialiasing, true);
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colour);
        const double r = diameter * ratio_ / 2;
        painter_.drawEllipse(centre * ratio_, r, r);
        painter_.setRenderHint(QPainter::Antialiasing, false);
    }

    // A cross of two diagonals of the square of pixels half pixels each way
    // around the pixel whose centre is given. Below two device pixels to a
    // pixel its lines are drawn without antialiasing, from pixel centre to
    // pixel centre, so that they stay crisp.
    void cross(const QPointF& centre, int half, int width, const QColor& colour) {
        const bool smooth = ratio_ >= 1.5;
        const double h = smooth ? half + 0.5 : half;
        QPainterPath path;
        path.moveTo((centre + QPointF(-h, -h)) * ratio_);
        path.lineTo((centre + QPointF(h, h)) * ratio_);
        path.moveTo((centre + QPointF(-h, h)) * ratio_);
        path.lineTo((centre + QPointF(h, -h)) * ratio_);
        painter_.setRenderHint(QPainter::Antialiasing, smooth);
        painter_.strokePath(path, QPen(colour, width * ratio_, Qt::SolidLine,
                                       smooth ? Qt::FlatCap : Qt::SquareCap));
        painter_.setRenderHint(QPainter::Antialiasing, false);
    }

  private:
    QPainter& painter_;
    double ratio_;
};

}  // namespace

JumpGutter::JumpGutter(QWidget* parent) : QWidget(parent), lineColor_(0xC0, 0xC0, 0xC0) {
    setFont(GridFont());
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateMetrics();
}

QColor JumpGutter::arrowColor(ArrowDirection direction) {
    return direction == ArrowDirection::Down ? QColor(0x00, 0x72, 0xB2) : QColor(0xD5, 0x5E, 0x00);
}

// ---- inputs ----------------------------------------------------------------

void JumpGutter::setImage(std::shared_ptr<const ImageData> image, bool raw) {
    if (image == image_ && raw == raw_) {
        return;
    }
    image_ = std::move(image);
    raw_ = raw;
    counts_.reset();
    relayout();
}

void JumpGutter::setJumpCounts(std::shared_ptr<const JumpCounts> counts) {
    if (counts == counts_) {
        return;
    }
    counts_ = std::move(counts);
    relayout();
}

void JumpGutter::setRowGeometry(const RowGeometry& geometry) {
    if (geometry == geometry_) {
        return;
    }
    const bool rowsChanged =
        geometry.firstRow != geometry_.firstRow || geometry.rowsInView != geometry_.rowsInView;
    geometry_ = geometry;
    if (rowsChanged) {
        relayout();
    } else {
        update();
    }
}

void JumpGutter::setCurrentRow(std::uint64_t row) {
    if (row == currentRow_) {
        return;
    }
    currentRow_ = row;
    update();
}

void JumpGutter::setLineColor(const QColor& color) {
    if (color == lineColor_) {
        return;
    }
    lineColor_ = color;
    update();
}

void JumpGutter::updateMetrics() {
    const int unit = std::max(4, (QFontMetrics(font()).height() + 1) / 3);
    metrics_.lanePitch = unit;
    metrics_.headLength = unit + 1;
    metrics_.headHalf = unit / 2 + 1;
    metrics_.markDiameter = unit + 1;
    metrics_.stubLength = unit + 2;
}

void JumpGutter::relayout() {
    if (!image_) {
        flow_ = {};
    } else {
        const ListingRows rows{image_->data(), image_->size(), raw_};
        std::span<const std::uint32_t> counts;
        if (counts_) {
            counts = counts_->jumps;
        }
        flow_ = LayOutFlow(rows, geometry_.firstRow, geometry_.rowsInView, laneCount(), counts);
    }
    update();
}

// ---- geometry ---------------------------------------------------------------

int JumpGutter::laneCount() const {
    const int lane0 = width() - metrics_.rightPart();
    return std::max(1, (lane0 - LeftMargin) / metrics_.lanePitch + 1);
}

int JumpGutter::headTipX() const {
    return width() - 1 - metrics_.markColumn() - 1;
}

int JumpGutter::stubX() const {
    return headTipX() - metrics_.headLength - 1;
}

int JumpGutter::laneX(const JumpArrow& arrow) const {
    if (arrow.lane == NoLane) {
        return stubX();
    }
    return width() - metrics_.rightPart() - arrow.lane * metrics_.lanePitch;
}

int JumpGutter::rowTop(std::uint64_t row) const {
    // Only rows in view are asked for, so the difference fits an int.
    return geometry_.firstRowY +
           static_cast<int>(static_cast<std::int64_t>(row - geometry_.firstRow)) *
               geometry_.rowPitch;
}

int JumpGutter::tailY(std::uint64_t row) const {
    return rowTop(row) + geometry_.rowHeight / 2 - 2;
}

int JumpGutter::headY(std::uint64_t row) const {
    return rowTop(row) + geometry_.rowHeight / 2 + 2;
}

QPoint JumpGutter::tailPoint(const JumpArrow& arrow) const {
    return {headTipX(), tailY(arrow.source)};
}

QPoint JumpGutter::headPoint(const JumpArrow& arrow) const {
    const int y = tailY(arrow.source);
    switch (arrow.place) {
        case TargetPlace::InView:
            break;
        case TargetPlace::Above:
            return {stubX(), y - metrics_.stubLength};
        case TargetPlace::Below:
            return {stubX(), y + metrics_.stubLength};
        case TargetPlace::PastEnd:
            return {stubX(), y + metrics_.stubLength - crossHalf()};
    }
    return {headTipX(), headY(arrow.target)};
}

int JumpGutter::crossHalf() const {
    return metrics_.headHalf - 1;
}

QPoint JumpGutter::markCentre(std::uint64_t row) const {
    return {width() - 1 - metrics_.markColumn() / 2 - 1, headY(row)};
}

bool JumpGutter::rowAt(int y, std::uint64_t* row) const {
    if (y < geometry_.firstRowY || geometry_.rowPitch <= 0) {
        return false;
    }
    const auto offset = static_cast<std::uint64_t>((y - geometry_.firstRowY) / geometry_.rowPitch);
    if (offset >= geometry_.rowsInView) {
        return false;
    }
    *row = geometry_.firstRow + offset;
    return true;
}

const TargetMark* JumpGutter::markOf(std::uint64_t row) const {
    const auto it =
        std::lower_bound(flow_.marks.begin(), flow_.marks.end(), row,
                         [](const TargetMark& mark, std::uint64_t r) { return mark.row < r; });
    return it != flow_.marks.end() && it->row == row ? &*it : nullptr;
}

bool JumpGutter::rowForClick(const QPoint& point, std::uint64_t* row) const {
    std::uint64_t at = 0;
    if (!rowAt(point.y(), &at) || point.x() >= width()) {
        return false;
    }
    // The arrow or stub that leaves this row, when the click reaches its tail.
    const auto tailIt =
        std::lower_bound(flow_.arrows.begin(), flow_.arrows.end(), at,
                         [](const JumpArrow& arrow, std::uint64_t r) { return arrow.source < r; });
    const JumpArrow* tail = tailIt != flow_.arrows.end() && tailIt->source == at &&
                                    point.x() >= laneX(*tailIt) - HitSlack
                                ? &*tailIt
                                : nullptr;
    // Of the arrows that end on this row, the nearest the text that the click reaches.
    const JumpArrow* head = nullptr;
    for (const JumpArrow& arrow : flow_.arrows) {
        if (arrow.place == TargetPlace::InView && arrow.target == at &&
            point.x() >= laneX(arrow) - HitSlack && (!head || arrow.lane < head->lane)) {
            head = &arrow;
        }
    }
    // Tails lie above the row's middle, heads below it.
    const bool upper = point.y() <= rowTop(at) + geometry_.rowHeight / 2;
    if (head && (!tail || !upper)) {
        *row = head->source;
        return true;
    }
    if (tail && tail->place != TargetPlace::PastEnd) {
        *row = tail->target;
        return true;
    }
    return false;
}

QString JumpGutter::toolTipAt(const QPoint& point) const {
    std::uint64_t row = 0;
    if (!rowAt(point.y(), &row)) {
        return {};
    }
    if (const TargetMark* mark = markOf(row)) {
        const std::string_view label = notes_ ? notes_->label(row) : std::string_view();
        if (label.empty()) {
            return QStringLiteral("Переходов сюда: %1").arg(mark->jumps);
        }
        return QStringLiteral("%1 — переходов сюда: %2")
            .arg(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())))
            .arg(mark->jumps);
    }
    // With notes, a jump's arrow names where it goes.
    if (notes_ && image_ && !(row < HeaderWords && !raw_) && 2 * row + 1 < image_->size()) {
        std::string text;
        notes_->appendJumpText(ImageWord(image_->data(), row), raw_, text);
        if (!text.empty()) {
            return QStringLiteral("Переход ") + QString::fromStdString(text);
        }
    }
    return {};
}

QSize JumpGutter::sizeHint() const {
    return {LeftMargin + (PreferredLanes - 1) * metrics_.lanePitch + metrics_.rightPart(),
            2 * geometry_.rowPitch};
}

QSize JumpGutter::minimumSizeHint() const {
    return {LeftMargin + metrics_.rightPart(), 0};
}

// ---- events -----------------------------------------------------------------

bool JumpGutter::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        std::uint64_t row = 0;
        if (!text.isEmpty() && rowAt(help->pos().y(), &row)) {
            QToolTip::showText(help->globalPos(), text, this,
                               QRect(0, rowTop(row), width(), geometry_.rowPitch));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void JumpGutter::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        updateGeometry();
        relayout();
    }
    QWidget::changeEvent(event);
}

void JumpGutter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void JumpGutter::mousePressEvent(QMouseEvent* event) {
    std::uint64_t row = 0;
    if (event->button() == Qt::LeftButton && rowForClick(event->position().toPoint(), &row)) {
        emit rowRequested(row);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void JumpGutter::mouseMoveEvent(QMouseEvent* event) {
    std::uint64_t row = 0;
    if (rowForClick(event->position().toPoint(), &row)) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

// ---- painting ---------------------------------------------------------------

void JumpGutter::paintEvent(QPaintEvent*) {
    QPainter qp(this);
    GutterPainter p(qp);
    const QPalette& pal = palette();
    const int w = width();
    p.fill(rect(), pal.color(QPalette::Base));
    // Beside the grid's title row, the colour of the titles.
    if (geometry_.firstRowY > 0) {
        p.fill(QRect(0, 0, w, geometry_.firstRowY), pal.color(QPalette::Button));
    }

    // The lines between rows, as the grid draws them, and the separator from
    // the listing.
    const std::uint64_t rowsInView = geometry_.rowsInView;
    for (std::uint64_t k = 0; k < rowsInView; ++k) {
        const int y = rowTop(geometry_.firstRow + k) + geometry_.rowHeight;
        if (y > height()) {
            break;
        }
        p.fill(QRect(0, y, w, geometry_.rowPitch - geometry_.rowHeight), lineColor_);
    }
    p.fill(QRect(w - 1, 0, 1, height()), lineColor_);

    QColor markColour = pal.color(QPalette::Text);
    markColour.setAlphaF(0.55f);
    for (const TargetMark& mark : flow_.marks) {
        const QPoint c = markCentre(mark.row);
        p.dot(QPointF(c.x() + 0.5, c.y() + 0.5), metrics_.markDiameter, markColour);
    }

    const Metrics& m = metrics_;
    const int tip = headTipX();
    auto draw = [&](const JumpArrow& arrow, int t) {
        const QColor colour = arrowColor(arrow.direction);
        const int x = laneX(arrow);
        const int y0 = tailY(arrow.source);
        const QPoint head = headPoint(arrow);
        // Half the head's width: its sides end on whole pixels around the line.
        const double half = m.headHalf + t / 2.0;
        p.fill(QRect(x, y0, tip + 1 - x, t), colour);
        const double cx = x + t / 2.0;
        switch (arrow.place) {
            case TargetPlace::InView: {
                const int y1 = head.y();
                p.fill(QRect(x, std::min(y0, y1), t, std::abs(y1 - y0) + t), colour);
                const int base = tip + 1 - m.headLength;
                p.fill(QRect(x, y1, base - x, t), colour);
                const double cy = y1 + t / 2.0;
                p.polygon(QPolygonF({QPointF(tip + 1, cy), QPointF(base, cy - half),
                                     QPointF(base, cy + half)}),
                          colour);
                break;
            }
            case TargetPlace::Above: {
                const int base = head.y() + m.headLength;
                p.fill(QRect(x, base, t, y0 - base), colour);
                p.polygon(QPolygonF({QPointF(cx, head.y()), QPointF(cx - half, base),
                                     QPointF(cx + half, base)}),
                          colour);
                break;
            }
            case TargetPlace::Below: {
                const int base = head.y() + 1 - m.headLength;
                p.fill(QRect(x, y0, t, base - y0), colour);
                p.polygon(QPolygonF({QPointF(cx, head.y() + 1), QPointF(cx - half, base),
                                     QPointF(cx + half, base)}),
                          colour);
                break;
            }
            case TargetPlace::PastEnd: {
                const int top = head.y() - crossHalf();
                p.fill(QRect(x, y0, t, top - y0), colour);
                p.cross(QPointF(cx, head.y() + 0.5), crossHalf(), t, colour);
                break;
            }
        }
    };

    auto current = [this](const JumpArrow& arrow) {
        return arrow.source == currentRow_ ||
               (arrow.place == TargetPlace::InView && arrow.target == currentRow_);
    };
    // Outer lanes first, so that the inner arrows lie on top; stubs last.
    std::vector<const JumpArrow*> order;
    order.reserve(flow_.arrows.size());
    for (const JumpArrow& arrow : flow_.arrows) {
        order.push_back(&arrow);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const JumpArrow* a, const JumpArrow* b) { return a->lane > b->lane; });
    for (const JumpArrow* arrow : order) {
        if (!current(*arrow)) {
            draw(*arrow, LineWidth);
        }
    }
    for (const JumpArrow* arrow : order) {
        if (current(*arrow)) {
            draw(*arrow, HighlightWidth);
        }
    }
}

}  // namespace sorrel
