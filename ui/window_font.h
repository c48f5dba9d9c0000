// Fonts of the windows. A layout names a font family but can give its size
// only in points, while the windows' fonts are 11 pixels high.
#pragma once

#include <QFont>
#include <QWidget>

namespace sorrel {

inline constexpr int WindowFontPixels = 11;

// The window's font from its layout ("MS Sans Serif"), 11 pixels high. Where
// that face is missing a narrow sans serif of the same metrics stands in, so
// that the captions fit their controls as laid out.
inline void UseWindowFont(QWidget* window) {
    if (QFont::substitutes(QStringLiteral("MS Sans Serif")).isEmpty()) {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    }
    QFont font = window->font();
    font.setPixelSize(WindowFontPixels);
    window->setFont(font);
}

// The grids' font: "Courier New", 11 pixels high; where it is missing the
// font system picks a metric-compatible fixed-pitch face.
inline QFont GridFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(WindowFontPixels);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

}  // namespace sorrel
