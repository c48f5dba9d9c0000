#include "listing_export.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "exception_display.h"
#include "file_dialog.h"
#include "listing_writer.h"
#include "stringgrid.h"
#include "window_commands.h"
#include "window_document.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

namespace {

const QString SaveTitle = QStringLiteral("Сохранить листинг");
const QString NothingListed = QStringLiteral("Нет листинга для сохранения.");
// The save's line in the status bar.
const WorkLine SaveLine{QStringLiteral("save"), QStringLiteral("Сохранение листинга"), {}, false};

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString NotSavedText(const QString& target, const QString& reason) {
    return QStringLiteral("Не удалось сохранить листинг в файл \"%1\": %2.").arg(target, reason);
}

std::string LocalName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The save dialog: a name that cannot be saved to is refused at once, the
// dialog staying open for another, before it asks whether to replace a file.
class SaveDialog final : public QFileDialog {
  public:
    SaveDialog(QWidget* parent, std::function<QString(const QString&)> refusal)
        : QFileDialog(parent, SaveTitle), refusal_(std::move(refusal)) {}

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty()) {
            const QString why = refusal_(chosen.first());
            if (!why.isEmpty()) {
                QMessageBox box(QMessageBox::Warning, SaveTitle, why, QMessageBox::Ok, this);
                box.setObjectName(QStringLiteral("SaveMessage"));
                box.exec();
                return;
            }
        }
        QFileDialog::accept();
    }

  private:
    std::function<QString(const QString&)> refusal_;
};

// The work of a save: the listing to the temporary file, then to disk. The
// file is closed before the result is handed over.
TaskWork<std::uint64_t> SaveWork(std::shared_ptr<FileDescriptor> file,
                                 std::shared_ptr<const ListingDocument> listing, ListingSpan span,
                                 std::uint64_t rows) {
    return [file = std::move(file), listing = std::move(listing), span, rows](
               std::stop_token stop, const ProgressFn& progress) -> std::uint64_t {
        FileDescriptor writing = std::move(*file);
        if (!WriteListing(writing.get(), *listing, span, stop, progress)) {
            return 0;  // stopped: nothing is delivered
        }
        SyncAndClose(std::move(writing));
        return rows;
    };
}

}  // namespace

ListingExport::ListingExport(QWidget* window, WindowWork* work, WindowDocument* document,
                             std::function<QString()> currentImage, WindowCommands* commands)
    : QObject(window),
      window_(window),
      work_(work),
      document_(document),
      currentImage_(std::move(currentImage)) {
    Command save;
    save.section = CommandSection::File;
    save.text = QStringLiteral("Сохранить листинг…");
    save.keys = {QKeySequence(Qt::CTRL | Qt::Key_S)};
    save.run = [this] { chooseAndSave(); };
    save.enabled = [this] { return document_->current() != nullptr; };
    if (QAction* action = commands->add(std::move(save))) {
        action->setObjectName(QStringLiteral("saveListingAction"));
    }
    work_->addCancellable([this] { return saving(); }, [this] { cancel(); });
}

QString ListingExport::refusal(const QString& target) const {
    std::vector<std::string> images;
    for (const QString& image : {document_->path(), currentImage_ ? currentImage_() : QString()}) {
        if (!image.isEmpty()) {
            images.push_back(LocalName(image));
        }
    }
    switch (CheckSaveTarget(LocalName(target), images)) {
        case SaveTarget::IsAnImage:
            return QStringLiteral(
                       "Файл \"%1\" — открытый образ. Листинг не записывается "
                       "поверх образа: выберите другое имя.")
                .arg(target);
        case SaveTarget::NotARegularFile:
            return QStringLiteral(
                       "\"%1\" — не обычный файл. Листинг записывается только "
                       "в обычный файл: выберите другое имя.")
                .arg(target);
        case SaveTarget::New:
        case SaveTarget::Replaces:
            break;
    }
    return {};
}

ListingExport::~ListingExport() {
    task_.cancel();
}

