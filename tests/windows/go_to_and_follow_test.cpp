// Go to (Ctrl+G) in both windows and modes, following a jump (Enter, double
// click) in the main window, and the history of places (Alt+Left, Alt+Right,
// the mouse's back and forward buttons), as the user drives them.
#include <QTest>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "navigation_test_support.h"

namespace wintest {
namespace {

using GoToAndFollowTest = NavigationTest;

// The first row in view that puts row in the middle of the view, as far as
// the ends of the listing allow.
std::uint64_t CentredTop(const StringGrid* grid, std::uint64_t row) {
    const std::uint64_t half = grid->visibleRowCount() / 2;
    return std::min(row > half ? row - half : 0, grid->maxTopRow());
}

TEST_F(GoToAndFollowTest, GoToReachesTheRowItNamesOrKeepsTheDialogOpenWithTheReason) {
    // 2000 words: raw addresses 0000h-07CFh; with the header 0000(0)-00FF(255)
    // and 0000h-06CFh; 4000 bytes 0000(0)-0F9F(3999).
    const QString path = writeImage(QStringLiteral("go.bin"), CountingWords(2000));
    struct Case {
        Listing listing;
        const char* text;
        std::optional<std::uint64_t> row;  // where it goes, from row 1000
        const char* reason;                // or why not
    };
    const Case cases[] = {
        {Listing::Raw, "3fe", 1022, ""},
        {Listing::Raw, "03FEh", 1022, ""},
        {Listing::Raw, "#1999", 1999, ""},
        {Listing::Raw, "+10", 1010, ""},
        {Listing::Raw, "-1000", 0, ""},
        {Listing::Raw, "7d0", std::nullopt,
         "Адреса 07D0h нет в листинге; последний адрес — 07CFh."},
        {Listing::Raw, "00FF(255)", std::nullopt,
         "В \"сыром\" образе нет заголовка; последний адрес — 07CFh."},
        {Listing::Raw, "jmp", std::nullopt,
         "Не адрес: введите адрес, #строку, +N или -N; последний адрес — 07CFh."},
        {Listing::Header, "0000h", 256, ""},
        {Listing::Header, "0", 256, ""},
        {Listing::Header, "3FE", 1278, ""},
        {Listing::Header, "00ff(255)", 255, ""},
        {Listing::Header, "#3", 3, ""},
        {Listing::Header, "6d0", std::nullopt,
         "Адреса 06D0h нет в листинге; последний адрес — 06CFh."},
        {Listing::Bytes, "000A(10)", 10, ""},
        {Listing::Bytes, "a", 10, ""},
        {Listing::Bytes, "0Ah", 10, ""},
        {Listing::Bytes, "#3999", 3999, ""},
        {Listing::Bytes, "-5", 995, ""},
        {Listing::Bytes, "fa0", std::nullopt,
         "Адреса 0FA0(4000) нет в листинге; последний адрес — 0F9F(3999)."},
        {Listing::Bytes, "+3000", std::nullopt,
         "Сдвиг +3000 уходит за конец листинга; последний адрес — 0F9F(3999)."},
    };
    form1()->CheckBox1->setChecked(true);
    load(path);
    Window main = mainWindow();
    Window bytes = byteWindow();
    bool raw = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const bool wantRaw = c.listing == Listing::Raw;
        if (c.listing != Listing::Bytes && wantRaw != raw) {
            toggleRaw();
            raw = wantRaw;
        }
        const Window& w = c.listing == Listing::Bytes ? bytes : main;
        w.grid->setCurrentCell(1000, 2);
        const std::uint64_t top = w.grid->topRow();
        const bool couldGoBack = w.navigator->history().canGoBack();
        sorrel::GoToDialog* dialog = goTo(w, QString::fromUtf8(c.text));
        if (c.row) {
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(row(w), *c.row);
            EXPECT_EQ(column(w), 2);  // the column is kept
            EXPECT_EQ(w.grid->topRow(), CentredTop(w.grid, *c.row));
            EXPECT_TRUE(w.navigator->history().canGoBack());
            EXPECT_TRUE(gridHasTheKeys(w));
        } else {
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(dialog->reason(), QString::fromUtf8(c.reason));
            EXPECT_EQ(dialog->edit()->selectedText(), QString::fromUtf8(c.text));
            EXPECT_EQ(row(w), 1000u);
            EXPECT_EQ(w.grid->topRow(), top);
            EXPECT_EQ(w.navigator->history().canGoBack(), couldGoBack);
            // Esc closes it, and the grid has the keys again.
            QTest::keyClick(dialog->edit(), Qt::Key_Escape);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_TRUE(gridHasTheKeys(w));
        }
    }
}

TEST_F(GoToAndFollowTest, GoToBeforeAnyImageSaysTheListingIsEmpty) {
    Window main = mainWindow();
    sorrel::GoToDialog* dialog = goTo(main, QStringLiteral("0"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->reason(), "Листинг пуст.");
    dialog->reject();
}

// The places of go-to and follow, walked back and forward with Alt+Left,
// Alt+Right and the mouse's buttons; a new jump drops the places forward.
TEST_F(GoToAndFollowTest, BackAndForwardWalkThePlacesWithKeysAndMouseButtons) {
    std::vector<std::uint16_t> words(2000, 0);
    words[300] = Jump(Jmp, 0x3F0);  // raw: to row 1008
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("walk.bin"), Words(words)));
    const Window main = mainWindow();
    const auto mouse = [&main](Qt::MouseButton button) {
        return
            [&main, button] { QTest::mouseClick(main.grid->viewport(), button, {}, QPoint(5, 5)); };
    };
    struct Step {
        const char* name;
        std::function<void()> act;
        std::uint64_t row;
        int column;
    };
    const Step steps[] = {
        {"start", [&] { main.grid->setCurrentCell(5, 1); }, 5, 1},
        {"go to #300", [&] { goTo(main, QStringLiteral("#300")); }, 300, 1},
        {"a move of the user's own, not recorded", [&] { press(main, Qt::Key_Right); }, 300, 2},
        {"follow", [&] { press(main, Qt::Key_Return); }, 1008, 2},
        {"Alt+Left", [&] { press(main, Qt::ALT | Qt::Key_Left); }, 300, 2},
        {"Alt+Left", [&] { press(main, Qt::ALT | Qt::Key_Left); }, 5, 1},
        {"Alt+Left at the oldest place", [&] { press(main, Qt::ALT | Qt::Key_Left); }, 5, 1},
        {"Alt+Right", [&] { press(main, Qt::ALT | Qt::Key_Right); }, 300, 2},
        {"forward button", mouse(Qt::ForwardButton), 1008, 2},
        {"forward button at the newest place", mouse(Qt::ForwardButton), 1008, 2},
        {"back button", mouse(Qt::BackButton), 300, 2},
        {"go to #50 drops the places forward", [&] { goTo(main, QStringLiteral("#50")); }, 50, 2},
        {"Alt+Right goes nowhere", [&] { press(main, Qt::ALT | Qt::Key_Right); }, 50, 2},
        {"Alt+Left", [&] { press(main, Qt::ALT | Qt::Key_Left); }, 300, 2},
    };
    giveKeys(main);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(row(main), step.row);
        EXPECT_EQ(column(main), step.column);
        EXPECT_EQ(main.grid->topRow(), CentredTop(main.grid, step.row));
    }

    // The byte-order window has a history of its own.
    load(writeImage(QStringLiteral("bytes.bin"), CountingWords(500)));
    const Window bytes = byteWindow();
    goTo(bytes, QStringLiteral("#700"));
    goTo(bytes, QStringLiteral("#20"));
    press(bytes, Qt::ALT | Qt::Key_Left);
    EXPECT_EQ(row(bytes), 700u);
    QTest::mouseClick(bytes.grid->viewport(), Qt::BackButton, {}, QPoint(5, 5));
    EXPECT_EQ(row(bytes), 0u);
}

