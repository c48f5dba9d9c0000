// Ctrl+S in a window ("Сохранить листинг…"): the window's listing, or only its
// selected rows when more than one row is selected, written to a text file as
// the same text sorrel-dis writes for that window and mode. The text is made
// from the snapshot in memory on a worker thread, written to a temporary file
// in the target's folder and put in the target's place only once it is
// complete and on disk; a failure or a cancel (Esc) removes the temporary file
// and leaves the target as it was. The image being listed is never written
// over.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>

#include "gui_task.h"
#include "image_snapshot.h"
#include "listing_writer.h"

class QWidget;
class StringGrid;

namespace sorrel {

class WindowWork;

// What a window lists.
struct ListedImage {
    // The snapshot listed; null when the window lists nothing.
    std::shared_ptr<const ImageData> image;
    ListingMode mode = ListingMode::Header;
    // The image files the window knows, the one listed first: none of them is
    // ever written over.
    QStringList images;
};

// Rows of a listing as the bytes of the image that they show.
struct ListingSpan {
    std::uint64_t offset = 0;  // the first row's first byte
    std::uint64_t size = 0;
    bool operator==(const ListingSpan&) const = default;
};

// The rows of the listing of an image of imageSize bytes in mode: a row a
// byte in the byte-order listing, a row a whole word in the others.
std::uint64_t ListingRowCount(ListingMode mode, std::uint64_t imageSize);
// The bytes that count rows from row first show.
ListingSpan RowSpan(ListingMode mode, std::uint64_t first, std::uint64_t count);

// Writes the listing of span of image in mode to the descriptor fd, as
// sorrel-dis writes it; progress counts the span's bytes. Returns false when
// it stopped early on stop. Throws std::system_error with the errno of a
// write that failed. For a worker thread.
bool WriteListing(int fd, const ImageData& image, ListingMode mode, ListingSpan span,
                  std::stop_token stop, const ProgressFn& progress);

// What a save may do with its target.
enum class SaveTarget {
    New,             // no such file yet
    Replaces,        // another regular file, replaced as a whole
    IsAnImage,       // one of the images (also through a link or another path): refused
    NotARegularFile  // a device, a FIFO, a folder ...: refused
};
SaveTarget CheckSaveTarget(const QString& target, const QStringList& images);

class ListingExport : public QObject {
    Q_OBJECT
  public:
    // Adds Ctrl+S ("Сохранить листинг…") to window. work: the window's status
    // bar and Esc; grid: its selection chooses the rows, and it gets the keys
    // after the dialog and any message; listed: what the window lists now.
    ListingExport(QWidget* window, WindowWork* work, StringGrid* grid,
                  std::function<ListedImage()> listed);
    // Stops a write in progress and removes its temporary file.
    ~ListingExport() override;

    // Ctrl+S: asks for the file in the save dialog, then saves to it.
    void chooseAndSave();
    // Saves the listing, or the selected rows, to target, as after the dialog.
    void save(const QString& target);
    bool saving() const { return task_.busy(); }
    // Esc: stops the write and removes its temporary file; the target stays.
    void cancel();

  signals:
    // A save ended: written, failed (once its message was closed), cancelled.
    void savingEnded();

  private:
    // A message about target in a box over the window, then the grid gets the keys.
    void tellFailure(const QString& text);
    // Removes the temporary file of the write in progress, if any.
    void removeTemporary();

    QWidget* window_;
    WindowWork* work_;
    StringGrid* grid_;
    std::function<ListedImage()> listed_;
    QString folder_;     // where the last save went
    QString temporary_;  // the temporary file of the write in progress
    GuiTask task_;
};

}  // namespace sorrel
