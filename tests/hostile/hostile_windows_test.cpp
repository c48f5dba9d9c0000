// Hostile files in the windows: each is loaded after a good image (chosen in
// the dialog, or dropped on the window), reloaded, and shown in the byte-order
// window. None may block; each has one clear outcome (passed over silently,
// listed, or refused through the exception display naming the file), and a
// listing that is not replaced is kept in the main window. A file that
// cannot be opened still becomes the current one, as the dialog chose it; a
// file refused once its read began does not, so that the reload and the
// byte-order window read the file whose listing is shown. The byte-order
// window holds nothing while hidden: shown on a file that cannot be opened
// it is fresh. Then a good image lists as before.
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "hostile_support.h"
#include "window_drop.h"
#include "window_test_support.h"

namespace wintest {
namespace {

using hostile::Drop;
using hostile::Watchdog;
using namespace std::chrono_literals;

enum class Hostile {
    Missing,
    Directory,
    Fifo,  // no writer: a blocking open would hang the window
    DevZero,
    DevNull,
    Empty,
    OneByte,
    FourGiBAndTwo,  // sparse; its low 32 bits of size are 2
    Shrinks,        // cut from 1001 to 10 bytes while the odd-length warning is open
    Unreadable,
};

// Rows value meaning: the listing shown before is kept.
constexpr std::uint64_t Kept = 0;

// What one handler run gives.
struct Outcome {
    std::uint64_t shownRows;  // rows shown, the title row included, or Kept
    int warnings;             // odd-length warnings
    const char* error;        // a piece of the exception display's text, or none
};

// Which file the caption names: the good one shown before, or the hostile one.
enum class Names { Good, Hostile };

// A fresh byte-order window: the title row and one empty row.
constexpr Outcome Fresh = {2, 0, nullptr};

struct HostileCase {
    const char* name;
    Hostile kind;
    Names current;      // the current file after the load (what F5 reads)
    Names afterLoad;    // the caption names the file whose listing is shown
    Names afterReload;  // ... after the reload, and after the check box
    bool dropped;       // dropped on the window rather than chosen in the dialog
    Outcome load;       // the load, through the dialog or the drop
    Outcome reload;     // SpeedButton2Click, and again from a change of the check box
    Outcome byteOrder;  // FormShow of the byte-order window
};

void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

const char* const TooLarge = "слишком велик";
const char* const ReadShort = "прочитан не полностью";
constexpr Outcome Silent = {Kept, 0, nullptr};

constexpr Names Good = Names::Good;
constexpr Names Bad = Names::Hostile;

// The good image listed again by the reload, in the mode the check box asks for.
constexpr Outcome GoodAgain = {5, 0, nullptr};

const HostileCase Cases[] = {
    {"Missing", Hostile::Missing, Bad, Good, Good, false, Silent, Silent, Fresh},
    // The dialog opens a folder typed into it instead of choosing it; a folder
    // dropped on the window is loaded.
    {"Directory", Hostile::Directory, Bad, Good, Good, true, Silent, Silent, Fresh},
    {"FifoWithoutWriter", Hostile::Fifo, Bad, Good, Good, false, Silent, Silent, Fresh},
    {"DevZero", Hostile::DevZero, Bad, Good, Good, false, Silent, Silent, Fresh},
    {"DevNull", Hostile::DevNull, Bad, Good, Good, false, Silent, Silent, Fresh},
    {"Empty",
     Hostile::Empty,
     Bad,
     Bad,
     Bad,
     false,
     {1, 0, nullptr},
     {1, 0, nullptr},
     {1, 0, nullptr}},
    {"OneByte",
     Hostile::OneByte,
     Bad,
     Bad,
     Bad,
     false,
     {1, 1, nullptr},
     {1, 0, nullptr},
     {2, 0, nullptr}},
    // Refused once the read began: the good image stays the current one.
    {"SparseFourGiBAndTwo",
     Hostile::FourGiBAndTwo,
     Good,
     Good,
     Good,
     false,
     {Kept, 0, TooLarge},
     GoodAgain,
     {Kept, 0, nullptr}},
    {"ShrinksWhileRead",
     Hostile::Shrinks,
     Good,
     Good,
     Good,
     false,
     {Kept, 1, ReadShort},
     GoodAgain,
     {Kept, 0, nullptr}},
    {"WithoutReadPermission", Hostile::Unreadable, Bad, Good, Good, false, Silent, Silent, Fresh},
};

class HostileWindowsTest : public WindowsTest, public ::testing::WithParamInterface<HostileCase> {
  protected:
    // Makes the hostile file; empty when the case cannot be made here.
    QString make(Hostile kind) {
        const QString path = imagePath(QStringLiteral("hostile.bin"));
        switch (kind) {
            case Hostile::Missing:
                return path;
            case Hostile::Directory:
                EXPECT_TRUE(QDir().mkdir(path));
                return path;
            case Hostile::Fifo:
                EXPECT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                return path;
            case Hostile::DevZero:
                return QStringLiteral("/dev/zero");
            case Hostile::DevNull:
                return QStringLiteral("/dev/null");
            case Hostile::Empty:
                return writeImage(QStringLiteral("hostile.bin"), QByteArray());
            case Hostile::OneByte:
                return writeImage(QStringLiteral("hostile.bin"), QByteArray(1, '\x81'));
            case Hostile::FourGiBAndTwo:
                if (!hostile::MakeSparseFile(Std(path), (std::uint64_t{1} << 32) + 2)) {
                    return {};
                }
                return path;
            case Hostile::Shrinks:
                writeImage(QStringLiteral("hostile.bin"), QByteArray(1001, '\x55'));
                user_.onMessageBox = [path](QMessageBox* box) {
                    if (box->windowTitle() == WarningTitle) {
                        EXPECT_TRUE(hostile::ResizeFile(Std(path), 10));
                    }
                };
                return path;
            case Hostile::Unreadable:
                writeImage(QStringLiteral("hostile.bin"), Words({1, 2}));
                EXPECT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
                if (hostile::ReadsAnyFile(Std(path))) {
                    return {};
                }
                return path;
        }
        return {};
    }

