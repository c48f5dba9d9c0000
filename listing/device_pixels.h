// Painting in device pixels, for widgets that must stay sharp at any device
// pixel ratio: lines and bands are snapped to whole device pixels instead of
// being scaled from logical ones.
#pragma once

#include <QPainter>
#include <QRect>
#include <QRectF>
#include <algorithm>
#include <cmath>

namespace sorrel {

// Switches painter to device pixels and returns the device pixels per logical
// pixel. The ratio is read from the painter, not the widget, so that a widget
// rendered into an image of another ratio (QWidget::render) is painted for
// that image.
inline double UseDevicePixels(QPainter& painter) {
    const double ratio = std::max(painter.deviceTransform().m11(), 1e-3);
    painter.scale(1 / ratio, 1 / ratio);
    return ratio;
}

// The device pixel edge nearest a logical coordinate.
inline int DeviceEdge(double logical, double ratio) {
    return static_cast<int>(std::lround(logical * ratio));
}

// The device pixels of a logical rectangle, at least one each way.
inline QRect DeviceRect(const QRect& logical, double ratio) {
    const int left = DeviceEdge(logical.x(), ratio);
    const int top = DeviceEdge(logical.y(), ratio);
    const int right = std::max(left + 1, DeviceEdge(logical.x() + logical.width(), ratio));
    const int bottom = std::max(top + 1, DeviceEdge(logical.y() + logical.height(), ratio));
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace sorrel
