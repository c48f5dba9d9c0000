// Opening and reading an image file: opened read-only, never created or
// changed, and never blocking at the open. The caller says whether only a
// regular file is accepted (the windows) or a stream too (sorrel-dis).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "posix_io.h"

namespace sorrel {

class ImageError : public std::runtime_error {
  public:
    enum class Kind {
        CannotOpen,  // missing, no access, empty name, a kind refused
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

// "1 byte", "2 bytes": a count of bytes in English.
std::string ByteCount(std::uint64_t bytes);

// An open image file. Move-only; closes the file when destroyed, unless its
// descriptor was borrowed.
class ImageFile {
  public:
    // What a file opened by name may be. Every opening call says which.
    enum class Accept {
        // A regular file only (the windows): a FIFO or device is refused as
        // CannotOpen at once, never waited on.
        RegularFile,
        // Also a pipe, FIFO or character device, read as a stream to its end
        // (sorrel-dis). A FIFO is opened without waiting; its first read waits
        // for a writer, as cat's open would.
        RegularFileOrStream
    };

    // Opens an existing file for reading; throws ImageError(CannotOpen) with
    // the system's reason for a file that is missing, unreadable or of a kind
    // that accept refuses (a directory always). Never blocks.
    static ImageFile open(const std::string& path, Accept accept);
    // Wraps an already open descriptor (standard input, borrowed), read as a
    // stream to its end; size() is that of a regular file, else 0.
    static ImageFile fromDescriptor(FileDescriptor fd, std::string name);

    const std::string& path() const { return path_; }
    // The size taken at open, 64-bit; 0 for a pipe, FIFO or device.
    std::uint64_t size() const { return size_; }
    // Read to its end of file rather than to size(): a pipe, FIFO or
    // character device, or any descriptor given to fromDescriptor.
    bool isStream() const { return stream_; }

    // Reads up to count bytes; 0 at end of file. Retries EINTR and waits on a
    // non-blocking descriptor. Throws ImageError(ReadFailed) on an error.
    std::size_t readSome(std::uint8_t* out, std::size_t count);
    // Reads exactly count bytes, looping until they are all in; throws
    // ImageError(ShortRead) at an early end of file, ReadFailed on an error.
    void readExactly(std::uint8_t* out, std::uint64_t count);
    // The same in pieces of at most piece bytes: after each piece, afterPiece
    // gets the bytes read so far and returns whether to go on. Returns false
    // when it stopped the read early, true when all count bytes are in.
    bool readExactly(std::uint8_t* out, std::uint64_t count, std::size_t piece,
                     const std::function<bool(std::uint64_t)>& afterPiece);

  private:
    ImageFile(FileDescriptor fd, std::string path, std::uint64_t size, bool stream);
    FileDescriptor fd_;
    std::string path_;
    std::uint64_t size_ = 0;
    bool stream_ = false;
    bool awaitWriter_ = false;  // a FIFO opened by name, not read yet
};

}  // namespace sorrel
