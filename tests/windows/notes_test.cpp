// The notes of the main window as the user makes and keeps them: names,
// comments and bookmarks with the keys, their column in both modes, undo,
// the notes file written and read again, go-to by name, bookmarks in turn,
// an import, the save of a listing with the notes column, and the files that
// are never written over.
#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>
#include <string>
#include <vector>

#include "line_dialog.h"
#include "listing_export.h"
#include "navigation_test_support.h"
#include "window_commands.h"
#include "window_document.h"
#include "window_notes.h"

namespace wintest {
namespace {

// A raw program: mov; jsr 0003h; nop; the target; jmp 0001h; then rst.
std::vector<std::uint16_t> Program() {
    std::vector<std::uint16_t> words(40, 0x0002);
    const std::uint16_t start[] = {0x07E0, Jump(Jsr, 3), 0x0000, 0x0002, Jump(Jmp, 1)};
    std::copy(std::begin(start), std::end(start), words.begin());
    return words;
}

class NotesTest : public NavigationTest {
  protected:
    void SetUp() override {
        NavigationTest::SetUp();
        image_ = writeImage(QStringLiteral("prog.bin"), Words(Program()));
    }
    sorrel::WindowNotes* notes() const { return form1()->notes(); }
    QString notesFile() const { return image_ + QStringLiteral(".sorrel-notes"); }
    // The image listed, raw or with a header, and its notes read.
    void open(bool raw) {
        form1()->CheckBox1->setChecked(raw);
        load(image_);
        settleNotes();
    }
    void settleNotes() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !notes()->reading(); }, 20000));
        QCoreApplication::processEvents();
    }
    // Waits until what was changed is in the notes file.
    QByteArray writtenNotes() {
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return QFile::exists(notesFile()) && !notes()->writing(); }, 5000));
        EXPECT_TRUE(notes()->flush());
        QFile file(notesFile());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    // Types text into a line dialog opened by key on the current row, then Enter.
    sorrel::LineDialog* note(Qt::Key key, sorrel::LineDialog* dialog, const QString& text) {
        if (key == Qt::Key_Semicolon) {
            // As a character: the test library has no ASCII for the key alone.
            giveKeys(mainWindow());
            QTest::keyClick(listing(), ';');
        } else {
            press(mainWindow(), key);
        }
        EXPECT_TRUE(dialog->isVisible());
        // Typed in one go (the test library types ASCII only).
        dialog->edit()->selectAll();
        dialog->edit()->insert(text);
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        return dialog;
    }
    // The text of the notes column (the last column) of row.
    QString notesCell(std::uint64_t row) const {
        return Cell(listing(), row, listing()->columnCount() - 1);
    }

    QString image_;
};

