#include "window_notes.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <utility>

#include "exception_display.h"
#include "file_dialog.h"
#include "grid_navigator.h"
#include "image_hash.h"
#include "line_dialog.h"
#include "listing_text.h"
#include "note_rules.h"
#include "notes_column.h"
#include "notes_import.h"
#include "notes_panel.h"
#include "short_text_qt.h"
#include "stringgrid.h"
#include "window_commands.h"
#include "window_document.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

namespace {

const QString NotesTitle = QStringLiteral("Заметки");
// Changes are written this long after the first one that is not yet written.
constexpr int WriteAfterMilliseconds = 500;
// An import file larger than this is refused before it is read.
constexpr qint64 MaxImportBytes = qint64{64} << 20;

const WorkLine ReadLine{QStringLiteral("notes"), QStringLiteral("Заметки"), {}, true};

std::string LocalName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromLocal(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The address of a word as column 0 shows it.
QString AddressOf(std::uint64_t word, bool raw) {
    return ToQString(ListingCellText(word, 0, raw, 0));
}

// What reading an image's notes gives: the store, and what it read.
struct NotesLoad {
    std::shared_ptr<NotesStore> store;
    NotesRead read;
};

}  // namespace

// One step of the undo stack: the notes of some words before and after.
class WindowNotes::Change final : public QUndoCommand {
  public:
    Change(WindowNotes* owner, const QString& text, std::vector<NoteChange> before,
           std::vector<NoteChange> after)
        : QUndoCommand(text), owner_(owner), before_(std::move(before)), after_(std::move(after)) {}
    void redo() override { owner_->apply(after_); }
    void undo() override { owner_->apply(before_); }

  private:
    WindowNotes* owner_;
    std::vector<NoteChange> before_;
    std::vector<NoteChange> after_;
};

WindowNotes::WindowNotes(QWidget* window, WindowDocument* document, WindowWork* work,
                         WindowCommands* commands, GridNavigator* navigator)
    : QObject(window),
      window_(window),
      document_(document),
      work_(work),
      navigator_(navigator),
      labelDialog_(new LineDialog(window, QStringLiteral("label"), QStringLiteral("Метка"),
                                  QStringLiteral("Назвать"))),
      commentDialog_(new LineDialog(window, QStringLiteral("comment"),
                                    QStringLiteral("Комментарий"), QStringLiteral("Записать"))),
      panel_(new NotesPanel(qobject_cast<QMainWindow*>(window))) {
    writeSoon_.setSingleShot(true);
    writeSoon_.setInterval(WriteAfterMilliseconds);
    connect(&writeSoon_, &QTimer::timeout, this, &WindowNotes::startWrite);
    connect(document_, &WindowDocument::changed, this, &WindowNotes::listingChanged);
    StringGrid* grid = document_->grid();
    for (LineDialog* dialog : {labelDialog_, commentDialog_}) {
        connect(dialog, &QDialog::finished, this, [grid] { GiveGridTheKeys(grid); });
    }
    connect(panel_, &NotesPanel::rowActivated, this, [this, grid](std::uint64_t row) {
        navigator_->goToRow(row);
        GiveGridTheKeys(grid);
    });

    const auto add = [commands](QString text, QList<QKeySequence> keys, std::function<void()> run,
                                std::function<bool()> enabled, bool inGrid = false) {
        Command command;
        command.section = CommandSection::Notes;
        command.text = std::move(text);
        command.keys = std::move(keys);
        command.run = std::move(run);
        command.enabled = std::move(enabled);
        command.keysInGrid = inGrid;
        return commands->add(std::move(command));
    };
    const auto listed = [this] { return document_->current() != nullptr; };
    add(
        QStringLiteral("Метка…"), {QKeySequence(Qt::Key_N)}, [this] { editLabel(); }, listed, true);
    add(
        QStringLiteral("Комментарий…"), {QKeySequence(Qt::Key_Semicolon)},
        [this] { editComment(); }, listed, true);
    add(
        QStringLiteral("Закладка"), {QKeySequence(Qt::CTRL | Qt::Key_D)},
        [this] { toggleBookmark(); }, listed);
    add(
        QStringLiteral("Следующая закладка"), {QKeySequence(Qt::Key_F2)},
        [this] { nextBookmark(); }, [this] { return notes_->bookmarkCount() > 0; });
    add(
        QStringLiteral("Предыдущая закладка"), {QKeySequence(Qt::SHIFT | Qt::Key_F2)},
        [this] { previousBookmark(); }, [this] { return notes_->bookmarkCount() > 0; });
    add(
        QStringLiteral("Отменить"), {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { undo_.undo(); },
        [this] { return undo_.canUndo(); });
    add(
        QStringLiteral("Вернуть"),
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
        [this] { undo_.redo(); }, [this] { return undo_.canRedo(); });
    add(
        QStringLiteral("Импорт меток…"), {}, [this] { importNames(); }, listed);
    add(
        QStringLiteral("Сохранить заметки как…"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        [this] { saveAs(); }, listed);
    add(QStringLiteral("Список заметок"), {}, [this] { panel_->reveal(); }, {});
    Command column;
    column.section = CommandSection::View;
    column.text = QStringLiteral("Заметки");
    column.keys = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)};
    column.run = [this] { toggleColumn(); };
    column.checked = [this] { return document_->columns().notes; };
    commands->add(std::move(column));
}

WindowNotes::~WindowNotes() {
    flush();
}

QString WindowNotes::path() const {
    return store_ ? FromLocal(store_->path()) : QString();
}

bool WindowNotes::raw() const {
    return document_->mode() == ListingMode::Raw;
}

void WindowNotes::tell(const QString& message) {
    work_->tell(message);
}

void WindowNotes::showMessage(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, window_);
    box.setObjectName(QStringLiteral("notesMessage"));
    box.exec();
    GiveGridTheKeys(document_->grid());
}

