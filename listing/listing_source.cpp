#include "listing_source.h"

#include "short_text_qt.h"

namespace sorrel {

ListingSource::ListingSource(std::shared_ptr<const ImageData> image, bool raw)
    : image_(std::move(image)) {
    rows_.bytes = image_->data();
    rows_.size = image_->size();
    rows_.raw = raw;
}

QString ListingSource::cellText(std::uint64_t row, int column) const {
    return ToQString(rows_.cell(row, column));
}

}  // namespace sorrel
