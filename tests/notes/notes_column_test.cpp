// The notes column: labels, comments and the names jumps go to, in both
// modes, on header rows, and the made-up names.
#include "notes_column.h"

#include <string>

#include <gtest/gtest.h>

#include "sorrel_support.h"

namespace sorrel {
namespace {

constexpr std::uint16_t Nop = 0x0000;
std::uint16_t Jmp(int field) {
    return static_cast<std::uint16_t>(0x8000 | field);
}
std::uint16_t Jsr(int field) {
    return static_cast<std::uint16_t>(0x9000 | field);
}
std::uint16_t Jz(int field) {
    return static_cast<std::uint16_t>(0xA000 | field);
}

TEST(NotesColumn, LabelsCommentsAndJumpNamesInBothModes) {
    const auto notes = NoteSet::Of({{0x103, {"main_loop", "wait", false}},
                                    {0x003, {"start", "", false}},
                                    {0x105, {"", "только комментарий", false}},
                                    {0x110, {"", "", true}}});
    const NotesColumn column(notes);
    struct Case {
        const char* name;
        bool raw;
        std::uint64_t row;
        std::uint16_t word;
        std::string text;
        std::string madeUp;  // the part from the returned position on
    };
    const Case cases[] = {
        {"label and comment", true, 0x103, Nop, "main_loop: wait", ""},
        {"a jump to a label", true, 0x103, Jmp(0x003), "main_loop: wait → start", ""},
        {"jsr to a word without label", true, 0x104, Jsr(0x3FE), "→ sub_03FE", "sub_03FE"},
        {"comment, then the jump", true, 0x105, Jz(0x103), "только комментарий → main_loop", ""},
        {"a bookmark shows nothing", true, 0x110, Nop, "", ""},
        {"jz to a word without label", true, 0x110, Jz(0x010), "→ loc_0010", "loc_0010"},
        {"no note, no jump", true, 0x200, Nop, "", ""},
        {"header: the target is 256 on", false, 0x103, Jmp(0x003), "main_loop: wait → main_loop",
         ""},
        {"header row: label, never a jump", false, 0x003, Jmp(0x003), "start:", ""},
        {"header row without note", false, 0x0FF, Jsr(0x000), "", ""},
        {"first program row", false, 0x100, Jsr(0x000), "→ sub_0000", "sub_0000"},
        {"header: comment and made-up name", false, 0x105, Jz(0x3FF),
         "только комментарий → loc_03FF", "loc_03FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out = "before|";
        const std::size_t madeUp = column.appendText(c.row, c.word, c.raw, out);
        EXPECT_EQ(out, "before|" + c.text);
        if (c.madeUp.empty()) {
            EXPECT_EQ(madeUp, std::string::npos);
        } else {
            ASSERT_NE(madeUp, std::string::npos);
            EXPECT_EQ(out.substr(madeUp), c.madeUp);
        }
    }
}

// Every word as a jump row without notes: the column names the jump's
// target exactly when the disassembly is a jump, "sub_" exactly for jsr,
// with the address the disassembly shows.
TEST(NotesColumn, MadeUpNamesFollowTheDisassembly) {
    const NotesColumn column(NoteSet::Empty());
    int jumps = 0;
    for (std::uint32_t w = 0; w < 65536; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        const std::string text(WordText(word));
        std::string out;
        column.appendText(0x500, word, true, out);
        const bool jump = text.size() == 10 && text.back() == 'h' && text.rfind("tdc", 0) != 0;
        if (!jump) {
            EXPECT_EQ(out, "") << text;
            continue;
        }
        ++jumps;
        const std::string prefix = text.rfind("jsr", 0) == 0 ? "sub_" : "loc_";
        EXPECT_EQ(out, "→ " + prefix + text.substr(5, 4)) << text;
    }
    EXPECT_EQ(jumps, 8 * 1024);
}

TEST(NotesColumn, LabelsOfAddressesForTheWindows) {
    const auto notes = NoteSet::Of({{0x3FE, {"raw_name", "", false}},
                                    {0x3FE + 256, {"program_name", "x", false}},
                                    {0x10, {"", "comment only", false}}});
    EXPECT_EQ(LabelOfAddress(*notes, 0x3FE, true), "raw_name");
    EXPECT_EQ(LabelOfAddress(*notes, 0x3FE, false), "program_name");
    EXPECT_EQ(LabelOfAddress(*notes, 0x10, true), std::nullopt);
    EXPECT_EQ(LabelOfAddress(*notes, 0x11, true), std::nullopt);
    EXPECT_EQ(JumpTargetName(*notes, 0x200, Jsr(0x3FE), false), (JumpName{"program_name", false}));
    EXPECT_EQ(JumpTargetName(*notes, 0x200, Jsr(0x3FD), false), (JumpName{"sub_03FD", true}));
    EXPECT_EQ(JumpTargetName(*notes, 0x20, Jsr(0x3FE), false), std::nullopt);  // header row
    EXPECT_EQ(JumpTargetName(*notes, 0x20, Nop, true), std::nullopt);
}

}  // namespace
}  // namespace sorrel
