// Find next and find previous as the windows run them: from the current row
// to the end (the start) of the listing, then, wrapping, from the other end
// back to the current row, which comes last. For a worker thread.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>

#include "progress.h"
#include "row_scanner.h"

namespace sorrel {

enum class FindDirection { Next, Previous };

struct WrappedFind {
    std::optional<std::uint64_t> row;  // the matching row; none when nothing matched or stopped
    bool wrapped = false;              // the match lies past the end (start): the search wrapped
};

// The first matching row after from (Next) or the last before it (Previous),
// wrapping round the listing, from itself last. Progress counts every row of
// the listing once; a stop requested ends it at once with no row.
WrappedFind FindWrapping(const RowScanner& scanner, std::uint64_t from, FindDirection direction,
                         std::stop_token stop = {}, const ProgressFn& progress = {});

}  // namespace sorrel
