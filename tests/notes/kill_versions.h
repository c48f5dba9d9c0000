// The versions of notes that the kill test's child writes: version v has
// 1 + v % 300 notes, each naming v, so a file of whole version is told from
// a mixture or a cut.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "note_set.h"

namespace sorrel {

inline std::shared_ptr<const NoteSet> VersionNotes(std::uint64_t version) {
    std::vector<NoteChange> notes;
    const std::uint64_t count = 1 + version % 300;
    for (std::uint64_t k = 0; k < count; ++k) {
        notes.push_back({k * 7,
                         {"v" + std::to_string(version) + "_" + std::to_string(k),
                          "версия " + std::to_string(version) + ", заметка " + std::to_string(k) +
                              std::string(60, '.'),
                          k % 5 == 0}});
    }
    return NoteSet::Of(std::move(notes));
}

// The version of notes written as VersionNotes; 0 when they are none.
inline std::uint64_t VersionOf(const NoteSet& notes) {
    if (notes.empty()) {
        return 0;
    }
    const std::string label(notes.at(0).label);
    return std::stoull(label.substr(1, label.find('_') - 1));
}

}  // namespace sorrel
