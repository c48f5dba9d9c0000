// The snapshot of an image: its whole file read into memory at one moment and
// then shared read-only, as std::shared_ptr<const ImageData>, by the cell
// sources of the windows (and by any work on another thread). No Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "image_file.h"

namespace sorrel {

// The largest image the windows list: 4 GiB - 1 bytes, the largest size a
// 32-bit file size can hold. A larger file is refused, not wrapped.
inline constexpr std::uint64_t MaxImageSize = 0xFFFFFFFFu;

// A read in pieces reads this much at a time: few enough reads that a 1 GiB
// image costs no more than one read of it, and small enough that a request to
// stop is seen soon. A new load waits on the GUI thread for the read it
// replaces to see its stop, which takes up to one piece: some 12 ms from a
// disk that gives 350 MB/s, 40 ms at 100 MB/s.
inline constexpr std::size_t SnapshotPieceSize = std::size_t{4} << 20;

// How a read in pieces is watched and stopped. The default reads to the end
// without reporting.
struct ReadControl {
    // Looked at before the first piece and after each piece: once a stop is
    // requested, the read ends as cancelled and its buffer is freed.
    std::stop_token stop;
    // Called on the reading thread after each piece with the bytes read so
    // far and the file's size; it must not touch any widget.
    std::function<void(std::uint64_t bytesRead, std::uint64_t size)> progress;
    std::size_t pieceSize = SnapshotPieceSize;
};

// Frees an image's bytes as they were taken: a mapping of this length, or
// memory from new when the length is 0.
struct ImageBytesRelease {
    std::size_t mapped = 0;
    void operator()(std::uint8_t* bytes) const;
};

// A whole image file in memory, read at one moment.
class ImageData {
  public:
    ImageData() = default;
    const std::uint8_t* data() const { return bytes_.get(); }
    std::uint64_t size() const { return size_; }
    std::uint8_t operator[](std::uint64_t i) const { return bytes_[i]; }

    // Opens path (a regular file only) and reads it whole. Throws ImageError:
    // CannotOpen, TooLarge when the size exceeds maxSize, OutOfMemory,
    // ShortRead or ReadFailed.
    static ImageData read(const std::string& path, std::uint64_t maxSize = UINT64_MAX);
    // The same for a regular file already open (its size taken at open); the
    // windows open first, so that a file that cannot be opened is told apart
    // early.
    static ImageData read(ImageFile& file, std::uint64_t maxSize = UINT64_MAX);
    // The same in pieces, watched and stopped through control; empty when a
    // stop was requested. A file too large is refused before anything is
    // allocated; the only memory taken is the new image's.
    static std::optional<ImageData> read(ImageFile& file, std::uint64_t maxSize,
                                         const ReadControl& control);

  private:
    using Bytes = std::unique_ptr<std::uint8_t[], ImageBytesRelease>;
    static Bytes allocate(std::uint64_t size);

    Bytes bytes_;
    std::uint64_t size_ = 0;
};

// Reads a whole open regular file into a new snapshot, refusing a file larger
// than MaxImageSize. Throws ImageError as ImageData::read does (also
// OutOfMemory when the snapshot itself cannot be allocated).
std::shared_ptr<const ImageData> ReadSnapshot(ImageFile& file);

// What a read that can be stopped gives. A cancelled read is not an error:
// it throws nothing, and its outcome is Cancelled with no image. Failures
// are thrown as ImageError, as by the plain form.
struct SnapshotRead {
    enum class Outcome { Complete, Cancelled };
    Outcome outcome = Outcome::Complete;
    std::shared_ptr<const ImageData> image;  // the snapshot; null when cancelled

    bool cancelled() const { return outcome == Outcome::Cancelled; }
};

// ReadSnapshot in pieces of control.pieceSize, for a reader off the GUI
// thread: progress after each piece, stopped early through control.stop.
SnapshotRead ReadSnapshot(ImageFile& file, const ReadControl& control);

}  // namespace sorrel
