// Find in the text column across its rows: a text read as characters of
// consecutive bytes of the image, as the "Текст" column shows each byte, so
// that "FIRMWARE" is found where its eight bytes stand, although the column
// shows them two (or one) to a row. Letters are compared without regard to
// case (ASCII), as the find query does; a text with a character the column
// does not show, or with "?" or "*", is no such text.
//
// Thread-safe: a TextInBytes is never changed once made.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string_view>
#include <vector>

namespace sorrel {

class TextInBytes {
  public:
    // The bytes of text, when every character of it is one of the column's.
    static std::optional<TextInBytes> Of(std::string_view text);

    std::size_t size() const { return pattern_.size(); }
    // The offset of the first (last) place of the text that begins at an
    // offset from begin to end - 1 and lies wholly in the image of size bytes.
    std::optional<std::uint64_t> first(const std::uint8_t* bytes, std::uint64_t size,
                                       std::uint64_t begin, std::uint64_t end,
                                       std::stop_token stop = {}) const;
    std::optional<std::uint64_t> last(const std::uint8_t* bytes, std::uint64_t size,
                                      std::uint64_t begin, std::uint64_t end,
                                      std::stop_token stop = {}) const;

  private:
    bool at(const std::uint8_t* bytes, std::uint64_t offset) const;

    std::vector<std::uint8_t> pattern_;  // letters folded to lower case
};

}  // namespace sorrel
