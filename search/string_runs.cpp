// The strings: 64 units at a time made into a mask of their characters by a
// 256-entry table, and the runs read off the mask with bit operations. A
// block with no character costs its 64 lookups and one test; only blocks with
// a run of four characters or more, or a run at their edges, look at their
// runs one by one.
#include "string_runs.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "data_text.h"
#include "image_snapshot.h"

namespace sorrel {
namespace {

// Units between two looks at the stop token and two progress reports.
constexpr std::uint64_t SliceUnits = std::uint64_t{1} << 20;

constexpr unsigned BlockUnits = 64;

// Erased memory: bytes all FFh, which read as "яяяя" but hold no text.
// Eight bytes at a time: a run of erased memory may be the whole image.
bool IsErased(const std::uint8_t* bytes, std::uint64_t length) {
    std::uint64_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, bytes + i, sizeof eight);
        if (eight != ~std::uint64_t{0}) {
            return false;
        }
    }
    return std::all_of(bytes + i, bytes + length, [](std::uint8_t b) { return b == 0xFF; });
}

// The text set, looked up for eight units at a time: row b, column j holds
// bit j when the byte b is a character, so that the bits of eight units are
// eight loads or'ed together, with no shift. 2 KiB, in the L1 cache.
struct TextRow {
    std::array<std::uint8_t, 8> bit{};
};

struct TextTable {
    std::array<TextRow, 256> rows{};
    TextTable() {
        for (unsigned b = 0; b < 256; ++b) {
            for (unsigned j = 0; j < 8; ++j) {
                rows[b].bit[j] =
                    static_cast<std::uint8_t>(IsTextByte(static_cast<std::uint8_t>(b)) << j);
            }
        }
    }
};

const TextRow* Table() {
    static const TextTable table;
    return table.rows.data();
}

// Bit i set when unit i of the count (at most 64) units from p on is a
// character; the bits from count on are clear.
template <StringPacking Packing>
inline std::uint64_t CharacterMask(const std::uint8_t* p, unsigned count, const TextRow* table) {
    std::uint64_t mask = 0;
    if constexpr (Packing == StringPacking::Bytes) {
        if (count == BlockUnits) [[likely]] {
            for (unsigned i = 0; i < BlockUnits; i += 8) {
                const std::uint8_t* q = p + i;
                const unsigned eight = table[q[0]].bit[0] | table[q[1]].bit[1] |
                                       table[q[2]].bit[2] | table[q[3]].bit[3] |
                                       table[q[4]].bit[4] | table[q[5]].bit[5] |
                                       table[q[6]].bit[6] | table[q[7]].bit[7];
                mask |= std::uint64_t{eight} << i;
            }
            return mask;
        }
        for (unsigned i = 0; i < count; ++i) {
            mask |= std::uint64_t{table[p[i]].bit[0]} << i;
        }
    } else {
        // A word is a character when its high byte is zero and its low byte
        // one.
        const auto unit = [p, table](unsigned i, unsigned j) {
            const std::uint8_t* q = p + 2 * i;
            return table[q[0]].bit[j] & (q[1] == 0 ? 0xFFu : 0u);
        };
        if (count == BlockUnits) [[likely]] {
            for (unsigned i = 0; i < BlockUnits; i += 8) {
                const unsigned eight = unit(i, 0) | unit(i + 1, 1) | unit(i + 2, 2) |
                                       unit(i + 3, 3) | unit(i + 4, 4) | unit(i + 5, 5) |
                                       unit(i + 6, 6) | unit(i + 7, 7);
                mask |= std::uint64_t{eight} << i;
            }
            return mask;
        }
        for (unsigned i = 0; i < count; ++i) {
            mask |= std::uint64_t{unit(i, 0)} << i;
        }
    }
    return mask;
}

// Adds the strings of one range to a list, carrying the open run.
class Collector {
  public:
    // erased: the image's bytes when a run of FFh bytes alone is no string
    // (one character a byte), or null.
    Collector(OpenString open, std::uint64_t limit, std::uint64_t unitBytes,
              const std::uint8_t* erased, StringList& list)
        : open_(open), limit_(limit), unitBytes_(unitBytes), erased_(erased), list_(list) {}

