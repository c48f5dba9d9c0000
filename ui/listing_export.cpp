#include "listing_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "exception_display.h"
#include "file_dialog.h"
#include "posix_io.h"
#include "stringgrid.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

namespace {

const QString SaveTitle = QStringLiteral("Сохранить листинг");
const QString NothingListed = QStringLiteral("Нет листинга для сохранения.");
// The key of the save's line in the status bar.
const QString SaveKey = QStringLiteral("save");

// Image bytes listed between two looks at the stop token: a few milliseconds.
constexpr std::size_t ListingPiece = std::size_t{256} << 10;

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString NotSavedText(const QString& target, const QString& reason) {
    return QStringLiteral("Не удалось сохранить листинг в файл \"%1\": %2.").arg(target, reason);
}

std::optional<struct stat> StatOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return std::nullopt;
    }
    return st;
}

// A new file beside target, made for this save alone (never one that was
// there), with the mode a new file gets (0666 less the umask). Empty, with
// the system's error, when it cannot be made.
std::optional<FileDescriptor> CreateTemporaryBeside(const QString& target, QString* name,
                                                    int* error) {
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = info.dir().filePath(
            QStringLiteral(".%1.%2.part")
                .arg(info.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *name = candidate;
            return FileDescriptor::owned(fd);
        }
        *error = errno;
        if (*error != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// The work of a save: the listing to the temporary file, then to disk. The
// file is closed before the result is handed over.
TaskWork<std::uint64_t> SaveWork(std::shared_ptr<FileDescriptor> file, ListedImage listed,
                                 ListingSpan span, std::uint64_t rows) {
    return [file = std::move(file), listed = std::move(listed), span, rows](
               std::stop_token stop, const ProgressFn& progress) -> std::uint64_t {
        const FileDescriptor writing = std::move(*file);
        if (!WriteListing(writing.get(), *listed.image, listed.mode, span, stop, progress)) {
            return 0;  // stopped: nothing is delivered
        }
        if (::fsync(writing.get()) != 0) {
            throw std::system_error(errno, std::generic_category());
        }
        return rows;
    };
}

}  // namespace

std::uint64_t ListingRowCount(ListingMode mode, std::uint64_t imageSize) {
    return mode == ListingMode::Bytes ? imageSize : imageSize / 2;
}

ListingSpan RowSpan(ListingMode mode, std::uint64_t first, std::uint64_t count) {
    const std::uint64_t bytesPerRow = mode == ListingMode::Bytes ? 1 : 2;
    return {first * bytesPerRow, count * bytesPerRow};
}

bool WriteListing(int fd, const ImageData& image, ListingMode mode, ListingSpan span,
                  std::stop_token stop, const ProgressFn& progress) {
    int error = 0;
    ListingWriter writer(
        mode,
        [fd, &error](std::string_view text) {
            error = WriteAll(fd, text);
            return error == 0;
        },
        span.offset);
    for (std::uint64_t done = 0; done < span.size;) {
        if (stop.stop_requested()) {
            return false;
        }
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(ListingPiece, span.size - done));
        if (!writer.write(image.data() + span.offset + done, piece)) {
            throw std::system_error(error, std::generic_category());
        }
        done += piece;
        if (progress) {
            progress(done, span.size);
        }
    }
    if (!writer.finish()) {
        throw std::system_error(error, std::generic_category());
    }
    return true;
}

SaveTarget CheckSaveTarget(const QString& target, const QStringList& images) {
    const std::optional<struct stat> existing = StatOf(target);
    if (!existing) {
        return SaveTarget::New;
    }
    for (const QString& image : images) {
        const std::optional<struct stat> st = StatOf(image);
        if (st && st->st_dev == existing->st_dev && st->st_ino == existing->st_ino) {
            return SaveTarget::IsAnImage;
        }
    }
    return S_ISREG(existing->st_mode) ? SaveTarget::Replaces : SaveTarget::NotARegularFile;
}

ListingExport::ListingExport(QWidget* window, WindowWork* work, StringGrid* grid,
                             std::function<ListedImage()> listed)
    : QObject(window), window_(window), work_(work), grid_(grid), listed_(std::move(listed)) {
    auto* action = new QAction(QStringLiteral("Сохранить листинг…"), window);
    action->setObjectName(QStringLiteral("saveListingAction"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    connect(action, &QAction::triggered, this, [this] { chooseAndSave(); });
    work_->addCancellable([this] { return saving(); }, [this] { cancel(); });
}

ListingExport::~ListingExport() {
    task_.cancel();
    removeTemporary();
}

void ListingExport::chooseAndSave() {
    RunHandler([this] {
        const ListedImage listed = listed_();
        if (!listed.image) {
            work_->tell(NothingListed);
            return;
        }
        const QFileInfo image(listed.images.value(0));
        QFileDialog dialog(window_, SaveTitle);
        dialog.setObjectName(QStringLiteral("SaveDialog"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        CloseCompletionWithDialog(&dialog);
        dialog.setDirectory(folder_.isEmpty() ? image.absolutePath() : folder_);
        const QString suffix = listed.mode == ListingMode::Bytes ? QStringLiteral(".bytes.txt")
                                                                 : QStringLiteral(".txt");
        dialog.selectFile(image.completeBaseName() + suffix);
        const int result = dialog.exec();
        GiveGridTheKeys(grid_);
        const QStringList chosen = dialog.selectedFiles();
        if (result != QDialog::Accepted || chosen.isEmpty()) {
            return;
        }
        save(chosen.first());
    });
}

void ListingExport::save(const QString& target) {
    const ListedImage listed = listed_();
    if (!listed.image) {
        work_->tell(NothingListed);
        return;
    }
    folder_ = QFileInfo(target).absolutePath();

    switch (CheckSaveTarget(target, listed.images)) {
        case SaveTarget::IsAnImage:
            tellFailure(QStringLiteral("Файл \"%1\" — открытый образ. Листинг не записывается "
                                       "поверх образа: выберите другое имя.")
                            .arg(target));
            return;
        case SaveTarget::NotARegularFile:
            tellFailure(QStringLiteral("\"%1\" — не обычный файл. Листинг записывается только "
                                       "в обычный файл: выберите другое имя.")
                            .arg(target));
            return;
        case SaveTarget::New:
        case SaveTarget::Replaces:
            break;
    }

    // The rows: the selected ones when the selection spans more than one row,
    // else the whole listing.
    const std::uint64_t allRows = ListingRowCount(listed.mode, listed.image->size());
    const GridRange selected = grid_->selection();
    const bool some =
        grid_->source() != nullptr && selected.bottom > selected.top && selected.bottom < allRows;
    const std::uint64_t first = some ? selected.top : 0;
    const std::uint64_t rows = some ? selected.bottom - selected.top + 1 : allRows;
    const ListingSpan span = RowSpan(listed.mode, first, rows);

    // A new save takes the place of one in progress.
    cancel();
    QString temporary;
    int error = 0;
    std::optional<FileDescriptor> file = CreateTemporaryBeside(target, &temporary, &error);
    if (!file) {
        tellFailure(NotSavedText(target, SystemReason(error)));
        return;
    }
    temporary_ = temporary;

    TaskCallbacks<std::uint64_t> onGui;
    onGui.progress = [this](std::uint64_t done, std::uint64_t total) {
        work_->reportProgress(
            SaveKey,
            QStringLiteral("Сохранение листинга: %1 %").arg(QString::number(Percent(done, total))));
    };
    onGui.result = [this, target](std::uint64_t&& written) {
        work_->clearProgress(SaveKey);
        // Complete and on disk: it takes the target's place in one step.
        const QString complete = std::exchange(temporary_, {});
        if (::rename(QFile::encodeName(complete).constData(),
                     QFile::encodeName(target).constData()) != 0) {
            const int error = errno;
            ::unlink(QFile::encodeName(complete).constData());
            tellFailure(NotSavedText(target, SystemReason(error)));
        } else {
            work_->tell(QStringLiteral("Листинг сохранён в \"%1\" (строк: %2).")
                            .arg(target, QString::number(written)));
        }
        emit savingEnded();
    };
    onGui.error = [this, target](std::exception_ptr error) {
        work_->clearProgress(SaveKey);
        removeTemporary();
        QString reason;
        try {
            std::rethrow_exception(error);
        } catch (const std::system_error& e) {
            reason = SystemReason(e.code().value());
        } catch (const std::exception& e) {
            reason = QString::fromUtf8(e.what());
        } catch (...) {
        }
        tellFailure(NotSavedText(target, reason));
        emit savingEnded();
    };
    task_.start(SaveWork(std::make_shared<FileDescriptor>(std::move(*file)), listed, span, rows),
                std::move(onGui));
}

void ListingExport::cancel() {
    if (!saving()) {
        return;
    }
    task_.cancel();
    removeTemporary();
    work_->clearProgress(SaveKey);
    work_->tell(QStringLiteral("Сохранение листинга отменено."));
    emit savingEnded();
}

void ListingExport::tellFailure(const QString& text) {
    QMessageBox box(QMessageBox::Warning, SaveTitle, text, QMessageBox::Ok, window_);
    box.setObjectName(QStringLiteral("SaveMessage"));
    box.exec();
    GiveGridTheKeys(grid_);
}

void ListingExport::removeTemporary() {
    if (!temporary_.isEmpty()) {
        // The worker may still write to it: the file goes with its last descriptor.
        ::unlink(QFile::encodeName(temporary_).constData());
        temporary_.clear();
    }
}

}  // namespace sorrel
