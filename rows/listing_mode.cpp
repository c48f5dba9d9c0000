#include "listing_mode.h"

namespace sorrel {

std::uint64_t ListingRowCount(ListingMode mode, std::uint64_t imageSize) {
    return mode == ListingMode::Bytes ? imageSize : imageSize / 2;
}

ListingSpan RowSpan(ListingMode mode, std::uint64_t first, std::uint64_t count) {
    const std::uint64_t bytesPerRow = mode == ListingMode::Bytes ? 1 : 2;
    return {first * bytesPerRow, count * bytesPerRow};
}

}  // namespace sorrel
