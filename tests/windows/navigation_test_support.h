// What the tests of go-to, follow, find and the results panel share: either
// window as the user drives it, with its grid, status bar and navigator.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

#include "find_dialog.h"
#include "grid_navigator.h"
#include "line_dialog.h"
#include "results_panel.h"
#include "window_test_support.h"

namespace wintest {

// One of the two windows.
struct Window {
    const char* name = "";
    QWidget* window = nullptr;
    StringGrid* grid = nullptr;
    QStatusBar* status = nullptr;
    sorrel::GridNavigator* navigator = nullptr;
};

class NavigationTest : public WindowsTest {
  protected:
    Window mainWindow() {
        return {"main window", form1(), listing(), form1()->StatusBar1, form1()->navigator()};
    }
    // Shows the byte-order window, which reads the current image.
    Window byteWindow() {
        showByteOrder();
        return {"byte-order window", form2(), bytes(), form2()->StatusBar1, form2()->navigator()};
    }

    // The window is the active one and its grid has the keys, as after a
    // click into the grid: the window's keys reach it.
    void giveKeys(const Window& w) {
        w.window->activateWindow();
        w.grid->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return QApplication::activeWindow() == w.window &&
                   QApplication::focusWidget() == w.grid;
        })) << w.name;
    }
    // Whether the window is the active one with the keys in its grid.
    static bool gridHasTheKeys(const Window& w) {
        return QTest::qWaitFor([&] {
            return QApplication::activeWindow() == w.window &&
                   QApplication::focusWidget() == w.grid;
        });
    }
    // A key pressed in the grid, once the window has the keys.
    void press(const Window& w, QKeyCombination key) {
        giveKeys(w);
        QTest::keyClick(w.grid, key.key(), key.keyboardModifiers());
    }

    // The dialog that key opens in the window, once it has the keys.
    template <typename Dialog>
    Dialog* open(const Window& w, QKeyCombination key, Dialog* dialog) {
        press(w, key);
        EXPECT_TRUE(dialog->isVisible()) << w.name;
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == dialog->edit(); }));
        return dialog;
    }

    // Ctrl+G, text typed in the dialog, Enter. The dialog stays open when the
    // text names no row.
    sorrel::GoToDialog* goTo(const Window& w, const QString& text) {
        sorrel::GoToDialog* dialog = open(w, Qt::CTRL | Qt::Key_G, w.navigator->goToDialog());
        QTest::keyClicks(dialog->edit(), text);  // replaces the selected former text
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        return dialog;
    }

    // The find dialog's text, as typed after Ctrl+F; the dialog stays open.
    sorrel::FindDialog* typeQuery(const Window& w, const QString& text) {
        sorrel::FindDialog* dialog = open(w, Qt::CTRL | Qt::Key_F, w.navigator->findDialog());
        QTest::keyClicks(dialog->edit(), text);
        return dialog;
    }

    // Waits until the window's search has delivered its result.
    static void waitForSearch(const Window& w) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.navigator->searching(); }, 60000)) << w.name;
    }

    static std::uint64_t row(const Window& w) { return w.grid->currentRow(); }
    static int column(const Window& w) { return w.grid->currentColumn(); }
    static QString statusText(const Window& w) { return w.status->currentMessage(); }
};

// Image words of the jumps: the class's six leading bits and a 10-bit field.
inline std::uint16_t Jump(std::uint16_t leadingBits, std::uint16_t field) {
    return static_cast<std::uint16_t>(leadingBits << 10 | field);
}
inline constexpr std::uint16_t Jsr = 0b100100, Jmp = 0b100000, Js = 0b110100, Jns = 0b110000,
                               Jz = 0b101000, Jnz = 0b101100, Jc = 0b111100, Jnc = 0b111000;

// How a test lists its image: raw, with a header, or in the byte-order window.
enum class Listing { Raw, Header, Bytes };

}  // namespace wintest
