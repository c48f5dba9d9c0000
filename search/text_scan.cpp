#include "text_scan.h"

namespace sorrel {
namespace {

// Lists the rows for which matches(row) holds, up to limit.
template <typename Matches>
RowList ListRows(std::uint64_t rowCount, std::uint64_t limit, Matches&& matches) {
    RowList list;
    for (std::uint64_t row = 0; row < rowCount; ++row) {
        if (matches(row)) {
            if (list.rows.size() >= limit) {
                list.limited = true;
                break;
            }
            list.rows.push_back(row);
        }
    }
    return list;
}

}  // namespace

RowList TextScanAll(const ListingRows& rows, const Query& query, std::uint64_t limit) {
    return ListRows(rows.rowCount(), limit, [&](std::uint64_t row) {
        return query.matches(rows.cell(row, 1).view()) || query.matches(rows.cell(row, 2).view());
    });
}

RowList TextScanAll(const ByteRows& rows, const Query& query, std::uint64_t limit) {
    return ListRows(rows.rowCount(), limit,
                    [&](std::uint64_t row) { return query.matches(rows.cell(row, 2).view()); });
}

}  // namespace sorrel
