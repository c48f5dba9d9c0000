// Takes the screenshots of the windows for the documentation: starts the real
// windows as the program does, ticks "Сырой", loads an image through the load
// button and its dialog, opens the byte-order window, and grabs the screen.
// Then finds every jmp into the results panel, shows the go-to dialog's
// reason, shows the jump arrows and the overview strip with its legend, and
// names and comments a few rows of a copy of the raw image (the notes column
// and its panel), opens the grid's menu, lists the image with a header with
// the columns "Hex" and "Текст" (its name read as text), and loads an image of
// odd length to show the warning. Run it under an X server
// (scripts/screenshots.sh starts one).
//
//   window_screenshots RAW_IMAGE ODD_IMAGE HEADER_IMAGE OUTPUT_FOLDER
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <cstdio>

#include "find_dialog.h"
#include "grid_navigator.h"
#include "line_dialog.h"
#include "listing_columns.h"
#include "notes_panel.h"
#include "overview_strip.h"
#include "sorrel_application.h"
#include "sorrel_windows.h"
#include "stringgrid.h"
#include "window_document.h"
#include "window_notes.h"

using namespace sorrel;

namespace {

QString outputFolder;
QString nextFile;

// The window and its frame as the screen shows them.
QPixmap Grab(const QRect& area) {
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                        area.height());
}

void Save(const QPixmap& pixmap, const QString& name) {
    const QString path = QDir(outputFolder).filePath(name);
    if (!pixmap.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s\n", qPrintable(path));
}

void Click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

// Answers the modal windows: the dialog gets the next file's full name, a
// message box is photographed and closed.
void AnswerModalWindows() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        dialog->selectFile(nextFile);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(nextFile);
        QTest::qWait(300);
        static_cast<QDialog*>(dialog)->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        QTest::qWait(500);
        Save(Grab(box->frameGeometry().adjusted(-8, -8, 8, 8)), QStringLiteral("warning.png"));
        box->button(QMessageBox::Ok)->click();
    }
}

}  // namespace

