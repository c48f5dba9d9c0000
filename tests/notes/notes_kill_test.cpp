// A real process that saves notes in a loop, killed with SIGKILL at random
// moments many times: the notes file it leaves can always be read, and is
// always one whole version of those written.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "kill_versions.h"
#include "notes_file.h"
#include "temporary_folder.h"

namespace sorrel {
namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(NotesKill, AKilledSaveLeavesAFileThatReadsAsOneWholeVersion) {
    const TemporaryFolder dir;
    const std::string image = dir.path("prog.bin");
    std::ofstream(image, std::ios::binary) << std::string(4096, '\x5a');
    const std::string notes = image + ".sorrel-notes";
    std::mt19937 random(20261209);
    std::uint64_t last = 0;
    int kills = 0;
    for (int round = 0; round < 120; ++round) {
        int saving[2];
        ASSERT_EQ(::pipe(saving), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(saving[1], 1);
            ::execl(NOTES_KILL_CHILD, NOTES_KILL_CHILD, image.c_str(), nullptr);
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        ::close(saving[1]);
        // Once it has saved a version (its start may take long under a
        // sanitizer), it is killed at a random moment of the saves after.
        pollfd ready{saving[0], POLLIN, 0};
        const bool saved = ::poll(&ready, 1, 60'000) == 1;
        ::close(saving[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status))
            << "the child ended by itself with status " << WEXITSTATUS(status);
        ++kills;
        ASSERT_TRUE(saved) << "the child did not save";
        NotesFileContent read;
        ASSERT_NO_THROW(read = ReadNotesFileText(Contents(notes))) << "after kill " << kills;
        const std::uint64_t version = VersionOf(*read.notes);
        ASSERT_EQ(read.notes->changes(), VersionNotes(version)->changes())
            << "a mixture of versions";
        ASSERT_GT(version, last) << "each run saves a version after the last one it found";
        last = version;
    }
    EXPECT_EQ(kills, 120);
    // The temporary files of the saves that were killed are left behind,
    // never in the notes file's place.
    int cut = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.root())) {
        cut += entry.path().extension() == ".part" ? 1 : 0;
    }
    RecordProperty("versions_written", std::to_string(last));
    RecordProperty("saves_cut", std::to_string(cut));
}

}  // namespace
}  // namespace sorrel
