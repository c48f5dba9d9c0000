// Reading off the GUI thread: the window answers and repaints while a long
// read runs, shows the busy cursor over its grid only then and the progress in
// its status bar, and a read cancelled by Esc, by a new load or by closing the
// byte-order window leaves the listing, the caption and the check box as they
// were, and nothing of it ever arrives.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "window_document.h"
#include "window_test_support.h"

namespace wintest {
namespace {

const QString Cancelled = QStringLiteral("Чтение файла отменено.");

class LoadingTest : public WindowsTest {
  protected:
    // A sparse file: read as zero words, and it takes no disk.
    QString sparse(const QString& name, qint64 size) {
        QFile file(imagePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.resize(size));
        return file.fileName();
    }
    // The window takes the keys, so that Esc reaches it. Waited for before a
    // read starts: once it runs, the test spins no event loop until it acts.
    void activate(QWidget* window) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
    }
    void escape() { QTest::keyClick(listing(), Qt::Key_Escape); }
    static bool busyCursor(const StringGrid* grid) {
        return grid->viewport()->testAttribute(Qt::WA_SetCursor) &&
               grid->viewport()->cursor().shape() == Qt::BusyCursor;
    }
    // The good image listed before each case: three words, header mode.
    QString listGood() {
        const QString good =
            writeImage(QStringLiteral("good.bin"), Words({0x8000, 0x07E0, 0x0001}));
        load(good);
        EXPECT_EQ(ShownRows(listing()), 4u);
        return good;
    }
    void expectGood(const QString& good) {
        EXPECT_EQ(form1()->windowTitle(), CaptionFor(good));
        EXPECT_FALSE(form1()->CheckBox1->isChecked());
        ASSERT_EQ(ShownRows(listing()), 4u);
        EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
        EXPECT_EQ(Cell(listing(), 1, 1), "0000011111100000");
    }
};

// Counts the listings a grid is given.
// The listings a window's grid showed: a new one each time, whatever notes
// and columns come with it.
struct SourceChanges {
    explicit SourceChanges(StringGrid* grid) {
        auto* document = grid->findChild<sorrel::WindowDocument*>();
        EXPECT_NE(document, nullptr);
        QObject::connect(document, &sorrel::WindowDocument::changed, grid, [this] { ++count; });
    }
    int count = 0;
};

TEST_F(LoadingTest, TheWindowAnswersAndRepaintsDuringALongRead) {
    listGood();
    listing()->setCurrentCell(0, 0);
    const QString large = sparse(QStringLiteral("large.bin"), qint64{256} << 20);

    // While the read runs: a 10 ms timer ticks, the grid repaints, a key
    // moves the current cell, and the status bar tells how far the read is.
    int ticks = 0;
    int paints = 0;
    bool moved = false;
    bool progressSeen = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!form1()->loading()) {
            return;
        }
        ++ticks;
        progressSeen |=
            form1()->StatusBar1->currentMessage().startsWith(QStringLiteral("Чтение файла: "));
        if (!moved) {
            QTest::keyClick(listing(), Qt::Key_Down);
            moved = listing()->currentRow() == 1;
        }
        listing()->viewport()->update();
    });
    struct PaintCounter : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                onPaint();
            }
            return false;
        }
    } counter;
    counter.onPaint = [&] { paints += form1()->loading() ? 1 : 0; };
    listing()->viewport()->installEventFilter(&counter);

    activate(form1());
    timer.start(10);
    QElapsedTimer took;
    took.start();
    form1()->openFile(large);
    EXPECT_TRUE(form1()->loading());
    EXPECT_TRUE(busyCursor(listing()));
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(large));  // named before the read
    settle();
    const qint64 readMs = took.elapsed();
    listing()->viewport()->removeEventFilter(&counter);
    RecordProperty("read_ms", std::to_string(readMs));

    EXPECT_GE(ticks, 1) << "no timer tick in " << readMs << " ms of reading";
    EXPECT_GE(paints, 1) << "no repaint in " << readMs << " ms of reading";
    EXPECT_TRUE(moved);
    if (readMs >= 500) {
        EXPECT_TRUE(progressSeen) << "no progress in " << readMs << " ms of reading";
    }
    // Listed whole, in one step; the cursor and the progress line are gone.
    EXPECT_FALSE(busyCursor(listing()));
    EXPECT_EQ(ShownRows(listing()), (std::uint64_t{128} << 20) + 1);
    EXPECT_EQ(Cell(listing(), (std::uint64_t{128} << 20) - 1, 1), "0000000000000000");
    EXPECT_FALSE(form1()->StatusBar1->currentMessage().startsWith(QStringLiteral("Чтение")));
    EXPECT_EQ(errors(), 0);
}

