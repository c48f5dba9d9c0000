// A find query ready to be scanned over one listing document, off the GUI
// thread.
//
// A RowScanner holds what a search needs and nothing of a window: the
// document (shared, never copied), the rows of its listing and the query. The
// query is decided into its word or byte set the first time a scan needs it,
// on whichever thread that is, and once only, so that F3 after F3 decides it
// once. Every member is thread-safe; a scanner is never changed once made
// (but for the set decided once).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string_view>

#include "listing_document.h"
#include "progress.h"
#include "query.h"
#include "scan.h"

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

// A scanner of query over the listing of document (never null). text, the
// query's own text, lets a listing that shows its text column also find the
// text across the column's rows (TextInBytes).
std::shared_ptr<const RowScanner> MakeRowScanner(std::shared_ptr<const ListingDocument> document,
                                                 const Query& query, std::string_view text = {});

// A scanner of the program rows of document's main listing whose word is of
// class cls (the header's words are never decoded).
std::shared_ptr<const RowScanner> MakeClassScanner(std::shared_ptr<const ListingDocument> document,
                                                   InstructionClass cls);

// Whether find looks in a cell of document (row < its rowCount()): the bits
// and the disassembly of the main listing (the bits only in its header), the
// bits ("Значение") of the byte-order listing.
bool SearchesCell(const ListingDocument& document, std::uint64_t row, int column);

}  // namespace sorrel
