// A real process that saves notes in a loop, killed with SIGKILL at random
// moments many times: the notes file it leaves can always be read, and is
// always one whole version of those written.
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
    int advanced = 0;
    for (int round = 0; round < 120; ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(NOTES_KILL_CHILD, NOTES_KILL_CHILD, image.c_str(), nullptr);
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 30000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status))
            << "the child ended by itself with status " << WEXITSTATUS(status);
        ++kills;
        if (!std::filesystem::exists(notes)) {
            continue;  // killed before its first save
        }
        NotesFileContent read;
        ASSERT_NO_THROW(read = ReadNotesFileText(Contents(notes))) << "after kill " << kills;
        const std::uint64_t version = VersionOf(*read.notes);
        ASSERT_EQ(read.notes->changes(), VersionNotes(version)->changes())
            << "a mixture of versions";
        ASSERT_GE(version, last);
        advanced += version > last ? 1 : 0;
        last = version;
    }
    EXPECT_EQ(kills, 120);
    EXPECT_GT(advanced, 10) << "the child saved too seldom to be killed while saving";
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
