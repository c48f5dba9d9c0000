#include "note_set.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "notes_text.h"

namespace sorrel {

namespace {

// Chunks of notes and of names: made this size at once, split above the
// largest, merged with a neighbour below the smallest.
constexpr std::size_t ChunkTarget = 256;
constexpr std::size_t ChunkMax = 512;
constexpr std::size_t ChunkMin = 64;

// The shards of the hash table of names; the low bits of a name's hash
// choose its shard, the next bits its slot there.
constexpr std::size_t ShardBits = 10;
constexpr std::size_t ShardCount = std::size_t{1} << ShardBits;

// At most this many changes are made one by one; more make the set anew.
constexpr std::size_t SmallBatch = 64;

std::uint64_t NameHash(std::string_view folded) {
    return XXH3_64bits(folded.data(), folded.size());
}

// A folded name with its word, as the indexes of names take it.
struct NameItem {
    std::string_view folded;
    std::uint64_t word = 0;
};

}  // namespace

namespace detail {

struct NoteEntry {
    std::uint64_t word;
    std::uint32_t text;  // the label at texts[text], the comment right after it
    std::uint16_t commentSize;
    std::uint8_t labelSize;
    bool bookmark;
};

struct NoteChunk {
    std::vector<NoteEntry> entries;
    std::string texts;
    std::uint32_t labels = 0;
    std::uint32_t bookmarks = 0;

    NoteView view(std::size_t i) const {
        const NoteEntry& e = entries[i];
        const std::string_view all(texts);
        return {e.word, all.substr(e.text, e.labelSize),
                all.substr(e.text + e.labelSize, e.commentSize), e.bookmark};
    }
    std::vector<NoteView> views() const {
        std::vector<NoteView> out;
        out.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            out.push_back(view(i));
        }
        return out;
    }
    static std::shared_ptr<const NoteChunk> Make(std::span<const NoteView> notes) {
        auto chunk = std::make_shared<NoteChunk>();
        std::size_t bytes = 0;
        for (const NoteView& n : notes) {
            bytes += n.label.size() + n.comment.size();
        }
        chunk->entries.reserve(notes.size());
        chunk->texts.reserve(bytes);
        for (const NoteView& n : notes) {
            chunk->entries.push_back({n.word, static_cast<std::uint32_t>(chunk->texts.size()),
                                      static_cast<std::uint16_t>(n.comment.size()),
                                      static_cast<std::uint8_t>(n.label.size()), n.bookmark});
            chunk->texts.append(n.label).append(n.comment);
            chunk->labels += n.label.empty() ? 0 : 1;
            chunk->bookmarks += n.bookmark ? 1 : 0;
        }
        return chunk;
    }
};

// One shard of the hash table of names: open addressing with linear probes,
// at most half full. A slot's name is its offset + 1 in names, where the
// folded name follows its size byte; 0 marks a free slot.
struct NameShard {
    struct Slot {
        std::uint64_t word;
        std::uint32_t tag;  // the hash's high half
        std::uint32_t name;
    };
    std::vector<Slot> slots;
    std::string names;

    std::string_view nameAt(std::uint32_t name) const {
        const auto size = static_cast<unsigned char>(names[name - 1]);
        return std::string_view(names).substr(name, size);
    }
    std::optional<std::uint64_t> find(std::string_view folded, std::uint64_t hash) const {
        const std::size_t mask = slots.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t i = (hash >> ShardBits) & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots[i];
            if (slot.name == 0) {
                return std::nullopt;
            }
            if (slot.tag == tag && nameAt(slot.name) == folded) {
                return slot.word;
            }
        }
    }
    std::vector<NameItem> items() const {
        std::vector<NameItem> out;
        for (const Slot& slot : slots) {
            if (slot.name != 0) {
                out.push_back({nameAt(slot.name), slot.word});
            }
        }
        return out;
    }
    static std::shared_ptr<const NameShard> Make(std::span<const NameItem> items) {
        if (items.empty()) {
            return nullptr;
        }
        auto shard = std::make_shared<NameShard>();
        std::size_t capacity = 4;
        while (capacity < 2 * items.size()) {
            capacity *= 2;
        }
        shard->slots.assign(capacity, Slot{0, 0, 0});
        std::size_t bytes = 0;
        for (const NameItem& item : items) {
            bytes += 1 + item.folded.size();
        }
        shard->names.reserve(bytes);
        for (const NameItem& item : items) {
            const std::uint64_t hash = NameHash(item.folded);
            std::size_t i = (hash >> ShardBits) & (capacity - 1);
            while (shard->slots[i].name != 0) {
                i = (i + 1) & (capacity - 1);
            }
            shard->names += static_cast<char>(item.folded.size());
            shard->slots[i] = {item.word, static_cast<std::uint32_t>(hash >> 32),
                               static_cast<std::uint32_t>(shard->names.size())};
            shard->names.append(item.folded);
        }
        return shard;
    }
};

