// Find (Ctrl+F, F3, Shift+F3, find all) in both windows and modes, the jumps
// to a row (X), the results panel, and searches cancelled by Esc or by a new
// listing, as the user drives them.
#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "navigation_test_support.h"
#include "scan.h"

namespace wintest {
namespace {

using FindTest = NavigationTest;

// 40 words: mov a0, d7; jmp 0005h; nop; jsr 0003h; nop; jz 0001h; then rst.
std::vector<std::uint16_t> Program() {
    std::vector<std::uint16_t> words(40, 0x0002);
    const std::uint16_t start[] = {0x07E0, Jump(Jmp, 5), 0x0000, Jump(Jsr, 3), 0x0000, Jump(Jz, 1)};
    std::copy(std::begin(start), std::end(start), words.begin());
    return words;
}

// The program after a header of 256 words FFFFh whose word 10 has the bits
// of "jmp 0005h".
std::vector<std::uint16_t> ProgramWithHeader() {
    std::vector<std::uint16_t> words(256, 0xFFFF);
    words[10] = Jump(Jmp, 5);
    const std::vector<std::uint16_t> program = Program();
    words.insert(words.end(), program.begin(), program.end());
    return words;
}

// The texts of a row of a grid, joined as Ctrl+C joins them.
QString RowText(const StringGrid* grid, std::uint64_t row) {
    return Cell(grid, row, 0) + '\t' + Cell(grid, row, 1) + '\t' + Cell(grid, row, 2) + '\n';
}

class FindInWindowsTest : public FindTest {
  protected:
    void SetUp() override {
        FindTest::SetUp();
        raw_ = writeImage(QStringLiteral("raw.bin"), Words(Program()));
        header_ = writeImage(QStringLiteral("header.bin"), Words(ProgramWithHeader()));
    }
    // The window that shows listing, in its mode.
    Window show(Listing listing) {
        form1()->CheckBox1->setChecked(listing != Listing::Header);
        settle();  // a reload in the new mode
        const QString& path = listing == Listing::Header ? header_ : raw_;
        if (form1()->openDialogFileName() != path) {
            load(path);
        }
        if (listing == Listing::Bytes) {
            // It reads the image when first shown; later cases find it shown.
            return byteWindow();
        }
        return mainWindow();
    }
    // The query typed into the find dialog, which is then closed with Esc.
    void setQuery(const Window& w, const QString& query) {
        sorrel::FindDialog* dialog = typeQuery(w, query);
        QTest::keyClick(dialog->edit(), Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(gridHasTheKeys(w)) << "after the find dialog";
    }

    QString raw_;
    QString header_;
};

TEST_F(FindInWindowsTest, F3AndShiftF3FindTheNextAndPreviousMatchWrappingAtTheEnds) {
    const QString wrappedAtEnd = QStringLiteral("Поиск дошёл до конца и продолжен с начала");
    const QString wrappedAtStart = QStringLiteral("Поиск дошёл до начала и продолжен с конца");
    const QString notFound = QStringLiteral("Не найдено");
    struct Case {
        Listing listing;
        const char* query;
        std::uint64_t row;  // the current cell before
        int column;
        bool next;  // F3, else Shift+F3
        std::uint64_t foundRow;
        int foundColumn;
        QString status;
    };
    const Case cases[] = {
        {Listing::Raw, "jmp", 0, 0, true, 1, 2, ""},
        {Listing::Raw, "jmp", 1, 2, true, 1, 2, wrappedAtEnd},
        {Listing::Raw, "jmp", 0, 0, false, 1, 2, wrappedAtStart},
        {Listing::Raw, "j", 1, 2, true, 3, 2, ""},
        {Listing::Raw, "j", 3, 2, false, 1, 2, ""},
        {Listing::Raw, "jmp", 1, 1, true, 1, 2, ""},                // later in the same row
        {Listing::Raw, "1000000000000101", 1, 2, false, 1, 1, ""},  // earlier in the same row
        {Listing::Raw, "0000000000000000", 0, 2, true, 2, 1, ""},
        {Listing::Raw, "JMP 0005H", 0, 0, true, 1, 2, ""},  // any case, a blank for two
        {Listing::Raw, "j? 0*1", 0, 0, true, 5, 2, ""},
        {Listing::Raw, "rst", 0, 0, false, 39, 2, wrappedAtStart},
        {Listing::Raw, "zzz", 3, 1, true, 3, 1, notFound},
        {Listing::Raw, "zzz", 3, 1, false, 3, 1, notFound},
        {Listing::Raw, "0002h", 0, 0, true, 0, 0, notFound},  // addresses are for go-to
        // The header is matched on its bits only.
        {Listing::Header, "1000000000000101", 0, 0, true, 10, 1, ""},
        {Listing::Header, "*", 0, 1, true, 1, 1, ""},
        {Listing::Header, "jmp", 0, 0, true, 257, 2, ""},
        {Listing::Header, "jmp", 257, 2, true, 257, 2, wrappedAtEnd},
        {Listing::Header, "1000000000000101", 257, 1, true, 10, 1, wrappedAtEnd},
        // Bytes in their bits; jmp 0005h lies as 05h, 80h.
        {Listing::Bytes, "10000000", 0, 0, true, 3, 2, ""},
        {Listing::Bytes, "10000000", 3, 2, true, 3, 2, wrappedAtEnd},
        {Listing::Bytes, "1000000?", 10, 2, false, 3, 2, ""},
        {Listing::Bytes, "0003", 0, 0, true, 0, 0, notFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.query) + (c.next ? " F3" : " Shift+F3") + " from row " +
                     std::to_string(c.row));
        const Window w = show(c.listing);
        setQuery(w, QString::fromUtf8(c.query));
        w.grid->setCurrentCell(c.row, c.column);
        w.status->clearMessage();
        const bool couldGoBack = w.navigator->history().canGoBack();
        press(w, c.next ? QKeyCombination(Qt::Key_F3) : (Qt::SHIFT | Qt::Key_F3));
        waitForSearch(w);
        EXPECT_EQ(row(w), c.foundRow);
        EXPECT_EQ(column(w), c.foundColumn);
        EXPECT_EQ(statusText(w), c.status);
        if (c.status == notFound) {
            EXPECT_EQ(w.navigator->history().canGoBack(), couldGoBack);
        } else {
            // A match is a place of the history.
            press(w, Qt::ALT | Qt::Key_Left);
            EXPECT_EQ(row(w), c.row);
            EXPECT_EQ(column(w), c.column);
        }
    }
}

// The dialog: Enter finds the next match, the buttons find the previous one
// and every one, Alt+Enter every one, F3 works in it too; it keeps its text,
// stays open and leaves the keys to the grid when it closes.
TEST_F(FindInWindowsTest, TheFindDialogFindsWhileOpenAndKeepsItsText) {
    const Window main = show(Listing::Raw);
    main.grid->setCurrentCell(0, 0);
    sorrel::FindDialog* dialog = typeQuery(main, QStringLiteral("j"));
    struct Step {
        const char* name;
        std::function<void()> act;
        std::uint64_t row;
    };
    const Step steps[] = {
        {"Enter", [&] { QTest::keyClick(dialog->edit(), Qt::Key_Return); }, 1},
        {"Enter", [&] { QTest::keyClick(dialog->edit(), Qt::Key_Return); }, 3},
        {"F3", [&] { QTest::keyClick(dialog->edit(), Qt::Key_F3); }, 5},
        {"Shift+F3", [&] { QTest::keyClick(dialog->edit(), Qt::Key_F3, Qt::ShiftModifier); }, 3},
        {"the button Предыдущее",
         [&] { Click(dialog->findChild<QPushButton*>(QStringLiteral("findPreviousButton"))); }, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        waitForSearch(main);
        EXPECT_EQ(row(main), step.row);
        EXPECT_EQ(column(main), 2);
        EXPECT_TRUE(dialog->isVisible());
    }
    QTest::keyClick(dialog->edit(), Qt::Key_Return, Qt::AltModifier);
    waitForSearch(main);
    EXPECT_EQ(main.navigator->resultsPanel()->heading(), "Найти все: j — 3");
    EXPECT_EQ(dialog->status(), "Найдено: 3");
    EXPECT_TRUE(dialog->isVisible());

    // Closed, the grid has the keys; opened again, the last text, selected.
    Click(dialog->findChild<QPushButton*>(QStringLiteral("findCloseButton")));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(gridHasTheKeys(main));
    open(main, Qt::CTRL | Qt::Key_F, dialog);
    EXPECT_EQ(dialog->edit()->selectedText(), "j");
    // An empty text finds nothing: the buttons wait for a text.
    dialog->edit()->clear();
    for (const char* name : {"findNextButton", "findPreviousButton", "findAllButton"}) {
        EXPECT_FALSE(dialog->findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled());
    }
    QTest::keyClick(dialog->edit(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    // F3 without a text opens the dialog.
    press(main, Qt::Key_F3);
    EXPECT_TRUE(dialog->isVisible());
    dialog->reject();
}

// Find all and the jumps to a row list their rows in the results panel as the
// window's grid shows them; Enter on a result goes to its row.
TEST_F(FindInWindowsTest, FindAllAndXListRowsInTheResultsPanel) {
    struct Case {
        Listing listing;
        const char* query;  // empty: X on row
        std::uint64_t row;
        QString heading;
        std::vector<std::uint64_t> rows;
    };
    const Case cases[] = {
        {Listing::Raw, "j", 0, "Найти все: j — 3", {1, 3, 5}},
        {Listing::Header, "1000000000000101", 0, "Найти все: 1000000000000101 — 2", {10, 257}},
        {Listing::Header, "zzz", 0, "Найти все: zzz — 0", {}},
        {Listing::Bytes, "10000000", 0, "Найти все: 10000000 — 1", {3}},
        {Listing::Raw, "", 1, "Ссылки на 0001h — 1", {5}},
        {Listing::Raw, "", 3, "Ссылки на 0003h — 1", {3}},  // a jump to itself
        {Listing::Raw, "", 0, "Ссылки на 0000h — 0", {}},
        {Listing::Header, "", 256 + 5, "Ссылки на 0005h — 1", {257}},
    };
    // What the main window's navigator hands out for marks.
    std::shared_ptr<const std::vector<std::uint64_t>> handedOut;
    QObject::connect(mainWindow().navigator, &sorrel::GridNavigator::foundRowsChanged,
                     [&handedOut](auto rows) { handedOut = std::move(rows); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading.toStdString());
        const Window w = show(c.listing);
        sorrel::ResultsPanel* panel = w.navigator->resultsPanel();
        w.grid->setCurrentCell(c.row, 1);
        handedOut.reset();
        if (*c.query != '\0') {
            typeQuery(w, QString::fromUtf8(c.query));
            QTest::keyClick(w.navigator->findDialog()->edit(), Qt::Key_Return, Qt::AltModifier);
            w.navigator->findDialog()->reject();
        } else {
            press(w, Qt::Key_X);
        }
        waitForSearch(w);
        EXPECT_TRUE(panel->isShownInWindow());
        EXPECT_EQ(panel->heading(), c.heading);
        EXPECT_TRUE(panel->note().isEmpty());
        StringGrid* results = panel->grid();
        ASSERT_EQ(results->rowCount(), c.rows.size());
        QString expected;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(RowText(results, i), RowText(w.grid, c.rows[i])) << i;
            expected += RowText(w.grid, c.rows[i]);
        }
        if (*c.query != '\0' && w.window == form1()) {
            ASSERT_TRUE(handedOut);
            EXPECT_EQ(*handedOut, c.rows);
        }
        if (c.rows.empty()) {
            continue;
        }
        // Ctrl+A, Ctrl+C copy as the grids do.
        QGuiApplication::clipboard()->clear();
        results->setFocus();
        QTest::keyClick(results, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(results, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
        // Enter on the last result goes there, keeping the column; it is a
        // place of the history.
        results->setCurrentCell(c.rows.size() - 1, 0);
        QTest::keyClick(results, Qt::Key_Return);
        EXPECT_EQ(row(w), c.rows.back());
        EXPECT_EQ(column(w), 1);
        EXPECT_TRUE(gridHasTheKeys(w));
        press(w, Qt::ALT | Qt::Key_Left);
        EXPECT_EQ(row(w), c.row);
    }

    // X on a header row.
    const Window main = show(Listing::Header);
    main.grid->setCurrentCell(5, 0);
    press(main, Qt::Key_X);
    EXPECT_FALSE(main.navigator->searching());
    EXPECT_EQ(statusText(main), "Строка заголовка не бывает целью перехода.");
}

// The panel's rows belong to the listing they were found in: a new listing
// clears them, and the rows handed out for marks.
TEST_F(FindInWindowsTest, ANewListingClearsTheResults) {
    const Window main = show(Listing::Raw);
    int cleared = 0;
    QObject::connect(main.navigator, &sorrel::GridNavigator::foundRowsChanged,
                     [&cleared](const auto& rows) { cleared += rows ? 0 : 1; });
    setQuery(main, QStringLiteral("j"));
    for (const std::function<void()>& change :
         std::vector<std::function<void()>>{[this] { reload(); }, [this] { toggleRaw(); }}) {
        main.navigator->findAll();
        waitForSearch(main);
        ASSERT_EQ(main.navigator->resultsPanel()->grid()->rowCount(), 3u);
        const int before = cleared;
        change();
        EXPECT_EQ(main.navigator->resultsPanel()->grid()->rowCount(), 0u);
        EXPECT_TRUE(main.navigator->resultsPanel()->heading().isEmpty());
        EXPECT_EQ(cleared, before + 1);
    }
}

TEST_F(FindInWindowsTest, APanelStoppedAtTheLimitSaysSo) {
    const Window main = show(Listing::Raw);
    main.navigator->listRows(
        QStringLiteral("Найдено"), QStringLiteral("Поиск"),
        [](std::stop_token, const sorrel::ProgressFn&) {
            return sorrel::RowList{{0, 1}, true};
        },
        true);
    waitForSearch(main);
    sorrel::ResultsPanel* panel = main.navigator->resultsPanel();
    EXPECT_EQ(panel->heading(), "Найдено — 2");
    const QString limit = QStringLiteral("100\u00A0000\u00A0000");
    EXPECT_EQ(panel->note(), "Показаны первые " + limit + " строк: дальше поиск не пошёл.");
}

// ---- long searches: cancelled by Esc and by a new listing --------------------

// A search that reports its progress until it is asked to stop.
struct EndlessWork {
    std::shared_ptr<std::atomic<bool>> stopped = std::make_shared<std::atomic<bool>>(false);
    sorrel::GridNavigator::RowWork work() const {
        return [stopped = stopped](std::stop_token stop, const sorrel::ProgressFn& progress) {
            while (!stop.stop_requested()) {
                progress(1, 4);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            stopped->store(true);
            return sorrel::RowList{};
        };
    }
};

TEST_F(FindInWindowsTest, ALongSearchShowsItsProgressAndEscOrANewListingCancelsIt) {
    struct Case {
        Listing listing;
        const char* name;
        std::function<void(const Window&)> cancel;
        QString status;  // after the cancel
    };
    const Case cases[] = {
        {Listing::Raw, "Esc", [this](const Window& w) { press(w, Qt::Key_Escape); },
         "Поиск прерван"},
        {Listing::Raw, "reload", [this](const Window&) { reload(); }, ""},
        {Listing::Raw, "check box", [this](const Window&) { toggleRaw(); }, ""},
        {Listing::Raw, "load", [this](const Window&) { load(header_); }, ""},
        {Listing::Bytes, "Esc", [this](const Window& w) { press(w, Qt::Key_Escape); },
         "Поиск прерван"},
        {Listing::Bytes, "shown anew",
         [this](const Window&) {
             form2()->hide();
             showByteOrder();
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Window w = show(c.listing);
        w.grid->setCurrentCell(2, 1);
        const EndlessWork endless;
        w.navigator->listRows(QStringLiteral("Проба"), QStringLiteral("Проба"), endless.work(),
                              true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return statusText(w) == "Проба: 25 %"; }));
        EXPECT_TRUE(w.navigator->searching());
        c.cancel(w);
        EXPECT_FALSE(w.navigator->searching());
        EXPECT_EQ(statusText(w), c.status);
        w.navigator->waitForWorker();
        EXPECT_TRUE(endless.stopped->load());
        QTest::qWait(20);  // nothing it posted arrives
        EXPECT_EQ(w.navigator->resultsPanel()->heading(), "");
        EXPECT_EQ(statusText(w), c.status);
    }
}

// A real search over 64 MiB, cancelled by Esc before it ends, and then run to
// its end.
TEST_F(FindInWindowsTest, EscCancelsAFindOverALargeImage) {
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("large.bin"), QByteArray(64 << 20, '\0')));
    const Window main = mainWindow();
    ASSERT_EQ(main.grid->rowCount(), std::uint64_t{32} << 20);
    setQuery(main, QStringLiteral("zzz"));
    main.grid->setCurrentCell(1000, 1);
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "to its end");
        main.status->clearMessage();
        press(main, Qt::Key_F3);
        ASSERT_TRUE(main.navigator->searching());
        if (cancel) {
            QTest::keyClick(main.grid, Qt::Key_Escape);
            EXPECT_FALSE(main.navigator->searching());
            main.navigator->waitForWorker();
            QTest::qWait(20);
            EXPECT_EQ(statusText(main), "Поиск прерван");
        } else {
            waitForSearch(main);
            EXPECT_EQ(statusText(main), "Не найдено");
        }
        EXPECT_EQ(row(main), 1000u);
        EXPECT_EQ(column(main), 1);
    }
}

}  // namespace
}  // namespace wintest
