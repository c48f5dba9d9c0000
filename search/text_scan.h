// The reference scans: every row's word columns made as the grids show them
// and matched with the query one by one, as a user looking down the grid
// would. Tens of millions of rows a second at best; the tests and benchmarks
// check the scans of scan.h against them. Thread-safe.
#pragma once

#include <cstdint>

#include "query.h"
#include "scan.h"

namespace sorrel {

// Every row whose column 1 or 2 (main listing) or column 2 (byte-order
// listing) the query matches, up to limit, as FindAll.
RowList TextScanAll(const ListingRows& rows, const Query& query,
                    std::uint64_t limit = FindAllLimit);
RowList TextScanAll(const ByteRows& rows, const Query& query, std::uint64_t limit = FindAllLimit);

}  // namespace sorrel
