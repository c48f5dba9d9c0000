#include "window_document.h"

#include <utility>

#include "short_text_qt.h"

namespace sorrel {

DocumentSource::DocumentSource(std::shared_ptr<const ListingDocument> document)
    : document_(std::move(document)) {}

QString DocumentSource::cellText(std::uint64_t row, int column) const {
    return ToQString(document_->cell(row, column));
}

WindowDocument::WindowDocument(StringGrid* grid, ListingMode emptyMode)
    : QObject(grid), grid_(grid), emptyMode_(emptyMode) {}

QString WindowDocument::path() const {
    return current_ ? QString::fromStdString(current_->path()) : QString();
}

void WindowDocument::show(std::shared_ptr<const ListingDocument> document) {
    current_ = std::move(document);
    grid_->setSource(current_ ? std::make_shared<const DocumentSource>(current_) : nullptr);
    emit changed();
}

}  // namespace sorrel