TEST_F(NotesTest, MadeWithTheKeysShownInTheColumnUndoneAndKeptInTheFile) {
    open(true);
    const Window w = mainWindow();
    EXPECT_EQ(listing()->columnCount(), 3) << "no notes: no column";
    w.grid->setCurrentCell(3, 1);
    note(Qt::Key_N, notes()->labelDialog(), QStringLiteral("target"));
    EXPECT_FALSE(notes()->labelDialog()->isVisible());
    // The first note shows the column.
    ASSERT_EQ(listing()->columnCount(), 4);
    EXPECT_EQ(listing()->columnTitle(3), "Заметки");
    note(Qt::Key_Semicolon, notes()->commentDialog(), QStringLiteral("счётчик сброшен"));
    press(w, Qt::CTRL | Qt::Key_D);
    EXPECT_EQ(notesCell(3), "target: счётчик сброшен");
    EXPECT_TRUE(listing()->source()->rowMarked(3));
    // Jumps name where they go: the label, or a name made up, greyed.
    EXPECT_EQ(notesCell(1), "→ target");
    EXPECT_EQ(notesCell(4), "→ loc_0001");
    EXPECT_EQ(listing()->source()->greyedFrom(4, 3), 2);
    EXPECT_EQ(listing()->source()->greyedFrom(1, 3), -1);

    // One step each, undone and redone.
    QUndoStack* undo = notes()->undoStack();
    EXPECT_EQ(undo->count(), 3);
    press(w, Qt::CTRL | Qt::Key_Z);
    EXPECT_FALSE(listing()->source()->rowMarked(3));
    press(w, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(notesCell(3), "target:");
    press(w, Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    press(w, Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(notesCell(3), "target: счётчик сброшен");
    EXPECT_TRUE(listing()->source()->rowMarked(3));

    // Written by themselves, as people read and diff them.
    const QByteArray file = writtenNotes();
    EXPECT_TRUE(file.startsWith("sorrel-notes 1 size=80 xxh3=")) << file.toStdString();
    EXPECT_TRUE(file.endsWith("00000003\ttarget\t*\tсчётчик сброшен\n")) << file.toStdString();

    // The program started again on the same image finds them, in the other
    // mode too: they belong to the word, not to its address.
    windows_.reset();
    windows_ = std::make_unique<SorrelWindows>(CreateWindows());
    form1()->show();
    open(false);
    ASSERT_EQ(listing()->columnCount(), 4);
    EXPECT_EQ(notesCell(3), "target: счётчик сброшен");
    EXPECT_EQ(Cell(listing(), 3, 0), "0003(3)");
    EXPECT_TRUE(notesCell(1).isEmpty()) << "a header word is never decoded: no jump";
    // Ctrl+Shift+N hides the column, and the listing is its three columns.
    press(mainWindow(), Qt::CTRL | Qt::SHIFT | Qt::Key_N);
    EXPECT_EQ(listing()->columnCount(), 3);
}

TEST_F(NotesTest, ANameThatCannotBeIsRefusedInTheDialog) {
    open(true);
    const Window w = mainWindow();
    w.grid->setCurrentCell(3, 1);
    note(Qt::Key_N, notes()->labelDialog(), QStringLiteral("main"));
    const struct {
        const char* name;
        const char* says;
    } cases[] = {
        {"face", "читается как адрес"},
        {"1st", "цифры"},
        {"MAIN", "уже"},
    };
    w.grid->setCurrentCell(5, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sorrel::LineDialog* dialog =
            note(Qt::Key_N, notes()->labelDialog(), QString::fromUtf8(c.name));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->reason().contains(QString::fromUtf8(c.says)))
            << dialog->reason().toStdString();
        dialog->reject();
    }
    EXPECT_EQ(notes()->notes()->size(), 1u);
    EXPECT_TRUE(gridHasTheKeys(w));
}

TEST_F(NotesTest, GoToTakesANameAndBookmarksAreVisitedInTurn) {
    open(true);
    const Window w = mainWindow();
    w.grid->setCurrentCell(30, 1);
    note(Qt::Key_N, notes()->labelDialog(), QStringLiteral("MainLoop"));
    for (const std::uint64_t row : {5, 20}) {
        w.grid->setCurrentCell(row, 1);
        press(w, Qt::CTRL | Qt::Key_D);
    }
    w.grid->setCurrentCell(0, 1);
    goTo(w, QStringLiteral("mainloop"));
    EXPECT_EQ(row(w), 30u);
    // F2 and Shift+F2 go round the bookmarks, through the history.
    const struct {
        Qt::KeyboardModifiers modifiers;
        std::uint64_t row;
        bool wrapped;
    } steps[] = {{Qt::NoModifier, 5, true},
                 {Qt::NoModifier, 20, false},
                 {Qt::NoModifier, 5, true},
                 {Qt::ShiftModifier, 20, true},
                 {Qt::ShiftModifier, 5, false}};
    for (const auto& s : steps) {
        w.status->clearMessage();
        press(w, s.modifiers | Qt::Key_F2);
        EXPECT_EQ(row(w), s.row);
        EXPECT_EQ(statusText(w).startsWith(QStringLiteral("Поиск дошёл до")), s.wrapped);
    }
    press(w, Qt::ALT | Qt::Key_Left);
    EXPECT_EQ(row(w), 20u);
}

// The names that begin with what is typed are listed under the line; one
// Enter in the list goes, to the name chosen there or to the text typed.
TEST_F(NotesTest, OneEnterInTheCompletionListGoes) {
    open(true);
    const Window w = mainWindow();
    for (const auto& [row, name] : {std::pair{10, "main_loop"}, std::pair{20, "main_exit"}}) {
        w.grid->setCurrentCell(row, 1);
        note(Qt::Key_N, notes()->labelDialog(), QString::fromLatin1(name));
    }
    const struct {
        const char* typed;
        int downs;  // Down presses in the list (in the order of the names) before Enter
        std::uint64_t row;
    } cases[] = {{"MAIN_EXIT", 0, 20}, {"main", 1, 20}, {"main", 2, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        w.grid->setCurrentCell(0, 1);
        sorrel::GoToDialog* dialog =
            NavigationTest::open(w, Qt::CTRL | Qt::Key_G, w.navigator->goToDialog());
        QTest::keyClicks(dialog->edit(), QString::fromLatin1(c.typed));
        QWidget* list = dialog->edit()->completer()->popup();
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }));
        for (int i = 0; i < c.downs; ++i) {
            QTest::keyClick(list, Qt::Key_Down);
        }
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_FALSE(list->isVisible());
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(row(w), c.row);
    }
}

TEST_F(NotesTest, AnImportIsAllOrNothingAndOneStep) {
    open(true);
    const QString bad = writeImage(QStringLiteral("bad.txt"),
                                   "0003h start ; the first\nzzz loop\n#1 loop\n0400h far\n");
    notes()->importNamesFrom(bad);
    ASSERT_FALSE(user_.boxes.empty());
    const SeenBox& box = user_.boxes.back();
    EXPECT_TRUE(box.text.contains(QStringLiteral("Строка 2"))) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("Строка 4"))) << box.text.toStdString();
    EXPECT_TRUE(notes()->notes()->empty());

    const QString good = writeImage(QStringLiteral("good.txt"),
                                    "0003h start ; the first\n#20 loop\n00000001h entry\n");
    notes()->importNamesFrom(good);
    EXPECT_EQ(notes()->notes()->labelCount(), 3u);
    EXPECT_EQ(notes()->undoStack()->count(), 1);
    EXPECT_EQ(notesCell(3), "start: the first");
    notes()->undoStack()->undo();
    EXPECT_TRUE(notes()->notes()->empty());
}

