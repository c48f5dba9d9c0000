#include "posix_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace sorrel {

namespace {

void WaitFor(int fd, short events) {
    pollfd p{};
    p.fd = fd;
    p.events = events;
    while (poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

}  // namespace

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), owned_(std::exchange(other.owned_, false)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = std::exchange(other.fd_, -1);
        owned_ = std::exchange(other.owned_, false);
    }
    return *this;
}

int FileDescriptor::release() noexcept {
    owned_ = false;
    return std::exchange(fd_, -1);
}

void FileDescriptor::reset() noexcept {
    if (fd_ >= 0 && owned_) {
        ::close(fd_);
    }
    fd_ = -1;
    owned_ = false;
}

void WaitReadable(int fd) {
    WaitFor(fd, POLLIN);
}

ReadResult ReadSome(int fd, void* out, std::size_t count) {
    if (count > MaxReadRequest) {
        count = MaxReadRequest;
    }
    for (;;) {
        const ssize_t got = ::read(fd, out, count);
        if (got >= 0) {
            return {static_cast<std::size_t>(got), 0};
        }
        if (errno == EINTR) {
            continue;
        }
        if (WouldBlock(errno)) {
            WaitFor(fd, POLLIN);
            continue;
        }
        return {0, errno};
    }
}

int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t done = ::write(fd, text.data(), text.size());
        if (done >= 0) {
            text.remove_prefix(static_cast<std::size_t>(done));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (WouldBlock(errno)) {
            WaitFor(fd, POLLOUT);
            continue;
        }
        return errno;
    }
    return 0;
}

}  // namespace sorrel
