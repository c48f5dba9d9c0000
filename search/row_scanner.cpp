#include "row_scanner.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "text_in_bytes.h"
#include "word_sets.h"

namespace sorrel {

namespace {

// The scanner of one kind of listing: Rows (ListingRows, ByteRows) of the
// document, matched with the set that decide makes of the query once.
template <typename Rows, typename Match>
class DocumentScanner : public RowScanner {
  public:
    using Decide = std::function<Match(const Query&)>;

    DocumentScanner(std::shared_ptr<const ListingDocument> document, Rows rows, Query query,
                    Decide decide)
        : document_(std::move(document)),
          rows_(rows),
          query_(std::move(query)),
          decide_(std::move(decide)) {}

    std::uint64_t rowCount() const override { return rows_.rowCount(); }
    std::optional<std::uint64_t> next(std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress) const override {
        return FindNext(rows_, match(), begin, end, std::move(stop), progress);
    }
    std::optional<std::uint64_t> previous(std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop,
                                          const ProgressFn& progress) const override {
        return FindPrevious(rows_, match(), begin, end, std::move(stop), progress);
    }
    RowList all(std::uint64_t limit, std::stop_token stop,
                const ProgressFn& progress) const override {
        return FindAll(rows_, match(), limit, std::move(stop), progress);
    }

  protected:
    const Match& match() const {
        std::call_once(decided_,
                       [this] { match_ = std::make_unique<const Match>(decide_(query_)); });
        return *match_;
    }

    std::shared_ptr<const ListingDocument> document_;  // holds the bytes rows_ point into
    Rows rows_;
    Query query_;

  private:
    Decide decide_;
    mutable std::once_flag decided_;
    mutable std::unique_ptr<const Match> match_;
};

using ByteScanner = DocumentScanner<ByteRows, ByteSet>;

// The main listing with its notes column shown: a row with a note of its own
// also matches when its notes text does; every other row's cells depend on
// its word alone, and the word set decides them.
class NotedScanner final : public DocumentScanner<ListingRows, ListingMatch> {
  public:
    using DocumentScanner::DocumentScanner;

    std::optional<std::uint64_t> next(std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress) const override {
        const std::optional<std::uint64_t> byWord =
            DocumentScanner::next(begin, end, stop, progress);
        const std::uint64_t limit = std::min(byWord.value_or(end), rowCount());
        const RowNotes& notes = *document_->notes();
        for (std::optional<std::uint64_t> row = notes.nextNotedRow(begin); row && *row < limit;
             row = notes.nextNotedRow(*row + 1)) {
            if (notesMatch(*row)) {
                return row;
            }
        }
        return byWord;
    }

    std::optional<std::uint64_t> previous(std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop,
                                          const ProgressFn& progress) const override {
        const std::optional<std::uint64_t> byWord =
            DocumentScanner::previous(begin, end, stop, progress);
        const std::uint64_t floor = byWord ? *byWord + 1 : begin;
        const RowNotes& notes = *document_->notes();
        for (std::optional<std::uint64_t> row = notes.previousNotedRow(std::min(end, rowCount()));
             row && *row >= floor; row = notes.previousNotedRow(*row)) {
            if (notesMatch(*row)) {
                return row;
            }
        }
        return byWord;
    }

    RowList all(std::uint64_t limit, std::stop_token stop,
                const ProgressFn& progress) const override {
        RowList byWord = DocumentScanner::all(limit, stop, progress);
        // Rows the word set did not reach (past the last of a limited list)
        // are not looked at either.
        const std::uint64_t reach =
            byWord.limited && !byWord.rows.empty() ? byWord.rows.back() + 1 : rowCount();
        std::vector<std::uint64_t> noted;
        const RowNotes& notes = *document_->notes();
        for (std::optional<std::uint64_t> row = notes.nextNotedRow(0); row && *row < reach;
             row = notes.nextNotedRow(*row + 1)) {
            if (stop.stop_requested()) {
                return byWord;
            }
            if (notesMatch(*row)) {
                noted.push_back(*row);
            }
        }
        RowList all;
        all.rows.reserve(byWord.rows.size() + noted.size());
        std::set_union(byWord.rows.begin(), byWord.rows.end(), noted.begin(), noted.end(),
                       std::back_inserter(all.rows));
        all.limited = byWord.limited || all.rows.size() > limit;
        if (all.rows.size() > limit) {
            all.rows.resize(limit);
        }
        return all;
    }

  private:
    bool notesMatch(std::uint64_t row) const {
        std::string text;
        document_->notes()->appendText(row, rows_.word(row), rows_.raw, text);
        return query_.matches(text);
    }
};

using WordScanner = DocumentScanner<ListingRows, ListingMatch>;

// A scanner that also finds a text across the rows of the text column: a row
// matches when its cells do, or when the text's first byte stands in it.
class TextRowsScanner final : public RowScanner {
  public:
    TextRowsScanner(std::shared_ptr<const RowScanner> cells,
                    std::shared_ptr<const ListingDocument> document, TextInBytes text)
        : cells_(std::move(cells)),
          document_(std::move(document)),
          text_(std::move(text)),
          unit_(document_->listsBytes() ? 1 : 2) {}

