#include "cell_glyphs.h"

#include <QGlyphRun>
#include <QPainter>

namespace sorrel {

CellGlyphs::CellGlyphs(const QFont& font) : font_(font), raw_(QRawFont::fromFont(font)) {
    for (char16_t c = 0; c < TableEnd; ++c) {
        table_[c] = lookUp(c);
    }
}

CellGlyphs::Glyph CellGlyphs::lookUp(char16_t c) const {
    const QChar character(c);
    // Controls, marks and surrogates are the text engine's to place.
    if (!raw_.isValid() || character.isSurrogate() || !character.isPrint() || character.isMark()) {
        return {};
    }
    const QList<quint32> indexes = raw_.glyphIndexesForString(QString(character));
    if (indexes.size() != 1 || indexes.front() == 0) {
        return {};
    }
    const QList<QPointF> advances = raw_.advancesForGlyphIndexes(indexes);
    return {indexes.front(), advances.isEmpty() ? 0.0 : advances.front().x()};
}

const CellGlyphs::Glyph& CellGlyphs::glyphOf(char16_t c) {
    if (c < TableEnd) {
        return table_[c];
    }
    const auto found = others_.find(c);
    if (found != others_.end()) {
        return found->second;
    }
    return others_.emplace(c, lookUp(c)).first->second;
}

double CellGlyphs::draw(QPainter& painter, const QRect& box, double baseline, const QString& text) {
    const auto size = static_cast<std::size_t>(text.size());
    indexes_.resize(size);
    positions_.resize(size);
    const double width = box.width();
    std::size_t count = 0;
    double x = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const Glyph& glyph = glyphOf(text[static_cast<qsizetype>(i)].unicode());
        if (glyph.index == 0) {
            return -1;
        }
        if (x >= width) {
            break;  // past the edge: not drawn, and no more
        }
        indexes_[count] = glyph.index;
        positions_[count] = QPointF(x, 0);
        ++count;
        x += glyph.advance;
    }
    if (count == 0) {
        return x;
    }
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setRawData(indexes_.data(), positions_.data(), static_cast<int>(count));
    const QPointF origin(box.left(), box.top() + baseline);
    if (x > width) {
        // The last glyph drawn crosses the edge: cut there.
        painter.setClipRect(box);
        painter.drawGlyphRun(origin, run);
        painter.setClipping(false);
    } else {
        painter.drawGlyphRun(origin, run);
    }
    return x;
}

}  // namespace sorrel
