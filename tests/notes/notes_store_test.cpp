// Where the notes live and how they are read and written: beside the image
// or in the data folder, flagged when made for another image, never over a
// file that cannot be read, never over another program's change.
#include "notes_store.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image_hash.h"
#include "temporary_folder.h"

namespace sorrel {
namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ImageIdentity IdentityOf(const std::string& bytes) {
    return {bytes.size(),
            *ImageHash(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())};
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::string ImageBytes = "\x01\x80\x02\x00\xfe\x93";

std::shared_ptr<const NoteSet> SomeNotes(const std::string& tag) {
    return NoteSet::Of({{1, {"start_" + tag, "первый", false}}, {2, {"", tag, true}}});
}

// An image in a folder of its own, and its data folder.
struct Setting {
    TemporaryFolder dir;
    std::string image = dir.path("prog.bin");
    std::string notes = image + ".sorrel-notes";
    std::string data = dir.path("data");
    ImageIdentity identity = IdentityOf(ImageBytes);
    Setting() { Put(image, ImageBytes); }
};

TEST(NotesStore, ReadsTheNotesBesideTheImageAndFlagsAnotherImage) {
    const ImageIdentity same = IdentityOf(ImageBytes);
    struct Case {
        const char* name;
        bool file;
        ImageIdentity madeFor;
        bool changed;
    };
    const Case cases[] = {
        {"no notes yet", false, {}, false},
        {"made for this image", true, same, false},
        {"made for an image of another size", true, {same.size + 2, same.hash}, true},
        {"made for another content", true, {same.size, same.hash ^ 1}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Setting s;
        if (c.file) {
            Put(s.notes, NotesFileText(*SomeNotes("a"), c.madeFor));
        }
        NotesStore store(s.image, s.identity, s.data);
        EXPECT_EQ(store.path(), s.notes);
        EXPECT_EQ(store.place(), NotesPlace::BesideImage);
        const NotesRead read = store.read();
        EXPECT_EQ(read.path, s.notes);
        EXPECT_EQ(read.fromFile, c.file);
        EXPECT_EQ(read.imageChanged, c.changed);
        EXPECT_EQ(read.problem, "");
        EXPECT_EQ(read.notes->changes(),
                  c.file ? SomeNotes("a")->changes() : std::vector<NoteChange>{});
        if (c.file) {
            EXPECT_EQ(read.madeFor, c.madeFor);
        }
        // Looking for the place left nothing behind; a save leaves the file.
        EXPECT_EQ(Names(s.dir.root()).size(), c.file ? 2u : 1u);
        ASSERT_EQ(store.save(*SomeNotes("b")).outcome, SaveOutcome::Saved);
        EXPECT_EQ(Contents(s.notes), NotesFileText(*SomeNotes("b"), s.identity));
        EXPECT_EQ(Names(s.dir.root()),
                  (std::vector<std::string>{"prog.bin", "prog.bin.sorrel-notes"}));
        EXPECT_FALSE(fs::exists(s.data));
        EXPECT_EQ(NotesStore(s.image, s.identity, s.data).read().notes->changes(),
                  SomeNotes("b")->changes());
    }
}

// What other programs may do to the notes file between this store's read
// and its save, and whether the save then writes or reports a conflict.
TEST(NotesStore, DoesNotWriteOverAnotherProgramsChange) {
    struct Case {
        const char* name;
        bool fileAtFirst;
        std::function<void(const Setting&)> meanwhile;
        SaveOutcome expected;
    };
    const auto renameOver = [](const Setting& s, const std::string& text) {
        Put(s.notes + ".new", text);
        fs::rename(s.notes + ".new", s.notes);
    };
    const Case cases[] = {
        {"nothing", true, [](const Setting&) {}, SaveOutcome::Saved},
        {"a second store saved", true,
         [](const Setting& s) {
             NotesStore other(s.image, s.identity, s.data);
             other.read();
             ASSERT_EQ(other.save(*SomeNotes("other")).outcome, SaveOutcome::Saved);
         },
         SaveOutcome::Conflict},
        {"replaced by rename with other notes (git pull)", true,
         [&](const Setting& s) { renameOver(s, NotesFileText(*SomeNotes("pulled"), s.identity)); },
         SaveOutcome::Conflict},
        {"replaced by rename with the same bytes", true,
         [&](const Setting& s) { renameOver(s, Contents(s.notes)); }, SaveOutcome::Saved},
        {"touched", true,
         [](const Setting& s) { ASSERT_EQ(::utimensat(AT_FDCWD, s.notes.c_str(), nullptr, 0), 0); },
         SaveOutcome::Saved},
        {"changed in place, same size, its time put back", true,
         [](const Setting& s) {
             struct stat st {};
             ::stat(s.notes.c_str(), &st);
             std::string text = Contents(s.notes);
             text[text.size() - 2] ^= 1;  // in the last comment
             std::fstream(s.notes, std::ios::in | std::ios::out | std::ios::binary) << text;
             const timespec times[2] = {st.st_atim, st.st_mtim};
             ::utimensat(AT_FDCWD, s.notes.c_str(), times, 0);
         },
         SaveOutcome::Conflict},
        {"removed", true, [](const Setting& s) { fs::remove(s.notes); }, SaveOutcome::Saved},
        {"made where there was none", false,
         [](const Setting& s) { Put(s.notes, NotesFileText(*SomeNotes("new"), s.identity)); },
         SaveOutcome::Conflict},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Setting s;
        if (c.fileAtFirst) {
            Put(s.notes, NotesFileText(*SomeNotes("first"), s.identity));
        }
        NotesStore store(s.image, s.identity, s.data);
        store.read();
        c.meanwhile(s);
        const std::string theirs = fs::exists(s.notes) ? Contents(s.notes) : "";
        const SaveResult result = store.save(*SomeNotes("mine"));
        EXPECT_EQ(result.outcome, c.expected) << result.message;
        if (c.expected == SaveOutcome::Conflict) {
            EXPECT_EQ(Contents(s.notes), theirs) << "their file stays";
            EXPECT_EQ(result.message, "Файл заметок «" + s.notes +
                                          "» изменила другая программа после того, как он был "
                                          "прочитан или записан здесь.");
            // Reloaded, the store saves over what it has read.
            EXPECT_EQ(store.read().notes->changes(), ReadNotesFileText(theirs).notes->changes());
            EXPECT_EQ(store.save(*SomeNotes("mine")).outcome, SaveOutcome::Saved);
        }
        EXPECT_EQ(Contents(s.notes), NotesFileText(*SomeNotes("mine"), s.identity));
        // Its own file, saved again and again, is never another program's.
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(store.save(*SomeNotes(std::to_string(i))).outcome, SaveOutcome::Saved);
        }
    }
}

// A notes file that cannot be read stays as it is until the notes are
// saved elsewhere, which is then where they are kept.
TEST(NotesStore, NeverWritesOverAFileItCannotRead) {
    const std::string head = "sorrel-notes 1 size=6 xxh3=0000000000000001\n";
    struct Case {
        const char* name;
        std::string text;
        std::uint64_t line;
        std::string problem;
    };
    const Case cases[] = {
        {"edited wrongly", head + "00000001\tx\n00000002\t1st\n", 3,
         "Имя не может начинаться с цифры."},
        {"a newer version", "sorrel-notes 2 size=6 xxh3=0000000000000001\n", 1,
         "Файл заметок версии 2 новее этой программы: она читает версию 1."},
        {"not a notes file",
         "\x7f"
         "ELF",
         1, "Это не файл заметок: первая строка должна начинаться с «sorrel-notes»."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Setting s;
        Put(s.notes, c.text);
        NotesStore store(s.image, s.identity, s.data);
        const NotesRead read = store.read();
        EXPECT_FALSE(read.fromFile);
        EXPECT_TRUE(read.notes->empty());
        EXPECT_EQ(read.problemLine, c.line);
        EXPECT_EQ(read.problem, c.problem);
        EXPECT_TRUE(store.refusesSaves());

        const SaveResult refused = store.save(*SomeNotes("x"));
        EXPECT_EQ(refused.outcome, SaveOutcome::Refused);
        EXPECT_EQ(refused.message, "Файл заметок «" + s.notes + "» не читается (строка " +
                                       std::to_string(c.line) + ": " + c.problem +
                                       "), и он не будет перезаписан: сохраните заметки в другой "
                                       "файл.");
        fs::create_symlink(s.notes, s.dir.path("link"));
        EXPECT_EQ(store.saveAs(*SomeNotes("x"), s.dir.path("link")).outcome, SaveOutcome::Refused);
        EXPECT_EQ(Contents(s.notes), c.text);

        const std::string elsewhere = s.dir.path("kept.sorrel-notes");
        EXPECT_EQ(store.saveAs(*SomeNotes("x"), elsewhere).outcome, SaveOutcome::Saved);
        EXPECT_EQ(store.path(), elsewhere);
        EXPECT_EQ(store.place(), NotesPlace::Chosen);
        EXPECT_FALSE(store.refusesSaves());
        EXPECT_EQ(store.save(*SomeNotes("y")).outcome, SaveOutcome::Saved);
        EXPECT_EQ(Contents(elsewhere), NotesFileText(*SomeNotes("y"), s.identity));
        EXPECT_EQ(Contents(s.notes), c.text);
        EXPECT_EQ(store.read().notes->changes(), SomeNotes("y")->changes());
    }
}

TEST(NotesStore, NeverWritesOverTheImageOrIntoWhatIsNoRegularFile) {
    const Setting s;
    fs::create_directory(s.dir.path("folder"));
    fs::create_hard_link(s.image, s.dir.path("same-image"));
    NotesStore store(s.image, s.identity, s.data);
    store.read();
    struct Case {
        std::string target;
        std::string message;
    };
    const Case cases[] = {
        {s.image, "«" + s.image + "» — это образ: заметки не пишутся поверх образа."},
        {s.dir.path("same-image"),
         "«" + s.dir.path("same-image") + "» — это образ: заметки не пишутся поверх образа."},
        {s.dir.path("folder"),
         "«" + s.dir.path("folder") + "» — не обычный файл: заметки туда не пишутся."},
    };
    for (const Case& c : cases) {
        const SaveResult result = store.saveAs(*SomeNotes("x"), c.target);
        EXPECT_EQ(result.outcome, SaveOutcome::Refused) << c.target;
        EXPECT_EQ(result.message, c.message);
    }
    EXPECT_EQ(Contents(s.image), ImageBytes);
    EXPECT_EQ(store.path(), s.notes);
}

TEST(NotesStore, TheDataFolderFollowsTheEnvironment) {
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string keptData = oldData ? oldData : "";
    const std::string keptHome = oldHome ? oldHome : "";
    struct Case {
        const char* data;  // null: unset
        std::string expected;
    };
    const Case cases[] = {
        {"/x/data", "/x/data/sorrel/notes"},
        {"relative/data", "/home/someone/.local/share/sorrel/notes"},  // not absolute: ignored
        {"", "/home/someone/.local/share/sorrel/notes"},
        {nullptr, "/home/someone/.local/share/sorrel/notes"},
    };
    ::setenv("HOME", "/home/someone", 1);
    for (const Case& c : cases) {
        if (c.data != nullptr) {
            ::setenv("XDG_DATA_HOME", c.data, 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
        EXPECT_EQ(DefaultNotesFolder(), c.expected) << (c.data ? c.data : "unset");
    }
    oldData ? ::setenv("XDG_DATA_HOME", keptData.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    oldHome ? ::setenv("HOME", keptHome.c_str(), 1) : ::unsetenv("HOME");
}

constexpr const char* CannotBecomeAUser = "root here cannot become another user";

// Runs check, which gives the first thing that went wrong (empty: none), as
// a user whom folder permissions bind: root is not bound by them, so as
// root it runs in a child process that has become the user "nobody".
std::string AsAUser(const std::function<std::string()>& check) {
    if (::geteuid() != 0) {
        return check();
    }
    int out[2];
    if (::pipe(out) != 0) {
        return "pipe failed";
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        std::string message;
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            message = CannotBecomeAUser;
        } else {
            message = check();
        }
        (void)!::write(out[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string message;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? message : "the child died";
}

#define CHECK_THAT(condition)                                                               \
    if (!(condition)) {                                                                     \
        return std::string("line ") + std::to_string(__LINE__) + ": not true: " #condition; \
    }

// An image in a folder that cannot be written: its notes go to the data
// folder, named by its hash, where the same image finds them again, also by
// another name and in another read-only folder; and they come back beside
// the image once its folder can be written.
TEST(NotesStore, AnImageInAReadOnlyFolderKeepsItsNotesInTheDataFolder) {
    const TemporaryFolder dir;
    fs::permissions(dir.root(), fs::perms::all);
    const std::string message = AsAUser([&]() -> std::string {
        const std::string readOnly = dir.path("cdrom");
        const std::string other = dir.path("other");
        fs::create_directory(readOnly);
        fs::create_directory(other);
        const std::string image = readOnly + "/prog.bin";
        Put(image, ImageBytes);
        Put(other + "/copy.bin", ImageBytes);
        Put(readOnly + "/shipped.bin", ImageBytes + "xy");
        const ImageIdentity shippedIdentity = IdentityOf(ImageBytes + "xy");
        Put(readOnly + "/shipped.bin.sorrel-notes",
            NotesFileText(*SomeNotes("shipped"), shippedIdentity));
        fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
        fs::permissions(other, fs::perms::owner_read | fs::perms::owner_exec);
        CHECK_THAT(!FolderTakesNewFiles(readOnly));
        CHECK_THAT(FolderTakesNewFiles(dir.path(".")));

        ::setenv("XDG_DATA_HOME", dir.path("xdg").c_str(), 1);
        const ImageIdentity identity = IdentityOf(ImageBytes);
        const std::string kept =
            dir.path("xdg") + "/sorrel/notes/" + HashText(identity.hash) + ".sorrel-notes";
        NotesStore store(image, identity);
        CHECK_THAT(store.place() == NotesPlace::DataFolder);
        CHECK_THAT(store.path() == kept);
        CHECK_THAT(!store.read().fromFile);
        CHECK_THAT(store.save(*SomeNotes("ro")).outcome == SaveOutcome::Saved);
        CHECK_THAT(Contents(kept) == NotesFileText(*SomeNotes("ro"), identity));
        CHECK_THAT(Names(readOnly).size() == 3);

        // The same image by another name, in another read-only folder.
        NotesStore again(other + "/copy.bin", identity);
        const NotesRead read = again.read();
        CHECK_THAT(read.path == kept && read.fromFile);
        CHECK_THAT(read.notes->changes() == SomeNotes("ro")->changes());

        // Notes shipped beside a read-only image are read; saves go to the
        // data folder.
        NotesStore shipped(readOnly + "/shipped.bin", shippedIdentity);
        const NotesRead first = shipped.read();
        CHECK_THAT(first.path == readOnly + "/shipped.bin.sorrel-notes" && first.fromFile);
        CHECK_THAT(first.notes->changes() == SomeNotes("shipped")->changes());
        CHECK_THAT(shipped.place() == NotesPlace::DataFolder);
        CHECK_THAT(shipped.save(*SomeNotes("mine")).outcome == SaveOutcome::Saved);
        CHECK_THAT(NotesStore(readOnly + "/shipped.bin", shippedIdentity).read().notes->changes() ==
                   SomeNotes("mine")->changes());

        // The folder can be written again: the notes come back beside.
        fs::permissions(readOnly, fs::perms::owner_all);
        NotesStore back(image, identity);
        CHECK_THAT(back.place() == NotesPlace::BesideImage);
        const NotesRead fromData = back.read();
        CHECK_THAT(fromData.path == kept && fromData.fromFile);
        CHECK_THAT(back.save(*fromData.notes).outcome == SaveOutcome::Saved);
        CHECK_THAT(Contents(image + ".sorrel-notes") == Contents(kept));
        return "";
    });
    if (message == CannotBecomeAUser) {
        GTEST_SKIP() << "running as root, which folder permissions do not bind, and unable to "
                        "become another user";
    }
    EXPECT_EQ(message, "");
}

}  // namespace
}  // namespace sorrel
