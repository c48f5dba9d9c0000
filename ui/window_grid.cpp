#include "window_grid.h"

#include <QMessageBox>
#include <QStringList>

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
    QStringList titles;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        grid->setColumnWidth(static_cast<int>(i), columns[i].width);
        titles << QString::fromUtf8(columns[i].title);
    }
    grid->setDefaultRowHeight(WindowGridRowHeight);
    grid->setFont(GridFont());
    grid->setCellFont(GridFont());
    grid->setColumnTitles(titles);
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
                                               "Можно скопировать не более %2 строк.")
                                    .arg(GroupDigits(rows), GroupDigits(StringGrid::MaxCopyRows)),
                                QMessageBox::Ok, window);
    box->setObjectName(CopyRefusedName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace sorrel
