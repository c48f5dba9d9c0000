#include "file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>
#include <system_error>
#include <utility>

namespace sorrel {

namespace {

std::optional<struct stat> StatOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return st;
}

// "folder/.name.1f2e3d4c.part" beside "folder/name".
std::string TemporaryName(const std::string& target, std::uint32_t tag) {
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", tag);
    return folder + "." + name + "." + hex + ".part";
}

}  // namespace

SaveTarget CheckSaveTarget(const std::string& target, const std::vector<std::string>& images) {
    const std::optional<struct stat> existing = StatOf(target);
    if (!existing) {
        return SaveTarget::New;
    }
    for (const std::string& image : images) {
        const std::optional<struct stat> st = StatOf(image);
        if (st && st->st_dev == existing->st_dev && st->st_ino == existing->st_ino) {
            return SaveTarget::IsAnImage;
        }
    }
    return S_ISREG(existing->st_mode) ? SaveTarget::Replaces : SaveTarget::NotARegularFile;
}

FileReplacement::FileReplacement(std::string target) : target_(std::move(target)) {
    std::random_device seed;
    std::mt19937 random(seed());
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const std::string candidate = TemporaryName(target_, static_cast<std::uint32_t>(random()));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporary_ = candidate;
            file_ = FileDescriptor::owned(fd);
            return;
        }
        error = errno;
    }
    throw std::system_error(error, std::generic_category());
}

FileReplacement::~FileReplacement() {
    discard();
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      file_(std::move(other.file_)) {}

FileDescriptor FileReplacement::takeFile() {
    return std::move(file_);
}

void FileReplacement::commit() {
    const std::string complete = std::exchange(temporary_, {});
    if (::rename(complete.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        ::unlink(complete.c_str());
        throw std::system_error(error, std::generic_category());
    }
}

void FileReplacement::discard() noexcept {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

void SyncAndClose(FileDescriptor file) {
    if (::fsync(file.get()) != 0) {
        throw std::system_error(errno, std::generic_category());
    }
    if (file.owns() && ::close(file.release()) != 0) {
        throw std::system_error(errno, std::generic_category());
    }
}

}  // namespace sorrel