// ---- reading --------------------------------------------------------------------

void WindowNotes::listingChanged() {
    const std::shared_ptr<const ListingDocument>& listing = document_->current();
    const QString image = document_->path();
    // What is pending belongs to the image listed before.
    flush();
    readTask_.cancel();
    work_->clearLine(ReadLine);
    const bool same = !image.isEmpty() && image == image_;
    if (!same) {
        undo_.clear();
        notes_ = NoteSet::Empty();
        stopped_ = false;
        keptAt_.clear();
    }
    image_ = image;
    store_.reset();
    show(notes_);
    if (!listing) {
        return;
    }
    // The hash of the image and its notes file, on a worker.
    std::shared_ptr<const ImageData> bytes = listing->image();
    // A reload reads the notes where the user chose to keep them.
    TaskWork<NotesLoad> work = [bytes, path = LocalName(image),
                                keptAt = keptAt_.isEmpty() ? std::string() : LocalName(keptAt_)](
                                   std::stop_token stop, const ProgressFn& progress) {
        const std::optional<std::uint64_t> hash =
            ImageHash(bytes->data(), bytes->size(), stop, progress);
        if (!hash) {
            return NotesLoad{};
        }
        auto store = std::make_shared<NotesStore>(path, ImageIdentity{bytes->size(), *hash});
        NotesRead read = keptAt.empty() ? store->read() : store->readFrom(keptAt);
        return NotesLoad{std::move(store), std::move(read)};
    };
    work_->run<NotesLoad>(readTask_, ReadLine, std::move(work), [this, same](NotesLoad&& load) {
        if (!load.store) {
            return;
        }
        store_ = std::move(load.store);
        const NotesRead& read = load.read;
        if (!read.problem.empty()) {
            // Never written over; what is in memory stays, and is saved
            // only elsewhere.
            stopped_ = true;
            showMessage(
                NotesTitle,
                QStringLiteral("Файл заметок \"%1\" не читается%2: %3\nОн не будет "
                               "перезаписан. Чтобы сохранять заметки, сохраните их в "
                               "другой файл (Ctrl+Shift+S).")
                    .arg(FromLocal(read.path),
                         read.problemLine > 0 ? QStringLiteral(", строка %1").arg(read.problemLine)
                                              : QString(),
                         FromUtf8(read.problem)));
        }
        // A reload reads what was written from memory: the same notes.
        std::shared_ptr<const NoteSet> notes =
            read.problem.empty() && (read.fromFile || !same) ? read.notes : notes_;
        const bool shown = !notes->empty();
        if (!same) {
            ExtraColumns extra = document_->columns();
            extra.notes = shown;
            document_->setColumns(extra);
        }
        show(std::move(notes));
        if (read.imageChanged) {
            showMessage(NotesTitle,
                        QStringLiteral("Образ изменился после того, как были сделаны заметки "
                                       "(файл заметок \"%1\"). Заметки показаны у тех же слов, "
                                       "что и прежде.")
                            .arg(FromLocal(read.path)));
        }
        if (store_->place() == NotesPlace::DataFolder) {
            tell(QStringLiteral("Папка образа только для чтения: заметки хранятся в \"%1\".")
                     .arg(path()));
        }
        if (dirty_) {
            writeSoon_.start();
        }
    });
}