    // Takes the mask of the count units from base on; false once the limit
    // has been passed.
    [[gnu::always_inline]] bool block(std::uint64_t mask, unsigned count, std::uint64_t base) {
        if (mask == 0) [[likely]] {
            return open_.length == 0 || closeOpen();
        }
        const std::uint64_t full =
            count == BlockUnits ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
        if (mask == full) {
            if (open_.length == 0) {
                open_.start = base;
            }
            open_.length += count;
            return true;
        }
        // The characters at the block's start end the open run, or are one.
        const auto lead = static_cast<unsigned>(std::countr_one(mask));  // below count
        if (lead != 0 || open_.length != 0) {
            if (open_.length == 0) {
                open_.start = base;
            }
            open_.length += lead;
            if (!closeOpen()) {
                return false;
            }
        }
        std::uint64_t rest = mask & (mask + 1);  // without the leading characters
        // The characters at the block's end open a run.
        const auto tail = static_cast<unsigned>(std::countl_one(rest << (BlockUnits - count)));
        if (tail != 0) {
            open_ = {base + count - tail, tail};
            rest &= ~(((std::uint64_t{1} << tail) - 1) << (count - tail));
        }
        // Runs inside the block, with no character on either side: those of
        // four or more begin where a bit of `first` is set, and each ends at
        // the first bit of `last` from there on.
        static_assert(StringMinimum == 4);
        std::uint64_t first = rest & (rest >> 1) & (rest >> 2) & (rest >> 3) & ~(rest << 1);
        const std::uint64_t last = rest & ~(rest >> 1);
        for (; first != 0; first &= first - 1) {
            const auto at = static_cast<unsigned>(std::countr_zero(first));
            if (!add(base + at, static_cast<unsigned>(std::countr_zero(last >> at)) + 1)) {
                return false;
            }
        }
        return true;
    }

    OpenString open() const { return open_; }

    [[gnu::always_inline]] bool closeOpen() {
        const OpenString run = open_;
        open_ = {};
        return run.length < StringMinimum || add(run.start, run.length);
    }

  private:
    [[gnu::always_inline]] bool add(std::uint64_t start, std::uint64_t length) {
        if (erased_ != nullptr && IsErased(erased_ + start, length)) {
            return true;
        }
        if (list_.runs.size() >= limit_) {
            list_.limited = true;
            return false;
        }
        list_.runs.push_back(
            {static_cast<std::uint32_t>(start * unitBytes_), static_cast<std::uint32_t>(length)});
        return true;
    }

    OpenString open_;
    std::uint64_t limit_;
    std::uint64_t unitBytes_;
    const std::uint8_t* erased_;
    StringList& list_;
};

template <StringPacking Packing>
OpenString Scan(const StringSource& source, std::uint64_t begin, std::uint64_t end, OpenString open,
                std::uint64_t limit, StringList& list) {
    constexpr std::uint64_t unitBytes = Packing == StringPacking::Words ? 2 : 1;
    const TextRow* const table = Table();
    const std::uint8_t* const bytes = source.bytes;
    Collector collector(open, limit, unitBytes, Packing == StringPacking::Bytes ? bytes : nullptr,
                        list);
    std::uint64_t at = begin;
    for (; at + BlockUnits <= end; at += BlockUnits) {
        const std::uint64_t mask =
            CharacterMask<Packing>(bytes + unitBytes * at, BlockUnits, table);
        if (!collector.block(mask, BlockUnits, at)) {
            return {};
        }
    }
    if (at < end) {
        const auto count = static_cast<unsigned>(end - at);
        if (!collector.block(CharacterMask<Packing>(bytes + unitBytes * at, count, table), count,
                             at)) {
            return {};
        }
    }
    return collector.open();
}

}  // namespace

OpenString ScanStrings(const StringSource& source, std::uint64_t begin, std::uint64_t end,
                       OpenString open, std::uint64_t limit, StringList& list) {
    end = std::min(end, source.unitCount());
    if (begin >= end) {
        return open;
    }
    return source.packing == StringPacking::Words
               ? Scan<StringPacking::Words>(source, begin, end, open, limit, list)
               : Scan<StringPacking::Bytes>(source, begin, end, open, limit, list);
}

