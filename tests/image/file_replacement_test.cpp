// Writing a file that takes another's place: which targets are refused, and
// what a write leaves behind when it completes, fails or is dropped.
#include "file_replacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "temporary_folder.h"

namespace sorrel {
namespace {

namespace fs = std::filesystem;

std::string Make(const TemporaryFolder& dir, const std::string& name, const std::string& text) {
    const std::string path = dir.path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileReplacement, TargetsThatAreAnImageOrNoRegularFileAreRefused) {
    const TemporaryFolder dir;
    const std::string image = Make(dir, "image.bin", "x");
    const std::string current = Make(dir, "current.bin", "x");
    const std::string other = Make(dir, "other.txt", "x");
    fs::create_symlink(image, dir.path("link.bin"));
    fs::create_hard_link(image, dir.path("hard.bin"));
    fs::create_directory(dir.path("sub"));
    const std::vector<std::string> images = {image, current};

    struct Case {
        std::string target;
        SaveTarget expected;
    };
    const Case cases[] = {
        {dir.path("new.txt"), SaveTarget::New},
        {other, SaveTarget::Replaces},
        {image, SaveTarget::IsAnImage},
        {current, SaveTarget::IsAnImage},
        {dir.path("link.bin"), SaveTarget::IsAnImage},
        {dir.path("hard.bin"), SaveTarget::IsAnImage},
        {dir.path("sub/../image.bin"), SaveTarget::IsAnImage},
        {dir.path("sub"), SaveTarget::NotARegularFile},
        {"/dev/full", SaveTarget::NotARegularFile},
        {"/dev/null", SaveTarget::NotARegularFile},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckSaveTarget(c.target, images), c.expected) << c.target;
    }
}

TEST(FileReplacement, TheTargetChangesOnlyWhenTheWholeFileTakesItsPlace) {
    struct Case {
        const char* name;
        bool existed;  // the target was there before
        bool commit;   // else dropped
    };
    const Case cases[] = {
        {"replaces an old file", true, true},
        {"makes a new file", false, true},
        {"dropped: the old file stays", true, false},
        {"dropped: no file appears", false, false},
    };
    const mode_t mask = ::umask(022);
    ::umask(mask);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TemporaryFolder dir;
        const std::string target = dir.path("listing.txt");
        if (c.existed) {
            Make(dir, "listing.txt", "old");
        }
        {
            FileReplacement replacement(target);
            EXPECT_EQ(fs::path(replacement.temporary()).parent_path(), dir.root());
            EXPECT_EQ(Contents(target), c.existed ? "old" : "") << "untouched while written";
            FileDescriptor file = replacement.takeFile();
            ASSERT_EQ(WriteAll(file.get(), "new"), 0);
            SyncAndClose(std::move(file));
            if (c.commit) {
                replacement.commit();
            }
        }
        const std::vector<std::string> expected = c.existed || c.commit
                                                      ? std::vector<std::string>{"listing.txt"}
                                                      : std::vector<std::string>{};
        EXPECT_EQ(Names(dir.root()), expected) << "no temporary file is left";
        if (c.existed || c.commit) {
            EXPECT_EQ(Contents(target), c.commit ? "new" : "old");
        }
        if (c.commit && !c.existed) {
            struct stat st {};
            ASSERT_EQ(::stat(target.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
        }
    }
}

TEST(FileReplacement, ARenameThatFailsLeavesNoTemporaryFile) {
    const TemporaryFolder dir;
    fs::create_directory(dir.path("target"));
    Make(dir, "target/inside", "x");
    FileReplacement replacement(dir.path("target"));
    SyncAndClose(replacement.takeFile());
    // A folder that is not empty cannot be replaced by a file.
    EXPECT_THROW(replacement.commit(), std::system_error);
    EXPECT_EQ(Names(dir.root()), std::vector<std::string>{"target"});
}

}  // namespace
}  // namespace sorrel
