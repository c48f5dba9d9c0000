// Writing a file that takes another's place only once it is whole: the text
// goes to a new temporary file beside the target, is put on disk, and then
// takes the target's name in one step (rename). Until then the target stays
// as it was, and a write that fails or is stopped leaves nothing behind. The
// saves of listings and of notes write this way.
//
// Also the checks that come before: a save never writes over one of the
// images being listed (by any name or link), nor into anything that is not a
// regular file.
//
// POSIX calls only. A FileReplacement is used from one thread; the descriptor
// it gives out may be written on another.
#pragma once

#include <string>
#include <vector>

#include "posix_io.h"

namespace sorrel {

// What a save may do with its target.
enum class SaveTarget {
    New,             // no such file yet
    Replaces,        // another regular file, replaced as a whole
    IsAnImage,       // one of the images (also through a link or another path): refused
    NotARegularFile  // a device, a FIFO, a folder ...: refused
};
SaveTarget CheckSaveTarget(const std::string& target, const std::vector<std::string>& images);

class FileReplacement {
  public:
    // Makes a new file beside target for this write alone (never one that was
    // there), with the mode a new file gets (0666 less the umask). Throws
    // std::system_error with the system's reason when it cannot.
    explicit FileReplacement(std::string target);
    // Removes the temporary file unless it took the target's place.
    ~FileReplacement();
    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&&) = delete;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temporary_; }
    // The descriptor of the temporary file, for the writer (once): it writes,
    // then hands it to SyncAndClose.
    FileDescriptor takeFile();

    // The complete temporary file takes the target's place in one step.
    // Throws std::system_error when it cannot; the temporary file is then gone.
    void commit();
    // Removes the temporary file at once; a writer that still holds its
    // descriptor writes into a file that is gone. Nothing when committed.
    void discard() noexcept;

  private:
    std::string target_;
    std::string temporary_;  // empty once committed or discarded
    FileDescriptor file_;
};

// Puts what was written to file on disk and closes it. Throws
// std::system_error with the errno of an fsync or close that failed.
void SyncAndClose(FileDescriptor file);

}  // namespace sorrel
