#include "notes_file.h"

#include <cstdio>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "image_hash.h"
#include "note_rules.h"
#include "notes_text.h"
#include "number_text.h"

namespace sorrel {

namespace {

constexpr std::string_view Magic = "sorrel-notes";
constexpr std::string_view FirstLineForm = "«sorrel-notes 1 size=РАЗМЕР xxh3=ХЕШ»";

bool NeedsEscape(unsigned char b) {
    return b < 0x20 || b == 0x7F || b == '\\' || b == 0xC2 || b == 0xE2;
}

// The value of text when it is hexadecimal digits alone.
bool ReadHex(std::string_view text, std::uint64_t& value) {
    value = 0;
    for (const char c : text) {
        const int d = HexDigitValue(c);
        if (d < 0) {
            return false;
        }
        value = value << 4 | static_cast<unsigned>(d);
    }
    return !text.empty();
}

bool ReadDecimal(std::string_view text, std::uint64_t& value) {
    if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto d = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - d) / 10) {
            return false;
        }
        value = value * 10 + d;
    }
    return true;
}

void AppendWord(std::string& out, std::uint64_t word) {
    char text[20];
    std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(word));
    out += text;
}

std::string WordText(std::uint64_t word) {
    std::string out;
    AppendWord(out, word);
    return out;
}

[[noreturn]] void Fail(std::uint64_t line, std::string reason) {
    throw NotesFileError(line, std::move(reason));
}

// The control characters that a line may not hold as they are.
void CheckControls(std::string_view line, std::uint64_t number) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        if ((b < 0x20 && b != '\t') || b == 0x7F) {
            if (b == '\r' && i + 1 == line.size()) {
                Fail(number,
                     "Строка кончается знаком U+000D (CR): строки файла заметок кончаются только "
                     "переводом строки (LF).");
            }
            char code[8];
            std::snprintf(code, sizeof code, "%04X", b);
            Fail(number, std::string("Управляющий знак U+") + code +
                             " должен быть записан как \\x" + std::string(code + 2) + ".");
        }
    }
}

ImageIdentity ReadFirstLine(std::string_view line) {
    if (!line.starts_with(Magic) || (line.size() > Magic.size() && line[Magic.size()] != ' ')) {
        Fail(1, "Это не файл заметок: первая строка должна начинаться с «sorrel-notes».");
    }
    std::vector<std::string_view> words;
    for (std::size_t pos = 0; pos <= line.size();) {
        std::size_t blank = line.find(' ', pos);
        if (blank == std::string_view::npos) {
            blank = line.size();
        }
        words.push_back(line.substr(pos, blank - pos));
        pos = blank + 1;
    }
    std::uint64_t version = 0;
    if (words.size() < 2 || !ReadDecimal(words[1], version) || version == 0) {
        Fail(1, "Первая строка должна быть вида " + std::string(FirstLineForm) +
                    ": не указана версия формата.");
    }
    if (version > NotesFileVersion) {
        Fail(1, "Файл заметок версии " + std::to_string(version) +
                    " новее этой программы: она читает версию " + std::to_string(NotesFileVersion) +
                    ".");
    }
    ImageIdentity image;
    if (words.size() != 4 || !words[2].starts_with("size=") || !words[3].starts_with("xxh3=") ||
        !ReadDecimal(words[2].substr(5), image.size) || words[3].size() != 5 + 16 ||
        !ReadHex(words[3].substr(5), image.hash)) {
        Fail(1, "Первая строка должна быть вида " + std::string(FirstLineForm) +
                    " (РАЗМЕР в байтах, ХЕШ из 16 шестнадцатеричных цифр).");
    }
    return image;
}

// A field of a note's line, unescaped.
std::string Field(std::string_view field, std::uint64_t number, const char* what) {
    std::string out;
    std::string reason;
    if (!Unescape(field, out, reason)) {
        Fail(number, std::string(what) + ": " + reason);
    }
    return out;
}

}  // namespace

NotesFileError::NotesFileError(std::uint64_t line, std::string reason)
    : std::runtime_error("Строка " + std::to_string(line) + ": " + reason),
      line_(line),
      reason_(std::move(reason)) {}

