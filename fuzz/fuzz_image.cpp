// Fuzz target: an arbitrary byte string as an image file. The bytes are
// written to a real file and read back as the windows read it; the cell
// sources of both windows, in both modes, must give for a sample of rows (the
// first, the last, the header boundary and some picked by the input) exactly
// the lines that sorrel-dis writes, and sorrel-dis must write the same text
// whatever pieces the image arrives in.
#include <unistd.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "image_messages.h"
#include "listing_writer.h"
#include "window_document.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_image: %s\n", what.c_str());
    std::abort();
}

const std::string& imagePath() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("sorrel-fuzz-image-" + std::to_string(getpid()) + ".bin"))
                                        .string();
    return path;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            fail("listing does not end with a line feed");
        }
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string rowLine(const sorrel::CellSource& source, std::uint64_t row) {
    return (source.cellText(row, 0) + '\t' + source.cellText(row, 1) + '\t' +
            source.cellText(row, 2))
        .toStdString();
}

// The listing of the image written in two pieces cut at split.
std::string listingInPieces(const std::uint8_t* data, std::size_t size, sorrel::ListingMode mode,
                            std::size_t split) {
    std::string text;
    sorrel::ListingWriter writer(mode, [&text](std::string_view piece) {
        text += piece;
        return true;
    });
    writer.write(data, split);
    writer.write(data + split, size - split);
    writer.finish();
    return text;
}

void checkSource(const sorrel::CellSource& source, const std::uint8_t* data, std::size_t size,
                 sorrel::ListingMode mode, std::size_t split) {
    const std::string listing = sorrel::ListingOf(data, size, mode);
    if (listingInPieces(data, size, mode, split) != listing) {
        fail("the listing depends on the pieces the image arrives in");
    }
    const std::vector<std::string_view> lines = splitLines(listing);
    if (source.rowCount() != lines.size()) {
        fail("row count " + std::to_string(source.rowCount()) + " differs from " +
             std::to_string(lines.size()) + " lines");
    }
    if (lines.empty()) {
        return;
    }
    const std::uint64_t last = lines.size() - 1;
    std::set<std::uint64_t> rows = {0, last, 255, 256, 257, 511, 512};
    for (std::size_t i = 0; i + 1 < size && i < 16; i += 2) {
        rows.insert((data[i] | data[i + 1] << 8) % lines.size());
    }
    for (const std::uint64_t row : rows) {
        if (row <= last && rowLine(source, row) != lines[row]) {
            fail("row " + std::to_string(row) + " reads '" + rowLine(source, row) +
                 "' in the grid and '" + std::string(lines[row]) + "' in sorrel-dis");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(imagePath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::optional<sorrel::ImageFile> file =
        sorrel::OpenImageFile(QString::fromStdString(imagePath()));
    if (!file) {
        fail("the image file cannot be opened");
    }
    const std::shared_ptr<const sorrel::ImageData> image = sorrel::ReadImageSnapshot(*file);
    if (image->size() != size ||
        (size != 0 && std::string_view(reinterpret_cast<const char*>(image->data()), size) !=
                          std::string_view(reinterpret_cast<const char*>(data), size))) {
        fail("the snapshot differs from the file");
    }
    const std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
    for (const sorrel::ListingMode mode :
         {sorrel::ListingMode::Header, sorrel::ListingMode::Raw, sorrel::ListingMode::Bytes}) {
        const sorrel::DocumentSource source(
            std::make_shared<const sorrel::ListingDocument>(image, mode, imagePath()));
        checkSource(source, data, size, mode, split);
    }
    return 0;
}