// A run of the folded names in their order (by bytes), with their words.
struct NameChunk {
    struct Entry {
        std::uint64_t word;
        std::uint32_t name;
        std::uint32_t size;
    };
    std::vector<Entry> entries;
    std::string names;

    std::string_view name(std::size_t i) const {
        return std::string_view(names).substr(entries[i].name, entries[i].size);
    }
    std::vector<NameItem> views() const {
        std::vector<NameItem> out;
        out.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            out.push_back({name(i), entries[i].word});
        }
        return out;
    }
    static std::shared_ptr<const NameChunk> Make(std::span<const NameItem> items) {
        auto chunk = std::make_shared<NameChunk>();
        std::size_t bytes = 0;
        for (const NameItem& item : items) {
            bytes += item.folded.size();
        }
        chunk->entries.reserve(items.size());
        chunk->names.reserve(bytes);
        for (const NameItem& item : items) {
            chunk->entries.push_back({item.word, static_cast<std::uint32_t>(chunk->names.size()),
                                      static_cast<std::uint32_t>(item.folded.size())});
            chunk->names.append(item.folded);
        }
        return chunk;
    }
};

}  // namespace detail

namespace {

// Puts items in place of chunks[at]: split in two when too many, merged with
// a neighbour when too few, removed when none. The items may point into the
// chunks they replace.
template <class Chunk, class Item>
void ReplaceChunk(std::vector<std::shared_ptr<const Chunk>>& chunks, std::size_t at,
                  std::vector<Item> items) {
    const std::shared_ptr<const Chunk> keep = chunks[at];
    std::shared_ptr<const Chunk> neighbour;
    std::size_t first = at;
    std::size_t count = 1;
    if (items.size() < ChunkMin && chunks.size() > 1) {
        const std::size_t other = at + 1 < chunks.size() ? at + 1 : at - 1;
        neighbour = chunks[other];
        const std::vector<Item> theirs = neighbour->views();
        items.insert(other > at ? items.end() : items.begin(), theirs.begin(), theirs.end());
        first = std::min(at, other);
        count = 2;
    }
    std::vector<std::shared_ptr<const Chunk>> made;
    const std::span<const Item> all(items);
    if (items.size() > ChunkMax) {
        made.push_back(Chunk::Make(all.first(items.size() / 2)));
        made.push_back(Chunk::Make(all.subspan(items.size() / 2)));
    } else if (!items.empty()) {
        made.push_back(Chunk::Make(all));
    }
    const auto from = chunks.begin() + static_cast<std::ptrdiff_t>(first);
    chunks.erase(from, from + static_cast<std::ptrdiff_t>(count));
    chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(first), made.begin(), made.end());
}

template <class Chunk, class Item>
std::vector<std::shared_ptr<const Chunk>> MakeChunks(std::span<const Item> items) {
    std::vector<std::shared_ptr<const Chunk>> chunks;
    for (std::size_t at = 0; at < items.size(); at += ChunkTarget) {
        chunks.push_back(Chunk::Make(items.subspan(at, std::min(ChunkTarget, items.size() - at))));
    }
    return chunks;
}

void CheckSizes(const Note& note) {
    if (note.label.size() > MaxStoredLabelBytes || note.comment.size() > MaxStoredCommentBytes) {
        throw std::length_error("a note's text is too long to be held");
    }
}

NoteView ViewOf(std::uint64_t word, const Note& note) {
    return {word, note.label, note.comment, note.bookmark};
}

// The index of the chunk whose first name is the last at or before folded
// (0 when folded comes first).
template <class Chunks>
std::size_t NameChunkOf(const Chunks& chunks, std::string_view folded) {
    const auto it = std::upper_bound(
        chunks.begin(), chunks.end(), folded,
        [](std::string_view name, const auto& chunk) { return name < chunk->name(0); });
    return it == chunks.begin() ? 0 : static_cast<std::size_t>(it - chunks.begin() - 1);
}

}  // namespace

NoteSet::NoteSet() : shards_(ShardCount) {}
NoteSet::NoteSet(const NoteSet&) = default;
NoteSet& NoteSet::operator=(const NoteSet&) = default;
NoteSet::~NoteSet() = default;

