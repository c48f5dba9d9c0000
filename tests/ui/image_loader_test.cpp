// Reading an image for a window, below the windows: the progress line's
// amount read.
#include <gtest/gtest.h>

#include "image_loader.h"
#include "image_messages.h"

namespace sorrel {
namespace {

constexpr std::uint64_t FourGiBLess1 = 0xFFFFFFFFu;

TEST(ImageLoader, ProgressNamesTheAmountReadInMiBOrKiB) {
    constexpr std::uint64_t MiB = 1 << 20;
    struct Case {
        std::uint64_t done, total;
        const char* text;
    };
    const Case cases[] = {
        {12 * MiB, 64 * MiB, "12 из 64 МиБ (18 %)"},
        {0, 1024 * MiB, "0 из 1024 МиБ (0 %)"},
        {FourGiBLess1, FourGiBLess1, "4096 из 4096 МиБ (100 %)"},
        {300 * 1024, 700 * 1024, "300 из 700 КиБ (42 %)"},
        {MiB + 1, 3 * MiB / 2, "1 из 2 МиБ (66 %)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AmountText(c.done, c.total).toStdString(), c.text);
    }
}

TEST(ImageMessages, CountBytesInRussian) {
    struct Case {
        std::uint64_t bytes;
        const char* nominative;  // "слишком велик: …"
        const char* genitive;    // "короче …"
    };
    const Case cases[] = {
        {1, "1 байт", "1 байта"},
        {2, "2 байта", "2 байт"},
        {4, "4 байта", "4 байт"},
        {5, "5 байт", "5 байт"},
        {11, "11 байт", "11 байт"},
        {12, "12 байт", "12 байт"},
        {21, "21 байт", "21 байта"},
        {22, "22 байта", "22 байт"},
        {112, "112 байт", "112 байт"},
        {1001, "1001 байт", "1001 байта"},
        {FourGiBLess1, "4294967295 байт", "4294967295 байт"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BytesInRussian(c.bytes).toStdString(), c.nominative);
        EXPECT_EQ(BytesInRussian(c.bytes, true).toStdString(), c.genitive);
    }
}

}  // namespace
}  // namespace sorrel
