// The three listings of an image and how their rows map onto its bytes.
#pragma once

#include <cstdint>

namespace sorrel {

enum class ListingMode {
    Header,  // the main listing of an image with a 256-word header
    Raw,     // the main listing of a raw image
    Bytes    // the byte-order listing
};

// Rows of a listing as the bytes of the image that they show.
struct ListingSpan {
    std::uint64_t offset = 0;  // the first row's first byte
    std::uint64_t size = 0;
    bool operator==(const ListingSpan&) const = default;
};

// The rows of the listing of an image of imageSize bytes in mode: a row a
// byte in the byte-order listing, a row a whole word in the others.
std::uint64_t ListingRowCount(ListingMode mode, std::uint64_t imageSize);
// The bytes that count rows from row first show.
ListingSpan RowSpan(ListingMode mode, std::uint64_t first, std::uint64_t count);

}  // namespace sorrel
