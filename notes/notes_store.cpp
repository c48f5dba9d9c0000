#include "notes_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

#include "file_replacement.h"
#include "image_hash.h"
#include "posix_io.h"

namespace sorrel {

namespace {

constexpr std::string_view Suffix = ".sorrel-notes";

// A notes file larger than this is not a notes file (200,000 notes take
// some 10 MB).
constexpr std::uint64_t MaxNotesFileSize = std::uint64_t{1} << 30;

// A file changed this soon before its stamp was taken may change again in
// the same tick of the file system's clock (2 s on FAT) without its time
// telling: its bytes decide.
constexpr std::int64_t DoubtfulSeconds = 2;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::uint64_t BytesHash(std::string_view bytes) {
    return *ImageHash(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

NotesStore::Stamp StampOf(const struct stat& st, std::uint64_t hash) {
    NotesStore::Stamp stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    stamp.nanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    stamp.hash = hash;
    stamp.recordedAt = Now();
    return stamp;
}

NotesStore::Stamp Absent() {
    NotesStore::Stamp stamp;
    stamp.recordedAt = Now();
    return stamp;
}

bool SameFile(const NotesStore::Stamp& a, const NotesStore::Stamp& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// A whole file read: its bytes and its status after the read; or that it is
// not there; or the reason (Russian) why it cannot be read.
struct FileBytes {
    bool exists = false;
    std::string problem;
    std::string bytes;
    struct stat status {};
};

FileBytes ReadWhole(const std::string& path) {
    FileBytes file;
    // Not blocking: a FIFO of that name must not hold the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT) {
            file.exists = true;
            file.problem = std::string("файл не открывается: ") + std::strerror(errno) + ".";
        }
        return file;
    }
    const FileDescriptor owned = FileDescriptor::owned(fd);
    file.exists = true;
    if (::fstat(fd, &file.status) != 0 || !S_ISREG(file.status.st_mode)) {
        file.problem = "это не обычный файл.";
        return file;
    }
    if (static_cast<std::uint64_t>(file.status.st_size) > MaxNotesFileSize) {
        file.problem = "файл больше 1 ГиБ: это не файл заметок.";
        return file;
    }
    file.bytes.resize(static_cast<std::size_t>(file.status.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == file.bytes.size()) {
            file.bytes.resize(got + 65536);  // the file may have grown
        }
        const ReadResult r = ReadSome(fd, file.bytes.data() + got, file.bytes.size() - got);
        if (r.error != 0) {
            file.problem = std::string("ошибка чтения: ") + std::strerror(r.error) + ".";
            return file;
        }
        if (r.bytes == 0) {
            break;
        }
        got += r.bytes;
        if (got > MaxNotesFileSize) {
            file.problem = "файл больше 1 ГиБ: это не файл заметок.";
            return file;
        }
    }
    file.bytes.resize(got);
    ::fstat(fd, &file.status);
    return file;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // the rename on disk too; a failure here loses nothing
        ::close(fd);
    }
}

}  // namespace

std::string DefaultNotesFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return std::string(data) + "/sorrel/notes";
    }
    const char* home = std::getenv("HOME");
    std::string base = home != nullptr && home[0] != '\0' ? home : "";
    if (base.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr) {
            base = user->pw_dir;
        }
    }
    return base + "/.local/share/sorrel/notes";
}

