#include "listing_writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "byte_text.h"
#include "data_text.h"
#include "listing_text.h"
#include "posix_io.h"

namespace sorrel {

namespace {

constexpr std::size_t ShortTextCapacity = sizeof(ShortText{}.data);

// Image bytes listed between two looks at the stop token: a few milliseconds.
constexpr std::size_t ListingPiece = std::size_t{256} << 10;

// Appends a cell text at o; copies the whole fixed-size array, of which only
// size characters count.
char* Put(char* o, const ShortText& t) {
    std::memcpy(o, t.data.data(), ShortTextCapacity);
    return o + t.size;
}

}  // namespace

ListingWriter::ListingWriter(ListingMode mode, ListingSink sink, std::uint64_t startOffset,
                             ExtraColumns extra, const RowNotes* notes)
    : mode_(mode),
      raw_(mode == ListingMode::Raw),
      base_(mode == ListingMode::Raw ? 0 : HeaderWords),
      extra_(extra),
      notes_(notes),
      sink_(std::move(sink)),
      offset_(startOffset),
      out_(new char[BufferSize]) {
    if (mode_ == ListingMode::Bytes) {
        extra_.notes = false;
        byteBits_.reset(new ShortText[256]);
        for (int v = 0; v < 256; ++v) {
            byteBits_[v] = ByteCellText(0, static_cast<std::uint8_t>(v), 2);
        }
    } else {
        if (startOffset % 2 != 0) {
            throw std::invalid_argument("a word listing must start at an even offset");
        }
        makeWordTables();
    }
}

ListingWriter::~ListingWriter() = default;

bool ListingWriter::write(const std::uint8_t* data, std::size_t size) {
    if (failed_) {
        return false;
    }
    bytesIn_ += size;
    if (mode_ == ListingMode::Bytes) {
        writeBytes(data, size);
    } else {
        writeWords(data, size);
    }
    return !failed_;
}

bool ListingWriter::finish() {
    // A pending odd byte is dropped: it belongs to no word.
    if (!failed_ && used_ > 0) {
        flush();
    }
    return !failed_;
}

void ListingWriter::flush() {
    if (!sink_(std::string_view(out_.get(), used_))) {
        failed_ = true;
    }
    used_ = 0;
}

char* ListingWriter::writeCells(char* o, const ShortText& c0, const ShortText& c1,
                                const ShortText& c2) {
    o = Put(o, c0);
    *o++ = '\t';
    o = Put(o, c1);
    *o++ = '\t';
    return Put(o, c2);
}

char* ListingWriter::endLine(char* o, std::uint64_t row, unsigned value, std::size_t rowsLeft) {
    const bool bytes = mode_ == ListingMode::Bytes;
    if (extra_.hex) {
        *o++ = '\t';
        o = Put(o, bytes ? ByteHexText(static_cast<std::uint8_t>(value))
                         : WordHexText(static_cast<std::uint16_t>(value)));
    }
    if (extra_.text) {
        *o++ = '\t';
        o = Put(o, bytes ? ByteCharacterText(static_cast<std::uint8_t>(value))
                         : WordCharactersText(static_cast<std::uint16_t>(value)));
    }
    if (extra_.notes) {
        *o++ = '\t';
        notesText_.clear();
        if (notes_ != nullptr) {
            notes_->appendText(row, static_cast<std::uint16_t>(value), raw_, notesText_);
        }
        if (!notesText_.empty()) {
            const auto used = static_cast<std::size_t>(o - out_.get());
            if (used + notesText_.size() + (rowsLeft + 1) * maxLine() > BufferSize) {
                used_ = used;
                flush();
                o = out_.get();
                if (notesText_.size() + (rowsLeft + 1) * maxLine() > BufferSize) {
                    // Longer than the buffer: straight to the sink.
                    if (!failed_ && !sink_(notesText_)) {
                        failed_ = true;
                    }
                    notesText_.clear();
                }
            }
            std::memcpy(o, notesText_.data(), notesText_.size());
            o += notesText_.size();
        }
    }
    *o++ = '\n';
    return o;
}

void ListingWriter::writeWordRow(std::uint64_t row, std::uint16_t word) {
    char* o = out_.get() + used_;
    o = writeCells(o, ListingCellText(row, word, raw_, 0), ListingCellText(row, word, raw_, 1),
                   ListingCellText(row, word, raw_, 2));
    used_ = static_cast<std::size_t>(endLine(o, row, word, 0) - out_.get());
}

// Column 1 of a decoded row, the word's 16 bits, is the bits of its high byte
// then those of its low byte: two tables of 256 eight-character halves, cut
// from ListingCellText's own texts. Column 0 of the decoded rows of one block
// of 256 addresses differs only in the last two hexadecimal digits before the
// suffix (the number of digits grows only at a power of 16 from 10000h on,
// the start of a block): the table of those digit pairs, cut from the texts
// of the first block. The listing tests hold both shapes against
// ListingCellText at every kind of block.
void ListingWriter::makeWordTables() {
    bitHalves_.reset(new char[2 * 256 * 8]);
    lowDigits_.reset(new char[512]);
    for (int b = 0; b < 256; ++b) {
        const ShortText high = ListingCellText(base_, static_cast<std::uint16_t>(b << 8), raw_, 1);
        const ShortText low = ListingCellText(base_, static_cast<std::uint16_t>(b), raw_, 1);
        std::memcpy(&bitHalves_[8 * b], high.data.data(), 8);
        std::memcpy(&bitHalves_[2048 + 8 * b], low.data.data() + 8, 8);
        const ShortText address =
            ListingCellText(base_ + static_cast<std::uint64_t>(b), 0, raw_, 0);
        std::memcpy(&lowDigits_[2 * b], address.data.data() + address.size - 3, 2);
    }
}

// The text of column 0 for the first row of the block of row.
void ListingWriter::startBlock(std::uint64_t row) {
    block_ = (row - base_) >> 8;
    blockText_ = ListingCellText(base_ + (block_ << 8), 0, raw_, 0);
}

void ListingWriter::writeWords(const std::uint8_t* p, std::size_t n) {
    if (n == 0) {
        return;
    }
    if (hasPending_) {
        // The word split between the last piece and this one.
        const std::uint8_t pair[2] = {pending_, p[0]};
        hasPending_ = false;
        offset_ -= 1;
        writeWords(pair, 2);
        ++p;
        --n;
        if (failed_ || n == 0) {
            return;
        }
    }
    const std::uint8_t* const end = p + (n & ~std::size_t{1});
    std::uint64_t row = offset_ / 2;
    while (p != end) {
        if (used_ >= flushAt()) {
            flush();
            if (failed_) {
                return;
            }
        }
        if (row < base_) {
            // A header word: listed with its index, cell by cell.
            writeWordRow(row, ImageWord(p, 0));
            p += 2;
            ++row;
            continue;
        }
        if (((row - base_) >> 8) != block_) {
            startBlock(row);
        }
        // The rest of this block of addresses, or of the piece, in one run.
        std::size_t run = 256 - static_cast<std::size_t>((row - base_) & 0xFF);
        if (run > static_cast<std::size_t>(end - p) / 2) {
            run = static_cast<std::size_t>(end - p) / 2;
        }
        if (used_ + run * maxLine() > BufferSize) {
            flush();
            if (failed_) {
                return;
            }
        }
        // The loop of plain rows has no test for extra columns in it.
        p = extra_.any() ? writeRun<true>(p, run, row, end - 2)
                         : writeRun<false>(p, run, row, end - 2);
        row += run;
    }
    offset_ = 2 * row;
    if (n % 2 != 0) {
        hasPending_ = true;
        pending_ = *end;
        offset_ += 1;
    }
}

// Rows of one block of addresses; the buffer has room for run lines. last is
// the last word of the piece (for reading ahead). Extra: the extra columns
// are shown.
template <bool Extra>
const std::uint8_t* ListingWriter::writeRun(const std::uint8_t* p, std::size_t run,
                                            std::uint64_t row, const std::uint8_t* last) {
    constexpr std::ptrdiff_t Ahead = 64;  // words; the table is read in the image's order
    char* o = out_.get() + used_;
    const std::size_t len = blockText_.size;
    const char* digits = lowDigits_.get() + 2 * ((row - base_) & 0xFF);
    const char* const high = bitHalves_.get();
    const char* const low = bitHalves_.get() + 2048;
    const WordTexts texts = AllWordTexts();
    for (std::size_t i = 0; i < run; ++i, p += 2, digits += 2) {
        const std::uint8_t* later = last - p > 2 * Ahead ? p + 2 * Ahead : last;
        __builtin_prefetch(texts[ImageWord(later, 0)].data());
        const std::uint16_t word = ImageWord(p, 0);
        std::memcpy(o, blockText_.data.data(), ShortTextCapacity);
        o[len - 3] = digits[0];
        o[len - 2] = digits[1];
        o += len;
        *o++ = '\t';
        std::memcpy(o, high + 8 * (word >> 8), 8);
        std::memcpy(o + 8, low + 8 * (word & 0xFF), 8);
        o += 16;
        *o++ = '\t';
        // Column 2 of a decoded row depends on the word alone: the decoder's
        // text, copied whole (its table is padded for a copy of this size).
        const std::string_view text = texts[word];
        std::memcpy(o, text.data(), ShortTextCapacity);
        o += text.size();
        if constexpr (Extra) {
            o = endLine(o, row + i, word, run - i - 1);
        } else {
            *o++ = '\n';
        }
    }
    used_ = static_cast<std::size_t>(o - out_.get());
    return p;
}

void ListingWriter::writeBytes(const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i, ++offset_) {
        const std::uint8_t byte = p[i];
        char* o = writeCells(out_.get() + used_, ByteCellText(offset_, byte, 0),
                             ByteCellText(offset_, byte, 1), byteBits_[byte]);
        used_ = static_cast<std::size_t>(endLine(o, offset_, byte, 0) - out_.get());
        if (used_ >= flushAt()) {
            flush();
            if (failed_) {
                return;
            }
        }
    }
}

std::string ListingOf(const std::uint8_t* data, std::size_t size, ListingMode mode,
                      ExtraColumns extra, const RowNotes* notes) {
    std::string text;
    ListingWriter writer(
        mode,
        [&text](std::string_view piece) {
            text.append(piece);
            return true;
        },
        0, extra, notes);
    writer.write(data, size);
    writer.finish();
    return text;
}

bool WriteListing(int fd, const ListingDocument& document, ListingSpan span, std::stop_token stop,
                  const ProgressFn& progress) {
    const ImageData& image = *document.image();
    int error = 0;
    ListingWriter writer(
        document.mode(),
        [fd, &error](std::string_view text) {
            error = WriteAll(fd, text);
            return error == 0;
        },
        span.offset, document.extra(), document.notes().get());
    for (std::uint64_t done = 0; done < span.size;) {
        if (stop.stop_requested()) {
            return false;
        }
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(ListingPiece, span.size - done));
        if (!writer.write(image.data() + span.offset + done, piece)) {
            throw std::system_error(error, std::generic_category());
        }
        done += piece;
        if (progress) {
            progress(done, span.size);
        }
    }
    if (!writer.finish()) {
        throw std::system_error(error, std::generic_category());
    }
    return true;
}

}  // namespace sorrel