void ListingExport::chooseAndSave() {
    RunHandler([this] {
        const std::shared_ptr<const ListingDocument> listing = document_->current();
        if (!listing) {
            work_->tell(NothingListed);
            return;
        }
        const QFileInfo image(document_->path());
        SaveDialog dialog(window_, [this](const QString& target) { return refusal(target); });
        dialog.setObjectName(QStringLiteral("SaveDialog"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        CloseCompletionWithDialog(&dialog);
        dialog.setDirectory(folder_.isEmpty() ? image.absolutePath() : folder_);
        const QString suffix =
            listing->listsBytes() ? QStringLiteral(".bytes.txt") : QStringLiteral(".txt");
        dialog.selectFile(image.completeBaseName() + suffix);
        const int result = dialog.exec();
        GiveGridTheKeys(document_->grid());
        const QStringList chosen = dialog.selectedFiles();
        if (result != QDialog::Accepted || chosen.isEmpty()) {
            return;
        }
        save(chosen.first());
    });
}

void ListingExport::save(const QString& target) {
    const std::shared_ptr<const ListingDocument> listing = document_->current();
    if (!listing) {
        work_->tell(NothingListed);
        return;
    }
    folder_ = QFileInfo(target).absolutePath();

    // Checked again: the file may have changed since the dialog.
    if (const QString why = refusal(target); !why.isEmpty()) {
        tellFailure(why);
        return;
    }

    // The rows: the selected ones when the selection spans more than one row,
    // else the whole listing.
    const StringGrid* grid = document_->grid();
    const std::uint64_t allRows = listing->rowCount();
    const GridRange selected = grid->selection();
    const bool some = selected.bottom > selected.top && selected.bottom < allRows;
    const std::uint64_t first = some ? selected.top : 0;
    const std::uint64_t rows = some ? selected.bottom - selected.top + 1 : allRows;
    const ListingSpan span = RowSpan(listing->mode(), first, rows);

    // A new save takes the place of one in progress.
    cancel();
    try {
        replacement_.emplace(LocalName(target));
    } catch (const std::system_error& e) {
        tellFailure(NotSavedText(target, SystemReason(e.code().value())));
        return;
    }
    auto file = std::make_shared<FileDescriptor>(replacement_->takeFile());

    const auto written = [this, target](std::uint64_t&& count) {
        // Complete and on disk: it takes the target's place in one step.
        FileReplacement complete = std::move(*replacement_);
        replacement_.reset();
        try {
            complete.commit();
            work_->tell(QStringLiteral("Листинг сохранён в \"%1\" (строк: %2).")
                            .arg(target, QString::number(count)));
        } catch (const std::system_error& e) {
            tellFailure(NotSavedText(target, SystemReason(e.code().value())));
        }
        emit savingEnded();
    };
    const auto failed = [this, target](std::exception_ptr error) {
        replacement_.reset();
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
    work_->run<std::uint64_t>(task_, SaveLine, SaveWork(std::move(file), listing, span, rows),
                              written, failed);
}

bool ListingExport::mayClose() {
    if (!saving()) {
        return true;
    }
    QMessageBox question(QMessageBox::Question, SaveTitle,
                         QStringLiteral("Листинг ещё сохраняется. Прервать сохранение и закрыть?"),
                         QMessageBox::Yes | QMessageBox::No, window_);
    question.setObjectName(QStringLiteral("closeWhileSaving"));
    question.setDefaultButton(QMessageBox::No);
    question.button(QMessageBox::Yes)->setText(QStringLiteral("Прервать и закрыть"));
    question.button(QMessageBox::No)->setText(QStringLiteral("Продолжить сохранение"));
    if (question.exec() != QMessageBox::Yes) {
        return false;
    }
    cancel();
    return true;
}

void ListingExport::cancel() {
    if (!saving()) {
        return;
    }
    task_.cancel();
    // The worker may still write to it: the file goes with its last descriptor.
    replacement_.reset();
    work_->clearLine(SaveLine);
    work_->tell(QStringLiteral("Сохранение листинга отменено."));
    emit savingEnded();
}

void ListingExport::tellFailure(const QString& text) {
    QMessageBox box(QMessageBox::Warning, SaveTitle, text, QMessageBox::Ok, window_);
    box.setObjectName(QStringLiteral("SaveMessage"));
    box.exec();
    GiveGridTheKeys(document_->grid());
}

}  // namespace sorrel
