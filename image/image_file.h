// Reading an image file: opened read-only, never created or changed; only
// regular files are accepted, so a directory, FIFO or device never blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace sorrel {

class ImageError : public std::runtime_error {
  public:
    enum class Kind {
        CannotOpen,  // missing, no access, empty name, not a regular file
        TooLarge,    // larger than a caller's limit
        ReadFailed,  // the system reported an error while reading
        ShortRead,   // end of file before the size taken at open
        OutOfMemory  // the image buffer could not be allocated
    };
    ImageError(Kind kind, std::string path, std::string reason);
    Kind kind() const { return kind_; }
    const std::string& path() const { return path_; }
    // The system's reason alone ("No such file or directory", ...).
    const std::string& reason() const { return reason_; }

  private:
    Kind kind_;
    std::string path_;
    std::string reason_;
};

// The ShortRead error for a file that ended after got of expected bytes.
ImageError ShortReadError(const std::string& path, std::uint64_t got, std::uint64_t expected);

// An open image file. Move-only; closes the file when destroyed.
class ImageFile {
  public:
    // Opens an existing regular file for reading. Throws ImageError(CannotOpen)
    // with the system's reason; never blocks on a FIFO or device.
    static ImageFile open(const std::string& path);
    // Wraps an already open descriptor (standard input); takes ownership
    // unless it is 0. Its size() is 0 when it is not a regular file.
    static ImageFile fromDescriptor(int fd, std::string name);

    ImageFile(ImageFile&& other) noexcept;
    ImageFile& operator=(ImageFile&& other) noexcept;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile();

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }

    // Reads up to count bytes, retrying on EINTR; 0 at end of file. Throws
    // ImageError(ReadFailed) on an error.
    std::size_t readSome(std::uint8_t* out, std::size_t count);
    // Reads exactly count bytes, looping until they are all in; throws
    // ImageError(ShortRead) at an early end of file, ReadFailed on an error.
    void readExactly(std::uint8_t* out, std::uint64_t count);

  private:
    ImageFile(int fd, std::string path, std::uint64_t size);
    int fd_ = -1;
    bool owned_ = true;
    std::string path_;
    std::uint64_t size_ = 0;
};

// A whole image file in memory, read at one moment: the listing's snapshot.
class ImageData {
  public:
    ImageData() = default;
    const std::uint8_t* data() const { return bytes_.get(); }
    std::uint64_t size() const { return size_; }
    std::uint8_t operator[](std::uint64_t i) const { return bytes_[i]; }

    // Opens path and reads it whole. Throws ImageError: CannotOpen, TooLarge
    // when the size exceeds maxSize, OutOfMemory, ShortRead or ReadFailed.
    static ImageData read(const std::string& path, std::uint64_t maxSize = UINT64_MAX);
    // The same for a file already open (its size taken at open); the windows
    // open first, so that a file that cannot be opened is told apart early.
    static ImageData read(ImageFile& file, std::uint64_t maxSize = UINT64_MAX);

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::uint64_t size_ = 0;
};

}  // namespace sorrel
