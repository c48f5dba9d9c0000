// A find query ready to be scanned over one listing, off the GUI thread.
//
// A RowScanner holds what a search needs and nothing of a window: the snapshot
// (shared, never copied), the rows of the listing over it and the query. The
// query is decided into its word or byte set the first time a scan needs it,
// on whichever thread that is, and once only, so that F3 after F3 decides it
// once. Every member is thread-safe; a scanner is never changed once made
// (but for the set decided once).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>

#include "image_snapshot.h"
#include "progress.h"
#include "query.h"
#include "scan.h"
#include "stringgrid.h"

namespace sorrel {

class RowScanner {
  public:
    virtual ~RowScanner() = default;
    virtual std::uint64_t rowCount() const = 0;
    // The first (last) matching row of begin <= row < end, as FindNext (FindPrevious).
    virtual std::optional<std::uint64_t> next(std::uint64_t begin, std::uint64_t end,
                                              std::stop_token stop,
                                              const ProgressFn& progress) const = 0;
    virtual std::optional<std::uint64_t> previous(std::uint64_t begin, std::uint64_t end,
                                                  std::stop_token stop,
                                                  const ProgressFn& progress) const = 0;
    // Every matching row, up to limit, as FindAll.
    virtual RowList all(std::uint64_t limit, std::stop_token stop,
                        const ProgressFn& progress) const = 0;
};

// The scanner of one kind of listing: Rows (ListingRows, ByteRows) over the
// snapshot, matched with the set that Decide makes of the query
// (MatchListing, MatchBytes).
template <typename Rows, typename Match, Match (*Decide)(const Query&)>
class SnapshotScanner final : public RowScanner {
  public:
    // rows point into image.
    SnapshotScanner(std::shared_ptr<const ImageData> image, Rows rows, Query query)
        : image_(std::move(image)), rows_(rows), query_(std::move(query)) {}

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

    std::shared_ptr<const ImageData> image_;
    Rows rows_;
    Query query_;
    mutable std::once_flag decided_;
    mutable std::unique_ptr<const Match> match_;
};

// A Scanner over the listing of source when source is a Source (a cell source
// with snapshot() and rows()); null otherwise.
template <typename Source, typename Scanner>
std::shared_ptr<const RowScanner> ScannerOf(const std::shared_ptr<const CellSource>& source,
                                            const Query& query) {
    const auto listing = std::dynamic_pointer_cast<const Source>(source);
    if (!listing) {
        return nullptr;
    }
    return std::make_shared<const Scanner>(listing->snapshot(), listing->rows(), query);
}

}  // namespace sorrel