TEST_F(NotesTest, TheSaveWithTheNotesColumnIsSorrelDisWithItsNotes) {
    open(false);
    const Window w = mainWindow();
    for (const auto& [row, name] : {std::pair{256 + 3, "target"}, std::pair{2, "header_two"}}) {
        w.grid->setCurrentCell(static_cast<std::uint64_t>(row), 1);
        note(Qt::Key_N, notes()->labelDialog(), QString::fromUtf8(name));
    }
    writtenNotes();
    auto* exporter = form1()->findChild<sorrel::ListingExport*>();
    const QString target = imagePath(QStringLiteral("listing.txt"));
    exporter->save(target);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !exporter->saving(); }, 20000));
    QProcess dis;
    dis.start(QStringLiteral(SORREL_DIS), {QStringLiteral("--notes"), notesFile(), image_});
    ASSERT_TRUE(dis.waitForFinished(20000));
    EXPECT_EQ(dis.exitCode(), 0) << dis.readAllStandardError().toStdString();
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), dis.readAllStandardOutput());
}

TEST_F(NotesTest, AFileThatCannotBeReadOrThatAnotherProgramChangedIsNeverWrittenOver) {
    // Hand-edited wrongly: the message names the line, nothing is written.
    const QByteArray broken = "sorrel-notes 1 size=80 xxh3=0000000000000000\nzz\tname\n";
    writeImage(QStringLiteral("prog.bin.sorrel-notes"), broken);
    open(true);
    ASSERT_FALSE(user_.boxes.empty());
    EXPECT_TRUE(user_.boxes.back().text.contains(QStringLiteral("строка 2")))
        << user_.boxes.back().text.toStdString();
    const Window w = mainWindow();
    w.grid->setCurrentCell(3, 1);
    note(Qt::Key_N, notes()->labelDialog(), QStringLiteral("kept"));
    EXPECT_FALSE(notes()->flush());
    QFile file(notesFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), broken);
    file.close();
    // Saved elsewhere, they are kept there from now on.
    const QString elsewhere = imagePath(QStringLiteral("mine.sorrel-notes"));
    notes()->saveAs(elsewhere);
    EXPECT_EQ(notes()->path(), elsewhere);
    w.grid->setCurrentCell(4, 1);
    note(Qt::Key_N, notes()->labelDialog(), QStringLiteral("later"));
    EXPECT_TRUE(notes()->flush());
    QFile mine(elsewhere);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mine.readAll().contains("later"));
    mine.close();
    // A reload reads them there again, not the broken file beside the image.
    form1()->SpeedButton2->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form1()->loading(); }, 20000));
    settleNotes();
    EXPECT_EQ(notes()->path(), elsewhere);
    EXPECT_TRUE(notesCell(4).startsWith(QStringLiteral("later:"))) << notesCell(4).toStdString();

    // Another program writes the file: the next save asks, and "Перечитать"
    // takes its notes.
    QFile other(elsewhere);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    QByteArray theirs = other.readAll();
    other.close();
    theirs.replace("later", "theirs");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly | QIODevice::Truncate));
    other.write(theirs);
    other.close();
    int asked = 0;
    user_.onMessageBox = [&](QMessageBox* box) {
        if (box->objectName() == QStringLiteral("notesConflict")) {
            ++asked;
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == QStringLiteral("Перечитать")) {
                    button->click();
                }
            }
        }
    };
    w.grid->setCurrentCell(6, 1);
    note(Qt::Key_N, notes()->labelDialog(), QStringLiteral("mine"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked == 1; }, 5000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return notes()->notes()->wordOfLabel("theirs").has_value(); }));
    EXPECT_FALSE(notes()->notes()->wordOfLabel("mine").has_value());
}

TEST_F(NotesTest, TheirNamesAreWhereverAPlaceIsNamed) {
    open(true);
    const Window w = mainWindow();
    w.grid->setCurrentCell(1, 1);
    note(Qt::Key_N, notes()->labelDialog(), QStringLiteral("entry"));
    press(w, Qt::Key_X);
    waitForSearch(w);
    EXPECT_EQ(w.navigator->resultsPanel()->heading(), "Ссылки на 0001h (entry) — 1");
    // Find looks in the column: the jump to it, by its name.
    typeQuery(w, QString())->edit()->setText(QStringLiteral("→ entry"));
    QTest::keyClick(w.navigator->findDialog()->edit(), Qt::Key_Return, Qt::AltModifier);
    waitForSearch(w);
    EXPECT_EQ(w.navigator->resultsPanel()->heading(), "Найти все: → entry — 1");
    w.navigator->findDialog()->reject();
}

}  // namespace
}  // namespace wintest
