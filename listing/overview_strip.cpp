// The overview strip: bars of the bands in a cached image of device pixels,
// the view's outline and the find ticks drawn over it.
#include "overview_strip.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "device_pixels.h"
#include "listing_text.h"

namespace sorrel {

namespace {

QString KindName(WordKind kind) {
    switch (kind) {
        case WordKind::Header:
            return QStringLiteral("Заголовок");
        case WordKind::NoInstruction:
            return QStringLiteral("Нет инструкции");
        case WordKind::Jump:
            return QStringLiteral("Переходы");
        case WordKind::Instruction:
            return QStringLiteral("Другие инструкции");
        case WordKind::ZeroRun:
            return QStringLiteral("Пустая память (0000h)");
        case WordKind::OnesRun:
            return QStringLiteral("Стёртая память (FFFFh)");
    }
    return {};
}

// The slices of an image of rows rows, all without words.
OverviewSlices EmptySlices(std::uint64_t rows) {
    OverviewSlices slices;
    slices.rows = rows;
    slices.slices.resize(static_cast<std::size_t>(std::min<std::uint64_t>(MaxSlices, rows)));
    return slices;
}

// The text of column 0 of a row, as the listing shows it.
QString AddressText(std::uint64_t row, bool raw) {
    const ShortText text = ListingCellText(row, 0, raw, 0);
    return QString::fromLatin1(text.data.data(), text.size);
}

}  // namespace

OverviewStrip::OverviewStrip(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor OverviewStrip::kindColor(WordKind kind) {
    switch (kind) {
        case WordKind::Header:
            return {0xCC, 0x79, 0xA7};
        case WordKind::NoInstruction:
            return {0xE6, 0x9F, 0x00};
        case WordKind::Jump:
            return {0x00, 0x72, 0xB2};
        case WordKind::Instruction:
            return {0x00, 0x9E, 0x73};
        case WordKind::ZeroRun:
            return {0x88, 0x88, 0x88};
        case WordKind::OnesRun:
            return {0xD2, 0xD2, 0xD2};
    }
    return {};
}

const std::array<WordKind, WordKindCount>& OverviewStrip::barOrder() {
    static const std::array<WordKind, WordKindCount> order = {
        WordKind::Header,        WordKind::Instruction, WordKind::Jump,
        WordKind::NoInstruction, WordKind::ZeroRun,     WordKind::OnesRun};
    return order;
}

// ---- inputs ----------------------------------------------------------------

void OverviewStrip::setImageRows(std::uint64_t rows, bool raw) {
    if (rows == rows_ && raw == raw_) {
        return;
    }
    rows_ = rows;
    raw_ = raw;
    emptySlices_ = EmptySlices(rows);
    if (slices_ && slices_->rows != rows) {
        slices_.reset();
    }
    rebuild(bandsHeight_);
    update();
}

void OverviewStrip::setSlices(std::shared_ptr<const OverviewSlices> slices) {
    if (slices && (slices->rows != rows_ || slices->stopped)) {
        slices.reset();
    }
    if (slices == slices_) {
        return;
    }
    slices_ = std::move(slices);
    rebuild(bandsHeight_);
    update();
}

void OverviewStrip::setView(std::uint64_t firstRow, std::uint64_t rowCount) {
    if (firstRow == viewFirst_ && rowCount == viewRows_) {
        return;
    }
    viewFirst_ = firstRow;
    viewRows_ = rowCount;
    update();
}

void OverviewStrip::setFoundRows(std::shared_ptr<const std::vector<std::uint64_t>> rows) {
    if (rows == found_) {
        return;
    }
    found_ = std::move(rows);
    update();
}

void OverviewStrip::rebuild(int deviceHeight) {
    bandsHeight_ = deviceHeight;
    strip_ = StripBands(slices_ ? *slices_ : emptySlices_, deviceHeight);
    bars_ = QImage();
}

// ---- geometry ----------------------------------------------------------------

int OverviewStrip::deviceY(double logicalY) const {
    return height() > 0 ? static_cast<int>(std::floor(logicalY * bandsHeight_ / height())) : 0;
}

PixelRange OverviewStrip::viewPixels() const {
    if (strip_.bands().empty() || viewRows_ == 0) {
        return {};
    }
    PixelRange range = strip_.pixelsOfRows({viewFirst_, viewFirst_ + viewRows_});
    const int least = std::min(bandsHeight_, std::max(1, deviceY(MinOutline)));
    if (range.bottom - range.top < least) {
        const int middle = (range.top + range.bottom) / 2;
        range.top = std::clamp(middle - least / 2, 0, bandsHeight_ - least);
        range.bottom = range.top + least;
    }
    return range;
}

std::uint64_t OverviewStrip::rowForPoint(const QPoint& point) const {
    if (strip_.bands().empty()) {
        return 0;
    }
    const double y = std::clamp((point.y() + 0.5) * bandsHeight_ / std::max(1, height()), 0.0,
                                bandsHeight_ - 1e-9);
    const RowRange rows = strip_.rowsOfPixel(static_cast<int>(y));
    const PixelRange pixels = strip_.pixelsOfRow(rows.first);
    const double within = (y - pixels.top) / std::max(1, pixels.bottom - pixels.top);
    return std::min(rows.end - 1,
                    rows.first + static_cast<std::uint64_t>(
                                     within * static_cast<double>(rows.end - rows.first)));
}

QString OverviewStrip::toolTipAt(const QPoint& point) const {
    QString text;
    const KindCounts* counts = nullptr;
    std::uint64_t total = 0;
    if (!strip_.bands().empty()) {
        const int y = std::clamp(deviceY(point.y()), 0, bandsHeight_ - 1);
        const RowRange rows = strip_.rowsOfPixel(y);
        text = AddressText(rows.first, raw_);
        if (rows.end - rows.first > 1) {
            text += QStringLiteral(" – ") + AddressText(rows.end - 1, raw_);
        }
        // The first label among the rows, if a few notes reach it.
        std::optional<std::uint64_t> noted =
            notes_ ? notes_->nextNotedRow(rows.first) : std::nullopt;
        for (int looked = 0; noted && *noted < rows.end && looked < 64; ++looked) {
            const std::string_view label = notes_->label(*noted);
            if (!label.empty()) {
                text += QStringLiteral(": ") +
                        QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
                break;
            }
            noted = notes_->nextNotedRow(*noted + 1);
        }
        if (slices_) {
            for (const StripBand& band : strip_.bands()) {
                if (band.rows == rows) {
                    counts = &band.counts;
                    total = band.counts.total();
                    break;
                }
            }
        }
    }
    for (const WordKind kind : barOrder()) {
        if (!text.isEmpty()) {
            text += QStringLiteral("<br>");
        }
        text += QStringLiteral("<span style=\"color:%1\">&#9632;</span> %2")
                    .arg(kindColor(kind).name(), KindName(kind));
        if (counts && total > 0) {
            const std::uint64_t n = (*counts)[kind];
            const double share = 100.0 * static_cast<double>(n) / static_cast<double>(total);
            text += n > 0 && share < 0.5 ? QStringLiteral(": &lt;1 %")
                                         : QStringLiteral(": %1 %").arg(std::lround(share));
        }
    }
    return text;
}

QSize OverviewStrip::sizeHint() const {
    return {PreferredWidth, 100};
}

QSize OverviewStrip::minimumSizeHint() const {
    return {4, 0};
}

// ---- events --------------------------------------------------------------------

bool OverviewStrip::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), toolTipAt(help->pos()), this,
                           QRect(0, help->pos().y(), width(), 1));
        return true;
    }
    return QWidget::event(event);
}