    // The good image shown in both windows before the hostile one.
    void expectGoodListing(const char* where) {
        SCOPED_TRACE(where);
        ASSERT_EQ(ShownRows(listing()), 5u);
        EXPECT_EQ(Cell(listing(), 0, 1), "1000000000000000");
        EXPECT_EQ(Cell(listing(), 3, 0), "0003(3)");
        EXPECT_EQ(Cell(listing(), 3, 1), "0000001110110011");
    }
    void expectGoodBytes(const char* where) {
        SCOPED_TRACE(where);
        ASSERT_EQ(ShownRows(bytes()), 9u);
        EXPECT_EQ(Cell(bytes(), 6, 1), "0003");
        EXPECT_EQ(Cell(bytes(), 7, 2), "00000011");
    }

    // Checks the boxes that one handler run added and the grid it left.
    void expectOutcome(const char* step, const Outcome& expected, const QString& path,
                       std::size_t boxesBefore, const StringGrid* grid, bool byteGrid) {
        SCOPED_TRACE(step);
        int warningsSeen = 0;
        std::vector<QString> errorsSeen;
        for (std::size_t i = boxesBefore; i < user_.boxes.size(); ++i) {
            const SeenBox& box = user_.boxes[i];
            if (box.title == WarningTitle) {
                ++warningsSeen;
            } else {
                EXPECT_EQ(box.title, ErrorTitle);
                EXPECT_EQ(box.icon, QMessageBox::Critical);
                errorsSeen.push_back(box.text);
            }
        }
        EXPECT_EQ(warningsSeen, expected.warnings);
        if (expected.error == nullptr) {
            EXPECT_TRUE(errorsSeen.empty()) << errorsSeen.front().toStdString();
        } else {
            ASSERT_EQ(errorsSeen.size(), 1u);
            EXPECT_TRUE(errorsSeen[0].contains(QString::fromUtf8(expected.error)))
                << errorsSeen[0].toStdString();
            EXPECT_TRUE(errorsSeen[0].contains(QStringLiteral("\"") + path + "\""))
                << errorsSeen[0].toStdString();
        }
        if (expected.shownRows == Kept) {
            if (byteGrid) {
                expectGoodBytes(step);
            } else {
                expectGoodListing(step);
            }
        } else {
            EXPECT_EQ(ShownRows(grid), expected.shownRows);
        }
    }
};

TEST_P(HostileWindowsTest, HasOneClearOutcomeAndKeepsTheFormerListing) {
    const HostileCase& c = GetParam();
    const QString good =
        writeImage(QStringLiteral("good.bin"), Words({0x8000, 0x07E0, 0x2000, 0x03B3}));
    load(good);
    showByteOrder();
    expectGoodBytes("good image");
    form2()->hide();
    expectGoodListing("good image");

    const QString path = make(c.kind);
    if (path.isEmpty()) {
        GTEST_SKIP() << "this case cannot be made here (running as root, or no sparse files)";
    }

    std::size_t before = user_.boxes.size();
    {
        Watchdog guard(std::string("loading ") + c.name, 15s);
        if (c.dropped) {
            Drop(form1(), path);
        } else {
            load(path);
        }
    }
    EXPECT_EQ(form1()->openDialogFileName(), c.current == Good ? good : path);
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(c.afterLoad == Good ? good : path));
    expectOutcome("load", c.load, path, before, listing(), false);

    before = user_.boxes.size();
    {
        Watchdog guard(std::string("reloading ") + c.name, 15s);
        reload();
    }
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(c.afterReload == Good ? good : path));
    expectOutcome("reload", c.reload, path, before, listing(), false);

