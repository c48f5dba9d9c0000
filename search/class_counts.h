// The classes of an image's words: how many of each of the 56 instruction
// classes it holds, how many of no class, and how many header words (in an
// image with a header its first 256 words are never decoded, so they count
// apart, whatever their bits); and, for the classes window, an example word
// of each class with its operand format.
//
// The count reads each word once and looks its class up in a table, as the
// scans of scan.h do: thread-safe, the image unchanged and alive until it
// returns. CountClassesIn counts a range of rows into counts, so that slices
// of the image counted apart add up to the whole; the whole-image count looks
// at its stop token and reports its progress (rows done, rows in all) about
// every million rows, and returns the counts so far when a stop is requested
// (its caller tells that from a finished count by its token).
#pragma once

#include <array>
#include <cstdint>
#include <stop_token>
#include <string>

#include "listing_text.h"
#include "parallel_slices.h"
#include "progress.h"
#include "sorrel_support.h"

namespace sorrel {

struct ClassCounts {
    std::array<std::uint64_t, InstructionClassCount> classes{};  // by class number
    std::uint64_t noClass = 0;                                   // decoded words of no class
    std::uint64_t header = 0;                                    // header words

    // Every word counted.
    std::uint64_t total() const;
    ClassCounts& operator+=(const ClassCounts& other);
    bool operator==(const ClassCounts&) const = default;
};

// Adds the rows begin to end - 1 of rows (end cut to rowCount()) to counts.
void CountClassesIn(const ListingRows& rows, std::uint64_t begin, std::uint64_t end,
                    ClassCounts& counts);

// The counts of every row of rows, on every core in slices.
ClassCounts CountClasses(const ListingRows& rows, std::stop_token stop = {},
                         const ProgressFn& progress = {});
// The same on options.threads threads.
ClassCounts CountClasses(const ListingRows& rows, std::stop_token stop, const ProgressFn& progress,
                         const SliceOptions& options);

struct ClassExample {
    std::uint16_t word = 0;  // the smallest word of the class: its pattern, then zeros
    // Its operand fields in the order the disassembly shows them, in Russian:
    // the kind of each (FieldKindName), with its width in bits in
    // parentheses but for a register, always five: "регистр, биты (8)",
    // "число (3), байт (8)", "адрес перехода (10)"; "без операндов" for a
    // class without operand bits.
    std::string format;
};

// The example of class cls, 0 to InstructionClassCount - 1.
ClassExample ExampleOfClass(InstructionClass cls);

}  // namespace sorrel
