// The listing document: one listing of an image as a window shows it. It holds
// the snapshot read at one moment, the mode it is listed in and the file it
// was read from, what follows from them once (its rows), the columns it shows
// besides its three and the notes of the main listing. It never changes
// once made: a window holds the current one as
// std::shared_ptr<const ListingDocument> and hands it to everything that shows
// or searches its listing (the grid's cells, find and go-to, the passes of
// the arrows and the strip, the results, the save), on any thread; a new load,
// reload or change of mode makes a new one, and so does a change of the
// columns shown or of the notes (the same listing shown anew).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "byte_text.h"
#include "image_snapshot.h"
#include "listing_columns.h"
#include "listing_mode.h"
#include "listing_text.h"

namespace sorrel {

class ListingDocument {
  public:
    // The listing of image in mode; path names the file it was read from.
    // extra: the columns shown besides the three (never the notes column in
    // the byte-order listing); notes: what the notes column shows (none:
    // it is empty).
    ListingDocument(std::shared_ptr<const ImageData> image, ListingMode mode, std::string path,
                    ExtraColumns extra = {}, std::shared_ptr<const RowNotes> notes = nullptr);

    // The same listing showing extra columns, or other notes.
    std::shared_ptr<const ListingDocument> withColumns(ExtraColumns extra) const;
    std::shared_ptr<const ListingDocument> withNotes(std::shared_ptr<const RowNotes> notes) const;
    // Both list the same image in the same mode: only their columns or
    // notes differ, and a row means the same in both.
    bool sameListing(const ListingDocument& other) const;

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

    // The columns shown: the three, then the extra ones.
    const ExtraColumns& extra() const { return extra_; }
    int columnCount() const { return ColumnCount(extra_); }
    ColumnKind columnAt(int index) const { return ColumnAt(extra_, index); }
    const std::shared_ptr<const RowNotes>& notes() const { return notes_; }

    // The text of a cell as the window's grid shows it, column 0 to 2 or an
    // extra column but the notes; the empty text past the last row or column.
    ShortText cell(std::uint64_t row, ColumnKind column) const;
    ShortText cell(std::uint64_t row, int index) const {
        return index < columnCount() ? cell(row, columnAt(index)) : ShortText{};
    }
    // The text of any cell, the notes column's included, as UTF-8; dimFrom,
    // when given, is where the names the program made up begin (npos: none).
    std::string text(std::uint64_t row, int index, std::size_t* dimFrom = nullptr) const;

  private:
    std::shared_ptr<const ImageData> image_;
    ListingMode mode_;
    std::string path_;
    ExtraColumns extra_;
    std::shared_ptr<const RowNotes> notes_;
    ListingRows words_;
    ByteRows bytes_;
    std::uint64_t rowCount_ = 0;
};

}  // namespace sorrel
