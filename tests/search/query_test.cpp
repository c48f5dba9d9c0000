// Find queries: wildcards, blank runs and case, against worked examples and
// against a regular expression made from the query; and the sets of words
// and bytes a query matches.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "listing_text.h"
#include "query.h"
#include "word_sets.h"

namespace sorrel {
namespace {

struct MatchCase {
    const char* query;
    const char* text;
    bool matches;
};

TEST(Query, Matches) {
    const MatchCase cases[] = {
        // Substrings, letters of either case.
        {"add", "add  d1, b5", true},
        {"D1, B5", "add  d1, b5", true},
        {"JMP", "jmp  03FEh", true},
        {"03feh", "jmp  03FEh", true},
        {"d1,b5", "add  d1, b5", false},
        {"add", "", false},
        {"0101", "0001001000110100", false},
        {"0100", "0001001000110100", true},
        {"#3, a", "ldr  #3, ACh", true},
        // "?" is one character, a blank included.
        {"3fe?", "jmp  03FEh", true},
        {"3fe??", "jmp  03FEh", false},
        {"?", "", false},
        {"?", "x", true},
        {"p?0", "jmp  03FEh", false},
        {"p??0", "jmp  03FEh", true},
        {"1???00??????????", "1000001111111110", true},   // jmp 03FEh
        {"1???00??????????", "1111000000000001", true},   // jc 0001h
        {"1???00??????????", "1000011111111110", false},  // bit 10 set: no jump
        {"1???00??????????", "0000000000000000", false},
        {"1???00??????????", "100000111111111", false},  // one bit short
        // "*" is any run of characters, the empty one included.
        {"j* 03fe*", "jmp  03FEh", true},
        {"j* 03fe*", "jsr  03FEh", true},
        {"j* 03fe*", "jmp  03FFh", false},
        {"j* 03fe*", "jmp03FEh", false},
        {"*", "", true},
        {"**", "", true},
        {"*?*", "", false},
        {"*?*", "a", true},
        {"a*b*c", "xaXXbYYcx", true},
        {"a*b*c", "acb", false},
        {"*h", "jmp  03FEh", true},
        {"*h", "", false},
        // A run of blanks is a run of one or more blanks.
        {"add d1", "add  d1, b5", true},
        {"add   d1", "add d1", true},
        {"add d1", "addd1", false},
        {"add ?d1", "add  d1", true},
        {"add  ?", "add  d1", true},
        {"nop ", "nop  ", true},
        {" ", "nop  ", true},
        {" ", "0001001000110100", false},
        {"add ", "add", false},
        {"? ?", "a b", true},
        {"? ?", "a   b", true},
        {"? ?", "ab", false},
        {" * ", "nop  ", true},
        {" * ", "add  d1, b5", true},
        {" * ", "mov  a0", true},
        {"p *", "nop  ", true},
        // Texts the cells never hold.
        {"адрес", "add  d1, b5", false},
        {"адрес", "Адрес адрес", true},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(Query(c.query).matches(c.text), c.matches) << c.query << " in " << c.text;
    }
}

TEST(Query, EmptyQueryIsRefused) {
    EXPECT_THROW(Query(""), std::invalid_argument);
}

TEST(Query, LongQueries) {
    // More pieces than the fast automaton holds.
    std::string eightyAny;
    for (int i = 0; i < 40; ++i) {
        eightyAny += "a?";
    }
    std::string text(200, 'x');
    EXPECT_FALSE(Query(eightyAny).matches(text));
    for (int i = 0; i < 40; ++i) {
        text[50 + 2 * i] = 'A';
    }
    EXPECT_TRUE(Query(eightyAny).matches(text));
    EXPECT_FALSE(Query(eightyAny).matches(text.substr(0, 128)));

    std::string starred;
    for (int i = 0; i < 40; ++i) {
        starred += "b*";
    }
    EXPECT_FALSE(Query(starred).matches(std::string(39, 'b') + std::string(100, 'c')));
    EXPECT_TRUE(Query(starred).matches("b" + std::string(30, 'c') + std::string(39, 'b')));
    EXPECT_FALSE(Query(std::string(40, 'x')).matches(std::string(39, 'x')));
}

// The query as an ECMAScript regular expression searched in the text.
std::regex ToRegex(const std::string& query) {
    std::string re;
    for (std::size_t i = 0; i < query.size(); ++i) {
        const char c = query[i];
        if (c == '*') {
            re += "[\\s\\S]*";
        } else if (c == '?') {
            re += "[\\s\\S]";
        } else if (c == ' ') {
            while (i + 1 < query.size() && query[i + 1] == ' ') {
                ++i;
            }
            re += " +";
        } else if (std::string("\\^$.|+()[]{}").find(c) != std::string::npos) {
            re += std::string("\\") + c;
        } else {
            re += c;
        }
    }
    return std::regex(re, std::regex::ECMAScript | std::regex::icase);
}

std::string RandomText(std::mt19937& rng, const std::string& alphabet, std::size_t minSize,
                       std::size_t maxSize) {
    std::string text(std::uniform_int_distribution<std::size_t>(minSize, maxSize)(rng), ' ');
    for (char& c : text) {
        c = alphabet[rng() % alphabet.size()];
    }
    return text;
}

TEST(Query, AgreesWithARegularExpressionOnTheListingTexts) {
    std::mt19937 rng(20240601);
    const std::string alphabet = "01?* **adjmph3fE,#";
    for (int q = 0; q < 200; ++q) {
        const std::string text = RandomText(rng, alphabet, 1, 7);
        const Query query(text);
        const std::regex re = ToRegex(text);
        for (int i = 0; i < 600; ++i) {
            const auto word = static_cast<std::uint16_t>(rng());
            for (int column = 1; column <= 2; ++column) {
                const std::string cell(ListingCellText(HeaderWords, word, false, column).view());
                ASSERT_EQ(query.matches(cell), std::regex_search(cell, re))
                    << '"' << text << "\" in \"" << cell << '"';
            }
        }
    }
}

// A text in which query occurs: its "?" and "*" filled at random, its blank
// runs one to three blanks long, with random text around it.
std::string Instance(std::mt19937& rng, const std::string& query) {
    std::string text = RandomText(rng, "ab ", 0, 10);
    for (const char c : query) {
        if (c == '?') {
            text += RandomText(rng, "aAbB ", 1, 1);
        } else if (c == '*') {
            text += RandomText(rng, "aAbB ", 0, 5);
        } else if (c == ' ') {
            text += std::string(1 + rng() % 3, ' ');
        } else {
            text += rng() % 2 ? c : static_cast<char>(c - 'a' + 'A');
        }
    }
    return text + RandomText(rng, "ab ", 0, 10);
}

TEST(Query, AgreesWithARegularExpressionOnLongQueries) {
    // 64 to 90 characters, a few of them "*": more pieces than the fast
    // automaton holds.
    std::mt19937 rng(7);
    for (int q = 0; q < 100; ++q) {
        std::string text = RandomText(rng, "ab?  ", 64, 90);
        for (int stars = rng() % 4; stars > 0; --stars) {
            text[rng() % text.size()] = '*';
        }
        const Query query(text);
        const std::regex re = ToRegex(text);
        for (int i = 0; i < 10; ++i) {
            std::string cell = Instance(rng, text);
            if (i % 2) {
                cell[rng() % cell.size()] = "abB "[rng() % 4];  // may spoil the match
            }
            ASSERT_EQ(query.matches(cell), std::regex_search(cell, re))
                << '"' << text << "\" in \"" << cell << '"';
            if (i == 0) {
                ASSERT_TRUE(query.matches(cell)) << '"' << text << "\" in \"" << cell << '"';
            }
        }
    }
}

TEST(MatchListing, HeaderWordsAreMatchedOnTheirBitsOnly) {
    const ListingMatch nop = MatchListing(Query("nop"));
    EXPECT_TRUE(nop.program.contains(0x0000));
    EXPECT_EQ(nop.header.count(), 0u);

    const ListingMatch ones = MatchListing(Query("1111111111111111"));
    EXPECT_EQ(ones.program.count(), 1u);
    EXPECT_TRUE(ones.program.contains(0xFFFF));
    EXPECT_EQ(ones.header, ones.program);

    const ListingMatch any = MatchListing(Query("*"));
    EXPECT_EQ(any.program.count(), 65536u);
    EXPECT_EQ(any.header.count(), 65536u);

    // Every jump word by its bits: 8 jumps of 1,024 targets each.
    const ListingMatch jumps = MatchListing(Query("1???00??????????"));
    EXPECT_EQ(jumps.program.count(), 8192u);
    EXPECT_EQ(jumps.header, jumps.program);
    for (std::uint32_t w = 0; w < 0x10000; ++w) {
        EXPECT_EQ(jumps.program.contains(w), JumpField(static_cast<std::uint16_t>(w)) >= 0) << w;
    }

    // The jumps to 03FEh by their disassembly, never in the header.
    const ListingMatch to3FE = MatchListing(Query("j* 03fe*"));
    EXPECT_EQ(to3FE.program, JumpsTo(0x3FE));
    EXPECT_EQ(to3FE.header.count(), 0u);
}

TEST(MatchBytes, MatchesTheEightBits) {
    EXPECT_EQ(MatchBytes(Query("1010????")).count(), 16u);
    EXPECT_EQ(MatchBytes(Query("*")).count(), 256u);
    const ByteSet a5 = MatchBytes(Query("10100101"));
    EXPECT_EQ(a5.count(), 1u);
    EXPECT_TRUE(a5.contains(0xA5));
    EXPECT_EQ(MatchBytes(Query("nop")).count(), 0u);
}

TEST(JumpsTo, EightJumpsReachEveryAddressUpTo03FFh) {
    EXPECT_EQ(JumpsTo(0).count(), 8u);
    EXPECT_EQ(JumpsTo(0x3FF).count(), 8u);
    EXPECT_TRUE(JumpsTo(0x3FE).contains(0x83FE));
    EXPECT_EQ(JumpsTo(0x400).count(), 0u);
}

}  // namespace
}  // namespace sorrel
