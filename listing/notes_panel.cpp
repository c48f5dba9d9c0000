#include "notes_panel.h"

#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

#include "listing_text.h"
#include "short_text_qt.h"
#include "stringgrid.h"
#include "window_grid.h"

namespace sorrel {

namespace {

// Note i of the set: its address, label, bookmark and comment.
class NotesSource final : public CellSource {
  public:
    NotesSource(std::shared_ptr<const NoteSet> notes, bool raw)
        : notes_(std::move(notes)), raw_(raw) {}

    std::uint64_t rowCount() const override { return notes_->size(); }
    QString cellText(std::uint64_t row, int column) const override {
        const NoteView note = notes_->at(static_cast<std::size_t>(row));
        switch (column) {
            case 0:
                return ToQString(ListingCellText(note.word, 0, raw_, 0));
            case 1:
                return QString::fromUtf8(note.label.data(),
                                         static_cast<qsizetype>(note.label.size()));
            case 2:
                return note.bookmark ? QStringLiteral("●") : QString();
            case 3:
                return QString::fromUtf8(note.comment.data(),
                                         static_cast<qsizetype>(note.comment.size()));
            default:
                return {};
        }
    }
    bool rowMarked(std::uint64_t row) const override {
        return notes_->at(static_cast<std::size_t>(row)).bookmark;
    }

  private:
    std::shared_ptr<const NoteSet> notes_;
    bool raw_;
};

constexpr GridColumn NotesColumns[] = {
    {"Адрес", 90}, {"Метка", 160}, {"Закладка", 60}, {"Комментарий", 360}};

}  // namespace

NotesPanel::NotesPanel(QMainWindow* window)
    : QWidget(window),
      heading_(new QLabel(this)),
      grid_(new StringGrid(this)),
      dock_(new QDockWidget(QStringLiteral("Заметки"), window)) {
    setObjectName(QStringLiteral("notesPanel"));
    grid_->setObjectName(QStringLiteral("notesGrid"));
    heading_->setTextFormat(Qt::PlainText);
    SetUpWindowGrid(grid_, NotesColumns);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(heading_);
    layout->addWidget(grid_, 1);
    connect(grid_, &StringGrid::cellActivated, this, [this](std::uint64_t row, int) {
        if (row < notes_->size()) {
            emit rowActivated(notes_->at(static_cast<std::size_t>(row)).word);
        }
    });
    connect(grid_, &StringGrid::copyRefused, this,
            [this](std::uint64_t rows) { ShowCopyRefusedMessage(QWidget::window(), rows); });
    dock_->setObjectName(QStringLiteral("notesDock"));
    dock_->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    dock_->setWidget(this);
    window->addDockWidget(Qt::BottomDockWidgetArea, dock_);
    dock_->hide();
    setNotes(notes_, false);
}

void NotesPanel::setNotes(std::shared_ptr<const NoteSet> notes, bool raw) {
    notes_ = std::move(notes);
    grid_->setSource(std::make_shared<const NotesSource>(notes_, raw));
    heading_->setText(QStringLiteral("Заметок: %1 — меток: %2, закладок: %3")
                          .arg(GroupDigits(notes_->size()), GroupDigits(notes_->labelCount()),
                               GroupDigits(notes_->bookmarkCount())));
}

void NotesPanel::reveal() {
    dock_->show();
    dock_->raise();
}

bool NotesPanel::isShownInWindow() const {
    return dock_->isVisible();
}

QString NotesPanel::heading() const {
    return heading_->text();
}

}  // namespace sorrel