void WindowNotes::show(std::shared_ptr<const NoteSet> notes) {
    const std::shared_ptr<const ListingDocument>& listing = document_->current();
    // Nothing to do when the listing shows these notes already.
    const bool shown = notes == notes_ && column_ && listing && listing->notes() == column_;
    notes_ = std::move(notes);
    if (shown || !listing) {
        return;
    }
    column_ = std::make_shared<const NotesColumn>(notes_);
    document_->setNotes(column_);
    panel_->setNotes(notes_, raw());
    emit notesChanged(notes_);
}

// ---- changing ---------------------------------------------------------------------

std::optional<std::uint64_t> WindowNotes::currentWord() {
    const std::shared_ptr<const ListingDocument>& listing = document_->current();
    if (!listing || listing->rowCount() == 0) {
        tell(QStringLiteral("Нет листинга: заметки делаются к словам образа."));
        return std::nullopt;
    }
    if (!store_ && !stopped_) {
        tell(QStringLiteral("Заметки образа ещё читаются."));
        return std::nullopt;
    }
    // Row k of the main listing is word k.
    return std::min(document_->grid()->currentRow(), listing->rowCount() - 1);
}

void WindowNotes::change(const QString& text, std::vector<NoteChange> changes) {
    std::vector<NoteChange> before;
    before.reserve(changes.size());
    for (const NoteChange& c : changes) {
        const std::optional<NoteView> now = notes_->find(c.word);
        before.push_back({c.word, now ? now->note() : Note{}});
    }
    undo_.push(new Change(this, text, std::move(before), std::move(changes)));
}

void WindowNotes::apply(const std::vector<NoteChange>& changes) {
    const bool first = notes_->empty();
    show(notes_->with(changes));
    // The first note of an image shows its column.
    if (first && !notes_->empty() && !document_->columns().notes) {
        ExtraColumns extra = document_->columns();
        extra.notes = true;
        document_->setColumns(extra);
    }
    dirty_ = true;
    if (!writeSoon_.isActive()) {
        writeSoon_.start();
    }
}

void WindowNotes::editLabel() {
    const std::optional<std::uint64_t> word = currentWord();
    if (!word) {
        return;
    }
    const std::optional<NoteView> note = notes_->find(*word);
    labelDialog_->setPrompt(
        QStringLiteral("Метка слова %1 (пусто — убрать метку):").arg(AddressOf(*word, raw())));
    labelDialog_->setTake([this, at = *word](const QString& text) -> QString {
        const QByteArray name = text.trimmed().toUtf8();
        const std::string_view label(name.constData(), static_cast<std::size_t>(name.size()));
        if (!label.empty()) {
            const std::string problem = LabelProblem(label, *notes_, at, raw());
            if (!problem.empty()) {
                return QString::fromStdString(problem);
            }
        }
        const std::optional<NoteView> now = notes_->find(at);
        Note next = now ? now->note() : Note{};
        if (next.label == label) {
            return {};
        }
        next.label = std::string(label);
        change(label.empty() ? QStringLiteral("Убрать метку") : QStringLiteral("Метка"),
               {{at, next}});
        return {};
    });
    labelDialog_->start(note ? FromUtf8(note->label) : QString());
}

