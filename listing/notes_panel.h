// The notes panel ("Заметки"): every label, comment and bookmark of the image
// in the order of the words, each with its address as the listing shows it,
// in a virtual grid like the results panel's (a note costs nothing to show
// but its texts, made when painted). Enter or a double click goes to the
// note's row; Ctrl+C copies. It lives in a dock at the bottom of the main
// window, hidden until asked for.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "note_set.h"

class QDockWidget;
class QLabel;
class QMainWindow;

namespace sorrel {

class StringGrid;

class NotesPanel : public QWidget {
    Q_OBJECT
  public:
    // Puts the panel into window's bottom dock area, hidden.
    explicit NotesPanel(QMainWindow* window);

    // Shows notes, with the addresses of a listing raw or with a header.
    void setNotes(std::shared_ptr<const NoteSet> notes, bool raw);
    // Shows the panel (its dock).
    void reveal();
    bool isShownInWindow() const;
    StringGrid* grid() const { return grid_; }
    QString heading() const;

  signals:
    // Enter or a double click on the note of row's word.
    void rowActivated(std::uint64_t row);

  private:
    QLabel* heading_;
    StringGrid* grid_;
    QDockWidget* dock_;
    std::shared_ptr<const NoteSet> notes_ = NoteSet::Empty();
};

}  // namespace sorrel
