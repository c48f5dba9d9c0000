// The listing window's cell source. A snapshot is the whole file read at one
// moment; the cell source makes every text of the grid from it on demand, so
// the grid keeps no text per row.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "image_snapshot.h"
#include "listing_text.h"
#include "stringgrid.h"

namespace sorrel {

// The main listing of one snapshot, in raw or header mode as chosen when the
// file was read: grid row k shows word k.
class ListingSource final : public CellSource {
  public:
    ListingSource(std::shared_ptr<const ImageData> image, bool raw);

    std::uint64_t rowCount() const override { return rows_.rowCount(); }
    QString cellText(std::uint64_t row, int column) const override;

    bool raw() const { return rows_.raw; }
    // The snapshot, for work on another thread (passes, searches), and the
    // rows over it.
    const std::shared_ptr<const ImageData>& snapshot() const { return image_; }
    const ListingRows& rows() const { return rows_; }

  private:
    std::shared_ptr<const ImageData> image_;
    ListingRows rows_;
};

}  // namespace sorrel
