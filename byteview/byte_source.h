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

    const ImageData& image() const { return *image_; }

  private:
    std::shared_ptr<const ImageData> image_;
    ByteRows rows_;
};

}  // namespace sorrel
