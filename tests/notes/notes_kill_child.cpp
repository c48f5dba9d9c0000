// For the kill test: saves the notes of an image through NotesStore again
// and again, each version different in size, until it is killed. It starts
// from the version after the one it finds, and writes "s" to standard
// output once it has saved one.
//   notes_kill_child IMAGE
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "image_hash.h"
#include "kill_versions.h"
#include "notes_store.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: notes_kill_child IMAGE\n", stderr);
        return 2;
    }
    const std::string image = argv[1];
    std::ifstream in(image, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const sorrel::ImageIdentity identity{
        bytes.size(),
        *sorrel::ImageHash(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())};
    sorrel::NotesStore store(image, identity, image + ".data");
    const sorrel::NotesRead read = store.read();
    if (!read.problem.empty()) {
        std::fprintf(stderr, "cannot read the notes: %s\n", read.problem.c_str());
        return 3;
    }
    std::uint64_t version = read.fromFile ? sorrel::VersionOf(*read.notes) + 1 : 1;
    for (bool first = true;; ++version, first = false) {
        const sorrel::SaveResult result = store.save(*sorrel::VersionNotes(version));
        if (result.outcome != sorrel::SaveOutcome::Saved) {
            std::fprintf(stderr, "not saved: %s\n", result.message.c_str());
            return 4;
        }
        if (first) {
            // Tells the test that it is saving now, whatever its start took.
            (void)!::write(1, "s", 1);
        }
    }
}
