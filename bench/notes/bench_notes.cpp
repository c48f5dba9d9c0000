// The notes with 100,000 labels and 100,000 comments on a 1 GiB image
// (536,870,912 words): the notes file written and read (as text, and
// through the store with its fsync), one change of a note, go-to by name
// at 1,000 and 200,000 names, the memory a note costs, the notes column
// of a screen of rows, and the image's hash over 1 GiB on one core.
//   ./build-bench/bench/notes/bench_notes
#include <malloc.h>
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image_hash.h"
#include "notes_column.h"
#include "notes_file.h"
#include "notes_store.h"

namespace sorrel {
namespace {

constexpr std::uint64_t ImageWords = std::uint64_t{1} << 29;  // 1 GiB

const char* const Words[] = {"wait", "timer", "loop",  "init", "read", "send",  "buffer",
                             "flag", "count", "reset", "irq",  "ждём", "сброс", "буфер",
                             "флаг", "счёт",  "next",  "done", "fail", "table", "entry"};

std::string Label(std::mt19937& random, std::size_t i) {
    std::string label = Words[random() % std::size(Words)];
    label += "_";
    label += Words[random() % std::size(Words)];
    return label + "_" + std::to_string(i);  // 10 to 25 characters, unique
}

std::string Comment(std::mt19937& random) {
    std::string comment;
    const std::size_t words = 2 + random() % 10;  // some 10 to 80 characters
    for (std::size_t w = 0; w < words; ++w) {
        comment += (w == 0 ? "" : " ");
        comment += Words[random() % std::size(Words)];
    }
    return comment;
}

// count notes over the image: the even ones with a label, the odd ones with
// a comment, one in fifty with a bookmark.
std::vector<NoteChange> MakeNotes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<NoteChange> notes;
    const std::uint64_t step = ImageWords / count;
    for (std::size_t i = 0; i < count; ++i) {
        Note note;
        if (i % 2 == 0) {
            note.label = Label(random, i);
        } else {
            note.comment = Comment(random);
        }
        note.bookmark = i % 50 == 0;
        notes.push_back({i * step + random() % step, note});
    }
    return notes;
}

const std::shared_ptr<const NoteSet>& Notes() {
    static const std::shared_ptr<const NoteSet> notes = NoteSet::Of(MakeNotes(200'000, 1));
    return notes;
}

const ImageIdentity Image{ImageWords * 2, 0x0123456789abcdefULL};

void BM_WriteNotesText(benchmark::State& state) {
    const NoteSet& notes = *Notes();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = NotesFileText(notes, Image);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteNotesText)->Unit(benchmark::kMillisecond);

void BM_ReadNotesText(benchmark::State& state) {
    const std::string text = NotesFileText(*Notes(), Image);
    for (auto _ : state) {
        const NotesFileContent content = ReadNotesFileText(text);
        benchmark::DoNotOptimize(content.notes.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadNotesText)->Unit(benchmark::kMillisecond);

// The store's save and read of the file beside an image (the image itself
// is an empty stand-in: the store reads only its notes).
struct StoreFolder {
    std::filesystem::path root;
    std::string image;
    StoreFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "sorrel-bench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        image = (root / "prog.bin").string();
        std::ofstream(image) << "";
    }
    ~StoreFolder() { std::filesystem::remove_all(root); }
};

void BM_SaveNotesFile(benchmark::State& state) {
    const StoreFolder folder;
    NotesStore store(folder.image, Image, (folder.root / "data").string());
    store.read();
    for (auto _ : state) {
        if (store.save(*Notes()).outcome != SaveOutcome::Saved) {
            state.SkipWithError("not saved");
        }
    }
}
BENCHMARK(BM_SaveNotesFile)->Unit(benchmark::kMillisecond);

void BM_ReadNotesFile(benchmark::State& state) {
    const StoreFolder folder;
    NotesStore(folder.image, Image, (folder.root / "data").string()).save(*Notes());
    for (auto _ : state) {
        NotesStore store(folder.image, Image, (folder.root / "data").string());
        const NotesRead read = store.read();
        if (read.notes->size() != Notes()->size()) {
            state.SkipWithError("not read");
        }
    }
}
BENCHMARK(BM_ReadNotesFile)->Unit(benchmark::kMillisecond);

// One note changed at a random word: a comment, and a label (which also
// changes the name indexes).
void BM_ChangeOneNote(benchmark::State& state) {
    const bool label = state.range(0) != 0;
    const std::shared_ptr<const NoteSet> notes = Notes();
    std::mt19937 random(2);
    std::size_t i = 0;
    for (auto _ : state) {
        const NoteView old = notes->at(random() % notes->size());
        Note note = old.note();
        if (label) {
            note.label = "renamed_" + std::to_string(i++);
        } else {
            note.comment = "changed";
        }
        benchmark::DoNotOptimize(notes->with(old.word, note));
    }
}
BENCHMARK(BM_ChangeOneNote)->ArgName("label")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The set made anew from its notes, for comparison with a change.
void BM_MakeTheWholeSet(benchmark::State& state) {
    const std::vector<NoteChange> notes = Notes()->changes();
    for (auto _ : state) {
        benchmark::DoNotOptimize(NoteSet::Of(notes));
    }
}
BENCHMARK(BM_MakeTheWholeSet)->Unit(benchmark::kMillisecond);

// Go to a name typed in another case, among 1,000 and 200,000 names.
void BM_GoToByName(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<NoteChange> all = MakeNotes(2 * count, 3);
    std::vector<std::string> typed;
    for (const NoteChange& n : all) {
        if (!n.note.label.empty()) {
            std::string upper = n.note.label;
            for (char& c : upper) {
                c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            }
            typed.push_back(upper);
        }
    }
    const auto notes = NoteSet::Of(std::move(all));
    std::mt19937 random(4);
    std::vector<std::size_t> order(4096);
    for (std::size_t& o : order) {
        o = random() % typed.size();
    }
    // Cold: a different name each time, as a user goes from one to another;
    // hot: the same name again, all in the cache.
    const bool hot = state.range(1) != 0;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(notes->wordOfLabel(typed[order[hot ? 0 : i++ & 4095]]));
    }
    state.counters["names"] = static_cast<double>(notes->labelCount());
}
BENCHMARK(BM_GoToByName)
    ->ArgNames({"names", "hot"})
    ->Args({1'000, 0})
    ->Args({200'000, 0})
    ->Args({1'000, 1})
    ->Args({200'000, 1});

std::size_t Allocated() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The memory of 200,000 notes besides their texts, the label indexes
// included, and what a version made by one change adds while the old one
// is kept.
void BM_MemoryPerNote(benchmark::State& state) {
    const std::vector<NoteChange> notes = MakeNotes(200'000, 5);
    std::size_t texts = 0;
    for (const NoteChange& n : notes) {
        texts += n.note.label.size() + n.note.comment.size();
    }
    double perNote = 0;
    double perChange = 0;
    for (auto _ : state) {
        const std::size_t before = Allocated();
        const auto set = NoteSet::Of(notes);
        const std::size_t made = Allocated();
        const auto changed = set->with(notes[100'000].word, {"renamed", "", false});
        const std::size_t after = Allocated();
        perNote = (static_cast<double>(made - before) - static_cast<double>(texts)) /
                  static_cast<double>(notes.size());
        perChange = static_cast<double>(after - made);
        benchmark::DoNotOptimize(changed.get());
    }
    state.counters["bytes_per_note_besides_texts"] = perNote;
    state.counters["text_bytes_per_note"] = static_cast<double>(texts) / 200'000.0;
    state.counters["bytes_added_by_one_change"] = perChange;
}
BENCHMARK(BM_MemoryPerNote)->Iterations(1)->Unit(benchmark::kMillisecond);

// The notes column's text of a screen of 60 rows where notes are dense and
// half the rows jump.
void BM_NotesColumnScreen(benchmark::State& state) {
    std::vector<NoteChange> notes = MakeNotes(200'000, 6);
    for (std::uint64_t w = 1000; w < 1060; w += 2) {
        notes.push_back({w, {"row_" + std::to_string(w), "a comment of some length here", false}});
    }
    for (std::uint64_t a = 0; a < 1024; a += 3) {
        notes.push_back({256 + a, {"target_" + std::to_string(a), "", false}});
    }
    const NotesColumn column(NoteSet::Of(std::move(notes)));
    std::string out;
    for (auto _ : state) {
        for (std::uint64_t row = 1000; row < 1060; ++row) {
            out.clear();
            const auto word = static_cast<std::uint16_t>(row % 2 ? 0x8000 | (row & 0x3FF) : 0x11B9);
            benchmark::DoNotOptimize(column.appendText(row, word, false, out));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 60));
}
BENCHMARK(BM_NotesColumnScreen)->Unit(benchmark::kMicrosecond);

void BM_ImageHash(benchmark::State& state) {
    const std::size_t size = std::size_t{1} << 30;
    std::unique_ptr<std::uint8_t[]> image(new std::uint8_t[size]);
    std::mt19937_64 random(7);
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t r = random();
        std::memcpy(image.get() + i, &r, 8);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ImageHash(image.get(), size, {}, {}, {static_cast<unsigned>(state.range(0))}));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
// On one thread and on every core (threads 0).
BENCHMARK(BM_ImageHash)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace
}  // namespace sorrel

BENCHMARK_MAIN();
