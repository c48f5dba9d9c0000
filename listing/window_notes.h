// The notes of the main window's listing: labels, comments and bookmarks on
// the words of the image, made with the keys, kept in a notes file beside the
// image (or in the user's data folder when the image's folder cannot be
// written), and shown in the listing's notes column.
//
// - N names the current row's word, ";" comments it, Ctrl+D sets or clears
//   its bookmark; F2 and Shift+F2 go to the next and previous bookmark,
//   through the history. Each change is one step of the undo stack (Ctrl+Z,
//   Ctrl+Shift+Z, Ctrl+Y); an import of names from a text file is one step.
// - When a listing of another image is shown, what is pending for the former
//   image is written first; then the image's hash is taken and its notes file
//   read, off the GUI thread. A reload of the same image keeps the notes and
//   their undo steps.
// - Every change is written within a second, off the GUI thread, as a whole
//   new file that takes the former's place. A notes file that cannot be read
//   is never written over, nor one that another program changed since it was
//   read: saving stops and the user is asked to reload it or to save the
//   notes elsewhere (Ctrl+Shift+S). The image is never written.
//
// GUI thread only; the store is used on one worker at a time.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUndoStack>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "gui_task.h"
#include "listing_columns.h"
#include "note_set.h"
#include "notes_store.h"

class QWidget;

namespace sorrel {

class GridNavigator;
class LineDialog;
class NotesPanel;
class WindowCommands;
class WindowDocument;
class WindowWork;

class WindowNotes : public QObject {
    Q_OBJECT
  public:
    WindowNotes(QWidget* window, WindowDocument* document, WindowWork* work,
                WindowCommands* commands, GridNavigator* navigator);
    // Writes what is pending.
    ~WindowNotes() override;

    // The notes of the image listed; empty while none is.
    const std::shared_ptr<const NoteSet>& notes() const { return notes_; }
    QUndoStack* undoStack() { return &undo_; }
    // Where the notes are kept; empty while no image is listed.
    QString path() const;
    NotesPanel* panel() const { return panel_; }
    LineDialog* labelDialog() const { return labelDialog_; }
    LineDialog* commentDialog() const { return commentDialog_; }

    // The commands.
    void editLabel();         // N
    void editComment();       // ;
    void toggleBookmark();    // Ctrl+D
    void nextBookmark();      // F2
    void previousBookmark();  // Shift+F2
    void importNames();       // "Импорт меток…"
    void importNamesFrom(const QString& file);
    void saveAs();  // Ctrl+Shift+S
    void saveAs(const QString& file);
    void toggleColumn();  // Ctrl+Shift+N

    // Writes what is pending now, and waits for a save that runs. False when
    // the notes could not be written (saving stopped).
    bool flush();
    // Closing the window: writes what is pending; when the notes cannot be
    // written, asks whether to save them elsewhere first. False: stay open.
    bool mayClose();
    // The notes are being read, or written, on a worker.
    bool reading() const { return readTask_.busy(); }
    bool writing() const { return writeTask_.busy(); }
    // Blocks until the workers have returned; what they posted arrives in
    // the event loop. For tests.
    void waitForWorkers();

  signals:
    // The notes of the listing changed (a change, an undo, another image).
    void notesChanged(std::shared_ptr<const NoteSet> notes);

  private:
    class Change;

    // A new listing: the former image's notes are written, this image's read.
    void listingChanged();
    // The notes became notes: shown in the listing, handed to the views.
    void show(std::shared_ptr<const NoteSet> notes);
    // Makes changes one step of the undo stack, named text.
    void change(const QString& text, std::vector<NoteChange> changes);
    // Applies changes (a step done or undone) and writes them soon.
    void apply(const std::vector<NoteChange>& changes);
    // The word of the current row, with a message when nothing is listed or
    // the notes are still being read.
    std::optional<std::uint64_t> currentWord();
    void startWrite();
    void written(const SaveResult& result);
    // Another program changed the notes file: reload it, or save elsewhere.
    void resolveConflict(const QString& message);
    void tell(const QString& message);
    void showMessage(const QString& title, const QString& text);
    void goToBookmark(bool next);
    bool raw() const;

    QWidget* window_;
    WindowDocument* document_;
    WindowWork* work_;
    GridNavigator* navigator_;
    LineDialog* labelDialog_;
    LineDialog* commentDialog_;
    NotesPanel* panel_;
    QUndoStack undo_;
    std::shared_ptr<const NoteSet> notes_ = NoteSet::Empty();
    // The notes column the listing shows, over notes_.
    std::shared_ptr<const RowNotes> column_;
    // The store of the image listed: used by one worker at a time, or by the
    // GUI thread while none runs. Null while the notes are read.
    std::shared_ptr<NotesStore> store_;
    QString image_;          // the image whose notes these are
    QString keptAt_;         // where "save as" put them for image_; empty: beside it
    bool dirty_ = false;     // changed since the last write began
    bool inFlight_ = false;  // a write runs whose outcome is not known here yet
    bool stopped_ = false;   // saving stopped: the file cannot be read, or changed elsewhere
    QTimer writeSoon_;
    GuiTask readTask_;
    GuiTask writeTask_;
};

}  // namespace sorrel
