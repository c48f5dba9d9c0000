#include "image_hash.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace sorrel {

namespace {

void PutLittleEndian(std::uint64_t value, unsigned char* out) {
    for (int i = 0; i < 8; ++i) {
        out[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

}  // namespace

std::size_t ImageHashPieceCount(std::uint64_t size) {
    return static_cast<std::size_t>((size + ImageHashPiece - 1) / ImageHashPiece);
}

bool HashImagePieces(const std::uint8_t* image, std::uint64_t size, std::size_t first,
                     std::size_t last, std::uint64_t* digests, std::stop_token stop,
                     const ProgressFn& progress) {
    const std::uint64_t begin = std::uint64_t{first} * ImageHashPiece;
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{last} * ImageHashPiece, size);
    for (std::size_t piece = first; piece < last; ++piece) {
        if (stop.stop_requested()) {
            return false;
        }
        const std::uint64_t at = std::uint64_t{piece} * ImageHashPiece;
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(ImageHashPiece, size - at));
        digests[piece - first] = XXH3_64bits(image + at, length);
        if (progress) {
            progress(at + length - begin, end - begin);
        }
    }
    return true;
}

std::uint64_t CombineImageHash(std::span<const std::uint64_t> digests) {
    std::vector<unsigned char> bytes(8 * digests.size());
    for (std::size_t i = 0; i < digests.size(); ++i) {
        PutLittleEndian(digests[i], bytes.data() + 8 * i);
    }
    return XXH3_64bits(bytes.data(), bytes.size());
}

std::optional<std::uint64_t> ImageHash(const std::uint8_t* image, std::uint64_t size,
                                       std::stop_token stop, const ProgressFn& progress,
                                       const SliceOptions& options) {
    std::vector<std::uint64_t> digests(ImageHashPieceCount(size));
    // Slices of bytes cut at whole pieces, each hashing its pieces.
    const std::vector<SliceRange> slices = PlanSlices(0, size, ImageHashPiece, options);
    const bool stopped =
        RunSlices(slices, std::move(stop), SliceProgress{&progress, size, ImageHashPiece, 0},
                  [&](SliceContext& slice) {
                      for (std::uint64_t at = slice.range().begin; at < slice.range().end;) {
                          if (slice.stopped()) {
                              return;
                          }
                          const auto length = static_cast<std::size_t>(
                              std::min<std::uint64_t>(ImageHashPiece, slice.range().end - at));
                          digests[static_cast<std::size_t>(at / ImageHashPiece)] =
                              XXH3_64bits(image + at, length);
                          slice.advance(length);
                          at += length;
                      }
                  },
                  {ThreadCount(options)});
    if (stopped) {
        return std::nullopt;
    }
    return CombineImageHash(digests);
}

std::optional<std::uint64_t> ImageHash(const std::uint8_t* image, std::uint64_t size,
                                       std::stop_token stop, const ProgressFn& progress) {
    return ImageHash(image, size, std::move(stop), progress, SliceOptions{});
}

struct ImageHasher::State {
    XXH3_state_t piece{};
    std::size_t inPiece = 0;  // bytes of the current piece so far
    std::vector<std::uint64_t> digests;
};

ImageHasher::ImageHasher() : state_(std::make_unique<State>()) {
    XXH3_64bits_reset(&state_->piece);
}

ImageHasher::~ImageHasher() = default;

void ImageHasher::add(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::size_t take = std::min(size, ImageHashPiece - state_->inPiece);
        XXH3_64bits_update(&state_->piece, data, take);
        state_->inPiece += take;
        data += take;
        size -= take;
        if (state_->inPiece == ImageHashPiece) {
            state_->digests.push_back(XXH3_64bits_digest(&state_->piece));
            XXH3_64bits_reset(&state_->piece);
            state_->inPiece = 0;
        }
    }
}

std::uint64_t ImageHasher::finish() {
    std::vector<std::uint64_t> digests = state_->digests;
    if (state_->inPiece > 0) {
        digests.push_back(XXH3_64bits_digest(&state_->piece));
    }
    return CombineImageHash(digests);
}

std::string HashText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace sorrel
