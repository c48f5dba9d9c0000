#include "image_snapshot.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace sorrel {

namespace {

// Whether a buffer of size bytes can be addressed at all (on a 32-bit system).
bool FitsInMemory(std::uint64_t size) {
    if constexpr (sizeof(std::size_t) < sizeof(std::uint64_t)) {
        return size <= SIZE_MAX;
    } else {
        return true;
    }
}

ImageError OutOfMemory(const ImageFile& file) {
    return ImageError(ImageError::Kind::OutOfMemory, file.path(),
                      "not enough memory for " + std::to_string(file.size()) + " bytes");
}

// Images from this size on are mapped from the system for themselves, so that
// their memory goes back to it the moment the last listing lets go of them.
// From the allocator they would come from the arena of the worker thread that
// read them, which may keep them after they are freed.
constexpr std::uint64_t MappedFrom = std::uint64_t{1} << 20;

}  // namespace

void ImageBytesRelease::operator()(std::uint8_t* bytes) const {
    if (mapped != 0) {
        // In pieces: unmapping holds the process's memory map, and every other
        // thread that faults in a page (the GUI thread among them) waits for
        // it; a whole 1 GiB image at once held it for some 100 ms.
        constexpr std::size_t Piece = std::size_t{16} << 20;
        for (std::size_t done = 0; done < mapped; done += Piece) {
            munmap(bytes + done, std::min(Piece, mapped - done));
        }
    } else {
        delete[] bytes;
    }
}

ImageData::Bytes ImageData::allocate(std::uint64_t size) {
    if (!FitsInMemory(size)) {
        return Bytes();
    }
    const auto length = static_cast<std::size_t>(size);
    if (size < MappedFrom) {
        return Bytes(new (std::nothrow) std::uint8_t[length]);
    }
    void* mapped =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return Bytes();
    }
    return Bytes(static_cast<std::uint8_t*>(mapped), ImageBytesRelease{length});
}

ImageData ImageData::read(const std::string& path, std::uint64_t maxSize) {
    ImageFile file = ImageFile::open(path, ImageFile::Accept::RegularFile);
    return read(file, maxSize);
}

ImageData ImageData::read(ImageFile& file, std::uint64_t maxSize) {
    return *read(file, maxSize, ReadControl{});
}

std::optional<ImageData> ImageData::read(ImageFile& file, std::uint64_t maxSize,
                                         const ReadControl& control) {
    if (file.isStream()) {
        throw std::invalid_argument("a snapshot is read from a regular file, not a stream");
    }
    const std::uint64_t size = file.size();
    if (size > maxSize) {
        throw ImageError(ImageError::Kind::TooLarge, file.path(),
                         std::to_string(size) + " bytes, more than the limit of " +
                             std::to_string(maxSize) + " bytes");
    }
    if (control.stop.stop_requested()) {
        return std::nullopt;
    }
    ImageData image;
    if (size > 0) {
        // No fill: every byte is overwritten by the read or the read fails.
        image.bytes_ = allocate(size);
        if (!image.bytes_) {
            throw OutOfMemory(file);
        }
        // Exactly the size taken at open: bytes appended meanwhile are not read.
        const bool whole = file.readExactly(image.bytes_.get(), size, control.pieceSize,
                                            [&control, size](std::uint64_t done) {
                                                if (control.progress) {
                                                    control.progress(done, size);
                                                }
                                                return !control.stop.stop_requested();
                                            });
        if (!whole) {
            return std::nullopt;
        }
    }
    image.size_ = size;
    return image;
}

std::shared_ptr<const ImageData> ReadSnapshot(ImageFile& file) {
    return ReadSnapshot(file, ReadControl{}).image;
}

SnapshotRead ReadSnapshot(ImageFile& file, const ReadControl& control) {
    std::optional<ImageData> image = ImageData::read(file, MaxImageSize, control);
    if (!image) {
        return {SnapshotRead::Outcome::Cancelled, nullptr};
    }
    try {
        return {SnapshotRead::Outcome::Complete,
                std::make_shared<const ImageData>(std::move(*image))};
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(file);
    }
}

}  // namespace sorrel