    std::uint64_t rowCount() const override { return cells_->rowCount(); }
    std::optional<std::uint64_t> next(std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress) const override {
        const std::optional<std::uint64_t> byCells = cells_->next(begin, end, stop, progress);
        const std::uint64_t limit = byCells.value_or(std::min(end, rowCount()));
        const auto offset = text_.first(bytes(), size(), begin * unit_, limit * unit_, stop);
        return offset ? std::optional<std::uint64_t>(*offset / unit_) : byCells;
    }
    std::optional<std::uint64_t> previous(std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop,
                                          const ProgressFn& progress) const override {
        const std::optional<std::uint64_t> byCells = cells_->previous(begin, end, stop, progress);
        const std::uint64_t floor = byCells ? *byCells + 1 : begin;
        const auto offset =
            text_.last(bytes(), size(), floor * unit_, std::min(end, rowCount()) * unit_, stop);
        return offset ? std::optional<std::uint64_t>(*offset / unit_) : byCells;
    }
    RowList all(std::uint64_t limit, std::stop_token stop,
                const ProgressFn& progress) const override {
        RowList byCells = cells_->all(limit, stop, progress);
        const std::uint64_t reach =
            byCells.limited && !byCells.rows.empty() ? byCells.rows.back() + 1 : rowCount();
        std::vector<std::uint64_t> byText;
        for (std::optional<std::uint64_t> offset =
                 text_.first(bytes(), size(), 0, reach * unit_, stop);
             offset && byText.size() <= limit;
             offset = text_.first(bytes(), size(), *offset + 1, reach * unit_, stop)) {
            if (byText.empty() || byText.back() != *offset / unit_) {
                byText.push_back(*offset / unit_);
            }
        }
        RowList all;
        std::set_union(byCells.rows.begin(), byCells.rows.end(), byText.begin(), byText.end(),
                       std::back_inserter(all.rows));
        all.limited = byCells.limited || all.rows.size() > limit;
        if (all.rows.size() > limit) {
            all.rows.resize(limit);
        }
        return all;
    }

  private:
    const std::uint8_t* bytes() const { return document_->image()->data(); }
    // The bytes the rows show: whole words, or every byte.
    std::uint64_t size() const { return document_->rowCount() * unit_; }

    std::shared_ptr<const RowScanner> cells_;
    std::shared_ptr<const ListingDocument> document_;
    TextInBytes text_;
    std::uint64_t unit_;
};

}  // namespace

std::shared_ptr<const RowScanner> MakeRowScanner(std::shared_ptr<const ListingDocument> document,
                                                 const Query& query, std::string_view text) {
    if (document->extra().text && !text.empty()) {
        if (std::optional<TextInBytes> bytes = TextInBytes::Of(text); bytes && bytes->size() > 1) {
            std::shared_ptr<const RowScanner> cells = MakeRowScanner(document, query);
            return std::make_shared<const TextRowsScanner>(std::move(cells), std::move(document),
                                                           std::move(*bytes));
        }
    }
    const ExtraColumns extra = document->extra();
    if (document->listsBytes()) {
        const ByteRows rows = document->byteRows();
        return std::make_shared<const ByteScanner>(
            std::move(document), rows, query,
            [extra](const Query& q) { return MatchBytes(q, extra); });
    }
    const ListingRows rows = document->wordRows();
    const std::shared_ptr<const RowNotes> notes = extra.notes ? document->notes() : nullptr;
    auto decide = [extra, notes, raw = rows.raw](const Query& q) {
        return MatchListing(q, extra, notes.get(), raw);
    };
    if (notes) {
        return std::make_shared<const NotedScanner>(std::move(document), rows, query,
                                                    std::move(decide));
    }
    return std::make_shared<const WordScanner>(std::move(document), rows, query, std::move(decide));
}

std::shared_ptr<const RowScanner> MakeClassScanner(std::shared_ptr<const ListingDocument> document,
                                                   InstructionClass cls) {
    const ListingRows rows = document->wordRows();
    auto decide = [cls](const Query&) {
        ListingMatch match;
        for (std::uint32_t w = 0; w < 0x10000; ++w) {
            if (ClassOfWord(static_cast<std::uint16_t>(w)) == cls) {
                match.program.insert(w);
            }
        }
        return match;
    };
    return std::make_shared<const WordScanner>(std::move(document), rows, Query("?"),
                                               std::move(decide));
}

bool SearchesCell(const ListingDocument& document, std::uint64_t row, int column) {
    if (column < 0 || column >= document.columnCount()) {
        return false;
    }
    switch (document.columnAt(column)) {
        case ColumnKind::First:
            return false;
        case ColumnKind::Second:
            return !document.listsBytes();
        case ColumnKind::Third:
            return document.listsBytes() || !document.isHeaderRow(row);
        case ColumnKind::Hex:
        case ColumnKind::Text:
        case ColumnKind::Notes:
            return true;
    }
    return false;
}

}  // namespace sorrel
