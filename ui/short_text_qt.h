// The listing texts as the grids show them.
#pragma once

#include <QString>

#include "sorrel_support.h"

namespace sorrel {

// A listing text as a QString; every listing text is ASCII.
inline QString ToQString(const ShortText& text) {
    return QString::fromLatin1(text.data.data(), text.size);
}

}  // namespace sorrel
