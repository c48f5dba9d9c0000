// Strings: the runs of characters in an image read as text, for reading data
// as well as code.
//
// A character is a byte of the text set of data_text.h (IsTextByte: printable
// ASCII 20h to 7Eh, C0h to FFh the Cyrillic letters of Windows-1251, A8h Ё and
// B8h ё). An image is read in one of two packings:
// - Bytes: one character a byte; every byte of the image is a unit, a last
//   odd byte included;
// - Words: one character a word, its low byte the character and its high
//   byte zero ("A\0B\0"); every whole word is a unit, and a last odd byte
//   belongs to none.
// A string is a maximal run of at least StringMinimum consecutive units that
// are all characters, but for a run of bytes that are all FFh: erased memory,
// which would read as "яяяя", is no string (one character a word, FFh is
// 00FFh, never erased). Only its place is kept (its offset and its length); its
// text is made on demand from the image (StringText).
//
// Scans, as those of scan.h: each reads every unit of its range once and
// makes no text; the whole-image scan looks at its stop token and reports its
// progress (units done, units in all) about every million units, and returns
// at once with the strings found so far when a stop is requested (its caller
// tells that from a finished scan by its token). Thread-safe: any number may
// run at once over the same image, which must stay unchanged and alive until
// they return.
//
// Scans over ranges, for a scan spread over threads in slices: ScanStrings
// scans a range given the run left open at its beginning (the carry) and
// gives the run left open at its end. A slice that starts mid-image makes
// its carry with OpenStringAt; every string then ends in exactly one slice,
// which adds it, so the lists of consecutive slices joined in order are the
// list of the whole range, and the last slice's open run is closed with
// CloseString.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "parallel_slices.h"
#include "progress.h"
#include "scan.h"

namespace sorrel {

enum class StringPacking : std::uint8_t {
    Bytes,  // one character a byte
    Words,  // one character a word: the low byte, with the high byte zero
};

// The shortest string, in characters.
inline constexpr std::uint64_t StringMinimum = 4;

// A string: where its first character lies and how many it has. Both fit 32
// bits, since an image holds at most MaxImageSize bytes.
struct StringRun {
    std::uint32_t offset = 0;  // in bytes from the image's start
    std::uint32_t length = 0;  // in characters (units)
    bool operator==(const StringRun&) const = default;
};

struct StringList {
    std::vector<StringRun> runs;  // in offset order
    // More strings than the limit: runs holds the first `limit` of them and
    // the scan stopped at the next one.
    bool limited = false;
};

// An image read as units of one packing; at most MaxImageSize bytes, so that
// the places of its strings fit StringRun.
struct StringSource {
    const std::uint8_t* bytes = nullptr;
    std::uint64_t size = 0;  // bytes
    StringPacking packing = StringPacking::Bytes;

    std::uint64_t unitBytes() const { return packing == StringPacking::Words ? 2 : 1; }
    // Units of the image: its bytes, or its whole words.
    std::uint64_t unitCount() const { return size / unitBytes(); }
};

// The run of characters open at a boundary between two ranges: the units from
// start up to the boundary, all characters, and the unit before start none
// (or start is 0). None is open ({0, 0}) when the unit before the boundary is
// no character.
struct OpenString {
    std::uint64_t start = 0;   // a unit
    std::uint64_t length = 0;  // units
    bool operator==(const OpenString&) const = default;
};

// Scans units begin to end - 1 (end at most source.unitCount()) after open,
// the run open at begin (open.start + open.length == begin when its length
// is not 0): adds to list, up to limit, every string that ends inside the
// range, that is whose last character is followed by a unit that is none
// before end, and returns the run open at end. Stops at the string that
// would pass the limit, setting list.limited; what it then returns means
// nothing.
OpenString ScanStrings(const StringSource& source, std::uint64_t begin, std::uint64_t end,
                       OpenString open, std::uint64_t limit, StringList& list);

// The run open at unit begin, as a scan from unit 0 would carry it: reads
// back from begin - 1 to the run's first character (so as far as that run
// goes).
OpenString OpenStringAt(const StringSource& source, std::uint64_t begin);

// Ends a scan at the image's end: adds open to list when it is a string,
// up to limit.
void CloseString(const StringSource& source, OpenString open, std::uint64_t limit,
                 StringList& list);

// Every string of the image, up to limit, on every core in slices. Throws
// std::length_error for an image larger than MaxImageSize.
StringList FindStrings(const StringSource& source, std::uint64_t limit = FindAllLimit,
                       std::stop_token stop = {}, const ProgressFn& progress = {});
// The same on options.threads threads.
StringList FindStrings(const StringSource& source, std::uint64_t limit, std::stop_token stop,
                       const ProgressFn& progress, const SliceOptions& options);

// The text of a string of the image as UTF-8 (each character by
// ByteCharacter), its first maxCharacters characters when it has more.
std::string StringText(const StringSource& source, StringRun run,
                       std::uint64_t maxCharacters = UINT64_MAX);

// The row where a string begins in the main listing (the word that holds its
// first character) and in the byte-order listing (its first byte).
constexpr std::uint64_t WordRowOfString(StringRun run) {
    return run.offset / 2;
}
constexpr std::uint64_t ByteRowOfString(StringRun run) {
    return run.offset;
}

}  // namespace sorrel
