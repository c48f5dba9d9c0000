#include "main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "classes_window.h"
#include "exception_display.h"
#include "file_dialog.h"
#include "flow_views.h"
#include "image_loader.h"
#include "image_messages.h"
#include "listing_export.h"
#include "listing_navigation.h"
#include "stringgrid.h"
#include "ui_main.h"
#include "window_commands.h"
#include "window_document.h"
#include "window_font.h"
#include "window_grid.h"
#include "window_notes.h"
#include "window_work.h"

// The glyphs are compiled into this library; a static library must register them.
static void InitGlyphResources() {
    Q_INIT_RESOURCE(sorrel);
}

namespace sorrel {

namespace {

// The caption until the first listing.
const QString FreshCaption = QStringLiteral("Sorrel Дизассемблер ");

// A glyph whose bottom-left pixel's colour is transparent throughout.
QImage LoadGlyph(const QString& path) {
    QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    const QRgb transparent = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == transparent) {
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
    }
    return image;
}

// The first local file among the URLs of a drag; empty when there is none.
QString FirstLocalFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) {
        return {};
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            return url.toLocalFile();
        }
    }
    return {};
}

// A glyph of one 16 by 16 image.
QIcon SingleGlyph(const QString& path) {
    return QIcon(QPixmap::fromImage(LoadGlyph(path)));
}

// A glyph of two 16 by 16 images side by side: the normal one and the one
// shown while the button is disabled.
QIcon DoubleGlyph(const QString& path) {
    const QImage both = LoadGlyph(path);
    const int side = both.height();
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(both.copy(0, 0, side, side)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(both.copy(side, 0, side, side)), QIcon::Disabled);
    return icon;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), OpenDialog1(new QFileDialog(this)), ui_(std::make_unique<Ui::TForm1>()) {
    InitGlyphResources();
    ui_->setupUi(this);
    Panel1 = ui_->Panel1;
    StatusBar1 = ui_->StatusBar1;
    Panel2 = ui_->Panel2;
    StringGrid1 = ui_->StringGrid1;
    SpeedButton1 = ui_->SpeedButton1;
    SpeedButton2 = ui_->SpeedButton2;
    SpeedButton3 = ui_->SpeedButton3;
    CheckBox1 = ui_->CheckBox1;
    document_ = new WindowDocument(StringGrid1, ListingMode::Header, ListingGridColumns);
    commands_ = new WindowCommands(this, StringGrid1);
    work_ = new WindowWork(this, StatusBar1);
    loader_ = new ImageLoader(work_, StringGrid1);
    addFileCommands();
    export_ = new ListingExport(
        this, work_, document_, [this] { return fileName_; }, commands_);

    // The outer position; the layout gives the client area of 383 by 287.
    move(266, 167);
    UseWindowFont(this);

    SpeedButton1->setIcon(DoubleGlyph(QStringLiteral(":/glyphs/load.xpm")));
    SpeedButton2->setIcon(SingleGlyph(QStringLiteral(":/glyphs/reload.xpm")));
    SpeedButton3->setIcon(SingleGlyph(QStringLiteral(":/glyphs/byteorder.xpm")));

    // No filter, title, default suffix or initial folder; one file; a typed
    // name is accepted even when no such file exists.
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setSizeGripEnabled(true);
    CloseCompletionWithDialog(OpenDialog1);

    setAcceptDrops(true);
    // A click on the check box leaves the keys with the grid; Tab still
    // reaches it.
    CheckBox1->setFocusPolicy(Qt::TabFocus);
    // The hints show also while another program's window is the active one.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    SetUpWindowGrid(StringGrid1, ListingGridColumns);
    connect(StringGrid1, &StringGrid::copyRefused, this,
            [this](std::uint64_t rows) { ShowCopyRefusedMessage(this, rows); });
    navigator_ = NavigateListing(this, document_, work_, commands_);
    // The jump arrows left of the listing and the overview right of it. An
    // arrow clicked goes through the history; the strip marks the rows found.
    flowViews_ = new FlowViews(document_, work_, commands_);
    // Wide enough that the columns, the arrows, the strip and the scroll bar
    // fit without scrolling sideways.
    resize(std::max(width(), StringGrid1->widthForColumns() + 2 * Panel2->frameWidth()), height());
    flowViews_->setGoTo([this](std::uint64_t row) { navigator_->goToRow(row); });
    // The instruction classes and how many words of the image are of each.
    classes_ = new ClassesWindow(this, document_, work_, navigator_);
    Command classes;
    classes.section = CommandSection::Finding;
    classes.text = QStringLiteral("Классы инструкций…");
    classes.run = [this] {
        classes_->show();
        classes_->raise();
        classes_->activateWindow();
    };
    commands_->add(std::move(classes));
    // The notes of the image: made with the keys, kept beside it, shown in
    // the listing; go-to takes their names.
    notes_ = new WindowNotes(this, document_, work_, commands_, navigator_);
    navigator_->setNames(
        [this](const QString& name) { return notes_->notes()->wordOfLabel(name.toStdString()); },
        [this](const QString& prefix) {
            QStringList names;
            for (const NoteView& note :
                 notes_->notes()->labelsStartingWith(prefix.toStdString(), 20)) {
                names << QString::fromUtf8(note.label.data(),
                                           static_cast<qsizetype>(note.label.size()));
            }
            return names;
        });
    connect(navigator_, &GridNavigator::foundRowsChanged, flowViews_, &FlowViews::setFoundRows);
    // The grid has the keys from the start.
    StringGrid1->setFocus(Qt::OtherFocusReason);
}

