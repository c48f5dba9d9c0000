// What the search tests share: words of known classes, and slices on a given
// number of threads.
#pragma once

#include <cstdint>

#include "parallel_slices.h"

namespace sorrel {

inline constexpr std::uint16_t Jmp3FE = 0x83FE;       // jmp  03FEh; its low byte FEh
inline constexpr std::uint16_t Add = 0x11B9;          // add  d1, b5
inline constexpr std::uint16_t NoClassWord = 0xFFFF;  // no instruction

// Slices on threads threads, however short the range.
inline SliceOptions Threads(unsigned threads) {
    return {threads, 0};
}

}  // namespace sorrel
