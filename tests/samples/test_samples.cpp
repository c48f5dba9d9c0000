// The example images: the generator makes the committed files again byte for
// byte, and their contents are what samples/README.md promises (a header of
// 256 words, a program with every instruction class, an odd length).

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "sorrel_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSamples = SORREL_SAMPLES_DIR;
const char* const kFiles[] = {"header-program.bin", "raw-program.bin", "odd-length.bin"};

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint16_t> Words(const std::vector<std::uint8_t>& bytes, std::size_t from = 0) {
    std::vector<std::uint16_t> words;
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
        words.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return words;
}

class TempDir {
  public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "sorrel-samples-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Runs make-samples with one argument (none when arg is empty) and gives its exit status.
int RunGenerator(const std::string& arg, const fs::path& log) {
    std::string cmd = std::string("'") + SORREL_MAKE_SAMPLES + "'";
    if (!arg.empty()) {
        cmd += " '" + arg + "'";
    }
    cmd += " >'" + log.string() + "' 2>&1";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Generator, MakesTheCommittedFilesAgainByteForByte) {
    TempDir tmp;
    const fs::path out = tmp.path() / "made" / "here";  // folders are created
    ASSERT_EQ(RunGenerator(out.string(), tmp.path() / "log"), 0);
    for (const char* name : kFiles) {
        SCOPED_TRACE(name);
        const auto made = ReadBytes(out / name);
        const auto committed = ReadBytes(kSamples / name);
        ASSERT_FALSE(committed.empty());
        EXPECT_EQ(made, committed) << "regenerate with: make-samples samples";
    }
}

TEST(Generator, RefusesBadArgumentsWithAStatus) {
    TempDir tmp;
    EXPECT_EQ(RunGenerator("", tmp.path() / "log"), 2);  // no folder named
    const fs::path file = tmp.path() / "a-file";
    std::ofstream(file) << "not a folder";
    EXPECT_EQ(RunGenerator(file.string(), tmp.path() / "log"), 1);
    EXPECT_EQ(RunGenerator((file / "below").string(), tmp.path() / "log"), 1);
}

// The program part of the image with a header is the raw image, and the
// header's own fields describe it.
TEST(Samples, HeaderImageIsTheHeaderThenTheRawProgram) {
    const auto withHeader = ReadBytes(kSamples / "header-program.bin");
    const auto raw = ReadBytes(kSamples / "raw-program.bin");
    ASSERT_EQ(withHeader.size(), 512 + raw.size());
    EXPECT_EQ(raw.size() % 2, 0u);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), withHeader.begin() + 512));

    const auto header =
        Words(std::vector<std::uint8_t>(withHeader.begin(), withHeader.begin() + 512));
    const auto program = Words(raw);
    ASSERT_EQ(header.size(), 256u);
    EXPECT_EQ(header[9], program.size());  // length in words
    unsigned sum = 0;
    for (auto w : program) {
        sum = (sum + w) & 0xFFFF;
    }
    EXPECT_EQ(header[12], sum);  // checksum
    for (int i : {11, 16, 17, 18, 19}) {
        EXPECT_LT(header[i], program.size()) << "header word " << i;  // addresses in the program
    }
}

TEST(Samples, ProgramUsesEveryClassAndOneWordOfNone) {
    const auto program = Words(ReadBytes(kSamples / "raw-program.bin"));
    sorrel::Disassembler dis;
    std::set<int> classes;
    int noClass = 0;
    for (std::size_t k = 0; k < program.size(); ++k) {
        const std::uint16_t w = program[k];
        const int cls = sorrel::ClassOfWord(w);
        const std::string text = dis.DecodeWord(sorrel::WordToBits(w).substr(16));
        SCOPED_TRACE("word " + std::to_string(k) + ": " + text);
        if (cls == sorrel::NoClass) {
            ++noClass;
            EXPECT_EQ(text, "");
            continue;
        }
        classes.insert(cls);
        EXPECT_EQ(text.substr(0, 4), sorrel::InstructionTable[cls].mnemonic);
        if (cls >= 38 && cls <= 45) {  // the eight jumps stay inside the program
            EXPECT_LT(w & 0x3FFu, program.size());
        }
    }
    EXPECT_EQ(classes.size(), static_cast<std::size_t>(sorrel::InstructionClassCount));
    EXPECT_EQ(noClass, 1);
    // Every word without operand bits, and both words of rtsc.
    const std::set<std::uint16_t> present(program.begin(), program.end());
    for (std::uint16_t w : {0x0, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0xC, 0xD, 0xE, 0xF}) {
        EXPECT_TRUE(present.count(w)) << "word " << w;
    }
}

// The listing lines quoted in README.md ("0008h  0010010101100011  ldr  #3, ACh")
// are those of the raw program.
TEST(Samples, ReadmeQuotesTheProgramsOwnLines) {
    const auto program = Words(ReadBytes(kSamples / "raw-program.bin"));
    std::ifstream readme(kSamples / "README.md");
    ASSERT_TRUE(readme);
    const std::regex line(R"(^    ([0-9A-F]{4})h  ([01]{16})(  (.*))?$)");
    std::string text;
    int quoted = 0;
    while (std::getline(readme, text)) {
        std::smatch m;
        if (!std::regex_match(text, m, line)) {
            continue;
        }
        ++quoted;
        SCOPED_TRACE(text);
        const std::size_t k = std::stoul(m[1].str(), nullptr, 16);
        ASSERT_LT(k, program.size());
        EXPECT_EQ(m[2].str(), sorrel::WordToBits(program[k]).substr(16));
        EXPECT_EQ(m[4].str(), sorrel::FormatWord(program[k]).view());
    }
    EXPECT_GE(quoted, 3);
}

TEST(Samples, OddLengthImageHasWordsAndOneByteMore) {
    const auto bytes = ReadBytes(kSamples / "odd-length.bin");
    EXPECT_EQ(bytes.size() % 2, 1u);
    const auto words = Words(bytes);
    ASSERT_GE(words.size(), 3u);
    for (auto w : words) {
        EXPECT_NE(sorrel::ClassOfWord(w), sorrel::NoClass) << "word " << w;
    }
}

}  // namespace
