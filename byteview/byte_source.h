// The byte-order window's cell source: grid row i shows byte i of a snapshot.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "byte_text.h"
#include "image_snapshot.h"
#include "stringgrid.h"

namespace sorrel {

class ByteSource final : public CellSource {
  public:
    explicit ByteSource(std::shared_ptr<const ImageData> image);

    std::uint64_t rowCount() const override { return rows_.rowCount(); }
    QString cellText(std::uint64_t row, int column) const override;

    // The snapshot, for work on another thread, and the rows over it.
    const std::shared_ptr<const ImageData>& snapshot() const { return image_; }
    const ByteRows& rows() const { return rows_; }

  private:
    std::shared_ptr<const ImageData> image_;
    ByteRows rows_;
};

}  // namespace sorrel
