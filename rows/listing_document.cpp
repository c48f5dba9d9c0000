#include "listing_document.h"

#include <utility>

#include "data_text.h"

namespace sorrel {

ListingDocument::ListingDocument(std::shared_ptr<const ImageData> image, ListingMode mode,
                                 std::string path, ExtraColumns extra,
                                 std::shared_ptr<const RowNotes> notes)
    : image_(std::move(image)),
      mode_(mode),
      path_(std::move(path)),
      extra_(extra),
      notes_(std::move(notes)) {
    const std::uint8_t* bytes = image_ ? image_->data() : nullptr;
    const std::uint64_t size = image_ ? image_->size() : 0;
    if (listsBytes()) {
        bytes_ = ByteRows{bytes, size};
        extra_.notes = false;
    } else {
        words_ = ListingRows{bytes, size, mode == ListingMode::Raw};
    }
    rowCount_ = ListingRowCount(mode_, size);
}

std::shared_ptr<const ListingDocument> ListingDocument::withColumns(ExtraColumns extra) const {
    return std::make_shared<const ListingDocument>(image_, mode_, path_, extra, notes_);
}

std::shared_ptr<const ListingDocument> ListingDocument::withNotes(
    std::shared_ptr<const RowNotes> notes) const {
    return std::make_shared<const ListingDocument>(image_, mode_, path_, extra_, std::move(notes));
}

bool ListingDocument::sameListing(const ListingDocument& other) const {
    return image_ == other.image_ && mode_ == other.mode_ && path_ == other.path_;
}

ShortText ListingDocument::cell(std::uint64_t row, ColumnKind column) const {
    if (row >= rowCount_) {
        return {};
    }
    switch (column) {
        case ColumnKind::First:
        case ColumnKind::Second:
        case ColumnKind::Third:
            return listsBytes() ? bytes_.cell(row, static_cast<int>(column))
                                : words_.cell(row, static_cast<int>(column));
        case ColumnKind::Hex:
            return listsBytes() ? ByteHexText(image_->data()[row]) : WordHexText(words_.word(row));
        case ColumnKind::Text:
            return listsBytes() ? ByteCharacterText(image_->data()[row])
                                : WordCharactersText(words_.word(row));
        case ColumnKind::Notes:
            break;
    }
    return {};
}

std::string ListingDocument::text(std::uint64_t row, int index, std::size_t* dimFrom) const {
    if (dimFrom != nullptr) {
        *dimFrom = std::string::npos;
    }
    if (index >= columnCount() || row >= rowCount_) {
        return {};
    }
    const ColumnKind column = columnAt(index);
    if (column != ColumnKind::Notes) {
        return std::string(cell(row, column).view());
    }
    std::string out;
    if (notes_) {
        const std::size_t dim = notes_->appendText(row, words_.word(row), words_.raw, out);
        if (dimFrom != nullptr) {
            *dimFrom = dim;
        }
    }
    return out;
}

}  // namespace sorrel
