// CellGlyphs: the glyphs of the grid's font for the characters of its cells,
// looked up once, so that a cell's text is drawn as a run of glyphs placed by
// their advances, without the itemizing, shaping and layout that drawing a
// string costs each time. The listing's texts are short runs of digits,
// Latin and Cyrillic letters and a few signs, one script, no ligatures: laid
// out glyph by glyph they read as the text engine lays them out. A text with
// a character the font itself has no glyph for (one that another font would
// stand in for) is left to the caller.
#pragma once

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <QString>
#include <array>
#include <unordered_map>
#include <vector>

class QPainter;

namespace sorrel {

class CellGlyphs {
  public:
    explicit CellGlyphs(const QFont& font);

    const QFont& font() const { return font_; }

    // Draws text in box, its baseline at baseline below the box's top, cut
    // at the box's right edge; returns the width drawn (up to the first
    // glyph past the edge). Draws nothing and returns a negative width when
    // a character has no glyph of the font.
    double draw(QPainter& painter, const QRect& box, double baseline, const QString& text);

  private:
    struct Glyph {
        quint32 index = 0;  // 0: none in the font
        double advance = 0;
    };
    // The characters of the first Unicode blocks (Latin, Greek, Cyrillic) in
    // a table, the rest as they come.
    static constexpr char16_t TableEnd = 0x500;

    Glyph lookUp(char16_t c) const;
    const Glyph& glyphOf(char16_t c);

    QFont font_;
    QRawFont raw_;
    std::array<Glyph, TableEnd> table_{};
    std::unordered_map<char16_t, Glyph> others_;
    std::vector<quint32> indexes_;
    std::vector<QPointF> positions_;
};

}  // namespace sorrel