std::shared_ptr<const NoteSet> NoteSet::Empty() {
    static const std::shared_ptr<const NoteSet> empty = std::make_shared<const NoteSet>();
    return empty;
}

std::shared_ptr<const NoteSet> NoteSet::Of(std::vector<NoteChange> notes) {
    const auto byWord = [](const NoteChange& a, const NoteChange& b) { return a.word < b.word; };
    if (!std::is_sorted(notes.begin(), notes.end(), byWord)) {
        std::stable_sort(notes.begin(), notes.end(), byWord);
    }
    // Of a word given twice the last counts.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (i + 1 < notes.size() && notes[i + 1].word == notes[i].word) {
            continue;
        }
        if (kept != i) {
            notes[kept] = std::move(notes[i]);
        }
        ++kept;
    }
    notes.resize(kept);
    return OfSorted(notes);
}

std::shared_ptr<const NoteSet> NoteSet::OfSorted(std::span<const NoteChange> notes) {
    std::vector<NoteView> kept;
    kept.reserve(notes.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (i > 0 && notes[i].word <= notes[i - 1].word) {
            throw std::invalid_argument("notes out of the order of words");
        }
        CheckSizes(notes[i].note);
        if (!notes[i].note.empty()) {
            kept.push_back(ViewOf(notes[i].word, notes[i].note));
        }
    }
    auto set = std::make_shared<NoteSet>();
    set->chunks_ = MakeChunks<detail::NoteChunk, NoteView>(kept);

    std::vector<std::pair<std::string, std::uint64_t>> folded;
    folded.reserve(kept.size());
    for (const NoteView& n : kept) {
        if (!n.label.empty()) {
            folded.emplace_back(FoldLabel(n.label), n.word);
        }
    }
    std::sort(folded.begin(), folded.end());
    std::vector<NameItem> items;
    items.reserve(folded.size());
    std::vector<std::vector<NameItem>> shards(ShardCount);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (i > 0 && folded[i].first == folded[i - 1].first) {
            throw std::invalid_argument("two words have the same label");
        }
        const NameItem item{folded[i].first, folded[i].second};
        items.push_back(item);
        shards[NameHash(item.folded) & (ShardCount - 1)].push_back(item);
    }
    set->names_ = MakeChunks<detail::NameChunk, NameItem>(items);
    for (std::size_t s = 0; s < ShardCount; ++s) {
        set->shards_[s] = detail::NameShard::Make(shards[s]);
    }
    set->recount();
    return set;
}

void NoteSet::recount() {
    firstWord_.resize(chunks_.size());
    start_.resize(chunks_.size());
    size_ = labels_ = bookmarks_ = 0;
    for (std::size_t c = 0; c < chunks_.size(); ++c) {
        const detail::NoteChunk& chunk = *chunks_[c];
        firstWord_[c] = chunk.entries.front().word;
        start_[c] = size_;
        size_ += chunk.entries.size();
        labels_ += chunk.labels;
        bookmarks_ += chunk.bookmarks;
    }
}

std::size_t NoteSet::chunkOf(std::uint64_t word) const {
    const auto it = std::upper_bound(firstWord_.begin(), firstWord_.end(), word);
    return it == firstWord_.begin() ? 0 : static_cast<std::size_t>(it - firstWord_.begin() - 1);
}

std::optional<NoteView> NoteSet::find(std::uint64_t word) const {
    if (chunks_.empty()) {
        return std::nullopt;
    }
    const detail::NoteChunk& chunk = *chunks_[chunkOf(word)];
    const auto it =
        std::lower_bound(chunk.entries.begin(), chunk.entries.end(), word,
                         [](const detail::NoteEntry& e, std::uint64_t w) { return e.word < w; });
    if (it == chunk.entries.end() || it->word != word) {
        return std::nullopt;
    }
    return chunk.view(static_cast<std::size_t>(it - chunk.entries.begin()));
}

NoteView NoteSet::at(std::size_t index) const {
    if (index >= size_) {
        throw std::out_of_range("no note at this position");
    }
    const auto it = std::upper_bound(start_.begin(), start_.end(), index);
    const auto c = static_cast<std::size_t>(it - start_.begin() - 1);
    return chunks_[c]->view(index - start_[c]);
}

