// The listing a window shows: its current listing document, the grid's cells
// and columns over it, and the news of a new one for every view of the window.
//
// A window holds one WindowDocument. A load, a reload or a change of mode
// hands it a new document (show()): a new listing, whose rows mean something
// else; every view drops what it knew of the former rows (changed()). The
// columns shown on request (hex, text, notes) and the notes of the listing
// change the same listing (setColumns(), setNotes()): the grid keeps its
// place and the views keep their history and results (updated()). Either
// way the grid gets a cell source over the document and the document's
// columns, and every view asks for current() and takes what it needs from
// it: find and go-to, the passes of the arrows and the strip, the results,
// the save. No view learns what is listed from the grid. Everything runs on
// the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "listing_document.h"
#include "stringgrid.h"
#include "window_grid.h"

namespace sorrel {

// The grid's cells over a listing document: a text made when a row is painted.
class DocumentSource final : public CellSource {
  public:
    explicit DocumentSource(std::shared_ptr<const ListingDocument> document);

    std::uint64_t rowCount() const override { return document_->rowCount(); }
    QString cellText(std::uint64_t row, int column) const override;
    int greyedFrom(std::uint64_t row, int column) const override;
    bool rowMarked(std::uint64_t row) const override;
    // The bits and the disassembly of a word: its class's pattern and each
    // operand field, with their bits and values.
    QString toolTip(std::uint64_t row, int column) const override;

  private:
    std::shared_ptr<const ListingDocument> document_;
};

class WindowDocument : public QObject {
    Q_OBJECT
  public:
    // grid shows the documents with columns first; until the first, the
    // window lists nothing and reads go-to texts as a listing in emptyMode
    // would.
    WindowDocument(StringGrid* grid, ListingMode emptyMode, std::span<const GridColumn> columns);

    // The document shown; null until the first listing.
    const std::shared_ptr<const ListingDocument>& current() const { return current_; }
    // The mode of the document shown, or the window's mode while none is.
    ListingMode mode() const { return current_ ? current_->mode() : emptyMode_; }
    // The rows listed; 0 while nothing is.
    std::uint64_t rowCount() const { return current_ ? current_->rowCount() : 0; }
    // The file of the document shown; empty while none is.
    QString path() const;
    StringGrid* grid() const { return grid_; }
    // The columns shown besides the three, in every listing from now on.
    ExtraColumns columns() const { return extra_; }

    // Shows a new listing in the grid, with the columns shown and without
    // notes, then tells the views.
    void show(std::shared_ptr<const ListingDocument> document);
    // The same listing with other columns, or other notes.
    void setColumns(ExtraColumns extra);
    void setNotes(std::shared_ptr<const RowNotes> notes);

  signals:
    // A new listing is shown (a load, a reload, a change of mode).
    void changed();
    // The listing shown shows other columns or notes.
    void updated();

  private:
    // The document in the grid: its cells, and its columns in the title row.
    void showInGrid();

    StringGrid* grid_;
    ListingMode emptyMode_;
    std::vector<GridColumn> columns_;
    ExtraColumns extra_;
    ExtraColumns shownExtra_;  // the columns the grid's title row shows
    std::shared_ptr<const ListingDocument> current_;
};

}  // namespace sorrel