void OverviewStrip::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        bars_ = QImage();
        update();
    }
    QWidget::changeEvent(event);
}

void OverviewStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuild(static_cast<int>(std::lround(height() * devicePixelRatioF())));
}

void OverviewStrip::requestAt(const QPoint& point) {
    if (strip_.bands().empty()) {
        return;
    }
    const std::uint64_t row = rowForPoint(point);
    if (row != lastRequest_) {
        lastRequest_ = row;
        emit rowRequested(row);
    }
}

void OverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    lastRequest_ = UINT64_MAX;
    requestAt(event->position().toPoint());
}

void OverviewStrip::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        requestAt(event->position().toPoint());
    }
}

// ---- painting --------------------------------------------------------------------

void OverviewStrip::paintBars(int deviceWidth) {
    bars_ = QImage(deviceWidth, bandsHeight_, QImage::Format_RGB32);
    bars_.fill(palette().color(QPalette::Base));
    std::array<QRgb, WordKindCount> colours{};
    for (std::size_t k = 0; k < colours.size(); ++k) {
        colours[k] = kindColor(barOrder()[k]).rgb();
    }
    for (const StripBand& band : strip_.bands()) {
        const std::uint64_t total = band.counts.total();
        if (total == 0 || band.pixels.top >= band.pixels.bottom) {
            continue;
        }
        auto* line = reinterpret_cast<QRgb*>(bars_.scanLine(band.pixels.top));
        // Every kind present gets a pixel of its own, however few its words
        // (an island of code in a sea of erased memory); the rest of the
        // width is shared as the counts are.
        int present = 0;
        for (const WordKind kind : barOrder()) {
            present += band.counts[kind] > 0 ? 1 : 0;
        }
        const int own = present <= deviceWidth ? 1 : 0;
        const auto shared = static_cast<std::uint64_t>(deviceWidth - own * present);
        std::uint64_t sum = 0;
        int kinds = 0;
        int x = 0;
        for (std::size_t k = 0; k < colours.size(); ++k) {
            const std::uint64_t n = band.counts[barOrder()[k]];
            if (n == 0) {
                continue;
            }
            sum += n;
            ++kinds;
            const int end = std::min(
                deviceWidth, own * kinds + static_cast<int>((sum * shared + total / 2) / total));
            std::fill(line + x, line + end, colours[k]);
            x = end;
        }
        for (int y = band.pixels.top + 1; y < band.pixels.bottom; ++y) {
            std::memcpy(bars_.scanLine(y), line,
                        sizeof(QRgb) * static_cast<std::size_t>(deviceWidth));
        }
    }
}

void OverviewStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double ratio = UseDevicePixels(painter);
    const int deviceHeight = static_cast<int>(std::lround(height() * ratio));
    const int deviceWidth = static_cast<int>(std::lround(width() * ratio));
    if (deviceHeight != bandsHeight_) {
        rebuild(deviceHeight);
    }
    if (bars_.width() != deviceWidth || bars_.height() != bandsHeight_) {
        paintBars(deviceWidth);
    }
    painter.drawImage(0, 0, bars_);
    if (strip_.bands().empty()) {
        return;
    }

    // Ticks at the pixel rows that hold a found row, at least a logical pixel
    // tall, in a narrow column at the left edge, so that the bars stay in
    // sight however many rows were found: one search per band.
    const QColor text = palette().color(QPalette::Text);
    const int line = std::max(1, static_cast<int>(std::lround(ratio)));
    if (found_ && !found_->empty()) {
        const int tickWidth = std::max(line, deviceWidth / 4);
        auto from = found_->begin();
        for (const StripBand& band : strip_.bands()) {
            from = std::lower_bound(from, found_->end(), band.rows.first);
            if (from == found_->end()) {
                break;
            }
            if (*from < band.rows.end) {
                painter.fillRect(0, band.pixels.top, tickWidth,
                                 std::max(band.pixels.bottom - band.pixels.top, line), text);
            }
        }
    }

    // The outline of the view: a dark frame with a light one inside it, seen
    // on any colour of the bars.
    const PixelRange view = viewPixels();
    if (view.bottom <= view.top) {
        return;
    }
    const QRect outer(0, view.top, deviceWidth, view.bottom - view.top);
    auto frame = [&painter, line](const QRect& r, const QColor& colour) {
        painter.fillRect(r.left(), r.top(), r.width(), line, colour);
        painter.fillRect(r.left(), r.bottom() + 1 - line, r.width(), line, colour);
        painter.fillRect(r.left(), r.top(), line, r.height(), colour);
        painter.fillRect(r.right() + 1 - line, r.top(), line, r.height(), colour);
    };
    frame(outer, text);
    if (outer.height() > 2 * line && outer.width() > 2 * line) {
        frame(outer.adjusted(line, line, -line, -line), palette().color(QPalette::Base));
    }
}

}  // namespace sorrel