bool FolderTakesNewFiles(const std::string& folder) {
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return false;
    }
    // A file without a name, gone when closed: the folder never shows it,
    // not even for a moment.
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return false;  // a read-only file system, a full disk, no right to write
    }
    // A file system without unnamed files: a named one, removed as it goes.
    try {
        const FileReplacement probe(folder + "/sorrel-notes-probe");
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

NotesStore::NotesStore(std::string imagePath, ImageIdentity image, std::string dataFolder)
    : imagePath_(std::move(imagePath)), image_(image) {
    const std::string beside = imagePath_ + std::string(Suffix);
    const std::string inData = dataFolder + "/" + HashText(image.hash) + std::string(Suffix);
    std::error_code ec;
    if (FolderTakesNewFiles(FolderOf(beside))) {
        path_ = beside;
        place_ = NotesPlace::BesideImage;
        // Notes kept in the data folder while the folder was read-only come
        // back beside the image with the next save.
        readPath_ = !std::filesystem::exists(beside, ec) && std::filesystem::exists(inData, ec)
                        ? inData
                        : beside;
    } else {
        path_ = inData;
        place_ = NotesPlace::DataFolder;
        readPath_ = !std::filesystem::exists(inData, ec) && std::filesystem::exists(beside, ec)
                        ? beside
                        : inData;
    }
}

NotesStore::~NotesStore() = default;

NotesRead NotesStore::read() {
    if (readPath_ == path_) {
        return readPath(path_, true);
    }
    // Read from elsewhere; saves go where no file is yet.
    NotesRead read = readPath(readPath_, false);
    stamp_ = Absent();
    refusal_.clear();
    return read;
}

NotesRead NotesStore::readFrom(const std::string& path) {
    path_ = path;
    readPath_ = path;
    place_ = NotesPlace::Chosen;
    return read();
}

NotesRead NotesStore::readPath(const std::string& path, bool kept) {
    NotesRead read;
    read.path = path;
    const FileBytes file = ReadWhole(path);
    if (!file.exists) {
        if (kept) {
            stamp_ = Absent();
            refusal_.clear();
        }
        return read;
    }
    if (file.problem.empty()) {
        try {
            const NotesFileContent content = ReadNotesFileText(file.bytes);
            read.notes = content.notes;
            read.fromFile = true;
            read.madeFor = content.image;
            read.imageChanged = content.image != image_;
            if (kept) {
                stamp_ = StampOf(file.status, BytesHash(file.bytes));
                refusal_.clear();
            }
            return read;
        } catch (const NotesFileError& e) {
            read.problem = e.reason();
            read.problemLine = e.line();
        }
    } else {
        read.problem = file.problem;
    }
    if (kept) {
        refusal_ = "Файл заметок «" + path + "» не читается (" +
                   (read.problemLine != 0 ? "строка " + std::to_string(read.problemLine) + ": "
                                          : std::string()) +
                   read.problem + "), и он не будет перезаписан: сохраните заметки в другой файл.";
        refused_ = StampOf(file.status, 0);
        stamp_ = Absent();
    }
    return read;
}

bool NotesStore::changedByOthers(const std::string& target) const {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return false;  // gone: writing it loses nothing
        }
        throw std::system_error(errno, std::generic_category());
    }
    if (!stamp_.exists) {
        return true;  // made by another program since
    }
    const Stamp now = StampOf(st, 0);
    const bool same = now.device == stamp_.device && now.inode == stamp_.inode &&
                      now.size == stamp_.size && now.seconds == stamp_.seconds &&
                      now.nanoseconds == stamp_.nanoseconds;
    const bool doubtful = stamp_.seconds >= stamp_.recordedAt - DoubtfulSeconds;
    if (same && !doubtful) {
        return false;
    }
    const FileBytes file = ReadWhole(target);
    if (!file.exists) {
        return false;
    }
    return !file.problem.empty() || file.bytes.size() != stamp_.size ||
           BytesHash(file.bytes) != stamp_.hash;
}

SaveResult NotesStore::save(const NoteSet& notes) {
    if (!refusal_.empty()) {
        return {SaveOutcome::Refused, refusal_};
    }
    return write(notes, path_, true);
}

SaveResult NotesStore::saveAs(const NoteSet& notes, const std::string& path) {
    if (!refusal_.empty()) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && SameFile(StampOf(st, 0), refused_)) {
            return {SaveOutcome::Refused, refusal_};
        }
    }
    const SaveResult result = write(notes, path, false);
    if (result.outcome == SaveOutcome::Saved) {
        path_ = path;
        readPath_ = path;
        place_ = NotesPlace::Chosen;
        refusal_.clear();
    }
    return result;
}

SaveResult NotesStore::write(const NoteSet& notes, const std::string& target, bool checkOthers) {
    switch (CheckSaveTarget(target, {imagePath_})) {
        case SaveTarget::IsAnImage:
            return {SaveOutcome::Refused,
                    "«" + target + "» — это образ: заметки не пишутся поверх образа."};
        case SaveTarget::NotARegularFile:
            return {SaveOutcome::Refused,
                    "«" + target + "» — не обычный файл: заметки туда не пишутся."};
        default:
            break;
    }
    const std::string conflict = "Файл заметок «" + target +
                                 "» изменила другая программа после того, как он был прочитан "
                                 "или записан здесь.";
    if (checkOthers && changedByOthers(target)) {
        return {SaveOutcome::Conflict, conflict};
    }
    if (place_ == NotesPlace::DataFolder && target == path_) {
        std::error_code ec;
        std::filesystem::create_directories(FolderOf(target), ec);
        if (ec) {
            throw std::system_error(ec);
        }
    }
    const std::string text = NotesFileText(notes, image_);
    FileReplacement replacement(target);
    FileDescriptor file = replacement.takeFile();
    if (const int error = WriteAll(file.get(), text); error != 0) {
        throw std::system_error(error, std::generic_category());
    }
    struct stat written {};
    if (::fstat(file.get(), &written) != 0) {
        throw std::system_error(errno, std::generic_category());
    }
    SyncAndClose(std::move(file));
    // Once more, as late as can be: another program may have written meanwhile.
    if (checkOthers && changedByOthers(target)) {
        return {SaveOutcome::Conflict, conflict};
    }
    replacement.commit();
    SyncFolder(FolderOf(target));
    stamp_ = StampOf(written, BytesHash(text));
    readPath_ = target;
    return {SaveOutcome::Saved, {}};
}

}  // namespace sorrel
