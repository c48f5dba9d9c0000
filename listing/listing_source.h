// The listing window's cell source and the reading of an image snapshot that
// both windows share. A snapshot is the whole file read at one moment; a cell
// source makes every text of the grid from it on demand, so the grid keeps no
// text per row.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "image_file.h"
#include "listing_text.h"
#include "stringgrid.h"

namespace sorrel {

// The largest image the windows list: 4 GiB - 1 bytes, the largest size a
// 32-bit file size can hold. A larger file is refused, not wrapped.
inline constexpr std::uint64_t MaxImageSize = 0xFFFFFFFFu;

// The local file name of a name shown to the user.
std::string LocalFileName(const QString& name);

// Opens an image file for reading. Empty when it cannot be opened (no such
// file, no access, an empty name, a directory, a FIFO, a device): the windows
// then return silently.
std::optional<ImageFile> OpenImageFile(const QString& name);

// Reads the whole open file into a new snapshot. Throws std::runtime_error with
// a message in Russian that names the file and the reason (too large, read
// short or failed, not enough memory); nothing is allocated for a file that is
// too large.
std::shared_ptr<const ImageData> ReadImageSnapshot(ImageFile& file);

// The main listing of one snapshot, in raw or header mode as chosen when the
// file was read: grid row k shows word k.
class ListingSource final : public CellSource {
  public:
    ListingSource(std::shared_ptr<const ImageData> image, bool raw);

    std::uint64_t rowCount() const override { return rows_.rowCount(); }
    QString cellText(std::uint64_t row, int column) const override;

    bool raw() const { return rows_.raw; }
    const ImageData& image() const { return *image_; }

  private:
    std::shared_ptr<const ImageData> image_;
    ListingRows rows_;
};

// A listing text as a QString; every listing text is ASCII.
inline QString ToQString(const ShortText& text) {
    return QString::fromLatin1(text.data.data(), text.size);
}

}  // namespace sorrel
