// Ctrl+S in a window ("Сохранить листинг…"): the window's listing, or only its
// selected rows when more than one row is selected, written to a text file as
// the same text sorrel-dis writes for that window and mode. The text is made
// from the listing document on a worker thread, written to a temporary file
// in the target's folder and put in the target's place only once it is
// complete and on disk (FileReplacement); a failure or a cancel (Esc) removes
// the temporary file and leaves the target as it was. The image being listed
// is never written over.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "file_replacement.h"
#include "gui_task.h"

class QWidget;

namespace sorrel {

class WindowCommands;
class WindowDocument;
class WindowWork;

class ListingExport : public QObject {
    Q_OBJECT
  public:
    // Adds Ctrl+S ("Сохранить листинг…") to the commands of window. work: the
    // window's status bar and Esc; document: what the window lists, and its
    // grid, whose selection chooses the rows and which gets the keys after the
    // dialog and any message; currentImage: the file the window would read
    // next, never written over either.
    ListingExport(QWidget* window, WindowWork* work, WindowDocument* document,
                  std::function<QString()> currentImage, WindowCommands* commands);
    // Stops a write in progress and removes its temporary file.
    ~ListingExport() override;

    // Ctrl+S: asks for the file in the save dialog, then saves to it.
    void chooseAndSave();
    // Saves the listing, or the selected rows, to target, as after the dialog.
    void save(const QString& target);
    bool saving() const { return task_.busy(); }
    // Esc: stops the write and removes its temporary file; the target stays.
    void cancel();
    // Closing the window: while a save runs, asks whether to stop it
    // ("Листинг ещё сохраняется…", No by default). True when the window
    // may close (no save runs, or the user stopped it).
    bool mayClose();

    // Why target cannot be saved to (one of the images, or no regular file);
    // empty when it can. The save dialog says it before any question.
    QString refusal(const QString& target) const;

  signals:
    // A save ended: written, failed (once its message was closed), cancelled.
    void savingEnded();

  private:
    // A message about target in a box over the window, then the grid gets the keys.
    void tellFailure(const QString& text);

    QWidget* window_;
    WindowWork* work_;
    WindowDocument* document_;
    std::function<QString()> currentImage_;
    QString folder_;  // where the last save went
    // The temporary file of the write in progress, until it takes the
    // target's place.
    std::optional<FileReplacement> replacement_;
    GuiTask task_;
};

}  // namespace sorrel
