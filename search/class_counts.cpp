// The count: each word's class looked up in a table of all 65,536 words, and
// counted in one of eight sets of counters in turn, so that a run of words of
// one class (erased memory, a table of nop) does not wait on one counter.
#include "class_counts.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>
#include <vector>

#include "slice_scan.h"
#include "word_fields.h"

namespace sorrel {
namespace {

// Rows between two looks at the stop token and two progress reports.
constexpr std::uint64_t SliceRows = std::uint64_t{1} << 20;
// The rows of a whole-image count are cut into slices at multiples of this.
constexpr std::uint64_t CountAlign = 64;

// Counters by class number + 1; 0 for no class.
constexpr std::size_t Slots = InstructionClassCount + 1;

struct SlotTable {
    std::array<std::uint8_t, 65536> slotOf{};
    SlotTable() {
        for (unsigned w = 0; w < 65536; ++w) {
            slotOf[w] = static_cast<std::uint8_t>(ClassOfWord(static_cast<std::uint16_t>(w)) + 1);
        }
    }
};

const std::uint8_t* Slot() {
    static const SlotTable table;
    return table.slotOf.data();
}

// Counts the words first to end - 1, all decoded, into counts.
void CountWords(const std::uint8_t* bytes, std::uint64_t first, std::uint64_t end,
                ClassCounts& counts) {
    constexpr std::size_t Lanes = 8;
    std::array<std::array<std::uint64_t, Slots>, Lanes> lanes{};
    const std::uint8_t* const slot = Slot();
    std::uint64_t i = first;
    for (; i + Lanes <= end; i += Lanes) {
        for (std::size_t lane = 0; lane < Lanes; ++lane) {
            ++lanes[lane][slot[ImageWord(bytes, i + lane)]];
        }
    }
    for (; i < end; ++i) {
        ++lanes[0][slot[ImageWord(bytes, i)]];
    }
    for (const auto& lane : lanes) {
        counts.noClass += lane[0];
        for (std::size_t cls = 0; cls < counts.classes.size(); ++cls) {
            counts.classes[cls] += lane[cls + 1];
        }
    }
}

}  // namespace

std::uint64_t ClassCounts::total() const {
    return std::accumulate(classes.begin(), classes.end(), noClass + header);
}

ClassCounts& ClassCounts::operator+=(const ClassCounts& other) {
    for (std::size_t cls = 0; cls < classes.size(); ++cls) {
        classes[cls] += other.classes[cls];
    }
    noClass += other.noClass;
    header += other.header;
    return *this;
}

void CountClassesIn(const ListingRows& rows, std::uint64_t begin, std::uint64_t end,
                    ClassCounts& counts) {
    end = std::min(end, rows.rowCount());
    if (begin >= end) {
        return;
    }
    const std::uint64_t program = std::clamp(rows.base(), begin, end);  // the first decoded row
    counts.header += program - begin;
    CountWords(rows.bytes, program, end, counts);
}

ClassCounts CountClasses(const ListingRows& rows, std::stop_token stop, const ProgressFn& progress,
                         const SliceOptions& options) {
    const std::uint64_t total = rows.rowCount();
    const std::vector<SliceRange> slices = PlanSlices(0, total, CountAlign, options);
    std::vector<ClassCounts> counts(slices.size());
    RunSlices(slices, std::move(stop), SliceProgress{&progress, total, SliceRows, 0},
              [&](SliceContext& slice) {
                  ClassCounts& mine = counts[slice.index()];
                  ForEachStep(slice.range().begin, slice.range().end, SliceRows, false, slice,
                              [&](std::uint64_t b, std::uint64_t e) {
                                  CountClassesIn(rows, b, e, mine);
                                  return false;
                              });
              },
              {ThreadCount(options)});
    ClassCounts sum;
    for (const ClassCounts& part : counts) {
        sum += part;
    }
    return sum;
}

ClassCounts CountClasses(const ListingRows& rows, std::stop_token stop,
                         const ProgressFn& progress) {
    return CountClasses(rows, std::move(stop), progress, SliceOptions{});
}

ClassExample ExampleOfClass(InstructionClass cls) {
    if (cls < 0 || cls >= InstructionClassCount) {
        throw std::out_of_range("class " + std::to_string(cls) + " is out of range 0 to 55");
    }
    const std::string_view pattern = InstructionTable[static_cast<std::size_t>(cls)].pattern;
    unsigned word = 0;
    for (const char bit : pattern) {
        word = word * 2 + static_cast<unsigned>(bit - '0');
    }
    word <<= 16 - pattern.size();

    ClassExample example;
    example.word = static_cast<std::uint16_t>(word);
    const WordFields fields = FieldsOfWord(example.word);
    for (const WordField& field : fields) {
        if (!example.format.empty()) {
            example.format += ", ";
        }
        example.format += field.kindName;
        if (field.kind != FieldKind::Register) {
            example.format += " (" + std::to_string(field.width()) + ")";
        }
    }
    if (fields.count == 0) {
        example.format = "без операндов";
    }
    return example;
}

}  // namespace sorrel