OpenString OpenStringAt(const StringSource& source, std::uint64_t begin) {
    begin = std::min(begin, source.unitCount());
    const TextRow* const table = Table();
    std::uint64_t start = begin;
    while (start > 0) {
        const auto count = static_cast<unsigned>(std::min<std::uint64_t>(start, BlockUnits));
        const std::uint8_t* p = source.bytes + source.unitBytes() * (start - count);
        const std::uint64_t mask = source.packing == StringPacking::Words
                                       ? CharacterMask<StringPacking::Words>(p, count, table)
                                       : CharacterMask<StringPacking::Bytes>(p, count, table);
        // The characters at the end of these count units.
        const auto back = static_cast<unsigned>(std::countl_one(mask << (BlockUnits - count)));
        start -= back;
        if (back < count) {
            break;
        }
    }
    return start == begin ? OpenString{} : OpenString{start, begin - start};
}

void CloseString(const StringSource& source, OpenString open, std::uint64_t limit,
                 StringList& list) {
    Collector collector(open, limit, source.unitBytes(),
                        source.packing == StringPacking::Bytes ? source.bytes : nullptr, list);
    collector.closeOpen();
}

namespace {

// The first unit from begin on (before end) that is no character; end when
// all are.
std::uint64_t FirstNonCharacter(const StringSource& source, std::uint64_t begin,
                                std::uint64_t end) {
    const TextRow* const table = Table();
    for (std::uint64_t at = begin; at < end;) {
        const auto count = static_cast<unsigned>(std::min<std::uint64_t>(end - at, BlockUnits));
        const std::uint8_t* p = source.bytes + source.unitBytes() * at;
        const std::uint64_t mask = source.packing == StringPacking::Words
                                       ? CharacterMask<StringPacking::Words>(p, count, table)
                                       : CharacterMask<StringPacking::Bytes>(p, count, table);
        const auto lead = static_cast<unsigned>(std::countr_one(mask));
        if (lead < count) {
            return at + lead;
        }
        at += count;
    }
    return end;
}

// What one slice of a sliced FindStrings found. A slice after the first
// leaves the characters at its start (its prefix) to the merge, which joins
// them to the run open at the end of the slice before: so no slice reads
// back into another, however long a run (a whole image of FFh) is.
struct SliceStrings {
    StringList list;           // the strings that begin after the prefix
    std::uint64_t prefix = 0;  // characters at the slice's start (slices after the first)
    bool prefixKnown = false;  // the prefix was read to its end
    bool whole = false;        // every unit of the slice is a character
    OpenString open;           // the run open at the slice's end
    bool done = false;         // the slice ran to its end
};

}  // namespace