TForm1::~TForm1() = default;

void TForm1::SpeedButton1Click() {
    const bool done = RunHandler([this] {
        const int result = OpenDialog1->exec();
        giveGridTheKeys();
        if (result != QDialog::Accepted) {
            return;
        }
        const QStringList chosen = OpenDialog1->selectedFiles();
        if (chosen.isEmpty()) {
            return;
        }
        loadChosenFile(chosen.first());
    });
    if (!done) {
        giveGridTheKeys();
    }
}

void TForm1::openFile(const QString& path) {
    const bool done = RunHandler([this, &path] {
        // The dialog opens on this file next time.
        OpenDialog1->selectFile(path);
        loadChosenFile(path);
    });
    if (!done) {
        giveGridTheKeys();
    }
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstLocalFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString path = FirstLocalFile(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Loaded once the drop is over, so that the program the file came from is
    // not kept waiting while the warning is open.
    QMetaObject::invokeMethod(
        this, [this, path] { openFile(path); }, Qt::QueuedConnection);
}

void TForm1::addFileCommands() {
    const auto button = [](QString text, QKeySequence key, QToolButton* on) {
        Command command;
        command.section = CommandSection::File;
        command.text = std::move(text);
        command.keys = {key};
        command.run = [on] { on->click(); };
        return command;
    };
    Command load = button(QStringLiteral("Загрузить образ…"), QKeySequence(Qt::CTRL | Qt::Key_O),
                          SpeedButton1);
    load.gesture = QStringLiteral("Перетащить файл в окно");
    commands_->add(std::move(load));
    Command reload =
        button(QStringLiteral("Перезагрузить образ"), QKeySequence(Qt::Key_F5), SpeedButton2);
    reload.enabled = [this] { return !fileName_.isEmpty(); };
    commands_->add(std::move(reload));
    commands_->add(button(QStringLiteral("Образ в байтовом порядке"),
                          QKeySequence(Qt::CTRL | Qt::Key_B), SpeedButton3));
    commands_->add(CommandMenu{CommandSection::File, QStringLiteral("Недавние файлы"),
                               [this](QMenu* menu) { fillRecentFiles(menu); },
                               [this] { return !recent_.files().isEmpty(); }});
    AddCancelCommand(commands_, work_);
    AddDataColumnCommands(commands_, document_);
}

void TForm1::fillRecentFiles(QMenu* menu) {
    for (const QString& path : recent_.files()) {
        QAction* item = menu->addAction(path);
        connect(item, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
}

void TForm1::openRecentFile(const QString& path) {
    if (!QFileInfo::exists(path)) {
        recent_.remove(path);
        work_->tell(QStringLiteral("Файла \"%1\" больше нет: он убран из недавних.").arg(path));
        return;
    }
    openFile(path);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!export_->mayClose() || !notes_->mayClose()) {
        event->ignore();
        giveGridTheKeys();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TForm1::loadChosenFile(const QString& path) {
    // A new load takes the place of one in progress.
    loader_->abandon();
    // A load refused once its read began leaves the current file as it was.
    const QString before = fileName_;
    fileName_ = path;
    // Unless a read starts, the caption and the check box stay those of the
    // listing shown.
    auto keepShown = qScopeGuard([this] { showListingShown(); });
    std::optional<ImageFile> file = OpenImageFile(path);
    if (!file) {
        return;
    }
    showCaption(path);
    if (file->size() % 2 != 0) {
        QMessageBox warning(QMessageBox::NoIcon, QStringLiteral("Предкпреждение"),
                            QStringLiteral("Длинна файла не кратна \r\nдлинне машинной команды."),
                            QMessageBox::Ok, this);
        warning.exec();
        giveGridTheKeys();
    }
    listImage(std::move(*file), path, before);
    keepShown.dismiss();
}

void TForm1::SpeedButton2Click() {
    const bool done = RunHandler([this] {
        // A new reload (the check box changed again) takes the place of a
        // load in progress.
        loader_->abandon();
        // Without a new read, the check box goes back to the mode of the
        // listing shown, if any, before any message is shown.
        auto keepShown = qScopeGuard([this] { showListingShown(); });
        std::optional<ImageFile> file = OpenImageFile(fileName_);
        if (!file) {
            return;
        }
        listImage(std::move(*file), fileName_, fileName_);
        keepShown.dismiss();
    });
    if (!done) {
        giveGridTheKeys();
    }
}

bool TForm1::loading() const {
    return loader_->loading();
}

void TForm1::listImage(ImageFile file, const QString& path, const QString& before) {
    // The mode when the load starts; a change of the check box meanwhile
    // starts a new one.
    const bool raw = CheckBox1->isChecked();
    ImageLoadCallbacks callbacks;
    callbacks.loaded = [this, path, raw](std::shared_ptr<const ImageData> image) {
        // Another file starts at its first row; a reload keeps the place.
        const bool another = document_->path() != path;
        showCaption(path);
        document_->show(std::make_shared<const ListingDocument>(
            std::move(image), raw ? ListingMode::Raw : ListingMode::Header, path.toStdString()));
        if (another) {
            StringGrid1->setCurrentCell(0, 0);
            StringGrid1->scrollToRow(0);
        }
        recent_.add(path);
    };
    callbacks.notLoaded = [this, before] {
        fileName_ = before;
        showListingShown();
    };
    callbacks.afterMessage = [this] { giveGridTheKeys(); };
    loader_->start(std::move(file), std::move(callbacks));
}

void TForm1::showListingShown() {
    showCaption(document_->path());
    const bool raw = document_->mode() == ListingMode::Raw;
    if (document_->current() && CheckBox1->isChecked() != raw) {
        const QSignalBlocker quiet(CheckBox1);
        CheckBox1->setChecked(raw);
    }
}

void TForm1::showCaption(const QString& path) {
    QString caption = path.isEmpty()
                          ? FreshCaption
                          : QStringLiteral("Sorrel Дизассемблер - [") + path + QStringLiteral("]");
    // The toolkit takes "[*]" for the place of a mark of unsaved changes and
    // drops it; a doubled one shows as one.
    caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(caption);
}

void TForm1::giveGridTheKeys() {
    GiveGridTheKeys(StringGrid1);
}

void TForm1::SpeedButton3Click() {
    RunHandler([this] {
        if (byteOrderWindow_ == nullptr) {
            return;
        }
        byteOrderWindow_->show();
        if (byteOrderWindow_->isMinimized()) {
            byteOrderWindow_->showNormal();
        }
        byteOrderWindow_->raise();
        byteOrderWindow_->activateWindow();
    });
}

}  // namespace sorrel
