// Reading an image for a window off the GUI thread. The window opens the file
// itself (a file that cannot be opened is passed over at once, and its size is
// known before the read); the loader reads it on a worker in pieces, shows how
// much has been read in the window's status bar, shows the busy cursor over
// the grid, lets Esc cancel, and hands the whole snapshot back on the GUI
// thread, so the window replaces its listing in one step. A read that fails
// is told through the exception display; nothing of a cancelled read is
// delivered. The image that a new one replaces is freed on a worker too
// (freeing a large image takes a while), and the next read allocates only
// once it is freed, so a window never holds more than two images.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>

#include "background_task.h"
#include "gui_task.h"
#include "image_snapshot.h"

namespace sorrel {

class StringGrid;

class WindowWork;

// What the window does when its read ends. Every callback runs on the GUI
// thread; an empty one is skipped.
struct ImageLoadCallbacks {
    // The whole image was read: the window lists it.
    std::function<void(std::shared_ptr<const ImageData> image)> loaded;
    // The read failed or was cancelled: the window puts back what it changed
    // for this load (the caption, the check box). Runs before any message.
    std::function<void()> notLoaded;
    // After the message of a failed read has been closed.
    std::function<void()> afterMessage;
};

class ImageLoader : public QObject {
    Q_OBJECT
  public:
    // work: the window's status bar and Esc; grid: shows the busy cursor over
    // its cells while a read runs. Both must outlive the loader.
    ImageLoader(WindowWork* work, StringGrid* grid);
    ~ImageLoader() override;

    // Reads file whole on a worker thread. A read in progress is abandoned
    // first. The file is closed by the worker when its read ends.
    void start(ImageFile file, ImageLoadCallbacks callbacks);
    // Stops the read in progress without a word: none of its callbacks runs.
    // For a new load that takes its place.
    void abandon();
    // Stops the read in progress, as Esc does: its notLoaded runs and the
    // status bar says that the read was cancelled. Nothing when none runs.
    void cancel();
    // A read runs.
    bool loading() const { return task_.busy(); }
    // The window lists nothing any more: the image it listed is freed (on a
    // worker), as one that a new image replaces.
    void letGo();
    // The image listed before the current one is still being freed.
    bool releasing() const;

  signals:
    // A read ended: listed, failed (once its message was closed), cancelled
    // or abandoned.
    void loadingEnded();

  private:
    // The read is over (or abandoned): the cursor and the progress line go.
    void ended();
    // Frees the image that the window listed before, on a worker.
    void release(std::shared_ptr<const ImageData> former);

    WindowWork* work_;
    StringGrid* grid_;
    ImageLoadCallbacks callbacks_;
    // The image the window lists (also held by its grid), and the freeing of
    // the one before it: ready once that one is freed.
    std::shared_ptr<const ImageData> shown_;
    std::shared_future<void> released_;
    BackgroundTask releasing_;
    GuiTask task_;
};

// "12 из 64 МиБ (18 %)": done of total bytes; in КиБ below 1 MiB.
QString AmountText(std::uint64_t done, std::uint64_t total);

}  // namespace sorrel
