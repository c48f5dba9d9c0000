// sorrel-dis: lists a Sorrel image on standard output, one row a line, the
// same texts as the windows. It streams: the image is read in pieces and the
// listing written in large pieces, so its memory does not grow with the image.
#include <fcntl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "image_file.h"
#include "image_hash.h"
#include "listing_writer.h"
#include "notes_column.h"
#include "notes_file.h"
#include "posix_io.h"

namespace sorrel {
namespace {

constexpr std::string_view Usage =
    "Usage: sorrel-dis [--raw | --bytes] [--hex] [--text] FILE|-\n"
    "       sorrel-dis [--raw] [--hex] [--text] --notes NOTES FILE|-\n"
    "       sorrel-dis --help | --version\n"
    "Lists a Sorrel image, a flat file of 16-bit little-endian words, one row a\n"
    "line, the three columns joined by a tab, without a title row; --hex,\n"
    "--text and --notes add columns after them, in that order.\n"
    "\n"
    "  FILE         the image file: a regular file, or a pipe, FIFO or character\n"
    "               device, read as a stream to its end; - reads standard input\n"
    "  (no option)  an image with a header: the first 256 words are listed as\n"
    "               \"0000(0)\" ... \"00FF(255)\" with their bits and are not\n"
    "               decoded; the program part is listed from \"0000h\" with its\n"
    "               disassembly\n"
    "  -r, --raw    a raw image: every word is decoded, from \"0000h\" on\n"
    "  -b, --bytes  the byte-order listing: each byte's offset, the index of the\n"
    "               word it begins (even offsets only) and its eight bits; it has\n"
    "               no raw or header mode, so it does not go with --raw\n"
    "  -x, --hex    add the \"Hex\" column: the word's four hexadecimal digits\n"
    "               (the byte's two with --bytes)\n"
    "  -t, --text   add the \"Текст\" column: the word's two bytes as characters,\n"
    "               low byte first (the byte's one with --bytes), in UTF-8:\n"
    "               printable ASCII as itself, C0h-FFh, A8h and B8h as the\n"
    "               Cyrillic letters of Windows-1251, any other byte as \"·\"\n"
    "  -n, --notes NOTES\n"
    "               adds a column, the notes of each row from the notes\n"
    "               file NOTES (FILE.sorrel-notes as the program saves it): the\n"
    "               row's label and comment and the name a jump goes to, as the\n"
    "               window's column \"Заметки\" shows them; not with --bytes\n"
    "  -h, --help   show this text\n"
    "  --version    show the program's name and version\n"
    "  --           ends the options (for a file named like an option)\n"
    "\n"
    "A file of odd length gets a warning on standard error (for a stream, after\n"
    "its listing) and its last byte is not listed; --bytes lists every byte, the\n"
    "last odd one included, and gives no warning.\n"
    "\n"
    "Notes made for another image (another size or content) are listed all the\n"
    "same, with a warning on standard error after the listing.\n"
    "\n"
    "Exit status: 0 when listed; 1 when the file cannot be opened or read (a\n"
    "directory is refused), when the notes file cannot be opened or read (the\n"
    "line at fault and the reason are told), when the listing cannot be\n"
    "written, or, without a message, when the reader of the output closed it\n"
    "early; 2 on wrong usage (also --raw with --bytes, --notes with --bytes).\n";

constexpr std::size_t ChunkSize = std::size_t{1} << 17;

// Standard error and the usage on standard output: what cannot be written
// is given up.
void Print(int fd, std::string_view text) {
    WriteAll(fd, text);
}

void Error(const std::string& message) {
    Print(2, "sorrel-dis: " + message + "\n");
}

int UsageError(const std::string& message) {
    Error(message);
    Print(2, Usage);
    return 2;
}

void WarnOddLength(const std::string& name, std::uint64_t size) {
    Error("warning: " + name + ": the length (" + ByteCount(size) +
          ") is not a multiple of the 2-byte instruction length; the last byte is not "
          "listed");
}

// The notes file, read whole: a regular file or a stream. Throws
// std::runtime_error with the message for standard error.
NotesFileContent ReadNotes(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("cannot open the notes '" + name + "': " + std::strerror(errno));
    }
    const FileDescriptor file = FileDescriptor::owned(fd);
    std::string text;
    char buffer[65536];
    for (;;) {
        const ReadResult r = ReadSome(fd, buffer, sizeof buffer);
        if (r.error != 0) {
            throw std::runtime_error("cannot read the notes '" + name +
                                     "': " + std::strerror(r.error));
        }
        if (r.bytes == 0) {
            break;
        }
        text.append(buffer, r.bytes);
    }
    try {
        return ReadNotesFileText(text);
    } catch (const NotesFileError& e) {
        throw std::runtime_error("cannot read the notes '" + name + "': line " +
                                 std::to_string(e.line()) + ": " + e.reason());
    }
}

int Run(ListingMode mode, ExtraColumns extra, const std::string& name,
        const std::string& notesName) {
    // The notes first: a notes file that cannot be read lists nothing.
    std::optional<NotesFileContent> notes;
    std::optional<NotesColumn> column;
    std::optional<ImageHasher> hasher;
    if (!notesName.empty()) {
        notes = ReadNotes(notesName);
        column.emplace(notes->notes);
        hasher.emplace();
    }

    // "-" is standard input; a name may be a regular file, listed to the size
    // taken at open, or a pipe, FIFO or character device, read as a stream to
    // its end as standard input is. A directory is refused.
    ImageFile file = name == "-"
                         ? ImageFile::fromDescriptor(FileDescriptor::borrowed(0), "standard input")
                         : ImageFile::open(name, ImageFile::Accept::RegularFileOrStream);
    const bool stream = file.isStream();
    const std::uint64_t size = file.size();
    const bool words = mode != ListingMode::Bytes;
    if (!stream && words && size % 2 != 0) {
        WarnOddLength(file.path(), size);
    }

    // Standard output: a closed pipe ends the listing.
    int outputError = 0;
    ListingWriter writer(
        mode,
        [&outputError](std::string_view text) {
            outputError = WriteAll(1, text);
            return outputError == 0;
        },
        0, ExtraColumns{extra.hex, extra.text, notes.has_value()}, column ? &*column : nullptr);
    std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[ChunkSize]);
    std::uint64_t total = 0;
    bool writing = true;
    for (;;) {
        std::size_t want = ChunkSize;
        if (!stream) {
            // The size taken at open: bytes appended meanwhile are not listed.
            const std::uint64_t left = size - total;
            if (left == 0) {
                break;
            }
            if (left < want) {
                want = static_cast<std::size_t>(left);
            }
        }
        const std::size_t got = file.readSome(chunk.get(), want);
        if (got == 0) {
            if (!stream) {
                writer.finish();
                throw ShortReadError(file.path(), total, size);
            }
            break;
        }
        total += got;
        if (hasher) {
            hasher->add(chunk.get(), got);
        }
        if (!writer.write(chunk.get(), got)) {
            writing = false;
            break;
        }
    }
    if (writing && !writer.finish()) {
        writing = false;
    }
    if (!writing) {
        if (outputError == EPIPE) {
            return 1;  // the reader has gone: nothing to tell it
        }
        Error("cannot write the listing: " + std::string(std::strerror(outputError)));
        return 1;
    }
    if (stream && words && total % 2 != 0) {
        WarnOddLength(file.path(), total);
    }
    if (notes) {
        const ImageIdentity listed{total, hasher->finish()};
        if (listed != notes->image) {
            Error("warning: the notes '" + notesName + "' were made for another image (size " +
                  std::to_string(notes->image.size) + ", xxh3 " + HashText(notes->image.hash) +
                  "; this one: size " + std::to_string(listed.size) + ", xxh3 " +
                  HashText(listed.hash) + ")");
        }
    }
    return 0;
}

