#include "wrap_find.h"

#include <array>

namespace sorrel {

WrappedFind FindWrapping(const RowScanner& scanner, std::uint64_t from, FindDirection direction,
                         std::stop_token stop, const ProgressFn& progress) {
    const std::uint64_t rows = scanner.rowCount();
    struct Leg {
        std::uint64_t begin;
        std::uint64_t end;
    };
    const bool next = direction == FindDirection::Next;
    const std::array<Leg, 2> legs = next ? std::array<Leg, 2>{Leg{from + 1, rows}, Leg{0, from + 1}}
                                         : std::array<Leg, 2>{Leg{0, from}, Leg{from, rows}};
    std::uint64_t before = 0;
    ProgressFn legProgress;
    if (progress) {
        legProgress = [&progress, &before, rows](std::uint64_t done, std::uint64_t) {
            progress(before + done, rows);
        };
    }
    for (std::size_t i = 0; i < legs.size(); ++i) {
        const Leg leg = legs[i];
        const std::optional<std::uint64_t> row =
            next ? scanner.next(leg.begin, leg.end, stop, legProgress)
                 : scanner.previous(leg.begin, leg.end, stop, legProgress);
        if (row || stop.stop_requested()) {
            return {row, i == 1};
        }
        before += leg.end - leg.begin;
    }
    return {};
}

}  // namespace sorrel
