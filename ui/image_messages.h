// The windows' side of reading an image: a file named as the user sees it is
// opened as a regular file only, and the reader's errors are told in Russian.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "image_snapshot.h"

namespace sorrel {

// The local file name of a name shown to the user.
std::string LocalFileName(const QString& name);

// Opens an image file for reading, a regular file only, never waiting. Empty
// when it cannot be opened (no such file, no access, an empty name, a
// directory, a FIFO, a device): the windows then return silently.
std::optional<ImageFile> OpenImageFile(const QString& name);

// The message in Russian for an error of the image reader while reading a
// file of size bytes: it names the file and the reason (too large, read short
// or failed, not enough memory).
QString ImageErrorMessage(const ImageError& error, std::uint64_t size);

// "1 байт", "2 байта", "5 байт"; in the genitive ("короче 1 байта", "2 байт").
QString BytesInRussian(std::uint64_t bytes, bool genitive = false);

// Reads the whole open file into a new snapshot. Throws std::runtime_error
// with the message of ImageErrorMessage; nothing is allocated for a file that
// is too large.
std::shared_ptr<const ImageData> ReadImageSnapshot(ImageFile& file);

}  // namespace sorrel
