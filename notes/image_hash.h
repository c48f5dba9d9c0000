// The hash of an image's content that its notes file records: XXH3-64 (seed
// 0) of the little-endian 8-byte XXH3-64 digests of the image's consecutive
// pieces of 16 MiB (the last one shorter; an empty image has no piece, so
// its hash is XXH3-64 of nothing). The pieces can be hashed on any number
// of threads, each a range of them, and the digests combined at the end.
// Thread-safe: pure functions over bytes the caller keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

#include "parallel_slices.h"
#include "progress.h"

namespace sorrel {

inline constexpr std::size_t ImageHashPiece = std::size_t{16} << 20;

// The pieces of an image of size bytes.
std::size_t ImageHashPieceCount(std::uint64_t size);

// The digests of pieces first to last - 1 of the image, into digests[0] on.
// Looks at stop before each piece and gives false once it is requested;
// progress counts the bytes of the range done.
bool HashImagePieces(const std::uint8_t* image, std::uint64_t size, std::size_t first,
                     std::size_t last, std::uint64_t* digests, std::stop_token stop = {},
                     const ProgressFn& progress = {});

// The image's hash from the digests of all its pieces, in order.
std::uint64_t CombineImageHash(std::span<const std::uint64_t> digests);

// The hash of a whole image, its pieces hashed on every core; nothing when
// stopped. Progress counts the bytes done.
std::optional<std::uint64_t> ImageHash(const std::uint8_t* image, std::uint64_t size,
                                       std::stop_token stop = {}, const ProgressFn& progress = {});
// The same on options.threads threads.
std::optional<std::uint64_t> ImageHash(const std::uint8_t* image, std::uint64_t size,
                                       std::stop_token stop, const ProgressFn& progress,
                                       const SliceOptions& options);

// The same hash of an image that arrives in pieces of any size (a stream).
class ImageHasher {
  public:
    ImageHasher();
    ~ImageHasher();
    ImageHasher(const ImageHasher&) = delete;
    ImageHasher& operator=(const ImageHasher&) = delete;

    void add(const std::uint8_t* data, std::size_t size);
    // The hash of all that was added.
    std::uint64_t finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// "0123456789abcdef": a hash in 16 small hexadecimal digits.
std::string HashText(std::uint64_t hash);

}  // namespace sorrel
