// The listing a window shows: its current listing document, the grid's cells
// over it, and the news of a new one for every view of the window.
//
// A window holds one WindowDocument. A load, a reload or a change of mode
// hands it a new document (show()); it gives the grid a cell source over the
// document and then tells every view (changed()), which asks for current()
// and takes what it needs from it: find and go-to, the passes of the arrows
// and the strip, the results, the save. No view learns what is listed from
// the grid. Everything runs on the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "listing_document.h"
#include "stringgrid.h"

namespace sorrel {

// The grid's cells over a listing document: a text made when a row is painted.
class DocumentSource final : public CellSource {
  public:
    explicit DocumentSource(std::shared_ptr<const ListingDocument> document);

    std::uint64_t rowCount() const override { return document_->rowCount(); }
    QString cellText(std::uint64_t row, int column) const override;

  private:
    std::shared_ptr<const ListingDocument> document_;
};

class WindowDocument : public QObject {
    Q_OBJECT
  public:
    // grid shows the documents; until the first, the window lists nothing
    // and reads go-to texts as a listing in emptyMode would.
    WindowDocument(StringGrid* grid, ListingMode emptyMode);

    // The document shown; null until the first listing.
    const std::shared_ptr<const ListingDocument>& current() const { return current_; }
    // The mode of the document shown, or the window's mode while none is.
    ListingMode mode() const { return current_ ? current_->mode() : emptyMode_; }
    // The rows listed; 0 while nothing is.
    std::uint64_t rowCount() const { return current_ ? current_->rowCount() : 0; }
    // The file of the document shown; empty while none is.
    QString path() const;
    StringGrid* grid() const { return grid_; }

    // Shows document in the grid, then tells the views. Rows now mean
    // something else: the views drop what they knew of the former rows.
    void show(std::shared_ptr<const ListingDocument> document);

  signals:
    // A new document is shown (a load, a reload, a change of mode).
    void changed();

  private:
    StringGrid* grid_;
    ListingMode emptyMode_;
    std::shared_ptr<const ListingDocument> current_;
};

}  // namespace sorrel