void WindowNotes::editComment() {
    const std::optional<std::uint64_t> word = currentWord();
    if (!word) {
        return;
    }
    const std::optional<NoteView> note = notes_->find(*word);
    commentDialog_->setPrompt(
        QStringLiteral("Комментарий к слову %1 (пусто — убрать):").arg(AddressOf(*word, raw())));
    commentDialog_->setTake([this, at = *word](const QString& text) -> QString {
        const QByteArray bytes = text.toUtf8();
        const std::string_view comment(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (const std::string problem = CommentProblem(comment); !problem.empty()) {
            return QString::fromStdString(problem);
        }
        const std::optional<NoteView> now = notes_->find(at);
        Note next = now ? now->note() : Note{};
        if (next.comment == comment) {
            return {};
        }
        next.comment = std::string(comment);
        change(QStringLiteral("Комментарий"), {{at, next}});
        return {};
    });
    commentDialog_->start(note ? FromUtf8(note->comment) : QString());
}

void WindowNotes::toggleBookmark() {
    const std::optional<std::uint64_t> word = currentWord();
    if (!word) {
        return;
    }
    const std::optional<NoteView> now = notes_->find(*word);
    Note next = now ? now->note() : Note{};
    next.bookmark = !next.bookmark;
    change(next.bookmark ? QStringLiteral("Закладка") : QStringLiteral("Убрать закладку"),
           {{*word, next}});
    tell(next.bookmark ? QStringLiteral("Закладка у %1.").arg(AddressOf(*word, raw()))
                       : QStringLiteral("Закладка у %1 убрана.").arg(AddressOf(*word, raw())));
}

void WindowNotes::nextBookmark() {
    goToBookmark(true);
}

void WindowNotes::previousBookmark() {
    goToBookmark(false);
}

void WindowNotes::goToBookmark(bool next) {
    const std::uint64_t rows = document_->rowCount();
    const std::uint64_t here = document_->grid()->currentRow();
    const std::optional<BookmarkStep> step =
        next ? notes_->nextBookmark(here) : notes_->previousBookmark(here);
    if (!step || step->word >= rows) {
        tell(QStringLiteral("Закладок нет."));
        return;
    }
    navigator_->goToRow(step->word);
    if (step->wrapped) {
        tell(next ? QStringLiteral("Поиск дошёл до конца и продолжен с начала")
                  : QStringLiteral("Поиск дошёл до начала и продолжен с конца"));
    }
}

void WindowNotes::toggleColumn() {
    ExtraColumns extra = document_->columns();
    extra.notes = !extra.notes;
    document_->setColumns(extra);
}

void WindowNotes::importNames() {
    if (!currentWord()) {
        return;
    }
    QFileDialog dialog(window_, QStringLiteral("Импорт меток"));
    dialog.setObjectName(QStringLiteral("ImportDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QFileInfo(image_).absolutePath());
    CloseCompletionWithDialog(&dialog);
    const int result = dialog.exec();
    GiveGridTheKeys(document_->grid());
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    importNamesFrom(dialog.selectedFiles().first());
}

void WindowNotes::importNamesFrom(const QString& file) {
    const QString title = QStringLiteral("Импорт меток");
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        showMessage(
            title,
            QStringLiteral("Не удалось открыть файл \"%1\": %2.").arg(file, in.errorString()));
        return;
    }
    if (in.size() > MaxImportBytes) {
        showMessage(title, QStringLiteral("Файл \"%1\" слишком велик для списка меток.").arg(file));
        return;
    }
    const QByteArray text = in.readAll();
    const ImportResult result =
        ImportNames(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                    *notes_, raw(), document_->rowCount());
    if (!result.problems.empty()) {
        QString lines;
        for (const ImportProblem& problem : result.problems) {
            lines +=
                QStringLiteral("\nСтрока %1: %2").arg(problem.line).arg(FromUtf8(problem.reason));
        }
        showMessage(title, QStringLiteral("Метки из файла \"%1\" не импортированы: в нём %2 "
                                          "строк с ошибками.%3")
                               .arg(file)
                               .arg(result.faultyLines)
                               .arg(lines));
        return;
    }
    change(QStringLiteral("Импорт меток"), result.changes);
    tell(QStringLiteral("Импортировано меток: %1.").arg(result.changes.size()));
}

// ---- writing ----------------------------------------------------------------------

void WindowNotes::startWrite() {
    if (!dirty_ || !store_ || stopped_) {
        return;
    }
    if (writeTask_.busy()) {
        // Written again when this write is over.
        return;
    }
    dirty_ = false;
    inFlight_ = true;
    TaskWork<SaveResult> work = [store = store_, notes = notes_](std::stop_token,
                                                                 const ProgressFn&) {
        return store->save(*notes);
    };
    TaskCallbacks<SaveResult> onGui;
    onGui.result = [this](SaveResult&& result) {
        inFlight_ = false;
        written(result);
        if (dirty_ && !stopped_) {
            writeSoon_.start();
        }
    };
    onGui.error = [this](std::exception_ptr error) {
        inFlight_ = false;
        dirty_ = true;
        stopped_ = true;
        ShowException(error);
    };
    writeTask_.start<SaveResult>(std::move(work), std::move(onGui));
}

void WindowNotes::written(const SaveResult& result) {
    switch (result.outcome) {
        case SaveOutcome::Saved:
            return;
        case SaveOutcome::Conflict:
            dirty_ = true;
            stopped_ = true;
            resolveConflict(FromUtf8(result.message));
            return;
        case SaveOutcome::Refused:
            dirty_ = true;
            stopped_ = true;
            showMessage(NotesTitle, FromUtf8(result.message) +
                                        QStringLiteral("\nЗаметки не сохраняются: сохраните их "
                                                       "в другой файл (Ctrl+Shift+S)."));
            return;
    }
}

void WindowNotes::resolveConflict(const QString& message) {
    QMessageBox box(QMessageBox::Warning, NotesTitle,
                    message + QStringLiteral("\nПеречитать файл (изменения, сделанные здесь "
                                             "после его последнего сохранения, пропадут) или "
                                             "сохранить заметки в другой файл?"),
                    QMessageBox::NoButton, window_);
    box.setObjectName(QStringLiteral("notesConflict"));
    QPushButton* reload = box.addButton(QStringLiteral("Перечитать"), QMessageBox::AcceptRole);
    QPushButton* elsewhere =
        box.addButton(QStringLiteral("Сохранить как…"), QMessageBox::ActionRole);
    box.addButton(QStringLiteral("Позже"), QMessageBox::RejectRole);
    box.exec();
    GiveGridTheKeys(document_->grid());
    if (box.clickedButton() == reload && store_) {
        const NotesRead read = store_->read();
        if (read.problem.empty()) {
            undo_.clear();
            stopped_ = false;
            dirty_ = false;
            show(read.notes);
            tell(QStringLiteral("Заметки перечитаны из \"%1\".").arg(path()));
        }
    } else if (box.clickedButton() == elsewhere) {
        saveAs();
    } else {
        tell(
            QStringLiteral("Заметки не сохраняются, пока файл не перечитан или заметки не "
                           "сохранены в другой файл (Ctrl+Shift+S)."));
    }
}

void WindowNotes::saveAs() {
    if (!store_ && !stopped_) {
        tell(QStringLiteral("Заметки образа ещё читаются."));
        return;
    }
    QFileDialog dialog(window_, QStringLiteral("Сохранить заметки"));
    dialog.setObjectName(QStringLiteral("SaveNotesDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    CloseCompletionWithDialog(&dialog);
    const QFileInfo image(image_);
    dialog.setDirectory(image.absolutePath());
    dialog.selectFile(image.fileName() + QStringLiteral(".sorrel-notes"));
    const int result = dialog.exec();
    GiveGridTheKeys(document_->grid());
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    saveAs(dialog.selectedFiles().first());
}

void WindowNotes::saveAs(const QString& file) {
    if (!store_) {
        return;
    }
    // No write runs meanwhile: the store is this thread's now.
    writeSoon_.stop();
    writeTask_.wait();
    writeTask_.cancel();
    inFlight_ = false;
    const SaveResult result = store_->saveAs(*notes_, LocalName(file));
    if (result.outcome != SaveOutcome::Saved) {
        showMessage(NotesTitle, FromUtf8(result.message));
        dirty_ = true;
        return;
    }
    dirty_ = false;
    stopped_ = false;
    keptAt_ = path();
    tell(QStringLiteral("Заметки сохранены в \"%1\" и хранятся там.").arg(path()));
}

bool WindowNotes::flush() {
    writeSoon_.stop();
    if (writeTask_.busy()) {
        // Its outcome is not delivered any more: the file is written again below.
        writeTask_.wait();
        writeTask_.cancel();
        dirty_ = dirty_ || inFlight_;
        inFlight_ = false;
    }
    if (!dirty_) {
        return true;
    }
    if (!store_ || stopped_) {
        return false;
    }
    dirty_ = false;
    try {
        if (store_->save(*notes_).outcome == SaveOutcome::Saved) {
            return true;
        }
    } catch (const std::exception&) {
        // The folder is gone, the disk is full: not written, and said so
        // when the window is closed.
    }
    dirty_ = true;
    stopped_ = true;
    return false;
}

bool WindowNotes::mayClose() {
    if (flush()) {
        return true;
    }
    QMessageBox box(QMessageBox::Warning, NotesTitle,
                    QStringLiteral("Заметки не сохранены: файл \"%1\" нельзя перезаписать. "
                                   "Сохранить их в другой файл?")
                        .arg(path()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window_);
    box.setObjectName(QStringLiteral("notesNotSaved"));
    box.setDefaultButton(QMessageBox::Save);
    box.button(QMessageBox::Save)->setText(QStringLiteral("Сохранить как…"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Закрыть без сохранения"));
    const int answer = box.exec();
    if (answer == QMessageBox::Save) {
        saveAs();
        return !dirty_;
    }
    return answer == QMessageBox::Discard;
}

void WindowNotes::waitForWorkers() {
    readTask_.wait();
    writeTask_.wait();
}

}  // namespace sorrel