void AppendEscaped(std::string& out, std::string_view text) {
    std::size_t plain = 0;  // the start of the text not yet appended
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const bool lastBlank = b == ' ' && i + 1 == text.size();
        if (!NeedsEscape(b) && !lastBlank) {
            continue;
        }
        const std::string_view rest = text.substr(i);
        const char* escape = nullptr;
        std::size_t size = 1;
        char code[8];
        if (b == 0xC2 && rest.starts_with("\u0085")) {
            escape = "\\u0085";
            size = 2;
        } else if (b == 0xE2 && (rest.starts_with("\u2028") || rest.starts_with("\u2029"))) {
            escape = rest[2] == '\xA8' ? "\\u2028" : "\\u2029";
            size = 3;
        } else if (b == 0xC2 || b == 0xE2) {
            continue;  // a code point that stands for itself
        } else if (b == '\\') {
            escape = "\\\\";
        } else if (b == '\t') {
            escape = "\\t";
        } else if (b == '\n') {
            escape = "\\n";
        } else if (b == '\r') {
            escape = "\\r";
        } else {
            std::snprintf(code, sizeof code, "\\x%02X", b);
            escape = code;
        }
        out.append(text.substr(plain, i - plain)).append(escape);
        i += size - 1;
        plain = i + 1;
    }
    out.append(text.substr(plain));
}

bool Unescape(std::string_view field, std::string& out, std::string& reason) {
    out.clear();
    std::size_t plain = 0;
    for (std::size_t i = field.find('\\'); i != std::string_view::npos;
         i = field.find('\\', plain)) {
        out.append(field.substr(plain, i - plain));
        if (i + 1 == field.size()) {
            reason = "обратная косая черта в конце поля (сама она пишется как \\\\).";
            return false;
        }
        const char kind = field[i + 1];
        std::size_t used = 2;
        switch (kind) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x':
            case 'u': {
                const std::size_t digits = kind == 'x' ? 2 : 4;
                std::uint64_t value = 0;
                if (field.size() - i - 2 < digits || !ReadHex(field.substr(i + 2, digits), value)) {
                    reason = std::string("после «\\") + kind + "» должны стоять " +
                             (kind == 'x' ? "две" : "четыре") + " шестнадцатеричные цифры.";
                    return false;
                }
                if (kind == 'x') {
                    out += static_cast<char>(value);
                } else if (value >= 0xD800 && value <= 0xDFFF) {
                    reason = "«\\u" + std::string(field.substr(i + 2, 4)) +
                             "» — половина суррогатной пары, а не знак.";
                    return false;
                } else {
                    AppendUtf8(out, static_cast<char32_t>(value));
                }
                used += digits;
                break;
            }
            default: {
                const CodePoint c = ReadCodePoint(field, i + 1);
                reason = "неизвестная последовательность «\\" +
                         std::string(field.substr(i + 1, c.size)) +
                         "» (бывают \\\\, \\t, \\n, \\r, \\xHH и \\uHHHH).";
                return false;
            }
        }
        plain = i + used;
    }
    out.append(field.substr(plain));
    return true;
}

std::string NotesFileText(const NoteSet& notes, const ImageIdentity& image) {
    std::string text;
    text.reserve(64 + notes.size() * 48);
    text.append(Magic)
        .append(" ")
        .append(std::to_string(NotesFileVersion))
        .append(" size=")
        .append(std::to_string(image.size))
        .append(" xxh3=")
        .append(HashText(image.hash))
        .append("\n");
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const NoteView note = notes.at(i);
        if (note.word > 0xFFFFFFFFu) {
            throw std::out_of_range("a word past 8 hexadecimal digits");
        }
        AppendWord(text, note.word);
        text += '\t';
        AppendEscaped(text, note.label);
        if (note.bookmark || !note.comment.empty()) {
            text.append(note.bookmark ? "\t*" : "\t");
        }
        if (!note.comment.empty()) {
            text += '\t';
            AppendEscaped(text, note.comment);
        }
        text += '\n';
    }
    return text;
}

