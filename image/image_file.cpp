// Opening an image file with the plain POSIX calls: open read-only without
// waiting, fstat for the kind and the 64-bit size; the reads are posix_io's.
#include "image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace sorrel {

namespace {

std::string SystemReason(int error) {
    return std::strerror(error);
}

std::string Describe(ImageError::Kind kind, const std::string& path, const std::string& reason) {
    const std::string quoted = "'" + path + "'";
    switch (kind) {
        case ImageError::Kind::CannotOpen:
            return "cannot open " + quoted + ": " + reason;
        case ImageError::Kind::TooLarge:
            return quoted + " is too large: " + reason;
        case ImageError::Kind::ReadFailed:
        case ImageError::Kind::ShortRead:
        case ImageError::Kind::OutOfMemory:
            return "cannot read " + quoted + ": " + reason;
    }
    return quoted + ": " + reason;
}

// Why a file of this mode is refused, or nullptr when it is accepted.
const char* Refusal(mode_t mode, ImageFile::Accept accept) {
    if (S_ISREG(mode)) {
        return nullptr;
    }
    if (accept == ImageFile::Accept::RegularFile) {
        return "not a regular file";
    }
    if (S_ISFIFO(mode) || S_ISCHR(mode) || S_ISSOCK(mode)) {
        return nullptr;
    }
    return "not a regular file, pipe or character device";
}

}  // namespace

ImageError::ImageError(Kind kind, std::string path, std::string reason)
    : std::runtime_error(Describe(kind, path, reason)),
      kind_(kind),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

ImageError ShortReadError(const std::string& path, std::uint64_t got, std::uint64_t expected) {
    return ImageError(ImageError::Kind::ShortRead, path,
                      "the file ended after " + std::to_string(got) + " of " + ByteCount(expected));
}

std::string ByteCount(std::uint64_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

ImageFile::ImageFile(FileDescriptor fd, std::string path, std::uint64_t size, bool stream)
    : fd_(std::move(fd)), path_(std::move(path)), size_(size), stream_(stream) {}

ImageFile ImageFile::open(const std::string& path, Accept accept) {
    using Kind = ImageError::Kind;
    if (path.empty()) {
        throw ImageError(Kind::CannotOpen, path, "no file name given");
    }
    // O_NONBLOCK: opening a FIFO with no writer must not wait for one. The
    // file is never created, truncated or opened for writing.
    int raw;
    do {
        raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (raw < 0 && errno == EINTR);
    if (raw < 0) {
        throw ImageError(Kind::CannotOpen, path, SystemReason(errno));
    }
    FileDescriptor fd = FileDescriptor::owned(raw);
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) {
        throw ImageError(Kind::CannotOpen, path, SystemReason(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        throw ImageError(Kind::CannotOpen, path, SystemReason(EISDIR));
    }
    if (const char* refusal = Refusal(st.st_mode, accept)) {
        throw ImageError(Kind::CannotOpen, path, refusal);
    }
    if (!S_ISREG(st.st_mode)) {
        // A stream stays non-blocking: the reads wait with poll().
        ImageFile file(std::move(fd), path, 0, true);
        file.awaitWriter_ = S_ISFIFO(st.st_mode);
        return file;
    }
    // A regular file never blocks; clear the flag so reads behave plainly.
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    return ImageFile(std::move(fd), path, static_cast<std::uint64_t>(st.st_size), false);
}

ImageFile ImageFile::fromDescriptor(FileDescriptor fd, std::string name) {
    std::uint64_t size = 0;
    struct stat st {};
    if (fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode)) {
        size = static_cast<std::uint64_t>(st.st_size);
    }
    return ImageFile(std::move(fd), std::move(name), size, true);
}

std::size_t ImageFile::readSome(std::uint8_t* out, std::size_t count) {
    if (awaitWriter_) {
        // A FIFO reads as ended until a writer opens it; poll() waits for one
        // that writes or comes and goes.
        awaitWriter_ = false;
        WaitReadable(fd_.get());
    }
    const ReadResult got = ReadSome(fd_.get(), out, count);
    if (got.error != 0) {
        throw ImageError(ImageError::Kind::ReadFailed, path_, SystemReason(got.error));
    }
    return got.bytes;
}

void ImageFile::readExactly(std::uint8_t* out, std::uint64_t count) {
    readExactly(out, count, MaxReadRequest, {});
}

bool ImageFile::readExactly(std::uint8_t* out, std::uint64_t count, std::size_t piece,
                            const std::function<bool(std::uint64_t)>& afterPiece) {
    piece = std::clamp<std::size_t>(piece, 1, MaxReadRequest);
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t end = done + std::min<std::uint64_t>(count - done, piece);
        while (done < end) {
            const std::size_t got = readSome(out + done, static_cast<std::size_t>(end - done));
            if (got == 0) {
                throw ShortReadError(path_, done, count);
            }
            done += got;
        }
        if (afterPiece && !afterPiece(done)) {
            return false;
        }
    }
    return true;
}

}  // namespace sorrel
