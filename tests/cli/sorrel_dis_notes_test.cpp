// sorrel-dis --notes run as a real process: its notes column (the fourth, or
// after the hex and text columns when they are shown) is the in-process
// writer's with the same notes column, in both word modes, for a file and a
// stream; notes for another image are listed with a warning; notes that
// cannot be read, or --notes with --bytes, list nothing.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image_hash.h"
#include "listing_writer.h"
#include "notes_column.h"
#include "notes_file.h"
#include "temporary_folder.h"

namespace sorrel {
namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs sorrel-dis with args, standard input from input (a file, or
// /dev/null), its output into files of dir.
Result RunDis(const TemporaryFolder& dir, const std::vector<std::string>& args,
              const std::string& input = "/dev/null") {
    const std::string out = dir.path("out.txt");
    const std::string err = dir.path("err.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || o < 0 || e < 0) {
            ::_exit(126);
        }
        ::dup2(in, 0);
        ::dup2(o, 1);
        ::dup2(e, 2);
        std::vector<std::string> copy = args;
        std::vector<char*> argv;
        std::string program = SORREL_DIS;
        argv.push_back(program.data());
        for (std::string& a : copy) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(out), Contents(err)};
}

std::string RandomImage(std::size_t words, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(2 * words, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    // Jumps of every kind to words with and without labels.
    for (std::size_t k = 300; k < std::min<std::size_t>(340, words); ++k) {
        const auto word = static_cast<std::uint16_t>(0x8000 | ((k % 8) << 12 & 0x7000) | (k % 64));
        bytes[2 * k] = static_cast<char>(word & 0xFF);
        bytes[2 * k + 1] = static_cast<char>(word >> 8);
    }
    return bytes;
}

ImageIdentity IdentityOf(const std::string& bytes) {
    return {bytes.size(),
            *ImageHash(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())};
}

std::shared_ptr<const NoteSet> SomeNotes() {
    std::vector<NoteChange> notes;
    for (std::uint64_t k = 0; k < 700; k += 3) {
        notes.push_back({k,
                         {k % 2 ? "n_" + std::to_string(k) : "",
                          k % 5 ? "комментарий " + std::to_string(k) : "", k % 7 == 0}});
    }
    notes.push_back({299, {"escapes", "tab-free \\ back\x01slash ", false}});
    return NoteSet::Of(notes);
}

TEST(SorrelDisNotes, TheFourthColumnIsTheWritersNotesColumn) {
    const TemporaryFolder dir;
    const std::string image = RandomImage(1500, 5) + "\x7f";  // odd: the last byte is no word
    const std::string path = dir.path("prog.bin");
    std::ofstream(path, std::ios::binary) << image;
    const std::string notesPath = path + ".sorrel-notes";
    std::ofstream(notesPath, std::ios::binary) << NotesFileText(*SomeNotes(), IdentityOf(image));
    const NotesColumn column(SomeNotes());
    struct Case {
        const char* name;
        std::vector<std::string> args;
        ListingMode mode;
        bool stream;
        ExtraColumns extra = {false, false, true};
    };
    const Case cases[] = {
        {"with a header", {"--notes", notesPath, path}, ListingMode::Header, false},
        {"raw", {"--raw", "--notes", notesPath, path}, ListingMode::Raw, false},
        {"raw, --notes=", {path, "--notes=" + notesPath, "-r"}, ListingMode::Raw, false},
        {"from standard input", {"-n", notesPath, "-"}, ListingMode::Header, true},
        // The notes column after the hex and text columns.
        {"with --hex and --text",
         {"-n", notesPath, "--text", "--hex", "-r", path},
         ListingMode::Raw,
         false,
         {true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = RunDis(dir, c.args, c.stream ? path : "/dev/null");
        EXPECT_EQ(r.status, 0);
        const std::string expected = ListingOf(reinterpret_cast<const std::uint8_t*>(image.data()),
                                               image.size(), c.mode, c.extra, &column);
        EXPECT_TRUE(r.out == expected);
        EXPECT_NE(r.out.find("\tn_3: комментарий 3\n"), std::string::npos);
        EXPECT_EQ(r.err.find("notes"), std::string::npos) << r.err;
    }
}

TEST(SorrelDisNotes, NotesForAnotherImageAreListedWithAWarning) {
    const TemporaryFolder dir;
    const std::string image = RandomImage(400, 6);
    const std::string path = dir.path("prog.bin");
    std::ofstream(path, std::ios::binary) << image;
    const std::string notesPath = dir.path("old.sorrel-notes");
    ImageIdentity old = IdentityOf(image);
    old.hash ^= 0xFF;
    std::ofstream(notesPath, std::ios::binary) << NotesFileText(*SomeNotes(), old);
    const Result r = RunDis(dir, {"--raw", "--notes", notesPath, path});
    EXPECT_EQ(r.status, 0);
    const NotesColumn column(SomeNotes());
    EXPECT_TRUE(r.out == ListingOf(reinterpret_cast<const std::uint8_t*>(image.data()),
                                   image.size(), ListingMode::Raw, {false, false, true}, &column));
    EXPECT_EQ(r.err, "sorrel-dis: warning: the notes '" + notesPath +
                         "' were made for another image (size 800, xxh3 " + HashText(old.hash) +
                         "; this one: size 800, xxh3 " + HashText(IdentityOf(image).hash) + ")\n");
}

TEST(SorrelDisNotes, NotesThatCannotBeReadListNothing) {
    const TemporaryFolder dir;
    const std::string path = dir.path("prog.bin");
    std::ofstream(path, std::ios::binary) << RandomImage(10, 7);
    const std::string bad = dir.path("bad.sorrel-notes");
    std::ofstream(bad, std::ios::binary)
        << "sorrel-notes 1 size=20 xxh3=0000000000000000\n00000001\tok\n00000002\t2nd\n";
    const std::string missing = dir.path("missing.sorrel-notes");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string err;  // its first line
    };
    const Case cases[] = {
        {"a wrong line",
         {"--notes", bad, path},
         1,
         "sorrel-dis: cannot read the notes '" + bad +
             "': line 3: Имя не может начинаться с цифры.\n"},
        {"no such file",
         {"-r", "--notes", missing, path},
         1,
         "sorrel-dis: cannot open the notes '" + missing + "': No such file or directory\n"},
        {"with --bytes",
         {"--bytes", "--notes", bad, path},
         2,
         "sorrel-dis: --notes and --bytes cannot be given together: the byte-order listing has "
         "no notes column\n"},
        {"with -b after",
         {"-n", bad, path, "-b"},
         2,
         "sorrel-dis: --notes and --bytes cannot be given together: the byte-order listing has "
         "no notes column\n"},
        {"no notes file", {path, "--notes"}, 2, "sorrel-dis: --notes needs a notes file\n"},
        {"two notes files",
         {"-n", bad, "-n", bad, path},
         2,
         "sorrel-dis: only one notes file can be given\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = RunDis(dir, c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.err);
        if (c.status == 2) {
            EXPECT_NE(
                r.err.find("       sorrel-dis [--raw] [--hex] [--text] --notes NOTES FILE|-\n"),
                std::string::npos);
        }
    }
}

}  // namespace
}  // namespace sorrel