// Rows mean something else after a load, a reload or a change of mode: the
// history is cleared.
TEST_F(GoToAndFollowTest, ANewListingClearsTheHistory) {
    const QString path = writeImage(QStringLiteral("clear.bin"), CountingWords(1000));
    load(path);
    const Window main = mainWindow();
    struct Case {
        const char* name;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"reload", [this] { reload(); }},
        {"check box", [this] { toggleRaw(); }},
        {"load", [&] { load(path); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        goTo(main, QStringLiteral("#10"));
        goTo(main, QStringLiteral("#500"));
        ASSERT_TRUE(main.navigator->history().canGoBack());
        c.act();
        EXPECT_FALSE(main.navigator->history().canGoBack());
        giveKeys(main);
        const std::uint64_t at = row(main);
        press(main, Qt::ALT | Qt::Key_Left);
        EXPECT_EQ(row(main), at);
    }

    // The byte-order window's, when it reads the image again.
    const Window bytes = byteWindow();
    goTo(bytes, QStringLiteral("#10"));
    ASSERT_TRUE(bytes.navigator->history().canGoBack());
    form2()->hide();
    showByteOrder();
    EXPECT_FALSE(bytes.navigator->history().canGoBack());
}

// A jump of each of the eight classes, followed with Enter in both modes,
// and with a double click: to the row of its 10-bit field (256 rows further
// with a header), keeping the column.
TEST_F(GoToAndFollowTest, FollowingAJumpOfEveryClassGoesToItsTargetInBothModes) {
    // 256 words of zeros (a header, or nops in a raw image), then a program
    // of 40 words whose word i < 8 is a jump of class i to address 16 + i.
    const std::uint16_t classes[] = {Jsr, Jmp, Js, Jns, Jz, Jnz, Jc, Jnc};
    std::vector<std::uint16_t> words(256 + 40, 0);
    for (std::uint16_t i = 0; i < 8; ++i) {
        words[256 + i] = Jump(classes[i], 16 + i);
    }
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("jumps.bin"), Words(words)));
    const Window main = mainWindow();
    const char* const mnemonics[] = {"jsr", "jmp", "js ", "jns", "jz ", "jnz", "jc ", "jnc"};
    for (const bool raw : {true, false}) {
        if (form1()->CheckBox1->isChecked() != raw) {
            toggleRaw();
        }
        for (std::uint64_t i = 0; i < 8; ++i) {
            SCOPED_TRACE(std::string(mnemonics[i]) + (raw ? " raw" : " with a header"));
            const std::uint64_t jump = 256 + i;
            const std::uint64_t target = (raw ? 0 : 256) + 16 + i;
            ASSERT_TRUE(Cell(main.grid, jump, 2).startsWith(QString::fromLatin1(mnemonics[i])));
            const int keptColumn = static_cast<int>(i % 3);
            giveKeys(main);
            main.grid->setCurrentCell(jump, keptColumn);
            if (i == 7) {
                QTest::mouseDClick(main.grid->viewport(), Qt::LeftButton, {},
                                   main.grid->cellRect(jump, keptColumn).center());
            } else {
                press(main, Qt::Key_Return);
            }
            EXPECT_EQ(row(main), target);
            EXPECT_EQ(column(main), keptColumn);
            EXPECT_EQ(main.grid->topRow(), CentredTop(main.grid, target));
            press(main, Qt::ALT | Qt::Key_Left);
            EXPECT_EQ(row(main), jump);
        }
    }
}

