#include "window_grid.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <algorithm>

#include "on_screen.h"
#include "stringgrid.h"
#include "window_font.h"

namespace sorrel {

namespace {

const QString CopyRefusedName = QStringLiteral("copyRefusedMessage");

}  // namespace

QString GroupDigits(std::uint64_t value) {
    QString digits = QString::number(value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) {
        digits.insert(i, QChar(0x00A0));
    }
    return digits;
}

void SetUpWindowGrid(StringGrid* grid, std::span<const GridColumn> columns) {
    grid->setColumnCount(static_cast<int>(columns.size()));
    grid->setDefaultRowHeight(WindowGridRowHeight);
    grid->setFont(GridFont());
    grid->setCellFont(GridFont());
    QStringList titles;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const QString title = QString::fromUtf8(columns[i].title);
        grid->setColumnWidth(static_cast<int>(i),
                             std::max(columns[i].width, TitleWidth(*grid, title)));
        titles << title;
    }
    grid->setColumnTitles(titles);
}

int TitleWidth(const StringGrid& grid, const QString& title) {
    // The text after its padding, and the title's raised edge.
    return grid.titleRow()->fontMetrics().horizontalAdvance(title) + StringGrid::TextPadding + 3;
}

void GiveGridTheKeys(StringGrid* grid) {
    grid->window()->activateWindow();
    grid->setFocus(Qt::OtherFocusReason);
}

void ShowCopyRefusedMessage(QWidget* window, std::uint64_t rows) {
    if (auto* shown =
            window->findChild<QMessageBox*>(CopyRefusedName, Qt::FindDirectChildrenOnly)) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Копирование"),
                                QStringLiteral("Выделено слишком много строк для копирования: %1.\n"
                                               "Можно скопировать не более %2 строк.\n"
                                               "Все выделенные строки можно сохранить в файл: "
                                               "Ctrl+S, «Сохранить листинг…».")
                                    .arg(GroupDigits(rows), GroupDigits(StringGrid::MaxCopyRows)),
                                QMessageBox::Ok, window);
    box->setObjectName(CopyRefusedName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void WidenForColumns(StringGrid* grid) {
    QWidget* window = grid->window();
    const int missing = grid->widthForColumns() - grid->width();
    if (missing <= 0 || window->isMaximized() || window->isFullScreen()) {
        return;
    }
    const QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    int width = window->width() + missing;
    if (screen != nullptr) {
        // The frame's own width besides the window's.
        const int frame = window->frameGeometry().width() - window->width();
        width = std::min(width, screen->availableGeometry().width() - frame);
    }
    if (width > window->width()) {
        window->resize(width, window->height());
        KeepOnScreen(window);
    }
}

}  // namespace sorrel
