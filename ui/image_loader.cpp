#include "image_loader.h"

#include <QCursor>
#include <chrono>
#include <exception>
#include <utility>

#include "exception_display.h"
#include "image_messages.h"
#include "stringgrid.h"
#include "window_work.h"

namespace sorrel {

namespace {

// The read's line in the status bar.
const WorkLine ReadLine{QStringLiteral("read"),
                        {},
                        [](std::uint64_t done, std::uint64_t total) {
                            return QStringLiteral("Чтение файла: ") + AmountText(done, total);
                        },
                        false};

// Shows what a failed read threw: the reader's own errors in Russian, naming
// the file; anything else with its message.
void ShowReadFailure(const std::exception_ptr& error, std::uint64_t size) {
    try {
        std::rethrow_exception(error);
    } catch (const ImageError& e) {
        ShowExceptionMessage(ImageErrorMessage(e, size));
    } catch (...) {
        ShowException(std::current_exception());
    }
}

// Runs an optional callback with the exception display around it.
template <typename Callback, typename... Args>
void RunCallback(const Callback& callback, Args&&... args) {
    if (callback) {
        RunHandler([&] { callback(std::forward<Args>(args)...); });
    }
}

}  // namespace

ImageLoader::ImageLoader(WindowWork* work, StringGrid* grid)
    : QObject(grid), work_(work), grid_(grid) {
    work_->addCancellable([this] { return loading(); }, [this] { cancel(); });
}

ImageLoader::~ImageLoader() = default;

void ImageLoader::start(ImageFile file, ImageLoadCallbacks callbacks) {
    abandon();
    const std::uint64_t size = file.size();
    // The worker owns the file from here on and closes it when its read ends,
    // before the result is handed over.
    auto owned = std::make_shared<ImageFile>(std::move(file));
    TaskWork<SnapshotRead> work = [owned, released = released_](std::stop_token stop,
                                                                const ProgressFn& progress) {
        ImageFile reading = std::move(*owned);
        // The image before the one listed must be gone before a third is read.
        if (released.valid()) {
            released.wait();
        }
        ReadControl control;
        control.stop = std::move(stop);
        control.progress = progress;
        return ReadSnapshot(reading, control);
    };

    const auto delivered = [this](SnapshotRead&& read) {
        const ImageLoadCallbacks done = std::exchange(callbacks_, {});
        ended();
        if (read.image) {
            std::shared_ptr<const ImageData> former = std::exchange(shown_, read.image);
            RunCallback(done.loaded, std::move(read.image));
            release(std::move(former));
        } else {
            RunCallback(done.notLoaded);
        }
        emit loadingEnded();
    };
    const auto refused = [this, size](std::exception_ptr error) {
        const ImageLoadCallbacks failed = std::exchange(callbacks_, {});
        ended();
        RunCallback(failed.notLoaded);
        ShowReadFailure(error, size);
        RunCallback(failed.afterMessage);
        emit loadingEnded();
    };

    callbacks_ = std::move(callbacks);
    grid_->viewport()->setCursor(Qt::BusyCursor);
    work_->run<SnapshotRead>(task_, ReadLine, std::move(work), delivered, refused);
}

void ImageLoader::abandon() {
    if (!loading()) {
        return;
    }
    task_.cancel();
    callbacks_ = {};
    ended();
    emit loadingEnded();
}

void ImageLoader::cancel() {
    if (!loading()) {
        return;
    }
    task_.cancel();
    const ImageLoadCallbacks cancelled = std::exchange(callbacks_, {});
    ended();
    RunCallback(cancelled.notLoaded);
    work_->tell(QStringLiteral("Чтение файла отменено."));
    emit loadingEnded();
}

void ImageLoader::ended() {
    grid_->viewport()->unsetCursor();
    work_->clearLine(ReadLine);
}

void ImageLoader::letGo() {
    release(std::exchange(shown_, nullptr));
}

bool ImageLoader::releasing() const {
    return released_.valid() &&
           released_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void ImageLoader::release(std::shared_ptr<const ImageData> former) {
    if (!former) {
        return;
    }
    auto freed = std::make_shared<std::promise<void>>();
    released_ = freed->get_future().share();
    releasing_.start<int>(
        [former = std::move(former), freed](std::stop_token, const ProgressFn&) mutable {
            former.reset();
            freed->set_value();
            return 0;
        },
        {});
}

QString AmountText(std::uint64_t done, std::uint64_t total) {
    constexpr std::uint64_t KiB = 1024;
    constexpr std::uint64_t MiB = KiB * KiB;
    const bool large = total >= MiB;
    const std::uint64_t unit = large ? MiB : KiB;
    const std::uint64_t shownTotal = total / unit + (total % unit != 0 ? 1 : 0);
    const std::uint64_t shownDone = done >= total ? shownTotal : done / unit;
    return QStringLiteral("%1 из %2 %3 (%4 %)")
        .arg(QString::number(shownDone), QString::number(shownTotal),
             large ? QStringLiteral("МиБ") : QStringLiteral("КиБ"),
             QString::number(Percent(done, total)));
}

}  // namespace sorrel
