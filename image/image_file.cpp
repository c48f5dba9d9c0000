// Reading an image file with the plain POSIX calls: open read-only, fstat for
// the kind and the 64-bit size, and read() in a loop.
#include "image_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

namespace sorrel {

namespace {

// One read() asks for at most this much; the kernel caps a single read near
// 2 GiB anyway.
constexpr std::size_t MaxReadRequest = std::size_t{1} << 30;

// Whether a buffer of size bytes can be addressed at all (on a 32-bit system).
bool FitsInMemory(std::uint64_t size) {
    if constexpr (sizeof(std::size_t) < sizeof(std::uint64_t)) {
        return size <= SIZE_MAX;
    } else {
        return true;
    }
}

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

// Waits until fd can be read; used when a descriptor handed to us is in
// non-blocking mode (a non-blocking pipe on standard input).
void WaitReadable(int fd) {
    pollfd p{};
    p.fd = fd;
    p.events = POLLIN;
    while (poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

ImageError::ImageError(Kind kind, std::string path, std::string reason)
    : std::runtime_error(Describe(kind, path, reason)),
      kind_(kind),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

ImageError ShortReadError(const std::string& path, std::uint64_t got, std::uint64_t expected) {
    return ImageError(ImageError::Kind::ShortRead, path,
                      "the file ended after " + std::to_string(got) + " of " +
                          std::to_string(expected) + " bytes");
}

ImageFile::ImageFile(int fd, std::string path, std::uint64_t size)
    : fd_(fd), path_(std::move(path)), size_(size) {}

ImageFile ImageFile::open(const std::string& path) {
    using Kind = ImageError::Kind;
    if (path.empty()) {
        throw ImageError(Kind::CannotOpen, path, "no file name given");
    }
    // O_NONBLOCK: opening a FIFO with no writer must not wait for one. The
    // file is never created, truncated or opened for writing.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        throw ImageError(Kind::CannotOpen, path, SystemReason(errno));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        throw ImageError(Kind::CannotOpen, path, SystemReason(error));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw ImageError(Kind::CannotOpen, path,
                         S_ISDIR(st.st_mode) ? SystemReason(EISDIR) : "not a regular file");
    }
    // A regular file never blocks; clear the flag so reads behave plainly.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return ImageFile(fd, path, static_cast<std::uint64_t>(st.st_size));
}

ImageFile ImageFile::fromDescriptor(int fd, std::string name) {
    std::uint64_t size = 0;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        size = static_cast<std::uint64_t>(st.st_size);
    }
    ImageFile file(fd, std::move(name), size);
    file.owned_ = fd != 0;
    return file;
}

ImageFile::ImageFile(ImageFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      owned_(other.owned_),
      path_(std::move(other.path_)),
      size_(other.size_) {}

ImageFile& ImageFile::operator=(ImageFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0 && owned_) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        owned_ = other.owned_;
        path_ = std::move(other.path_);
        size_ = other.size_;
    }
    return *this;
}

ImageFile::~ImageFile() {
    if (fd_ >= 0 && owned_) {
        ::close(fd_);
    }
}

std::size_t ImageFile::readSome(std::uint8_t* out, std::size_t count) {
    if (count > MaxReadRequest) {
        count = MaxReadRequest;
    }
    for (;;) {
        const ssize_t got = ::read(fd_, out, count);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            WaitReadable(fd_);
            continue;
        }
        throw ImageError(ImageError::Kind::ReadFailed, path_, SystemReason(errno));
    }
}

void ImageFile::readExactly(std::uint8_t* out, std::uint64_t count) {
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t left = count - done;
        const std::size_t request =
            left > MaxReadRequest ? MaxReadRequest : static_cast<std::size_t>(left);
        const std::size_t got = readSome(out + done, request);
        if (got == 0) {
            throw ShortReadError(path_, done, count);
        }
        done += got;
    }
}

ImageData ImageData::read(const std::string& path, std::uint64_t maxSize) {
    ImageFile file = ImageFile::open(path);
    return read(file, maxSize);
}

ImageData ImageData::read(ImageFile& file, std::uint64_t maxSize) {
    using Kind = ImageError::Kind;
    const std::uint64_t size = file.size();
    if (size > maxSize) {
        throw ImageError(Kind::TooLarge, file.path(),
                         std::to_string(size) + " bytes, more than the limit of " +
                             std::to_string(maxSize) + " bytes");
    }
    ImageData image;
    if (size > 0) {
        // No fill: every byte is overwritten by the read or the read fails.
        if (FitsInMemory(size)) {
            image.bytes_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
        }
        if (!image.bytes_) {
            throw ImageError(Kind::OutOfMemory, file.path(),
                             "not enough memory for " + std::to_string(size) + " bytes");
        }
        // Exactly the size taken at open: bytes appended meanwhile are not read.
        file.readExactly(image.bytes_.get(), size);
    }
    image.size_ = size;
    return image;
}

}  // namespace sorrel
