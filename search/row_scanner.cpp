#include "row_scanner.h"

#include <mutex>
#include <utility>

#include "word_sets.h"

namespace sorrel {

namespace {

// The scanner of one kind of listing: Rows (ListingRows, ByteRows) of the
// document, matched with the set that Decide makes of the query
// (MatchListing, MatchBytes).
template <typename Rows, typename Match, Match (*Decide)(const Query&)>
class DocumentScanner final : public RowScanner {
  public:
    DocumentScanner(std::shared_ptr<const ListingDocument> document, Rows rows, Query query)
        : document_(std::move(document)), rows_(rows), query_(std::move(query)) {}

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

  private:
    const Match& match() const {
        std::call_once(decided_,
                       [this] { match_ = std::make_unique<const Match>(Decide(query_)); });
        return *match_;
    }

    std::shared_ptr<const ListingDocument> document_;  // holds the bytes rows_ point into
    Rows rows_;
    Query query_;
    mutable std::once_flag decided_;
    mutable std::unique_ptr<const Match> match_;
};

using WordScanner = DocumentScanner<ListingRows, ListingMatch, &MatchListing>;
using ByteScanner = DocumentScanner<ByteRows, ByteSet, &MatchBytes>;

}  // namespace

std::shared_ptr<const RowScanner> MakeRowScanner(std::shared_ptr<const ListingDocument> document,
                                                 const Query& query) {
    if (document->listsBytes()) {
        const ByteRows rows = document->byteRows();
        return std::make_shared<const ByteScanner>(std::move(document), rows, query);
    }
    const ListingRows rows = document->wordRows();
    return std::make_shared<const WordScanner>(std::move(document), rows, query);
}

bool SearchesCell(const ListingDocument& document, std::uint64_t row, int column) {
    if (document.listsBytes()) {
        return column == 2;
    }
    return column == 1 || (column == 2 && !document.isHeaderRow(row));
}

}  // namespace sorrel
