// Where an image's notes live, and how they are read and written without
// ever losing them.
//
// Place: beside the image, IMAGE.sorrel-notes. When the image's folder
// cannot be written (a read-only medium; found by a real attempt to make a
// file there), in the user's data folder, $XDG_DATA_HOME/sorrel/notes/
// (by default ~/.local/share/sorrel/notes/), named by the image's hash,
// HASH.sorrel-notes, so that the same image finds them again there; the
// folders are made when first written. A notes file beside a read-only
// image is read when the data folder has none for it.
//
// Reading gives the notes of the file, or none when there is no file; when
// the file was made for an image of another size or hash, the notes come
// all the same, flagged (imageChanged).
//
// Writing writes the whole file through FileReplacement (a temporary file
// beside it, on disk, then renamed over it), never over an image. Two rules
// keep a person's notes:
//   - a notes file that cannot be read (edited wrongly by hand, of a newer
//     version, no permission) is never written over: saves are refused
//     until the notes are saved elsewhere (saveAs: any path, which then
//     becomes where they are kept);
//   - a notes file that another program changed since it was read or last
//     written here (a second window, git pull) is not written over either:
//     the save reports a conflict, and the caller reloads or saves
//     elsewhere. The store records the file's device, inode, size and
//     modification time (with nanoseconds) and the hash of its bytes; when
//     the first four differ, or the time is too recent to tell a later
//     change in the same tick, the bytes decide, so a file touched but
//     unchanged is never taken for changed.
//
// A NotesStore is used by one thread at a time (the caller runs it off the
// GUI thread); its operations do file input and output.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "note_set.h"
#include "notes_file.h"

namespace sorrel {

// $XDG_DATA_HOME/sorrel/notes when XDG_DATA_HOME is an absolute path,
// otherwise $HOME/.local/share/sorrel/notes.
std::string DefaultNotesFolder();

// Whether a new file can be made in folder: the system's permission, then a
// real attempt with a file that has no name (O_TMPFILE), so that the folder
// never shows it; where the file system has no such files, a named one made
// and removed at once.
bool FolderTakesNewFiles(const std::string& folder);

enum class NotesPlace {
    BesideImage,  // IMAGE.sorrel-notes
    DataFolder,   // DATA/sorrel/notes/HASH.sorrel-notes: the image's folder is read-only
    Chosen        // a file the user chose (save as, or opened)
};

// What a read of the notes found.
struct NotesRead {
    std::shared_ptr<const NoteSet> notes = NoteSet::Empty();
    std::string path;               // the file read, or looked for
    bool fromFile = false;          // a notes file was there and read
    bool imageChanged = false;      // it was made for an image of another size or hash
    ImageIdentity madeFor;          // the image it was made for (fromFile)
    std::string problem;            // why the file there could not be read (Russian); empty if read
    std::uint64_t problemLine = 0;  // the line at fault, 0 when not a line's fault
};

enum class SaveOutcome {
    Saved,
    Conflict,  // another program changed the file since it was read or written here
    Refused    // the file could not be read, or the target is an image or no regular file
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Saved;
    std::string message;  // for Conflict and Refused, in Russian
};

class NotesStore {
  public:
    // The notes of the image at imagePath (a regular file) with identity
    // image; dataFolder is where the notes of images in read-only folders go.
    NotesStore(std::string imagePath, ImageIdentity image,
               std::string dataFolder = DefaultNotesFolder());
    ~NotesStore();
    NotesStore(const NotesStore&) = delete;
    NotesStore& operator=(const NotesStore&) = delete;

    // Where the notes are kept now: saves go there.
    const std::string& path() const { return path_; }
    NotesPlace place() const { return place_; }
    // Saves are refused: the file there could not be read.
    bool refusesSaves() const { return !refusal_.empty(); }

    // Reads the notes (also again: a reload after a conflict). Throws
    // nothing for a file that cannot be read: that is told in the result.
    NotesRead read();
    // Keeps the notes in path from now on and reads them.
    NotesRead readFrom(const std::string& path);

    // Writes notes where they are kept. Throws std::system_error with the
    // system's reason when the file cannot be written.
    SaveResult save(const NoteSet& notes);
    // Writes notes to path (which the user chose, and agreed to replace),
    // which from then on is where they are kept.
    SaveResult saveAs(const NoteSet& notes, const std::string& path);

    // What the store knows of a file it read or wrote (for its checks).
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        std::uint64_t hash = 0;       // of its bytes
        std::int64_t recordedAt = 0;  // the clock, in seconds, when recorded
    };

  private:
    NotesRead readPath(const std::string& path, bool kept);
    SaveResult write(const NoteSet& notes, const std::string& target, bool checkOthers);
    bool changedByOthers(const std::string& target) const;

    std::string imagePath_;
    ImageIdentity image_;
    std::string path_;
    NotesPlace place_ = NotesPlace::BesideImage;
    std::string readPath_;  // where read() reads
    Stamp stamp_;           // of path_, when last read or written here
    std::string refusal_;   // why saves to path_ are refused; empty: they are not
    Stamp refused_;         // the file that could not be read
};

}  // namespace sorrel