std::size_t NoteSet::lowerBound(std::uint64_t word) const {
    if (chunks_.empty() || word <= firstWord_.front()) {
        return 0;
    }
    const std::size_t c = chunkOf(word);
    const detail::NoteChunk& chunk = *chunks_[c];
    const auto it =
        std::lower_bound(chunk.entries.begin(), chunk.entries.end(), word,
                         [](const detail::NoteEntry& e, std::uint64_t w) { return e.word < w; });
    return start_[c] + static_cast<std::size_t>(it - chunk.entries.begin());
}

std::optional<std::size_t> NoteSet::indexOf(std::uint64_t word) const {
    const std::size_t i = lowerBound(word);
    if (i < size_ && at(i).word == word) {
        return i;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> NoteSet::wordOfLabel(std::string_view name) const {
    if (name.size() > MaxStoredLabelBytes) {
        return std::nullopt;
    }
    char buffer[MaxStoredLabelBytes];
    FoldLabelInto(name, buffer);
    const std::string_view folded(buffer, name.size());
    const std::uint64_t hash = NameHash(folded);
    const ShardPtr& shard = shards_[hash & (ShardCount - 1)];
    if (!shard) {
        return std::nullopt;
    }
    return shard->find(folded, hash);
}

std::vector<NoteView> NoteSet::labelsStartingWith(std::string_view prefix,
                                                  std::size_t limit) const {
    std::vector<NoteView> out;
    if (names_.empty() || limit == 0) {
        return out;
    }
    const std::string folded = FoldLabel(prefix);
    for (std::size_t c = NameChunkOf(names_, folded); c < names_.size(); ++c) {
        const detail::NameChunk& chunk = *names_[c];
        std::size_t i = 0;
        if (out.empty()) {
            while (i < chunk.entries.size() && chunk.name(i) < folded) {
                ++i;
            }
        }
        for (; i < chunk.entries.size(); ++i) {
            if (!chunk.name(i).starts_with(folded)) {
                return out;
            }
            out.push_back(*find(chunk.entries[i].word));
            if (out.size() == limit) {
                return out;
            }
        }
    }
    return out;
}

std::optional<BookmarkStep> NoteSet::nextBookmark(std::uint64_t word) const {
    if (bookmarks_ == 0) {
        return std::nullopt;
    }
    for (std::size_t c = chunkOf(word); c < chunks_.size(); ++c) {
        const detail::NoteChunk& chunk = *chunks_[c];
        if (chunk.bookmarks == 0 || chunk.entries.back().word <= word) {
            continue;
        }
        for (const detail::NoteEntry& e : chunk.entries) {
            if (e.bookmark && e.word > word) {
                return BookmarkStep{e.word, false};
            }
        }
    }
    for (const ChunkPtr& chunk : chunks_) {
        for (const detail::NoteEntry& e : chunk->entries) {
            if (e.bookmark) {
                return BookmarkStep{e.word, true};
            }
        }
    }
    return std::nullopt;
}

std::optional<BookmarkStep> NoteSet::previousBookmark(std::uint64_t word) const {
    if (bookmarks_ == 0) {
        return std::nullopt;
    }
    for (std::size_t c = chunkOf(word) + 1; c-- > 0;) {
        const detail::NoteChunk& chunk = *chunks_[c];
        if (chunk.bookmarks == 0 || chunk.entries.front().word >= word) {
            continue;
        }
        for (auto e = chunk.entries.rbegin(); e != chunk.entries.rend(); ++e) {
            if (e->bookmark && e->word < word) {
                return BookmarkStep{e->word, false};
            }
        }
    }
    for (auto chunk = chunks_.rbegin(); chunk != chunks_.rend(); ++chunk) {
        for (auto e = (*chunk)->entries.rbegin(); e != (*chunk)->entries.rend(); ++e) {
            if (e->bookmark) {
                return BookmarkStep{e->word, true};
            }
        }
    }
    return std::nullopt;
}

void NoteSet::addName(const std::string& folded, std::uint64_t word) {
    const std::uint64_t hash = NameHash(folded);
    ShardPtr& shard = shards_[hash & (ShardCount - 1)];
    std::vector<NameItem> items;
    const ShardPtr keep = shard;
    if (shard) {
        items = shard->items();
    }
    items.push_back({folded, word});
    shard = detail::NameShard::Make(items);

    if (names_.empty()) {
        const NameItem only{folded, word};
        names_.push_back(detail::NameChunk::Make(std::span(&only, 1)));
        return;
    }
    const std::size_t c = NameChunkOf(names_, folded);
    std::vector<NameItem> inOrder = names_[c]->views();
    const auto at = std::lower_bound(
        inOrder.begin(), inOrder.end(), std::string_view(folded),
        [](const NameItem& item, std::string_view name) { return item.folded < name; });
    inOrder.insert(at, NameItem{folded, word});
    ReplaceChunk(names_, c, std::move(inOrder));
}

void NoteSet::removeName(const std::string& folded) {
    const std::uint64_t hash = NameHash(folded);
    ShardPtr& shard = shards_[hash & (ShardCount - 1)];
    const ShardPtr keep = shard;
    std::vector<NameItem> items = shard->items();
    std::erase_if(items, [&](const NameItem& item) { return item.folded == folded; });
    shard = detail::NameShard::Make(items);

    const std::size_t c = NameChunkOf(names_, folded);
    std::vector<NameItem> inOrder = names_[c]->views();
    std::erase_if(inOrder, [&](const NameItem& item) { return item.folded == folded; });
    ReplaceChunk(names_, c, std::move(inOrder));
}

void NoteSet::setOne(std::uint64_t word, const Note& note) {
    if (chunks_.empty()) {
        if (!note.empty()) {
            const NoteView only = ViewOf(word, note);
            chunks_.push_back(detail::NoteChunk::Make(std::span(&only, 1)));
            firstWord_.assign(1, word);
        }
        return;
    }
    const std::size_t c = chunkOf(word);
    std::vector<NoteView> notes = chunks_[c]->views();
    auto it = std::lower_bound(notes.begin(), notes.end(), word,
                               [](const NoteView& n, std::uint64_t w) { return n.word < w; });
    const bool had = it != notes.end() && it->word == word;
    if (note.empty()) {
        if (!had) {
            return;
        }
        notes.erase(it);
    } else if (had) {
        *it = ViewOf(word, note);
    } else {
        notes.insert(it, ViewOf(word, note));
    }
    ReplaceChunk(chunks_, c, std::move(notes));
    // The chunks' first words, for the next change of the same batch.
    firstWord_.resize(chunks_.size());
    for (std::size_t i = 0; i < chunks_.size(); ++i) {
        firstWord_[i] = chunks_[i]->entries.front().word;
    }
}

std::shared_ptr<const NoteSet> NoteSet::with(std::uint64_t word, const Note& note) const {
    const NoteChange change{word, note};
    return with(std::span(&change, 1));
}

std::shared_ptr<const NoteSet> NoteSet::without(std::uint64_t word) const {
    return with(word, Note{});
}

std::shared_ptr<const NoteSet> NoteSet::with(std::span<const NoteChange> changes) const {
    if (changes.size() > SmallBatch) {
        std::vector<NoteChange> all = this->changes();
        all.insert(all.end(), changes.begin(), changes.end());
        return Of(std::move(all));
    }
    // The last change of each word, in the order given.
    std::vector<const NoteChange*> last;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        CheckSizes(changes[i].note);
        bool later = false;
        for (std::size_t j = i + 1; j < changes.size() && !later; ++j) {
            later = changes[j].word == changes[i].word;
        }
        if (!later) {
            last.push_back(&changes[i]);
        }
    }
    auto set = std::make_shared<NoteSet>(*this);
    // The names that change: first all the old ones go, then the new ones
    // come, so that names may move between the words changed.
    std::vector<std::string> added;
    std::vector<std::uint64_t> addedWords;
    for (const NoteChange* change : last) {
        const std::optional<NoteView> old = find(change->word);
        const std::string before = old ? FoldLabel(old->label) : std::string();
        std::string after = FoldLabel(change->note.label);
        if (before == after) {
            continue;
        }
        if (!before.empty()) {
            set->removeName(before);
        }
        if (!after.empty()) {
            added.push_back(std::move(after));
            addedWords.push_back(change->word);
        }
    }
    for (std::size_t i = 0; i < added.size(); ++i) {
        if (set->wordOfLabel(added[i]).has_value()) {
            throw std::invalid_argument("another word has this label");
        }
        set->addName(added[i], addedWords[i]);
    }
    for (const NoteChange* change : last) {
        set->setOne(change->word, change->note);
    }
    set->recount();
    return set;
}

std::vector<NoteChange> NoteSet::changes() const {
    std::vector<NoteChange> out;
    out.reserve(size_);
    for (const ChunkPtr& chunk : chunks_) {
        for (std::size_t i = 0; i < chunk->entries.size(); ++i) {
            const NoteView v = chunk->view(i);
            out.push_back({v.word, v.note()});
        }
    }
    return out;
}

}  // namespace sorrel
