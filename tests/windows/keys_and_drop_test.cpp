// The main window's keys for its buttons (Ctrl+O, F5, Ctrl+B) and files
// dropped on it, loaded as if chosen in the dialog.
#include <QApplication>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "window_test_support.h"

namespace wintest {
namespace {

class KeysAndDropTest : public WindowsTest {
  protected:
    void press(QKeyCombination key) {
        // Shortcuts go to the active window; the dialog that just closed may
        // still hold that place for a moment.
        form1()->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form1(); }));
        QTest::keyClick(form1(), key.key(), key.keyboardModifiers());
        settle();
    }

    // Drags URLs onto the main window and drops them there; true when the
    // window took the drag.
    bool drop(const QList<QUrl>& urls) {
        // The window system routes drags only to a window that takes drops.
        EXPECT_TRUE(form1()->acceptDrops());
        QMimeData mime;
        mime.setUrls(urls);
        const QPoint at = form1()->StringGrid1->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form1(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form1(), &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        QCoreApplication::processEvents();  // the load follows the drop
        settle();
        return true;
    }
};

TEST_F(KeysAndDropTest, KeysRunTheirButtons) {
    const QString path = writeImage(QStringLiteral("keys.bin"), Words({0x8000}));
    user_.willChoose(path);
    press(Qt::CTRL | Qt::Key_O);
    EXPECT_EQ(user_.dialogsSeen, 1);
    EXPECT_TRUE(form1()->windowTitle().contains(path));
    ASSERT_EQ(ShownRows(listing()), 2u);

    writeImage(QStringLiteral("keys.bin"), Words({0x8000, 0x07E0}));
    press(Qt::Key_F5);
    EXPECT_EQ(ShownRows(listing()), 3u);

    press(Qt::CTRL | Qt::Key_B);
    EXPECT_TRUE(form2()->isVisible());
    EXPECT_EQ(ShownRows(bytes()), 5u);
    // The hints are checked with the layout: the keys leave them as they were.
}

TEST_F(KeysAndDropTest, DroppedFileLoadsAsIfChosenInTheDialog) {
    const QString odd = writeImage(QStringLiteral("dropped.bin"), QByteArray("\xE0\x07\x00", 3));
    ASSERT_TRUE(drop({QUrl::fromLocalFile(odd)}));
    EXPECT_EQ(user_.dialogsSeen, 0);
    EXPECT_EQ(form1()->windowTitle(), QStringLiteral("Sorrel Дизассемблер - [") + odd + "]");
    EXPECT_EQ(warnings(), 1);
    ASSERT_EQ(ShownRows(listing()), 2u);
    EXPECT_EQ(Cell(listing(), 0, 1), "0000011111100000");
    EXPECT_EQ(form1()->openDialogFileName(), odd);
    EXPECT_EQ(form1()->OpenDialog1->directory().absolutePath(), QFileInfo(odd).absolutePath());

    // It is the current image: the reload and the byte-order window read it.
    writeImage(QStringLiteral("dropped.bin"), Words({0x8000}));
    reload();
    EXPECT_EQ(Cell(listing(), 0, 1), "1000000000000000");
    showByteOrder();
    EXPECT_EQ(ShownRows(bytes()), 3u);
    EXPECT_EQ(warnings(), 1);
}

TEST_F(KeysAndDropTest, OfSeveralDroppedFilesTheFirstIsLoaded) {
    const QString first = writeImage(QStringLiteral("first.bin"), Words({1, 2, 3}));
    const QString second = writeImage(QStringLiteral("second.bin"), Words({4}));
    ASSERT_TRUE(drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
    EXPECT_EQ(form1()->openDialogFileName(), first);
    EXPECT_EQ(ShownRows(listing()), 4u);
}

TEST_F(KeysAndDropTest, DropsWithoutALocalFileAreRefusedAndMissingFilesIgnored) {
    const QString kept = writeImage(QStringLiteral("kept.bin"), Words({1, 2}));
    ASSERT_TRUE(drop({QUrl::fromLocalFile(kept)}));
    EXPECT_FALSE(drop({QUrl(QStringLiteral("https://example.org/image.bin"))}));
    EXPECT_FALSE(drop({}));
    // A file that cannot be opened: silent, like a name typed in the dialog.
    ASSERT_TRUE(drop({QUrl::fromLocalFile(imagePath(QStringLiteral("missing.bin")))}));
    EXPECT_TRUE(form1()->windowTitle().contains(kept));
    EXPECT_EQ(ShownRows(listing()), 3u);
    EXPECT_TRUE(user_.boxes.empty());
}

}  // namespace
}  // namespace wintest