int main(int argc, char** argv) {
    SorrelApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr,
                     "usage: window_screenshots RAW_IMAGE ODD_IMAGE HEADER_IMAGE OUTPUT_FOLDER\n");
        return 2;
    }
    const QString rawImage = QFileInfo(args[1]).absoluteFilePath();
    const QString oddImage = QFileInfo(args[2]).absoluteFilePath();
    const QString headerImage = QFileInfo(args[3]).absoluteFilePath();
    outputFolder = args[4];
    QDir().mkpath(outputFolder);

    SorrelWindows windows = CreateWindows();
    windows.form1->show();
    QTest::qWait(1000);

    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &AnswerModalWindows);
    answer.start(50);

    Click(windows.form1->CheckBox1);
    nextFile = rawImage;
    Click(windows.form1->SpeedButton1);
    if (!QTest::qWaitFor([&] { return !windows.form1->loading(); }, 60000)) {
        std::fprintf(stderr, "the image was not read within a minute\n");
        return 1;
    }
    windows.form1->StringGrid1->setCurrentCell(3, 2);
    QTest::qWait(1500);
    const QRect main = windows.form1->frameGeometry();
    Save(Grab(main), QStringLiteral("main-window.png"));
    // The tool strip four times enlarged, to see the glyphs.
    const QPixmap strip = windows.form1->Panel1->grab(QRect(0, 0, 230, 33));
    Save(strip.scaled(strip.size() * 4, Qt::KeepAspectRatio, Qt::FastTransformation),
         QStringLiteral("tool-strip.png"));

    Click(windows.form1->SpeedButton3);
    QTest::qWait(1000);
    const QRect bytes = windows.form2->frameGeometry();
    Save(Grab(bytes), QStringLiteral("byte-order.png"));
    // Both windows, the byte-order window dragged aside as a user would to
    // see the whole listing.
    windows.form2->move(main.right() + 12, main.top());
    QTest::qWait(1000);
    Save(Grab(main.united(windows.form2->frameGeometry()).adjusted(-10, -10, 10, 10)),
         QStringLiteral("both-windows.png"));

    // Find all: the find dialog beside the main window and the results panel
    // below its listing.
    windows.form2->hide();
    sorrel::GridNavigator* navigator = windows.form1->navigator();
    // Wide enough for the three columns beside the scroll bar; the next match
    // after the last jmp wraps to the first.
    windows.form1->move(40, 60);
    const QSize normalSize = windows.form1->size();
    windows.form1->resize(420, windows.form1->height());
    QTest::qWait(500);
    windows.form1->activateWindow();
    windows.form1->StringGrid1->setCurrentCell(0x38, 2);
    QTest::qWait(300);
    navigator->openFind();
    QTest::qWait(500);
    QLineEdit* query = navigator->findDialog()->edit();
    QTest::keyClicks(query, QStringLiteral("jmp"));
    QTest::keyClick(query, Qt::Key_Return, Qt::AltModifier);
    QTest::qWait(300);
    QTest::keyClick(query, Qt::Key_Return);
    QTest::qWait(1000);
    Save(Grab(windows.form1->frameGeometry()
                  .united(navigator->findDialog()->frameGeometry())
                  .adjusted(-10, -10, 10, 10)),
         QStringLiteral("find-results.png"));
    navigator->findDialog()->reject();

    // Go to an address that is not in the listing: the reason under the text.
    QTest::qWait(300);
    navigator->openGoTo();
    QTest::qWait(500);
    QTest::keyClicks(navigator->goToDialog()->edit(), QStringLiteral("500"));
    QTest::keyClick(navigator->goToDialog()->edit(), Qt::Key_Return);
    QTest::qWait(800);
    Save(Grab(navigator->goToDialog()->frameGeometry().adjusted(-8, -8, 8, 8)),
         QStringLiteral("go-to.png"));
    navigator->goToDialog()->reject();
    QTest::qWait(300);

    // The jump arrows and the overview strip over the whole program, a jump
    // current (its arrows highlighted), and the strip's legend in its tool tip.
    windows.form1->findChild<QDockWidget*>()->hide();
    windows.form1->StatusBar1->clearMessage();
    windows.form1->resize(normalSize.width(), 700);
    windows.form1->StringGrid1->setCurrentCell(0x11, 2);
    windows.form1->StringGrid1->horizontalScrollBar()->setValue(0);
    windows.form1->activateWindow();
    QTest::qWait(800);
    auto* overview = windows.form1->findChild<OverviewStrip*>();
    const QPoint legendAt =
        overview->mapToGlobal(QPoint(overview->width() / 2, overview->height() / 3));
    QToolTip::showText(legendAt, overview->toolTipAt(overview->mapFromGlobal(legendAt)), overview);
    QTest::qWait(800);
    QRect shown = windows.form1->frameGeometry();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->inherits("QTipLabel")) {
            shown = shown.united(top->frameGeometry());
        }
    }
    Save(Grab(shown.adjusted(-10, -10, 10, 10)), QStringLiteral("flow.png"));
    QToolTip::hideText();

    // The image with a header, read as data: its name in the column "Текст".
    Click(windows.form1->CheckBox1);
    nextFile = headerImage;
    Click(windows.form1->SpeedButton1);
    if (!QTest::qWaitFor([&] { return !windows.form1->loading(); }, 60000)) {
        std::fprintf(stderr, "the image with a header was not read within a minute\n");
        return 1;
    }
    ExtraColumns extra = windows.form1->document()->columns();
    extra.hex = true;
    extra.text = true;
    windows.form1->document()->setColumns(extra);
    windows.form1->resize(windows.form1->width(), 400);
    windows.form1->StringGrid1->setCurrentCell(0, 4);
    windows.form1->activateWindow();
    QTest::qWait(1000);
    Save(Grab(windows.form1->frameGeometry().adjusted(-10, -10, 10, 10)),
         QStringLiteral("header-text.png"));

    extra.hex = false;
    extra.text = false;
    windows.form1->document()->setColumns(extra);
    Click(windows.form1->CheckBox1);

    // Notes on a copy of the raw image (its notes file is written beside
    // it): names and comments imported in one step, the column and the panel.
    QTemporaryDir scratch;
    const QString noted = scratch.filePath(QStringLiteral("program.bin"));
    QFile::copy(rawImage, noted);
    const QString names = scratch.filePath(QStringLiteral("names.txt"));
    {
        QFile file(names);
        file.open(QIODevice::WriteOnly);
        file.write(
            "0002h start ; the entry: registers cleared\n"
            "000Ch wait_timer ; until the timer's flag is set\n"
            "001Ch loop_end\n");
    }
    nextFile = noted;
    Click(windows.form1->SpeedButton1);
    if (!QTest::qWaitFor(
            [&] { return !windows.form1->loading() && !windows.form1->notes()->reading(); },
            60000)) {
        std::fprintf(stderr, "the copy of the image was not read within a minute\n");
        return 1;
    }
    windows.form1->notes()->importNamesFrom(names);
    windows.form1->StringGrid1->setCurrentCell(0x11, 3);
    windows.form1->StringGrid1->setCurrentCell(0x0C, 3);
    windows.form1->notes()->panel()->reveal();
    windows.form1->resize(windows.form1->width(), 700);
    windows.form1->activateWindow();
    QTest::qWait(1000);
    Save(Grab(windows.form1->frameGeometry().adjusted(-10, -10, 10, 10)),
         QStringLiteral("notes.png"));
    windows.form1->findChild<QDockWidget*>(QStringLiteral("notesDock"))->hide();

    // The grid's menu, opened with a right click on a row.
    QWidget* viewport = windows.form1->StringGrid1->viewport();
    const QPoint row5(120, 5 * windows.form1->StringGrid1->rowPitch() + 4);
    QTimer::singleShot(800, [&] {
        QMenu* menu = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && qobject_cast<QMenu*>(top) != nullptr) {
                menu = qobject_cast<QMenu*>(top);
            }
        }
        if (menu != nullptr) {
            Save(Grab(windows.form1->frameGeometry()
                          .united(menu->frameGeometry())
                          .adjusted(-10, -10, 10, 10)),
                 QStringLiteral("menu.png"));
            menu->close();
        }
    });
    QContextMenuEvent context(QContextMenuEvent::Mouse, row5, viewport->mapToGlobal(row5));
    QApplication::sendEvent(viewport, &context);
    QTest::qWait(1500);

    nextFile = oddImage;
    Click(windows.form1->SpeedButton1);
    return 0;
}
