// The listing document in each mode: its rows and cells are those of the
// listing it holds, and only the main listing of an image with a header has
// header rows.
#include "listing_document.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "temporary_folder.h"

namespace sorrel {
namespace {

TEST(ListingDocument, ListsTheImageInItsMode) {
    const TemporaryFolder dir;
    const std::string path = dir.path("image.bin");
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 301; ++i) {  // 150 words and an odd byte
            out.put(static_cast<char>(i));
        }
    }
    const auto image = std::make_shared<const ImageData>(ImageData::read(path));
    struct Case {
        ListingMode mode;
        std::uint64_t rows;
        bool header;  // row 0 is a header row
    };
    const Case cases[] = {
        {ListingMode::Header, 150, true},
        {ListingMode::Raw, 150, false},
        {ListingMode::Bytes, 301, false},
    };
    for (const Case& c : cases) {
        const ListingDocument document(image, c.mode, path);
        EXPECT_EQ(document.rowCount(), c.rows);
        EXPECT_EQ(document.isHeaderRow(0), c.header);
        EXPECT_EQ(document.path(), path);
        for (const std::uint64_t row : {std::uint64_t{0}, c.rows - 1, c.rows}) {
            for (int column = 0; column < 3; ++column) {
                const ShortText expected =
                    c.mode == ListingMode::Bytes
                        ? ByteRows{image->data(), image->size()}.cell(row, column)
                        : ListingRows{image->data(), image->size(), c.mode == ListingMode::Raw}
                              .cell(row, column);
                EXPECT_EQ(document.cell(row, column).view(), expected.view())
                    << static_cast<int>(c.mode) << " row " << row << " column " << column;
            }
        }
    }
}

}  // namespace
}  // namespace sorrel
