#include "hostile_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace hostile {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

DisProcess::DisProcess(const std::vector<std::string>& args, int stdinFd) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    int nullFd = -1;
    if (stdinFd < 0) {
        nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        stdinFd = nullFd;
    }
    std::vector<std::string> words;
    words.push_back(SORREL_DIS);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    // posix_spawn rather than fork: this process runs the toolkit's threads.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    CloseFd(nullFd);
    ::close(out[1]);
    ::close(err[1]);
    if (pid <= 0) {
        ::close(out[0]);
        ::close(err[0]);
        return;
    }
    pid_ = pid;
    outFd_ = out[0];
    errFd_ = err[0];
}

DisProcess::~DisProcess() {
    CloseFd(outFd_);
    CloseFd(errFd_);
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int st = 0;
        waitpid(pid_, &st, 0);
    }
}

bool DisProcess::pump(std::chrono::milliseconds wait) {
    pollfd fds[2];
    int n = 0;
    for (int fd : {outFd_, errFd_}) {
        if (fd >= 0) {
            fds[n++] = {fd, POLLIN, 0};
        }
    }
    if (n == 0) {
        return false;
    }
    if (poll(fds, static_cast<nfds_t>(n), static_cast<int>(wait.count())) <= 0) {
        return true;
    }
    for (int i = 0; i < n; ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        int& fd = fds[i].fd == outFd_ ? outFd_ : errFd_;
        std::string& text = fds[i].fd == outFd_ ? out : err;
        char buffer[65536];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            CloseFd(fd);
        }
    }
    return true;
}

bool DisProcess::readOutput(std::size_t bytes, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (out.size() < bytes && outFd_ >= 0 && std::chrono::steady_clock::now() < deadline) {
        pump(20ms);
    }
    return out.size() >= bytes;
}

void DisProcess::closeOutput() {
    CloseFd(outFd_);
}

void DisProcess::finish(std::chrono::milliseconds limit) {
    if (pid_ <= 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int st = 0;
    for (;;) {
        pump(20ms);
        if (outFd_ < 0 && errFd_ < 0) {
            const pid_t done = waitpid(pid_, &st, WNOHANG);
            if (done == pid_) {
                break;
            }
            if (std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(5ms);
                continue;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            timedOut = true;
            ::kill(pid_, SIGKILL);
            waitpid(pid_, &st, 0);
            break;
        }
    }
    pid_ = -1;
    CloseFd(outFd_);
    CloseFd(errFd_);
    if (WIFEXITED(st)) {
        status = WEXITSTATUS(st);
    } else if (WIFSIGNALED(st)) {
        signal = WTERMSIG(st);
    }
}

DisResult RunDis(const std::vector<std::string>& args, int stdinFd, std::size_t closeAfter) {
    DisProcess dis(args, stdinFd);
    DisResult result;
    if (!dis.started()) {
        result.err = "sorrel-dis could not be started";
        return result;
    }
    if (closeAfter != SIZE_MAX) {
        dis.readOutput(closeAfter);
        dis.closeOutput();
    }
    dis.finish();
    result.out = std::move(dis.out);
    result.err = std::move(dis.err);
    result.status = dis.status;
    result.signal = dis.signal;
    result.timedOut = dis.timedOut;
    return result;
}

Watchdog::Watchdog(std::string what, std::chrono::milliseconds limit)
    : thread_([this, what = std::move(what), limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
              std::fprintf(stderr, "Hung for %lld ms: %s\n", static_cast<long long>(limit.count()),
                           what.c_str());
              std::fflush(stderr);
              std::_Exit(3);
          }
      }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    done_.notify_one();
    thread_.join();
}

bool MakeSparseFile(const std::string& path, std::uint64_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool sized = ftruncate(fd, static_cast<off_t>(size)) == 0;
    ::close(fd);
    return sized;
}

bool ResizeFile(const std::string& path, std::uint64_t size) {
    return truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWhole(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return stamp;
    }
    stamp.bytes = ReadWhole(path);
    stamp.size = st.st_size;
    stamp.mtimeSec = st.st_mtim.tv_sec;
    stamp.mtimeNsec = st.st_mtim.tv_nsec;
    stamp.ctimeSec = st.st_ctim.tv_sec;
    stamp.ctimeNsec = st.st_ctim.tv_nsec;
    stamp.mode = st.st_mode;
    stamp.inode = st.st_ino;
    return stamp;
}

std::string Describe(const FileStamp& s) {
    std::ostringstream text;
    text << "size " << s.size << ", " << s.bytes.size() << " bytes read, mtime " << s.mtimeSec
         << "." << s.mtimeNsec << ", ctime " << s.ctimeSec << "." << s.ctimeNsec << ", mode "
         << std::oct << s.mode << std::dec << ", inode " << s.inode;
    return text.str();
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<unsigned> OpenFlagsOf(pid_t pid, const std::string& path) {
    std::vector<unsigned> flags;
    const std::string proc = "/proc/" + std::to_string(pid);
    DIR* dir = opendir((proc + "/fd").c_str());
    if (dir == nullptr) {
        return flags;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string fd = entry->d_name;
        if (fd == "." || fd == "..") {
            continue;
        }
        char target[PATH_MAX];
        const ssize_t length = readlink((proc + "/fd/" + fd).c_str(), target, sizeof target - 1);
        if (length <= 0 || std::string(target, static_cast<std::size_t>(length)) != path) {
            continue;
        }
        std::ifstream info(proc + "/fdinfo/" + fd);
        std::string key;
        while (info >> key) {
            if (key == "flags:") {
                std::string octal;
                info >> octal;
                flags.push_back(static_cast<unsigned>(std::stoul(octal, nullptr, 8)));
                break;
            }
        }
    }
    closedir(dir);
    return flags;
}

std::uint64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t total = 0, resident = 0;
    statm >> total >> resident;
    return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

bool ReadsAnyFile(const std::string& unreadablePath) {
    const int fd = ::open(unreadablePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return false;
}

}  // namespace hostile
