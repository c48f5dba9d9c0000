// The notes of an image: for a word of the image (word k is bytes 2k and
// 2k+1), a label, a comment and a bookmark, any of them absent; a note with
// none of them does not exist.
//
// A NoteSet is an immutable value, shared as std::shared_ptr<const NoteSet>
// by the GUI thread and the workers. A change gives a new set and leaves the
// old one as it was; the two share all they have in common:
//   - the notes in word order, in chunks of a few hundred, each chunk held
//     by a shared_ptr: a change copies one chunk (and the small arrays that
//     list the chunks);
//   - the labels by name, case-insensitively (notes_text.h, FoldLabel): a
//     hash table in 1,024 shards by the name's hash, and the names in their
//     folded order in chunks, for completion; a change copies one shard and
//     one chunk of names.
// So with 200,000 notes a change of one note costs some tens of microseconds
// and the new set some kilobytes besides the old one.
//
// The set keeps labels unique (case-insensitively) and refuses what would
// break that; what makes a label or comment acceptable is note_rules.h's.
// Thread-safe: every operation is const.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorrel {

// A note as a value. Empty texts mean "none".
struct Note {
    std::string label;
    std::string comment;
    bool bookmark = false;

    bool empty() const { return label.empty() && comment.empty() && !bookmark; }
    bool operator==(const Note&) const = default;
};

// A note as the set holds it; its texts are valid while the set (or any set
// sharing its chunk) lives.
struct NoteView {
    std::uint64_t word = 0;
    std::string_view label;
    std::string_view comment;
    bool bookmark = false;

    Note note() const { return {std::string(label), std::string(comment), bookmark}; }
};

// The note of a word set to note; an empty note removes the word's note.
struct NoteChange {
    std::uint64_t word = 0;
    Note note;
    bool operator==(const NoteChange&) const = default;
};

// Where the next or previous bookmark is, and whether the search went round
// the end (or the start) of the image to find it.
struct BookmarkStep {
    std::uint64_t word = 0;
    bool wrapped = false;
    bool operator==(const BookmarkStep&) const = default;
};

// The longest texts the set can hold (the rules allow less: 64 letters of a
// label, 1,000 code points of a comment).
inline constexpr std::size_t MaxStoredLabelBytes = 255;
inline constexpr std::size_t MaxStoredCommentBytes = 65535;

namespace detail {
struct NoteChunk;
struct NameShard;
struct NameChunk;
}  // namespace detail

class NoteSet {
  public:
    // The empty set.
    static std::shared_ptr<const NoteSet> Empty();
    // A set of the given notes, in any order; of a word given twice the
    // last counts, and empty notes are left out. Throws
    // std::invalid_argument when two words would have the same label,
    // std::length_error when a text is longer than the set can hold.
    static std::shared_ptr<const NoteSet> Of(std::vector<NoteChange> notes);
    // The same for notes in strictly increasing order of words; throws
    // std::invalid_argument also when they are not.
    static std::shared_ptr<const NoteSet> OfSorted(std::span<const NoteChange> notes);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t labelCount() const { return labels_; }
    std::size_t bookmarkCount() const { return bookmarks_; }

    // The note of word, if it has one. O(log n).
    std::optional<NoteView> find(std::uint64_t word) const;

    // The notes in word order, by position: the index-th note (index <
    // size()), the position of word's note, and the position of the first
    // note at or after word (size() when there is none). O(log n).
    NoteView at(std::size_t index) const;
    std::optional<std::size_t> indexOf(std::uint64_t word) const;
    std::size_t lowerBound(std::uint64_t word) const;

    // The word whose label is name, in any case. O(1) on average, whatever
    // the number of names.
    std::optional<std::uint64_t> wordOfLabel(std::string_view name) const;
    // The first limit notes whose labels begin with prefix, in any case, in
    // the order of their folded names (by bytes).
    std::vector<NoteView> labelsStartingWith(std::string_view prefix, std::size_t limit) const;

    // The first bookmark after word, or, when there is none, the first one
    // of all (wrapped); nothing without bookmarks.
    std::optional<BookmarkStep> nextBookmark(std::uint64_t word) const;
    // The last bookmark before word, or the last one of all (wrapped).
    std::optional<BookmarkStep> previousBookmark(std::uint64_t word) const;

    // The set with word's note set to note (removed when note is empty).
    // Throws std::invalid_argument when another word has the label, and
    // std::length_error as Of does; this set never changes.
    std::shared_ptr<const NoteSet> with(std::uint64_t word, const Note& note) const;
    std::shared_ptr<const NoteSet> without(std::uint64_t word) const;
    // The set with all changes made at once (a word changed twice: the last
    // counts). The labels must be unique once all are made, so names may
    // move between the words changed. Throws as with() does, and then
    // nothing is changed.
    std::shared_ptr<const NoteSet> with(std::span<const NoteChange> changes) const;

    // Every note, in word order, as changes that make this set from Empty().
    std::vector<NoteChange> changes() const;

    NoteSet();
    NoteSet(const NoteSet&);
    NoteSet& operator=(const NoteSet&);
    ~NoteSet();

  private:
    using ChunkPtr = std::shared_ptr<const detail::NoteChunk>;
    using ShardPtr = std::shared_ptr<const detail::NameShard>;
    using NameChunkPtr = std::shared_ptr<const detail::NameChunk>;

    std::size_t chunkOf(std::uint64_t word) const;
    void setOne(std::uint64_t word, const Note& note);
    void replaceChunk(std::size_t at, std::vector<NoteView> notes);
    void addName(const std::string& folded, std::uint64_t word);
    void removeName(const std::string& folded);
    void recount();

    std::vector<ChunkPtr> chunks_;          // in word order, none empty
    std::vector<std::uint64_t> firstWord_;  // the first word of each chunk
    std::vector<std::size_t> start_;        // the position of each chunk's first note
    std::vector<ShardPtr> shards_;          // by the folded name's hash; null: none
    std::vector<NameChunkPtr> names_;       // the folded names in order
    std::size_t size_ = 0;
    std::size_t labels_ = 0;
    std::size_t bookmarks_ = 0;
};

}  // namespace sorrel
