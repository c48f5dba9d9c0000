// Fuzz target for the decoder's text operations. The first byte picks the
// operation, the rest is the text. Only ConversionError and std::out_of_range
// may leave the operations; any other exception, crash or mismatch aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sorrel_support.h"

namespace {

[[noreturn]] void fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "fuzz_decoder: %s for text '%.*s'\n", what, static_cast<int>(text.size()),
                 text.data());
    std::abort();
}

bool onlyBits(std::string_view text) {
    return text.find_first_not_of("01") == std::string_view::npos;
}

bool onlyDigits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

__extension__ typedef unsigned __int128 Wide;

// The decimal text of sum d_i * 2^(n-i), for texts short enough for 128 bits.
std::string referenceDecimal(std::string_view digits) {
    Wide value = 0;
    for (char c : digits) {
        value = value * 2 + static_cast<unsigned>(c - '0');
    }
    std::string out;
    do {
        out.insert(out.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return out;
}

void checkBitsToDecimal(const sorrel::Disassembler& dis, std::string_view text) {
    if (onlyDigits(text)) {
        const std::string got = dis.BitsToDecimal(text);
        if (text.size() <= 120 && got != referenceDecimal(text)) {
            fail("BitsToDecimal differs from the reference", text);
        }
        return;
    }
    const char bad = text[text.find_first_not_of("0123456789")];
    try {
        (void)dis.BitsToDecimal(text);
    } catch (const sorrel::ConversionError& e) {
        // what() is a C string: a NUL character ends the message early.
        const std::string expected = "'" + std::string(1, bad) + "' is not a valid integer value";
        if (std::strcmp(e.what(), expected.c_str()) != 0) {
            fail("BitsToDecimal raised the wrong message", text);
        }
        return;
    }
    fail("BitsToDecimal accepted a non-digit", text);
}

// For a text of "0" and "1" the literal path must agree with the fast path,
// and nothing may be raised.
void checkBitText(const sorrel::Disassembler& dis, std::string_view text) {
    const std::string decoded = dis.DecodeWord(text);
    if (text.size() != 16) {
        return;
    }
    std::uint16_t word = 0;
    for (char c : text) {
        word = static_cast<std::uint16_t>(word * 2 + (c == '1'));
    }
    if (sorrel::FormatWord(word).view() != decoded) {
        fail("fast path differs from DecodeWord", text);
    }
    const sorrel::InstructionClass cls = sorrel::ClassOfWord(word);
    if ((cls == sorrel::NoClass) != decoded.empty()) {
        fail("ClassOfWord differs from DecodeWord", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const sorrel::Disassembler dis;
    const std::uint8_t op = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    // Texts of bits short enough that every value fits in 31 bits raise nothing.
    bool mustNotRaise = false;
    try {
        switch (op % 5) {
            case 0:
                // DecodeWord passes at most 16 operand bits on.
                mustNotRaise = onlyBits(text);
                if (mustNotRaise) {
                    checkBitText(dis, text);
                } else {
                    (void)dis.DecodeWord(text);
                }
                break;
            case 1: {
                // The class number: any 32-bit value from the next four bytes.
                std::int32_t cls = 0;
                if (text.size() >= 4) {
                    cls = static_cast<std::int32_t>(
                        static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24);
                    text.remove_prefix(4);
                }
                mustNotRaise = onlyBits(text) && text.size() <= 31;
                const std::string operands = dis.FormatOperands(cls, text);
                if (text.empty() && !operands.empty()) {
                    fail("FormatOperands of empty operand bits is not empty", text);
                }
                break;
            }
            case 2:
                checkBitsToDecimal(dis, text);
                break;
            case 3:
                mustNotRaise = onlyBits(text);
                (void)sorrel::RegisterName(text);
                break;
            default:
                mustNotRaise = onlyBits(text) && text.size() <= 31;
                if (onlyBits(text)) {
                    (void)dis.FormatOperands(op / 5 % sorrel::InstructionClassCount, text);
                }
                break;
        }
    } catch (const sorrel::ConversionError&) {
        if (mustNotRaise) {
            fail("ConversionError on a text of bits", text);
        }
    } catch (const std::out_of_range&) {
        if (mustNotRaise) {
            fail("out_of_range on a text of bits", text);
        }
    }
    return 0;
}
