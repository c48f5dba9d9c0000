// A cell's text drawn glyph by glyph: as wide as the text engine lays it
// out, in the same place, cut at the cell's edge, and left to the text engine
// when the font lacks a character.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include "cell_glyphs.h"

namespace sorrel {
namespace {

QFont CellFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

// The columns of image that hold a dark pixel.
std::pair<int, int> InkColumns(const QImage& image) {
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 160) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

QImage Blank() {
    QImage image(400, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST(CellGlyphs, DrawsAsTheTextEngineLaysOut) {
    const QFont font = CellFont();
    CellGlyphs glyphs(font);
    const QFontMetricsF metrics(font);
    const double baseline = (16 - metrics.height()) / 2 + metrics.ascent();
    const struct {
        QString text;
        int boxWidth;
        bool drawn;  // by the glyphs, not left to the text engine
        bool cut;    // wider than the box
    } cases[] = {
        {QStringLiteral("0001h"), 300, true, false},
        {QStringLiteral("jmp  03FEh"), 300, true, false},
        {QStringLiteral("main_loop: ждём таймер → loc_000C"), 300, true, false},
        {QStringLiteral("FIRMWARE V1.2.3 ·"), 300, true, false},
        {QStringLiteral("a comment far too long for the cell it is shown in, cut"), 100, true,
         true},
        {QStringLiteral("🙂 or 漢字"), 300, false, false},
        {QString(), 300, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QImage byGlyphs = Blank();
        double width = 0;
        {
            QPainter painter(&byGlyphs);
            painter.setFont(font);
            painter.setPen(Qt::black);
            width = glyphs.draw(painter, QRect(10, 0, c.boxWidth, 16), baseline, c.text);
        }
        if (!c.drawn) {
            EXPECT_LT(width, 0);
            EXPECT_EQ(InkColumns(byGlyphs).second, -1) << "nothing drawn";
            continue;
        }
        QImage byEngine = Blank();
        {
            QPainter painter(&byEngine);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QRect(10, 0, c.boxWidth, 16),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, c.text);
        }
        const auto ink = InkColumns(byGlyphs);
        const auto engineInk = InkColumns(byEngine);
        if (c.cut) {
            EXPECT_LE(ink.second, 10 + c.boxWidth - 1) << "nothing past the edge";
            EXPECT_GE(ink.second, 10 + c.boxWidth - 8) << "drawn up to it";
            EXPECT_GE(width, c.boxWidth);
            continue;
        }
        EXPECT_NEAR(width, metrics.horizontalAdvance(c.text), 1.0);
        EXPECT_NEAR(ink.first, engineInk.first, 1);
        EXPECT_NEAR(ink.second, engineInk.second, 1);
    }
}

}  // namespace
}  // namespace sorrel
