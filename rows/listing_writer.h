// The text of sorrel-dis: the listing of an image streamed from its bytes,
// one row a line, the cell texts joined by a tab: the three columns, then
// those shown on request ("Hex", "Текст", the notes). The cell texts come from
// ListingCellText, ByteCellText and the texts of data_text.h, the same
// functions that fill the windows' grids, so the lister and the windows
// cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <stop_token>

#include "image_snapshot.h"
#include "listing_columns.h"
#include "listing_document.h"
#include "listing_mode.h"
#include "progress.h"
#include "sorrel_support.h"

namespace sorrel {

// Receives the listing in large pieces. Returns false when the text cannot be
// delivered any more (the reader has gone); the writer then stops.
using ListingSink = std::function<bool(std::string_view)>;

class ListingWriter {
  public:
    // startOffset is the offset of the first byte that write() receives within
    // the image (0 for a whole image); it must be even in the word modes.
    // extra: the columns shown on request; the notes column is that of notes
    // (empty without them), and never in the byte-order listing. notes must
    // outlive the writer.
    explicit ListingWriter(ListingMode mode, ListingSink sink, std::uint64_t startOffset = 0,
                           ExtraColumns extra = {}, const RowNotes* notes = nullptr);
    ~ListingWriter();
    ListingWriter(const ListingWriter&) = delete;
    ListingWriter& operator=(const ListingWriter&) = delete;

    // Lists the next size bytes of the image. Any division of the image into
    // pieces gives the same text. Returns false once the sink has refused.
    bool write(const std::uint8_t* data, std::size_t size);
    // Hands the rest of the text to the sink. In the word modes a last odd
    // byte belongs to no word and is not listed. Returns false if the sink
    // refused now or before.
    bool finish();

    // Bytes received by write() so far.
    std::uint64_t bytesIn() const { return bytesIn_; }

  private:
    void writeWords(const std::uint8_t* data, std::size_t size);
    void writeBytes(const std::uint8_t* data, std::size_t size);
    void writeWordRow(std::uint64_t row, std::uint16_t word);
    // The three cells of a row, then the extra columns and the line feed.
    char* writeCells(char* o, const ShortText& c0, const ShortText& c1, const ShortText& c2);
    // The extra columns of a row (the hex and text ones; the notes one,
    // flushing first when the text does not fit) and the line feed. rowsLeft:
    // the rows of the run after this one, whose room is kept.
    char* endLine(char* o, std::uint64_t row, unsigned value, std::size_t rowsLeft);
    template <bool Extra>
    const std::uint8_t* writeRun(const std::uint8_t* p, std::size_t run, std::uint64_t row,
                                 const std::uint8_t* last);
    void makeWordTables();
    void startBlock(std::uint64_t row);
    void flush();

    static constexpr std::size_t BufferSize = std::size_t{1} << 17;

    // The longest line but for its notes: the cell texts with their full
    // fixed-size copies, the tabs and the line feed.
    std::size_t maxLine() const {
        return 3 * 32 + 3 + (extra_.hex ? 33 : 0) + (extra_.text ? 33 : 0) + (extra_.notes ? 1 : 0);
    }
    std::size_t flushAt() const { return BufferSize - maxLine(); }

    ListingMode mode_;
    bool raw_;
    std::uint64_t base_;
    ExtraColumns extra_;
    const RowNotes* notes_;
    std::string notesText_;  // the notes of the row being written
    ListingSink sink_;
    bool failed_ = false;
    std::uint64_t bytesIn_ = 0;
    std::uint64_t offset_;  // image offset of the next byte
    bool hasPending_ = false;
    std::uint8_t pending_ = 0;  // first byte of a word split between two pieces

    std::unique_ptr<char[]> out_;
    std::size_t used_ = 0;

    // Column 1 in halves: the bits of each high byte, then of each low byte.
    std::unique_ptr<char[]> bitHalves_;
    // Column 0 of decoded rows in blocks of 256: the text of the block's first
    // row, whose last two digits the rows of the block replace with theirs.
    ShortText blockText_;
    std::uint64_t block_ = UINT64_MAX;   // (row - base) / 256 of blockText_
    std::unique_ptr<char[]> lowDigits_;  // 256 pairs: the last two digits of 0..255
    // The eight bits of each byte value (column 2 of the byte-order listing).
    std::unique_ptr<ShortText[]> byteBits_;
};

// The whole listing of an image held in memory, as one text.
std::string ListingOf(const std::uint8_t* data, std::size_t size, ListingMode mode,
                      ExtraColumns extra = {}, const RowNotes* notes = nullptr);

// Writes the listing of span of document (its mode, its columns, its notes)
// to the descriptor fd, as sorrel-dis writes it; progress counts the span's
// bytes. Returns false when it stopped early on stop. Throws
// std::system_error with the errno of a write that failed. For a worker
// thread.
bool WriteListing(int fd, const ListingDocument& document, ListingSpan span, std::stop_token stop,
                  const ProgressFn& progress);

}  // namespace sorrel
