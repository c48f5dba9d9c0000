// A widget painted into an image of a given device pixel ratio, as a screen
// of that ratio shows it, and its pixels read back at logical positions.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <cstdlib>

namespace sorrel::test {

// The device pixel ratios every picture is checked at.
inline constexpr double Ratios[] = {1.0, 2.0};

class Picture {
  public:
    Picture(QWidget& widget, double ratio) : ratio_(ratio) {
        image_ = QImage(static_cast<int>(std::lround(widget.width() * ratio)),
                        static_cast<int>(std::lround(widget.height() * ratio)),
                        QImage::Format_ARGB32_Premultiplied);
        image_.setDevicePixelRatio(ratio);
        image_.fill(Qt::magenta);
        widget.render(&image_);
    }

    // The colour at the centre of the logical pixel (x, y).
    QColor at(int x, int y) const {
        return image_.pixelColor(static_cast<int>((x + 0.5) * ratio_),
                                 static_cast<int>((y + 0.5) * ratio_));
    }
    // The colour of the device pixel (x, y).
    QColor device(int x, int y) const { return image_.pixelColor(x, y); }

    const QImage& image() const { return image_; }

  private:
    double ratio_;
    QImage image_;
};

// Colours that differ by little in every channel, as an antialiased edge may.
inline bool Near(const QColor& a, const QColor& b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace sorrel::test
