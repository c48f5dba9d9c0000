#include "notes_import.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

#include "go_to.h"
#include "listing_text.h"
#include "note_rules.h"
#include "notes_text.h"

namespace sorrel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::size_t pos = 0; pos < text.size();) {
        if (IsBlank(text[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        words.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

// A line that reads: its word and what it sets.
struct Entry {
    std::uint64_t line;
    std::uint64_t word;
    std::string name;
    std::string comment;
};

}  // namespace

ImportResult ImportNames(std::string_view text, const NoteSet& notes, bool raw,
                         std::uint64_t rowCount) {
    std::map<std::uint64_t, std::string> problems;  // by line: the first reason
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::uint64_t> nameLines;  // folded name: line
    std::unordered_map<std::uint64_t, std::uint64_t> wordLines;
    const auto address = [raw](std::uint64_t word) {
        return std::string(ListingCellText(word, 0, raw, 0).view());
    };
    std::uint64_t number = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        ++number;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        const std::size_t semicolon = line.find(';');
        const std::string_view head = Trim(line.substr(0, semicolon));
        const std::string_view comment = semicolon == std::string_view::npos
                                             ? std::string_view()
                                             : Trim(line.substr(semicolon + 1));
        if (head.empty()) {
            continue;  // blank, or a comment line
        }
        const auto fail = [&](std::string reason) { problems.emplace(number, std::move(reason)); };
        const std::vector<std::string_view> words = Words(head);
        if (words.size() == 1) {
            fail("После адреса нет имени: строка пишется как «АДРЕС ИМЯ ; комментарий».");
            continue;
        }
        if (words.size() > 2) {
            fail("После имени «" + std::string(words[1]) + "» лишнее: «" + std::string(words[2]) +
                 "». Комментарий начинается с «;».");
            continue;
        }
        if (words[0].front() == '+' || words[0].front() == '-') {
            fail("«" + std::string(words[0]) + "» — сдвиг, а не адрес: в файле нужны адреса.");
            continue;
        }
        const GoToOutcome row = GoToListingRow(words[0], rowCount, raw, 0);
        if (!row.row) {
            fail(row.reason);
            continue;
        }
        const std::string name(words[1]);
        if (std::string problem = LabelSyntaxProblem(name); !problem.empty()) {
            fail(std::move(problem));
            continue;
        }
        if (std::string problem = CommentProblem(comment); !problem.empty()) {
            fail(std::move(problem));
            continue;
        }
        if (const auto [at, added] = wordLines.try_emplace(*row.row, number); !added) {
            fail("Адрес " + address(*row.row) + " уже был в строке " + std::to_string(at->second) +
                 ".");
            continue;
        }
        if (const auto [at, added] = nameLines.try_emplace(FoldLabel(name), number); !added) {
            fail("Имя «" + name + "» уже было в строке " + std::to_string(at->second) + ".");
            continue;
        }
        entries.push_back({number, *row.row, name, std::string(comment)});
    }
    // A name that another word has, and keeps since the file does not
    // rename it.
    for (const Entry& entry : entries) {
        const std::optional<std::uint64_t> owner = notes.wordOfLabel(entry.name);
        if (owner && *owner != entry.word && !wordLines.contains(*owner)) {
            problems.emplace(entry.line, "Имя «" + std::string(notes.find(*owner)->label) +
                                             "» уже дано адресу " + address(*owner) + ".");
        }
    }

    ImportResult result;
    result.faultyLines = problems.size();
    for (const auto& [line, reason] : problems) {
        if (result.problems.size() == MaxImportProblems) {
            break;
        }
        result.problems.push_back({line, reason});
    }
    if (!result.ok()) {
        return result;
    }
    for (const Entry& entry : entries) {
        const std::optional<NoteView> old = notes.find(entry.word);
        Note note = old ? old->note() : Note{};
        note.label = entry.name;
        if (!entry.comment.empty()) {
            note.comment = entry.comment;
        }
        result.changes.push_back({entry.word, std::move(note)});
    }
    return result;
}

}  // namespace sorrel