StringList FindStrings(const StringSource& source, std::uint64_t limit, std::stop_token stop,
                       const ProgressFn& progress, const SliceOptions& options) {
    if (source.size > MaxImageSize) {
        throw std::length_error("an image of more than 4 GiB - 1 bytes has no strings listed");
    }
    const std::uint64_t units = source.unitCount();
    const std::vector<SliceRange> slices = PlanSlices(0, units, BlockUnits, options);
    std::vector<SliceStrings> parts(slices.size());
    // The strings each slice holds so far: a slice stops once it and those
    // before it hold more than limit, as FindAll's slices do.
    std::vector<std::atomic<std::uint64_t>> found(slices.size());
    RunSlices(slices, std::move(stop), SliceProgress{&progress, units, SliceUnits, 0},
              [&](SliceContext& slice) {
                  SliceStrings& part = parts[slice.index()];
                  StringList& list = part.list;
                  const SliceRange range = slice.range();
                  std::uint64_t at = range.begin;
                  if (slice.index() > 0) {
                      while (!part.prefixKnown) {
                          if (slice.stopped()) {
                              return;
                          }
                          const std::uint64_t end = std::min(range.end, at + SliceUnits);
                          const std::uint64_t other = FirstNonCharacter(source, at, end);
                          part.prefixKnown = other < end || end == range.end;
                          slice.advance(other - at);
                          at = other;
                      }
                      part.prefix = at - range.begin;
                      part.whole = at == range.end;
                  }
                  const auto enough = [&] {
                      std::uint64_t sum = list.runs.size();
                      for (std::size_t i = 0; i < slice.index(); ++i) {
                          sum += found[i].load(std::memory_order_relaxed);
                      }
                      return sum > limit || slice.stopped();
                  };
                  OpenString open;
                  const std::uint64_t first = at;
                  while (at < range.end) {
                      if (enough()) {
                          return;
                      }
                      const std::uint64_t end = std::min(range.end, at + SliceUnits);
                      open = ScanStrings(source, at, end, open, limit, list);
                      if (list.limited) {
                          found[slice.index()].store(limit + 1, std::memory_order_relaxed);
                          return;
                      }
                      if (at == first && !list.runs.empty() && end < range.end) {
                          // Room once for as many strings as the first step
                          // foretells: a list that grows by doubling costs a
                          // large image twice the pages and the copies.
                          const double foretold = static_cast<double>(list.runs.size()) *
                                                  static_cast<double>(range.end - first) /
                                                  static_cast<double>(end - at);
                          list.runs.reserve(static_cast<std::size_t>(
                              std::min(static_cast<double>(limit), foretold * 1.25 + 1024.0)));
                      }
                      found[slice.index()].store(list.runs.size(), std::memory_order_relaxed);
                      slice.advance(end - at);
                      at = end;
                  }
                  part.open = open;
                  part.done = true;
              },
              {ThreadCount(options)});
    // The slices' strings in order, each slice's prefix joined to the run
    // open before it; then the first limit of them.
    if (parts.empty()) {
        return {};
    }
    // One string more than the limit tells that there are more.
    const std::uint64_t keep = limit < UINT64_MAX ? limit + 1 : limit;
    StringList result = std::move(parts[0].list);
    if (parts.size() > 1) {
        std::size_t total = result.runs.size() + parts.size();
        for (std::size_t i = 1; i < parts.size(); ++i) {
            total += parts[i].list.runs.size();
        }
        result.runs.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(total, keep)));
    }
    OpenString carry = parts[0].open;
    bool complete = parts[0].done && !result.limited;
    for (std::size_t i = 1; i < parts.size() && complete; ++i) {
        SliceStrings& part = parts[i];
        if (!part.prefixKnown) {
            complete = false;
            break;
        }
        if (part.prefix > 0) {
            if (carry.length == 0) {
                carry.start = slices[i].begin;
            }
            carry.length += part.prefix;
        }
        if (part.whole) {
            continue;  // the run goes on into the next slice
        }
        CloseString(source, carry, UINT64_MAX, result);
        carry = {};
        const std::uint64_t room = keep - std::min<std::uint64_t>(keep, result.runs.size());
        const auto take =
            static_cast<std::size_t>(std::min<std::uint64_t>(room, part.list.runs.size()));
        result.runs.insert(result.runs.end(), part.list.runs.begin(),
                           part.list.runs.begin() + static_cast<std::ptrdiff_t>(take));
        result.limited = part.list.limited;
        part.list = {};
        complete = part.done && !result.limited && result.runs.size() <= limit;
        carry = part.open;
    }
    if (complete) {
        CloseString(source, carry, UINT64_MAX, result);
    }
    if (result.runs.size() > limit) {
        result.runs.resize(static_cast<std::size_t>(limit));
        result.limited = true;
    }
    return result;
}

StringList FindStrings(const StringSource& source, std::uint64_t limit, std::stop_token stop,
                       const ProgressFn& progress) {
    return FindStrings(source, limit, std::move(stop), progress, SliceOptions{});
}

std::string StringText(const StringSource& source, StringRun run, std::uint64_t maxCharacters) {
    const std::uint64_t step = source.unitBytes();
    const std::uint64_t count = std::min<std::uint64_t>(run.length, maxCharacters);
    std::string text;
    text.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, 1 << 20)));
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t offset = run.offset + i * step;
        if (offset >= source.size) {
            break;
        }
        text += ByteCharacter(source.bytes[offset]);
    }
    return text;
}

}  // namespace sorrel