namespace {

// The lines of a notes file read into notes (and the lines they come
// from), all but the uniqueness of labels.
ImageIdentity ReadLines(std::string_view text, std::vector<NoteChange>& notes,
                        std::vector<std::uint64_t>& lines) {
    ImageIdentity image;
    std::uint64_t number = 0;
    std::uint64_t previousWord = 0;
    std::uint64_t previousLine = 0;
    for (std::size_t pos = 0; pos < text.size() || number == 0;) {
        ++number;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end - pos > MaxNotesLine) {
            Fail(number, "Строка длиннее " + std::to_string(MaxNotesLine) + " байт.");
        }
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (number == 1 && !line.starts_with(Magic)) {
            Fail(1, "Это не файл заметок: первая строка должна начинаться с «sorrel-notes».");
        }
        CheckControls(line, number);
        if (number == 1) {
            image = ReadFirstLine(line);
            continue;
        }
        if (line.empty()) {
            Fail(number, "Пустая строка: в файле заметок каждая строка после первой — заметка.");
        }
        std::string_view fields[4];
        std::size_t count = 0;
        for (std::size_t from = 0;;) {
            const std::size_t tab = line.find('\t', from);
            if (count == 4) {
                Fail(number,
                     "Лишнее поле: в строке заметки не больше четырёх полей (слово, имя, "
                     "закладка, комментарий).");
            }
            fields[count++] = line.substr(from, tab == std::string_view::npos ? tab : tab - from);
            if (tab == std::string_view::npos) {
                break;
            }
            from = tab + 1;
        }
        std::uint64_t word = 0;
        if (fields[0].size() != 8 || !ReadHex(fields[0], word)) {
            Fail(number, "Строка должна начинаться с номера слова из 8 шестнадцатеричных цифр.");
        }
        if (previousLine != 0 && word == previousWord) {
            Fail(number, "Слово " + WordText(word) + " уже было в строке " +
                             std::to_string(previousLine) + ".");
        }
        if (previousLine != 0 && word < previousWord) {
            Fail(number, "Слово " + WordText(word) + " стоит после слова " +
                             WordText(previousWord) + ": заметки идут по возрастанию слов.");
        }
        previousWord = word;
        previousLine = number;
        NoteChange change{word, {}};
        change.note.label = Field(fields[1], number, "Имя");
        if (std::string problem = LabelSyntaxProblem(change.note.label); !problem.empty()) {
            Fail(number, problem);
        }
        if (fields[2] == "*") {
            change.note.bookmark = true;
        } else if (!fields[2].empty()) {
            Fail(number, "Поле закладки — «*» или пустое.");
        }
        change.note.comment = Field(fields[3], number, "Комментарий");
        if (std::string problem = CommentProblem(change.note.comment); !problem.empty()) {
            Fail(number, problem);
        }
        if (!change.note.empty()) {
            notes.push_back(std::move(change));
            lines.push_back(number);
        }
    }
    return image;
}

// The first line that gives a label that a note before it has (in any
// case); nothing when every label is given once.
std::optional<NotesFileError> FirstLabelTwice(const std::vector<NoteChange>& notes,
                                              const std::vector<std::uint64_t>& lines) {
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].note.label.empty()) {
            continue;
        }
        const auto [at, added] = first.try_emplace(FoldLabel(notes[i].note.label), i);
        if (!added) {
            const std::size_t before = at->second;
            return NotesFileError(lines[i], "Имя «" + notes[i].note.label + "» уже дано слову " +
                                                WordText(notes[before].word) + " в строке " +
                                                std::to_string(lines[before]) + ".");
        }
    }
    return std::nullopt;
}

}  // namespace

NotesFileContent ReadNotesFileText(std::string_view text) {
    std::vector<NoteChange> notes;
    std::vector<std::uint64_t> lines;
    try {
        NotesFileContent content;
        content.image = ReadLines(text, notes, lines);
        // The set refuses a label given twice; then its line is looked for.
        content.notes = NoteSet::OfSorted(notes);
        return content;
    } catch (const NotesFileError& e) {
        // A label given twice before the line at fault is the first fault.
        if (auto twice = FirstLabelTwice(notes, lines); twice && twice->line() < e.line()) {
            throw *twice;
        }
        throw;
    } catch (const std::invalid_argument&) {
        throw *FirstLabelTwice(notes, lines);
    }
}

}  // namespace sorrel
