#include "listing_document.h"

#include <utility>

namespace sorrel {

ListingDocument::ListingDocument(std::shared_ptr<const ImageData> image, ListingMode mode,
                                 std::string path)
    : image_(std::move(image)), mode_(mode), path_(std::move(path)) {
    const std::uint8_t* bytes = image_ ? image_->data() : nullptr;
    const std::uint64_t size = image_ ? image_->size() : 0;
    if (listsBytes()) {
        bytes_ = ByteRows{bytes, size};
    } else {
        words_ = ListingRows{bytes, size, mode == ListingMode::Raw};
    }
    rowCount_ = ListingRowCount(mode_, size);
}

ShortText ListingDocument::cell(std::uint64_t row, int column) const {
    return listsBytes() ? bytes_.cell(row, column) : words_.cell(row, column);
}

}  // namespace sorrel
