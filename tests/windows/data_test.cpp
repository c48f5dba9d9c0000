// Reading data in the windows: the hex and text columns in copies, saves and
// find; the fields of a word in the tool tips; strings in the results panel;
// the regions of empty memory; the instruction classes; the two windows in
// step.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <vector>

#include "classes_window.h"
#include "listing_export.h"
#include "navigation_test_support.h"
#include "results_panel.h"
#include "sorrel_support.h"
#include "window_document.h"
#include "word_fields.h"

namespace wintest {
namespace {

using DataTest = NavigationTest;

// A header of 256 words that begins with "FIRMWARE V1.2.3", then code:
// add d1, b5 on every word but an erased stretch of 64 words of FFFFh.
QByteArray FirmwareImage() {
    QByteArray bytes(512, '\0');
    bytes.replace(0, 15, "FIRMWARE V1.2.3");
    std::vector<std::uint16_t> code(200, 0x11B9);
    for (std::size_t i = 100; i < 164; ++i) {
        code[i] = 0xFFFF;
    }
    return bytes + Words(code);
}

void ShowColumns(StringGrid* grid, bool hex, bool text) {
    auto* document = grid->findChild<sorrel::WindowDocument*>();
    sorrel::ExtraColumns extra = document->columns();
    extra.hex = hex;
    extra.text = text;
    document->setColumns(extra);
}

TEST_F(DataTest, HexAndTextColumnsGoWithTheCopyTheSaveAndFind) {
    const QString image = writeImage(QStringLiteral("firmware.bin"), FirmwareImage());
    load(image);
    const Window main = mainWindow();
    const Window bytes = byteWindow();
    struct Case {
        const Window* w;
        std::vector<QString> titles;
        QString row0;         // row 0 as Ctrl+C copies it
        QStringList args;     // of sorrel-dis for the same listing
        std::uint64_t found;  // the row find goes to for "firmware"
        QString value;        // a value of the hex column of the code
    };
    const Case cases[] = {
        {&main,
         {"Адрес инструкци", "Инструкция", "Мнемоника", "Hex", "Текст"},
         "0000(0)\t0100100101000110\t\t4946\tFI\n",
         {QStringLiteral("--hex"), QStringLiteral("--text")},
         0,
         QStringLiteral("11b9")},
        {&bytes,
         {"Адрес байта", "Адрес слова", "Значение", "Hex", "Текст"},
         "0000(0)\t0000\t01000110\t46\tF\n",
         {QStringLiteral("--bytes"), QStringLiteral("--hex"), QStringLiteral("--text")},
         0,
         QStringLiteral("b9")},
    };
    for (const Case& c : cases) {
        const Window& w = *c.w;
        SCOPED_TRACE(w.name);
        w.window->show();
        const int before = w.window->width();
        ShowColumns(w.grid, true, true);
        ASSERT_EQ(w.grid->columnCount(), static_cast<int>(c.titles.size()));
        // The window grows to show them without scrolling sideways.
        EXPECT_GT(w.window->width(), before);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.grid->width() >= w.grid->widthForColumns(); }))
            << w.grid->width() << " " << w.grid->widthForColumns();
        for (int i = 0; i < w.grid->columnCount(); ++i) {
            EXPECT_EQ(w.grid->columnTitle(i), c.titles[static_cast<std::size_t>(i)]);
        }
        w.grid->setCurrentCell(0, 0);
        w.grid->setCurrentCell(0, w.grid->columnCount() - 1, true);
        EXPECT_EQ(w.grid->selectedText(), c.row0);

        auto* exporter = w.window->findChild<sorrel::ListingExport*>();
        const QString target = imagePath(QStringLiteral("%1.txt").arg(w.name));
        w.grid->setCurrentCell(0, 0);
        exporter->save(target);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !exporter->saving(); }, 20000));
        QProcess dis;
        dis.start(QStringLiteral(SORREL_DIS), c.args + QStringList{image});
        ASSERT_TRUE(dis.waitForFinished(20000));
        QFile saved(target);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll(), dis.readAllStandardOutput());

        // Find looks in the columns: a value, and a text across their rows.
        w.grid->setCurrentCell(300, 0);
        typeQuery(w, QStringLiteral("firmware"));
        QTest::keyClick(w.navigator->findDialog()->edit(), Qt::Key_Return);
        waitForSearch(w);
        EXPECT_EQ(row(w), c.found);
        w.navigator->findDialog()->edit()->clear();
        w.grid->setCurrentCell(300, 0);
        QTest::keyClicks(w.navigator->findDialog()->edit(), c.value);
        QTest::keyClick(w.navigator->findDialog()->edit(), Qt::Key_Return);
        waitForSearch(w);
        EXPECT_GE(row(w), 300u);
        EXPECT_EQ(Cell(w.grid, row(w), 3).toLower(), c.value);
        w.navigator->findDialog()->reject();

        // Hidden again: the listing is its three columns, in the copy too.
        ShowColumns(w.grid, false, false);
        w.grid->setCurrentCell(0, 0);
        w.grid->setCurrentCell(0, 2, true);
        EXPECT_EQ(w.grid->selectedText().count(QLatin1Char('\t')), 2);
    }
}

