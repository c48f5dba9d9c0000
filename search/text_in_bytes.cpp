#include "text_in_bytes.h"

#include "data_text.h"

namespace sorrel {

namespace {

std::uint8_t Fold(std::uint8_t byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<std::uint8_t>(byte + ('a' - 'A')) : byte;
}

// Bytes looked at between two looks at the stop token.
constexpr std::uint64_t StopEvery = std::uint64_t{1} << 20;

}  // namespace

std::optional<TextInBytes> TextInBytes::Of(std::string_view text) {
    TextInBytes found;
    while (!text.empty()) {
        if (text.front() == '?' || text.front() == '*') {
            return std::nullopt;
        }
        // The byte whose character the text begins with.
        bool known = false;
        for (unsigned b = 0; b < 256 && !known; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            const std::string_view character = ByteCharacter(byte);
            if (IsTextByte(byte) && text.substr(0, character.size()) == character) {
                found.pattern_.push_back(Fold(byte));
                text.remove_prefix(character.size());
                known = true;
            }
        }
        if (!known) {
            return std::nullopt;
        }
    }
    if (found.pattern_.empty()) {
        return std::nullopt;
    }
    return found;
}

bool TextInBytes::at(const std::uint8_t* bytes, std::uint64_t offset) const {
    for (std::size_t i = 0; i < pattern_.size(); ++i) {
        if (Fold(bytes[offset + i]) != pattern_[i]) {
            return false;
        }
    }
    return true;
}

std::optional<std::uint64_t> TextInBytes::first(const std::uint8_t* bytes, std::uint64_t size,
                                                std::uint64_t begin, std::uint64_t end,
                                                std::stop_token stop) const {
    if (size < pattern_.size()) {
        return std::nullopt;
    }
    end = std::min(end, size - pattern_.size() + 1);
    for (std::uint64_t offset = begin; offset < end; ++offset) {
        if (offset % StopEvery == 0 && stop.stop_requested()) {
            return std::nullopt;
        }
        if (Fold(bytes[offset]) == pattern_[0] && at(bytes, offset)) {
            return offset;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> TextInBytes::last(const std::uint8_t* bytes, std::uint64_t size,
                                               std::uint64_t begin, std::uint64_t end,
                                               std::stop_token stop) const {
    if (size < pattern_.size()) {
        return std::nullopt;
    }
    end = std::min(end, size - pattern_.size() + 1);
    for (std::uint64_t offset = end; offset > begin;) {
        --offset;
        if (offset % StopEvery == 0 && stop.stop_requested()) {
            return std::nullopt;
        }
        if (Fold(bytes[offset]) == pattern_[0] && at(bytes, offset)) {
            return offset;
        }
    }
    return std::nullopt;
}

}  // namespace sorrel
