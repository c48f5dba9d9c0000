// What the search tests share: words of known classes, an image of jumps, and
// slices on a given number of threads.
#pragma once

#include <cstdint>
#include <vector>

#include "parallel_slices.h"

namespace sorrel {

inline constexpr std::uint16_t Jmp3FE = 0x83FE;       // jmp  03FEh; its low byte FEh
inline constexpr std::uint16_t Add = 0x11B9;          // add  d1, b5
inline constexpr std::uint16_t NoClassWord = 0xFFFF;  // no instruction

// An image of n words of nop with jmp 03FEh in the given rows.
inline std::vector<std::uint8_t> JumpsImage(std::uint64_t n,
                                            const std::vector<std::uint64_t>& rows) {
    std::vector<std::uint8_t> bytes(2 * n, 0x00);
    for (const std::uint64_t row : rows) {
        bytes[2 * row] = Jmp3FE & 0xFF;
        bytes[2 * row + 1] = Jmp3FE >> 8;
    }
    return bytes;
}

// Slices on threads threads, however short the range.
inline SliceOptions Threads(unsigned threads) {
    return {threads, 0};
}

}  // namespace sorrel
