#include "byte_source.h"

#include "short_text_qt.h"

namespace sorrel {

ByteSource::ByteSource(std::shared_ptr<const ImageData> image) : image_(std::move(image)) {
    rows_.bytes = image_->data();
    rows_.size = image_->size();
}

QString ByteSource::cellText(std::uint64_t row, int column) const {
    return ToQString(rows_.cell(row, column));
}

}  // namespace sorrel