TEST_F(DataTest, TheToolTipOfAWordNamesItsFields) {
    load(writeImage(QStringLiteral("firmware.bin"), FirmwareImage()));
    const sorrel::CellSource* cells = listing()->source();
    EXPECT_EQ(cells->toolTip(256, 1), QString::fromStdString(sorrel::WordToolTip(0x11B9)));
    EXPECT_TRUE(cells->toolTip(256, 2).contains(QStringLiteral("регистр d1")))
        << cells->toolTip(256, 2).toStdString();
    EXPECT_TRUE(cells->toolTip(0, 1).contains(QStringLiteral("заголовка")));
    EXPECT_TRUE(cells->toolTip(256, 0).isEmpty());
}

TEST_F(DataTest, StringsAreListedWithTheirRows) {
    QByteArray image = FirmwareImage();
    // "NAME" a character a word, in the code.
    const QByteArray wide("N\0A\0M\0E\0", 8);
    image.replace(600, 8, wide);
    load(writeImage(QStringLiteral("firmware.bin"), image));
    const Window w = mainWindow();
    sorrel::ResultsPanel* panel = w.navigator->resultsPanel();
    w.navigator->listStrings(sorrel::StringPacking::Bytes);
    waitForSearch(w);
    ASSERT_GE(panel->grid()->rowCount(), 1u);
    const int detail = panel->grid()->columnCount() - 1;
    EXPECT_EQ(panel->grid()->columnTitle(detail), "Строка");
    EXPECT_EQ(Cell(panel->grid(), 0, detail), "FIRMWARE V1.2.3");
    EXPECT_EQ(Cell(panel->grid(), 0, 0), "0000(0)");
    w.navigator->listStrings(sorrel::StringPacking::Words);
    waitForSearch(w);
    ASSERT_EQ(panel->grid()->rowCount(), 1u);
    EXPECT_EQ(Cell(panel->grid(), 0, detail), "NAME");
    EXPECT_EQ(Cell(panel->grid(), 0, 0), "002Ch");  // word 300
}

TEST_F(DataTest, CtrlDownAndCtrlUpCrossTheEmptyMemory) {
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("firmware.bin"), FirmwareImage()));
    const Window w = mainWindow();
    // Read raw, the zero words of the header after its text are rows 8 to
    // 255, the erased words rows 356 to 419: each run begins on the row
    // before it and ends on the row after it.
    w.grid->setCurrentCell(300, 1);
    const struct {
        QKeyCombination key;
        std::uint64_t row;
    } steps[] = {{Qt::CTRL | Qt::Key_Down, 355}, {Qt::CTRL | Qt::Key_Down, 420},
                 {Qt::CTRL | Qt::Key_Up, 355},   {Qt::CTRL | Qt::Key_Up, 256},
                 {Qt::CTRL | Qt::Key_Up, 7},     {Qt::CTRL | Qt::Key_Up, 7}};
    for (const auto& step : steps) {
        press(w, step.key);
        waitForSearch(w);
        EXPECT_EQ(row(w), step.row);
    }
    EXPECT_FALSE(statusText(w).isEmpty()) << "no boundary above: it says so";
    press(w, Qt::ALT | Qt::Key_Left);
    EXPECT_EQ(row(w), 256u);
}

TEST_F(DataTest, TheClassesWindowCountsTheWordsAndFindsAClass) {
    // With the header: the 200 words of code are counted, not the header.
    load(writeImage(QStringLiteral("firmware.bin"), FirmwareImage()));
    sorrel::ClassesWindow* classes = form1()->classes();
    classes->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !classes->counting(); }, 20000));
    QTableWidget* table = classes->table();
    ASSERT_EQ(table->rowCount(), 56);
    int addRow = -1;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 2)->text() == QStringLiteral("add")) {
            addRow = row;
        }
    }
    ASSERT_GE(addRow, 0);
    EXPECT_EQ(table->item(addRow, 5)->text(), "136");  // 200 words but the 64 erased
    // Sorted by the counts, the most common class first.
    table->sortByColumn(5, Qt::DescendingOrder);
    EXPECT_EQ(table->item(0, 2)->text(), "add");
    listing()->setCurrentCell(300, 1);
    classes->findClassOfRow(0);
    const Window w = mainWindow();
    waitForSearch(w);
    EXPECT_EQ(row(w), 301u);
    classes->hide();
}

TEST_F(DataTest, TheWindowsMoveInStepOnTheSameFile) {
    const QString image = writeImage(QStringLiteral("firmware.bin"), FirmwareImage());
    load(image);
    const Window main = mainWindow();
    const Window bytes = byteWindow();
    giveKeys(main);
    main.grid->setCurrentCell(300, 1);
    EXPECT_EQ(bytes.grid->currentRow(), 600u);
    EXPECT_TRUE(gridHasTheKeys(main)) << "the keys stay where the user is";
    bytes.grid->setCurrentCell(77, 2);
    EXPECT_EQ(main.grid->currentRow(), 38u);
    // Another file in the main window: the byte-order window keeps its own
    // listing, says whose it is, and they no longer follow each other.
    load(writeImage(QStringLiteral("other.bin"), CountingWords(1000)));
    auto* file = form2()->StatusBar1->findChild<QLabel*>(QStringLiteral("byteOrderFile"));
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->isVisible());
    EXPECT_TRUE(file->text().contains(image));
    main.grid->setCurrentCell(10, 1);
    EXPECT_EQ(bytes.grid->currentRow(), 77u);
}

}  // namespace
}  // namespace wintest
