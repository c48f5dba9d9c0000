// What the hostile-input tests share: sorrel-dis as a real process with a
// time limit on every wait, a watchdog for the windows' handlers (which run on
// this thread and cannot be interrupted), sparse files, the stamp of a file
// that must not change, and the open flags of a descriptor.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace hostile {

using namespace std::chrono_literals;

// sorrel-dis running with its standard output and error on pipes. Every wait
// has a time limit; a process still running at the end is killed.
class DisProcess {
  public:
    // Starts sorrel-dis with args. stdinFd becomes its standard input
    // (/dev/null when -1); the caller keeps its own descriptor.
    explicit DisProcess(const std::vector<std::string>& args, int stdinFd = -1);
    ~DisProcess();
    DisProcess(const DisProcess&) = delete;
    DisProcess& operator=(const DisProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }

    // Reads until at least bytes of output have arrived, the output has
    // ended or limit has passed; true when enough arrived.
    bool readOutput(std::size_t bytes, std::chrono::milliseconds limit = 10s);
    // The reader goes away: the output pipe is closed.
    void closeOutput();
    // Reads what is still to come and waits for the exit; a process that has
    // not ended within limit is killed and timedOut is set.
    void finish(std::chrono::milliseconds limit = 20s);

    std::string out;
    std::string err;
    int status = -1;  // exit status; -1 when ended by a signal
    int signal = 0;
    bool timedOut = false;

  private:
    // One round of reading from the open pipes; false when none is open.
    bool pump(std::chrono::milliseconds wait);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
};

// Runs sorrel-dis to its end; with closeAfter, the output is closed once that
// many bytes have arrived (for listings that would take long to read).
struct DisResult {
    std::string out;
    std::string err;
    int status = -1;
    int signal = 0;
    bool timedOut = false;
};
DisResult RunDis(const std::vector<std::string>& args, int stdinFd = -1,
                 std::size_t closeAfter = SIZE_MAX);

// Aborts the whole test program, naming what it waited for, when it is not
// destroyed within limit: a handler that blocks on this thread can be
// stopped no other way.
class Watchdog {
  public:
    Watchdog(std::string what, std::chrono::milliseconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// Makes a sparse file of size bytes (no disk used); false when the file
// system cannot hold it.
bool MakeSparseFile(const std::string& path, std::uint64_t size);
// Sets the file's size in place, keeping its first bytes.
bool ResizeFile(const std::string& path, std::uint64_t size);
// A whole file's bytes.
std::string ReadWhole(const std::string& path);
// Writes bytes to a new file (or over an old one).
void WriteWhole(const std::string& path, const std::string& bytes);

// What must stay as it is in a file that the program only reads: its bytes
// and its inode's times and mode (a write or a change of metadata would move
// st_ctim even where the modification time was set back).
struct FileStamp {
    std::string bytes;
    std::int64_t size = -1;
    std::int64_t mtimeSec = 0, mtimeNsec = 0;
    std::int64_t ctimeSec = 0, ctimeNsec = 0;
    unsigned mode = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);
std::string Describe(const FileStamp& stamp);
// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// The open flags ("flags:" of /proc/<pid>/fdinfo/<fd>) of every descriptor of
// process pid that names path.
std::vector<unsigned> OpenFlagsOf(pid_t pid, const std::string& path);

// Resident memory of this process, in bytes.
std::uint64_t ResidentBytes();

// True when this process may read a file whatever its permissions (root).
bool ReadsAnyFile(const std::string& unreadablePath);

}  // namespace hostile
