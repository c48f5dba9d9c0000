#include "on_screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace sorrel {

void KeepOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!window->isVisible() && window->parentWidget() != nullptr) {
        screen = window->parentWidget()->window()->screen();
    }
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect room = screen->availableGeometry();
    // A window's position is that of its frame.
    const QRect frame = window->frameGeometry();
    const int x = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
    const int y = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top()) {
        window->move(x, y);
    }
}

}  // namespace sorrel
