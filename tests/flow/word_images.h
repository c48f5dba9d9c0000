// Images made in memory by the tests of the jump flow and the overview, and
// the jumps of a word read back from its listing text.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "listing_text.h"
#include "sorrel_support.h"

namespace sorrel::test {

// Some words by what they are: a jump to address a, and words of the other
// kinds.
constexpr std::uint16_t Jmp(unsigned address) {
    return static_cast<std::uint16_t>(0x8000u | address);
}
constexpr std::uint16_t Jsr(unsigned address) {
    return static_cast<std::uint16_t>(0x9000u | address);
}
constexpr std::uint16_t Mov = 0x0400;  // mov  a0, a0
constexpr std::uint16_t NoClassWord = 0x0009;

// The bytes of words, little-endian, and an odd last byte when asked for.
inline std::vector<std::uint8_t> ImageBytes(const std::vector<std::uint16_t>& words,
                                            bool oddByte = false) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    if (oddByte) {
        bytes.push_back(0x80);
    }
    return bytes;
}

inline std::vector<std::uint16_t> RandomWords(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint16_t> words(count);
    for (std::uint16_t& w : words) {
        w = static_cast<std::uint16_t>(random());
    }
    return words;
}

inline ListingRows Rows(const std::vector<std::uint8_t>& bytes, bool raw) {
    return {bytes.data(), bytes.size(), raw};
}

// The address a word jumps to, read from its disassembly: the jumps are the
// mnemonics that begin with "j", their operand the address ("jmp  03FEh");
// -1 for any other word. Read once for all words.
inline int TextJumpAddress(std::uint16_t word) {
    static const std::vector<int> addresses = [] {
        std::vector<int> table(65536, -1);
        for (unsigned w = 0; w < 65536; ++w) {
            const std::string_view text = WordText(static_cast<std::uint16_t>(w));
            if (!text.empty() && text[0] == 'j') {
                table[w] = std::stoi(std::string(text.substr(5, 4)), nullptr, 16);
            }
        }
        return table;
    }();
    return addresses[word];
}

}  // namespace sorrel::test