// Nothing moves where there is nothing to follow, and the status bar says why.
TEST_F(GoToAndFollowTest, FollowTellsWhyItDoesNotGo) {
    std::vector<std::uint16_t> words(256 + 40, 0);
    words[256 + 8] = Jump(Jmp, 0x3FF);  // past the end in both modes
    words[256 + 9] = Jump(Jc, 0x028);   // past the end with the header only
    words[256 + 10] = 0x07E0;           // mov a0, d7
    const QString path = writeImage(QStringLiteral("why.bin"), Words(words));
    struct Case {
        bool raw;
        std::uint64_t row;
        const char* status;
    };
    const Case cases[] = {
        {false, 5, "Строка заголовка не декодируется: перехода нет."},
        {false, 256 + 8, "Переход на 03FFh ведёт за конец образа; последний адрес — 0027h."},
        {false, 256 + 9, "Переход на 0028h ведёт за конец образа; последний адрес — 0027h."},
        {false, 256 + 10, "000Ah — не переход (переходы: jsr, jmp, js, jns, jz, jnz, jc, jnc)."},
        {true, 5, "0005h — не переход (переходы: jsr, jmp, js, jns, jz, jnz, jc, jnc)."},
        {true, 256 + 8, "Переход на 03FFh ведёт за конец образа; последний адрес — 0127h."},
    };
    load(path);
    const Window main = mainWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        if (form1()->CheckBox1->isChecked() != c.raw) {
            toggleRaw();
        }
        giveKeys(main);
        main.grid->setCurrentCell(c.row, 1);
        const std::uint64_t top = main.grid->topRow();
        press(main, Qt::Key_Return);
        EXPECT_EQ(statusText(main), QString::fromUtf8(c.status));
        EXPECT_EQ(row(main), c.row);
        EXPECT_EQ(main.grid->topRow(), top);
        EXPECT_FALSE(main.navigator->history().canGoBack());
    }
}

}  // namespace
}  // namespace wintest
