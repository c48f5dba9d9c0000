#include "window_link.h"

#include <QLabel>
#include <QStatusBar>

#include "byteorder.h"
#include "main.h"
#include "stringgrid.h"
#include "window_commands.h"
#include "window_document.h"

namespace sorrel {

WindowLink::WindowLink(TForm1* main, TForm2* bytes)
    : QObject(main), main_(main), bytes_(bytes), file_(new QLabel(bytes->StatusBar1)) {
    file_->setObjectName(QStringLiteral("byteOrderFile"));
    file_->setTextFormat(Qt::PlainText);
    bytes_->StatusBar1->addWidget(file_, 1);
    file_->hide();
    connect(main_->StringGrid1, &StringGrid::currentCellChanged, this,
            [this](std::uint64_t row) { mainMoved(row); });
    connect(bytes_->StringGrid1, &StringGrid::currentCellChanged, this,
            [this](std::uint64_t row) { bytesMoved(row); });
    for (WindowDocument* document : {main_->document(), bytes_->document()}) {
        connect(document, &WindowDocument::changed, this, &WindowLink::showFiles);
    }
    for (WindowCommands* commands : {main_->commands(), bytes_->commands()}) {
        Command command;
        command.section = CommandSection::View;
        command.text = QStringLiteral("Окна заодно");
        command.run = [this] { setFollowing(!following_); };
        command.checked = [this] { return following_; };
        commands->add(std::move(command));
    }
}

void WindowLink::setFollowing(bool following) {
    following_ = following;
    if (following_) {
        mainMoved(main_->StringGrid1->currentRow());
    }
}

bool WindowLink::sameFile() const {
    const auto& words = main_->document()->current();
    const auto& bytes = bytes_->document()->current();
    return words && bytes && bytes_->isVisible() && words->path() == bytes->path();
}

void WindowLink::mainMoved(std::uint64_t row) {
    if (following_ && !moving_ && sameFile()) {
        follow(bytes_->StringGrid1, 2 * row);
    }
}

void WindowLink::bytesMoved(std::uint64_t row) {
    if (following_ && !moving_ && sameFile()) {
        follow(main_->StringGrid1, row / 2);
    }
}

void WindowLink::follow(StringGrid* grid, std::uint64_t row) {
    if (grid->source() == nullptr || row >= grid->rowCount() || row == grid->currentRow()) {
        return;
    }
    moving_ = true;
    const std::uint64_t top = grid->topRow();
    const std::uint64_t inView = grid->visibleRowCount();
    grid->setCurrentCell(row, grid->currentColumn());
    if (row < top || row - top >= inView) {
        grid->scrollToRow(row > inView / 2 ? row - inView / 2 : 0);
    }
    moving_ = false;
}

void WindowLink::showFiles() {
    const auto& words = main_->document()->current();
    const auto& bytes = bytes_->document()->current();
    const bool other = words && bytes && words->path() != bytes->path();
    file_->setText(other ? QStringLiteral("Файл: %1").arg(QString::fromStdString(bytes->path()))
                         : QString());
    file_->setVisible(other);
}

}  // namespace sorrel