    // The check box asks for a raw image: kept when it lists, put back to the
    // mode of the listing shown when it does not.
    before = user_.boxes.size();
    {
        Watchdog guard(std::string("check box on ") + c.name, 15s);
        toggleRaw();
    }
    EXPECT_EQ(form1()->CheckBox1->isChecked(), c.reload.shownRows != Kept);
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(c.afterReload == Good ? good : path));
    expectOutcome("check box", c.reload, path, before, listing(), false);
    form1()->CheckBox1->setChecked(false);
    settle();

    before = user_.boxes.size();
    {
        Watchdog guard(std::string("showing the byte order of ") + c.name, 15s);
        showByteOrder();
    }
    EXPECT_TRUE(form2()->isVisible());
    expectOutcome("byte order", c.byteOrder, path, before, bytes(), true);
    form2()->hide();

    // The program goes on: the next good image lists in both windows.
    user_.onMessageBox = nullptr;
    before = user_.boxes.size();
    const QString next = writeImage(QStringLiteral("next.bin"), Words({0x07E0, 0x0001}));
    load(next);
    showByteOrder();
    EXPECT_EQ(user_.boxes.size(), before);
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(next));
    ASSERT_EQ(ShownRows(listing()), 3u);
    EXPECT_EQ(Cell(listing(), 0, 1), "0000011111100000");
    EXPECT_EQ(ShownRows(bytes()), 5u);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileWindowsTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return std::string(info.param.name);
                         });

using HandlerFaultTest = WindowsTest;

// A real fault inside the reload's own path (run by the button and by the
// check box) and inside a drop reaches the exception display, naming the file;
// the listing stays, and the next run lists normally.
TEST_F(HandlerFaultTest, FaultsInReloadCheckBoxAndDropAreShownAndTheNextRunLists) {
    const QString path = writeImage(QStringLiteral("grows.bin"), Words({0x8000, 0x07E0, 0x0001}));
    load(path);
    ASSERT_EQ(ShownRows(listing()), 4u);
    const std::uint64_t fourGiBAndTwo = (std::uint64_t{1} << 32) + 2;
    if (!hostile::ResizeFile(Std(path), fourGiBAndTwo)) {
        GTEST_SKIP() << "this file system cannot hold a sparse 4 GiB file";
    }

    const auto expectFault = [&](const QString& file, int count) {
        ASSERT_EQ(errors(), count);
        const SeenBox& box = user_.boxes.back();
        EXPECT_EQ(box.title, ErrorTitle);
        EXPECT_EQ(box.objectName, QStringLiteral("ExceptionDisplay"));
        EXPECT_TRUE(box.text.contains(QStringLiteral("\"") + file + "\""))
            << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QStringLiteral("4294967298"))) << box.text.toStdString();
        ASSERT_EQ(ShownRows(listing()), 4u);  // the header-mode listing read before
        EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
        EXPECT_EQ(Cell(listing(), 2, 1), "0000000000000001");
    };
    {
        Watchdog guard("reload of a 4 GiB image", 15s);
        reload();
    }
    expectFault(path, 1);
    {
        Watchdog guard("check box on a 4 GiB image", 15s);
        toggleRaw();
    }
    // Back to the mode of the listing shown, and nothing read again.
    EXPECT_FALSE(form1()->CheckBox1->isChecked());
    expectFault(path, 2);

    // The file shrinks back to its first 6 bytes: the check box's mode shows.
    ASSERT_TRUE(hostile::ResizeFile(Std(path), 6));
    toggleRaw();
    EXPECT_EQ(errors(), 2);
    EXPECT_TRUE(form1()->CheckBox1->isChecked());
    ASSERT_EQ(ShownRows(listing()), 4u);
    EXPECT_EQ(Cell(listing(), 0, 0), "0000h");
    EXPECT_EQ(Cell(listing(), 0, 2), "jmp  0000h");

    // A dropped file too large: shown, and the caption names the file shown.
    const QString huge = imagePath(QStringLiteral("huge.bin"));
    ASSERT_TRUE(hostile::MakeSparseFile(Std(huge), fourGiBAndTwo));
    {
        Watchdog guard("drop of a 4 GiB image", 15s);
        Drop(form1(), huge);
    }
    ASSERT_EQ(errors(), 3);
    EXPECT_TRUE(user_.boxes.back().text.contains(huge));
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(path));
    EXPECT_EQ(Cell(listing(), 0, 2), "jmp  0000h");

    // The next drop lists normally.
    const QString next = writeImage(QStringLiteral("next.bin"), Words({0x07E0}));
    Drop(form1(), next);
    EXPECT_EQ(errors(), 3);
    ASSERT_EQ(ShownRows(listing()), 2u);
    EXPECT_EQ(Cell(listing(), 0, 2), "mov  a0, d7");
}

}  // namespace
}  // namespace wintest
