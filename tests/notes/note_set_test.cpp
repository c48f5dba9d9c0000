// The note set against a plain map of notes, through changes that split,
// merge and empty its chunks; the versions left behind stay as they were;
// labels stay unique in any case; bookmarks wrap; completion by prefix.
#include "note_set.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "notes_text.h"

namespace sorrel {
namespace {

using Model = std::map<std::uint64_t, Note>;

// Every question the set answers, asked of the set and of the model.
void ExpectSame(const NoteSet& set, const Model& model) {
    ASSERT_EQ(set.size(), model.size());
    std::size_t labels = 0;
    std::size_t bookmarks = 0;
    std::size_t i = 0;
    std::vector<std::pair<std::string, std::uint64_t>> names;
    for (const auto& [word, note] : model) {
        const NoteView at = set.at(i);
        ASSERT_EQ(at.word, word) << i;
        ASSERT_EQ(at.note(), note) << word;
        ASSERT_TRUE(set.find(word).has_value());
        EXPECT_EQ(set.find(word)->note(), note);
        EXPECT_EQ(set.indexOf(word), i);
        EXPECT_EQ(set.lowerBound(word), i);
        EXPECT_FALSE(set.find(word + 1).has_value() && !model.contains(word + 1));
        EXPECT_EQ(set.lowerBound(word + 1), i + 1);
        if (!note.label.empty()) {
            ++labels;
            names.emplace_back(FoldLabel(note.label), word);
            EXPECT_EQ(set.wordOfLabel(note.label), word);
        }
        bookmarks += note.bookmark ? 1 : 0;
        ++i;
    }
    EXPECT_EQ(set.labelCount(), labels);
    EXPECT_EQ(set.bookmarkCount(), bookmarks);
    EXPECT_EQ(set.lowerBound(UINT64_MAX),
              model.empty() || !model.contains(UINT64_MAX) ? set.size() : set.size() - 1);
    // Completion of every one-letter prefix: the names in folded order.
    std::sort(names.begin(), names.end());
    for (const char* prefix : {"", "a", "B", "n_1", "ж", "Ж"}) {
        const std::string folded = FoldLabel(prefix);
        std::vector<std::uint64_t> expected;
        for (const auto& [name, word] : names) {
            if (name.starts_with(folded) && expected.size() < 7) {
                expected.push_back(word);
            }
        }
        std::vector<std::uint64_t> got;
        for (const NoteView& v : set.labelsStartingWith(prefix, 7)) {
            got.push_back(v.word);
        }
        EXPECT_EQ(got, expected) << prefix;
    }
}

std::optional<BookmarkStep> ModelNext(const Model& model, std::uint64_t word, bool forward) {
    std::vector<std::uint64_t> marks;
    for (const auto& [w, note] : model) {
        if (note.bookmark) {
            marks.push_back(w);
        }
    }
    if (marks.empty()) {
        return std::nullopt;
    }
    if (forward) {
        const auto it = std::upper_bound(marks.begin(), marks.end(), word);
        return it != marks.end() ? BookmarkStep{*it, false} : BookmarkStep{marks.front(), true};
    }
    const auto it = std::lower_bound(marks.begin(), marks.end(), word);
    return it != marks.begin() ? BookmarkStep{*(it - 1), false} : BookmarkStep{marks.back(), true};
}

Note RandomNote(std::mt19937& random, std::uint64_t word) {
    Note note;
    const unsigned kind = random() % 8;
    if (kind & 1u) {
        // Labels differ by word; case and Cyrillic vary.
        note.label = (random() % 2 ? "n_" : "Жук_") + std::to_string(word);
        if (random() % 3 == 0) {
            note.label = "B" + note.label;
        }
    }
    if (kind & 2u) {
        note.comment = std::string(random() % 40, 'c') + "ё" + std::to_string(random());
    }
    note.bookmark = (kind & 4u) != 0;
    return note;
}

// Random changes, one by one and in batches of several sizes, over enough
// words to make, split, merge and empty many chunks; each version is checked
// against the model, and older versions again at the end.
TEST(NoteSet, AnswersAsAMapOfNotesThroughAnyChanges) {
    std::mt19937 random(7);
    Model model;
    std::shared_ptr<const NoteSet> set = NoteSet::Empty();
    std::vector<std::pair<std::shared_ptr<const NoteSet>, Model>> kept;
    const std::uint64_t words = 4000;
    for (int round = 0; round < 40; ++round) {
        const std::size_t batch = round % 4 == 0 ? 200 : round % 4 == 1 ? 1 : 17;
        std::vector<NoteChange> changes;
        for (std::size_t i = 0; i < batch * (round < 20 ? 10 : 4); ++i) {
            const std::uint64_t word = random() % words;
            // Fill up first, then remove more than is added.
            const bool remove = random() % 10 < (round < 20 ? 1 : 8);
            changes.push_back({word, remove ? Note{} : RandomNote(random, word)});
        }
        for (std::size_t at = 0; at < changes.size(); at += batch) {
            const std::span<const NoteChange> part = std::span<const NoteChange>(changes).subspan(
                at, std::min(batch, changes.size() - at));
            set = batch == 1 ? set->with(part[0].word, part[0].note) : set->with(part);
            for (const NoteChange& c : part) {
                if (c.note.empty()) {
                    model.erase(c.word);
                } else {
                    model[c.word] = c.note;
                }
            }
        }
        SCOPED_TRACE(round);
        ExpectSame(*set, model);
        for (const std::uint64_t word : {std::uint64_t{0}, words / 2, words - 1, words + 5}) {
            EXPECT_EQ(set->nextBookmark(word), ModelNext(model, word, true)) << word;
            EXPECT_EQ(set->previousBookmark(word), ModelNext(model, word, false)) << word;
        }
        if (round % 10 == 9) {
            kept.emplace_back(set, model);
        }
    }
    for (const auto& [old, oldModel] : kept) {
        ExpectSame(*old, oldModel);
    }
    // Rebuilt from its own notes, a set is the same.
    ExpectSame(*NoteSet::Of(set->changes()), model);
    // Emptied word by word in random order, its chunks merge and go.
    std::vector<std::uint64_t> left;
    for (const auto& [word, note] : model) {
        left.push_back(word);
    }
    std::shuffle(left.begin(), left.end(), random);
    for (std::size_t i = 0; i < left.size(); ++i) {
        set = set->without(left[i]);
        model.erase(left[i]);
        if (i % 300 == 0) {
            ExpectSame(*set, model);
        }
    }
    EXPECT_TRUE(set->empty());
    ExpectSame(*set, model);
}

TEST(NoteSet, LabelsAreUniqueInAnyCase) {
    const auto set = NoteSet::Of({{10, {"Main", "", false}},
                                  {20, {"Цикл", "", false}},
                                  {30, {"", "only a comment", false}}});
    struct Case {
        const char* name;
        std::vector<NoteChange> changes;
        bool accepted;
    };
    const Case cases[] = {
        {"another word, same name", {{11, {"Main", "", false}}}, false},
        {"another word, other case", {{11, {"MAIN", "", false}}}, false},
        {"another word, Cyrillic in other case", {{11, {"ЦИКЛ", "", false}}}, false},
        {"the same word in another case", {{10, {"MAIN", "", false}}}, true},
        {"the same word, Cyrillic in another case", {{20, {"цикл", "", false}}}, true},
        {"a new name", {{11, {"main2", "", false}}}, true},
        {"two new words, one name", {{11, {"x", "", false}}, {12, {"X", "", false}}}, false},
        {"names swapped at once", {{10, {"цикл", "", false}}, {20, {"main", "", false}}}, true},
        {"a name moves to another word", {{10, {}}, {11, {"main", "", false}}}, true},
        {"a name given, then the word changed again",
         {{11, {"free", "", false}}, {11, {"Main", "", false}}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.accepted) {
            const auto changed = set->with(c.changes);
            for (const NoteChange& change : c.changes) {
                if (!change.note.label.empty()) {
                    EXPECT_EQ(changed->wordOfLabel(change.note.label), change.word);
                }
            }
        } else {
            EXPECT_THROW(set->with(c.changes), std::invalid_argument);
        }
        // Whatever happened, the set is as it was.
        EXPECT_EQ(set->size(), 3u);
        EXPECT_EQ(set->wordOfLabel("main"), 10u);
        EXPECT_EQ(set->wordOfLabel("цИКЛ"), 20u);
        EXPECT_EQ(set->find(10)->label, "Main");
    }
    EXPECT_THROW(NoteSet::Of({{1, {"a", "", false}}, {2, {"A", "", false}}}),
                 std::invalid_argument);
    EXPECT_THROW(set->with(1, {std::string(256, 'a'), "", false}), std::length_error);
}

TEST(NoteSet, BookmarksWrapRoundTheImage) {
    const auto set =
        NoteSet::Of({{5, {"", "", true}}, {9, {"x", "", false}}, {40, {"", "", true}}});
    struct Case {
        std::uint64_t from;
        BookmarkStep next;
        BookmarkStep previous;
    };
    const Case cases[] = {
        {0, {5, false}, {40, true}}, {5, {40, false}, {40, true}}, {6, {40, false}, {5, false}},
        {40, {5, true}, {5, false}}, {99, {5, true}, {40, false}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(set->nextBookmark(c.from), c.next) << c.from;
        EXPECT_EQ(set->previousBookmark(c.from), c.previous) << c.from;
    }
    const auto one = NoteSet::Of({{7, {"", "", true}}});
    EXPECT_EQ(one->nextBookmark(7), (BookmarkStep{7, true}));
    EXPECT_EQ(one->previousBookmark(7), (BookmarkStep{7, true}));
    EXPECT_FALSE(NoteSet::Of({{7, {"x", "", false}}})->nextBookmark(0).has_value());
}

TEST(NoteSet, CompletesLabelsByPrefixInNameOrder) {
    const auto set = NoteSet::Of({{1, {"loop_b", "", false}},
                                  {2, {"Loop_a", "", false}},
                                  {3, {"LOOP", "", false}},
                                  {4, {"lo", "", false}},
                                  {5, {"main", "", false}},
                                  {6, {"Ёлка", "", false}},
                                  {7, {"ёж", "", false}},
                                  {8, {"ель", "", false}}});
    struct Case {
        const char* prefix;
        std::size_t limit;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {"loo", 10, {"LOOP", "Loop_a", "loop_b"}},
        {"LOOP_", 10, {"Loop_a", "loop_b"}},
        {"l", 2, {"lo", "LOOP"}},
        {"ё", 10, {"ёж", "Ёлка"}},
        {"Е", 10, {"ель"}},
        {"x", 10, {}},
        {"", 3, {"lo", "LOOP", "Loop_a"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        for (const NoteView& v : set->labelsStartingWith(c.prefix, c.limit)) {
            got.emplace_back(v.label);
        }
        EXPECT_EQ(got, c.labels) << c.prefix;
    }
}

// Readers on other threads keep the versions they hold while new ones are
// made from them (run under ThreadSanitizer too).
TEST(NoteSet, VersionsAreSharedAcrossThreads) {
    std::shared_ptr<const NoteSet> set = NoteSet::Empty();
    for (std::uint64_t w = 0; w < 2000; ++w) {
        set = set->with(w, {"w" + std::to_string(w), "", w % 3 == 0});
    }
    std::atomic<bool> done{false};
    std::vector<std::thread> readers;
    for (int t = 0; t < 2; ++t) {
        readers.emplace_back([set, &done] {
            while (!done.load()) {
                for (std::uint64_t w = 0; w < 2000; w += 97) {
                    ASSERT_EQ(set->wordOfLabel("W" + std::to_string(w)), w);
                    ASSERT_EQ(set->at(w).word, w);
                }
            }
        });
    }
    std::shared_ptr<const NoteSet> later = set;
    for (std::uint64_t w = 0; w < 2000; w += 3) {
        later = later->without(w);
    }
    done = true;
    for (std::thread& t : readers) {
        t.join();
    }
    EXPECT_EQ(set->size(), 2000u);
    EXPECT_EQ(later->size(), 2000u - 667u);
}

}  // namespace
}  // namespace sorrel
