// The plain POSIX input and output loops, in one place for the image reader
// and sorrel-dis: a read that retries EINTR and waits on EAGAIN, a write that
// delivers all of its text, and a file descriptor whose ownership is stated
// when it is made. No Qt.
#pragma once

#include <cstddef>
#include <string_view>

namespace sorrel {

// A file descriptor that is either owned, and closed when destroyed, or
// borrowed, and left open (standard input, a descriptor of the caller's).
// Move-only; a moved-from or default one holds no descriptor.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    static FileDescriptor owned(int fd) { return FileDescriptor(fd, true); }
    static FileDescriptor borrowed(int fd) { return FileDescriptor(fd, false); }

    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool owns() const { return owned_; }
    // Closes an owned descriptor, lets go of a borrowed one.
    void reset() noexcept;
    // Lets go of the descriptor without closing it, and gives it back.
    int release() noexcept;

  private:
    FileDescriptor(int fd, bool owned) : fd_(fd), owned_(owned) {}
    int fd_ = -1;
    bool owned_ = false;
};

// What ReadSome got: a count of bytes (0 at end of file), or the errno of a
// failed read.
struct ReadResult {
    std::size_t bytes = 0;
    int error = 0;
};

// The most that one read() asks for; the kernel caps a single read near 2 GiB.
inline constexpr std::size_t MaxReadRequest = std::size_t{1} << 30;

// One read() of up to count bytes (at most MaxReadRequest at a time). It
// retries EINTR; on EAGAIN (a non-blocking descriptor with nothing to read
// yet) it waits with poll() until fd can be read, and reads again.
ReadResult ReadSome(int fd, void* out, std::size_t count);

// Writes all of text: continues a short write, retries EINTR, waits with
// poll() on EAGAIN. Returns 0 when everything was written, or the errno of
// the write that failed (EPIPE when the reader of a pipe has gone).
int WriteAll(int fd, std::string_view text);

// Waits until fd can be read, or its writer has gone. On a FIFO opened
// without waiting, this is the wait for a writer to open it.
void WaitReadable(int fd);

}  // namespace sorrel