TEST_F(LoadingTest, EscCancelsALoadOrACheckBoxReloadAndLeavesWhatWasShown) {
    const QString good = listGood();
    const QString other = writeImage(QStringLiteral("other.bin"), CountingWords(300));
    SourceChanges changes(listing());
    activate(form1());

    // A load: its caption goes back to the listing's.
    form1()->openFile(other);
    ASSERT_TRUE(form1()->loading());
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(other));
    escape();
    EXPECT_FALSE(form1()->loading());
    EXPECT_FALSE(busyCursor(listing()));
    EXPECT_EQ(form1()->StatusBar1->currentMessage(), Cancelled);
    expectGood(good);
    // The current image stays the one listed: a reload reads it, as does the
    // byte-order window.
    EXPECT_EQ(form1()->openDialogFileName(), good);

    // A reload by the check box: the box goes back to the listing's mode.
    load(good);
    changes.count = 0;
    activate(form1());
    Click(form1()->CheckBox1);
    ASSERT_TRUE(form1()->loading());
    EXPECT_TRUE(form1()->CheckBox1->isChecked());
    escape();
    EXPECT_FALSE(form1()->loading());
    EXPECT_EQ(form1()->StatusBar1->currentMessage(), Cancelled);
    expectGood(good);

    // Nothing of the cancelled reads arrives; the next reload lists normally.
    reload();
    EXPECT_EQ(changes.count, 1);
    expectGood(good);
    EXPECT_EQ(errors(), 0);
}

TEST_F(LoadingTest, ANewLoadCancelsTheOneInProgress) {
    listGood();
    const QString first = writeImage(QStringLiteral("first.bin"), CountingWords(1000));
    const QString second = writeImage(QStringLiteral("second.bin"), Words({0x07E0, 0x8000}));
    SourceChanges changes(listing());

    form1()->openFile(first);
    ASSERT_TRUE(form1()->loading());
    form1()->openFile(second);
    settle();
    // Only the second was listed.
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(second));
    ASSERT_EQ(ShownRows(listing()), 3u);
    EXPECT_EQ(Cell(listing(), 0, 1), "0000011111100000");

    // A load of a file that cannot be opened cancels too, and the caption
    // goes back to the listing shown.
    form1()->openFile(first);
    ASSERT_TRUE(form1()->loading());
    form1()->openFile(imagePath(QStringLiteral("missing.bin")));
    EXPECT_FALSE(form1()->loading());
    settle();
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(second));
    EXPECT_EQ(ShownRows(listing()), 3u);
    EXPECT_TRUE(user_.boxes.empty());
}

TEST_F(LoadingTest, TheCheckBoxDuringAReadReadsAgainInItsNewMode) {
    const QString good = listGood();
    const QString next = writeImage(QStringLiteral("next.bin"), Words({0x07E0, 0x8000}));
    SourceChanges changes(listing());

    // During a load: the same file, in the mode the box now shows.
    form1()->openFile(next);
    ASSERT_TRUE(form1()->loading());
    Click(form1()->CheckBox1);
    settle();
    EXPECT_EQ(changes.count, 1);
    EXPECT_TRUE(form1()->CheckBox1->isChecked());
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(next));
    ASSERT_EQ(ShownRows(listing()), 3u);
    EXPECT_EQ(Cell(listing(), 0, 0), "0000h");
    EXPECT_EQ(Cell(listing(), 1, 2), "jmp  0000h");

    // During a reload of its own: three changes, one listing, in the last mode.
    changes.count = 0;
    for (int i = 0; i < 3; ++i) {
        Click(form1()->CheckBox1);
    }
    settle();
    EXPECT_EQ(changes.count, 1);
    EXPECT_FALSE(form1()->CheckBox1->isChecked());
    EXPECT_EQ(Cell(listing(), 0, 0), "0000(0)");
    EXPECT_EQ(Cell(listing(), 1, 2), "");
    EXPECT_EQ(form1()->windowTitle(), CaptionFor(next));
    EXPECT_EQ(warnings(), 0);
}

TEST_F(LoadingTest, ClosingTheByteOrderWindowCancelsItsRead) {
    const QString good = listGood();
    showByteOrder();
    ASSERT_EQ(ShownRows(bytes()), 7u);
    form2()->hide();
    load(writeImage(QStringLiteral("next.bin"), CountingWords(5000)));
    SourceChanges changes(bytes());

    Click(form1()->SpeedButton3);
    ASSERT_TRUE(form2()->isVisible());
    ASSERT_TRUE(form2()->loading());
    EXPECT_TRUE(busyCursor(bytes()));
    EXPECT_FALSE(busyCursor(listing()));
    ASSERT_TRUE(form2()->close());
    EXPECT_FALSE(form2()->loading());
    EXPECT_FALSE(busyCursor(bytes()));
    EXPECT_EQ(bytes()->source(), nullptr);  // hidden, it holds nothing

    // Shown again: the current image, read now; the cancelled read never shows.
    showByteOrder();
    EXPECT_EQ(changes.count, 2);
    ASSERT_EQ(ShownRows(bytes()), 10001u);
    EXPECT_EQ(Cell(bytes(), 9998, 2), "10000111");
    EXPECT_EQ(errors(), 0);
}

}  // namespace
}  // namespace wintest