int Main(int argc, char** argv) {
    // A closed pipe is seen as EPIPE from write(), not as a signal.
    std::signal(SIGPIPE, SIG_IGN);

    bool raw = false;
    bool bytes = false;
    ExtraColumns extra;
    std::string notes;
    int notesGiven = 0;
    bool optionsEnded = false;
    std::string file;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--raw" || arg == "-r") {
                raw = true;
            } else if (arg == "--bytes" || arg == "-b") {
                bytes = true;
            } else if (arg == "--hex" || arg == "-x") {
                extra.hex = true;
            } else if (arg == "--text" || arg == "-t") {
                extra.text = true;
            } else if (arg == "--notes" || arg == "-n") {
                if (i + 1 == argc) {
                    return UsageError(std::string(arg) + " needs a notes file");
                }
                notes = argv[++i];
                ++notesGiven;
            } else if (arg.starts_with("--notes=")) {
                notes = arg.substr(8);
                ++notesGiven;
            } else if (arg == "--help" || arg == "-h") {
                Print(1, Usage);
                return 0;
            } else if (arg == "--version") {
                Print(1, "sorrel-dis " SORREL_VERSION "\n");
                return 0;
            } else {
                return UsageError("unknown option '" + std::string(arg) + "'");
            }
            continue;
        }
        file = arg;
        ++files;
    }
    if (raw && bytes) {
        return UsageError(
            "--raw and --bytes cannot be given together: the byte-order listing has no raw or "
            "header mode");
    }
    if (notesGiven > 0 && bytes) {
        return UsageError(
            "--notes and --bytes cannot be given together: the byte-order listing has no notes "
            "column");
    }
    if (notesGiven > 1) {
        return UsageError("only one notes file can be given");
    }
    if (notesGiven == 1 && notes.empty()) {
        return UsageError("--notes needs a notes file");
    }
    if (files != 1) {
        return UsageError(files == 0 ? "no image file given" : "only one image file can be given");
    }
    const ListingMode mode = bytes ? ListingMode::Bytes
                             : raw ? ListingMode::Raw
                                   : ListingMode::Header;

    try {
        return Run(mode, extra, file, notes);
    } catch (const ImageError& e) {
        Error(e.what());
    } catch (const std::bad_alloc&) {
        Error("not enough memory");
    } catch (const std::exception& e) {
        Error(e.what());
    }
    return 1;
}

}  // namespace
}  // namespace sorrel

int main(int argc, char** argv) {
    return sorrel::Main(argc, argv);
}
