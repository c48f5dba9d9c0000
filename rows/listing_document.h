// The listing document: one listing of an image as a window shows it. It holds
// the snapshot read at one moment, the mode it is listed in and the file it
// was read from, and what follows from them once (its rows). It never changes
// once made: a window holds the current one as
// std::shared_ptr<const ListingDocument> and hands it to everything that shows
// or searches its listing (the grid's cells, find and go-to, the passes of
// the arrows and the strip, the results, the save), on any thread; a new load,
// reload or change of mode makes a new one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "byte_text.h"
#include "image_snapshot.h"
#include "listing_mode.h"
#include "listing_text.h"

namespace sorrel {

class ListingDocument {
  public:
    // The listing of image in mode; path names the file it was read from.
    ListingDocument(std::shared_ptr<const ImageData> image, ListingMode mode, std::string path);

    const std::shared_ptr<const ImageData>& image() const { return image_; }
    ListingMode mode() const { return mode_; }
    // The image's file, as the window named it (UTF-8).
    const std::string& path() const { return path_; }

    // The byte-order listing: a row a byte; otherwise the main listing, a row
    // a whole word.
    bool listsBytes() const { return mode_ == ListingMode::Bytes; }
    std::uint64_t rowCount() const { return rowCount_; }
    // The main listing's rows over the image; none in the byte-order listing.
    const ListingRows& wordRows() const { return words_; }
    // The byte-order listing's rows over the image; none in the main listing.
    const ByteRows& byteRows() const { return bytes_; }
    // A header row of the main listing: listed, never decoded.
    bool isHeaderRow(std::uint64_t row) const { return words_.isHeaderRow(row) && !listsBytes(); }

    // The text of a cell, column 0 to 2, as the window's grid shows it; the
    // empty text past the last row or column.
    ShortText cell(std::uint64_t row, int column) const;

  private:
    std::shared_ptr<const ImageData> image_;
    ListingMode mode_;
    std::string path_;
    ListingRows words_;
    ByteRows bytes_;
    std::uint64_t rowCount_ = 0;
};

}  // namespace sorrel
