#include "byteorder.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QKeySequence>
#include <QShowEvent>
#include <QStatusBar>

#include "exception_display.h"
#include "grid_navigator.h"
#include "image_loader.h"
#include "image_messages.h"
#include "listing_export.h"
#include "stringgrid.h"
#include "ui_byteorder.h"
#include "window_commands.h"
#include "window_document.h"
#include "window_font.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

TForm2::TForm2(std::function<QString()> currentImage, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TForm2>()), currentImage_(std::move(currentImage)) {
    ui_->setupUi(this);
    Panel2 = ui_->Panel2;
    StringGrid1 = ui_->StringGrid1;
    StatusBar1 = ui_->StatusBar1;
    document_ = new WindowDocument(StringGrid1, ListingMode::Bytes, ByteOrderGridColumns);
    commands_ = new WindowCommands(this, StringGrid1);
    work_ = new WindowWork(this, StatusBar1);
    loader_ = new ImageLoader(work_, StringGrid1);
    AddCancelCommand(commands_, work_);
    AddDataColumnCommands(commands_, document_);
    export_ = new ListingExport(
        this, work_, document_, [this] { return currentImage_ ? currentImage_() : QString(); },
        commands_);

    // A sizeable tool window; the layout gives the listing's panel 269 by 235
    // pixels and the status bar below it 19.
    setWindowFlags(Qt::Tool);
    move(378, 177);
    UseWindowFont(this);
    // Closing it only hides it; only the main window ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    SetUpWindowGrid(StringGrid1, ByteOrderGridColumns);
    connect(StringGrid1, &StringGrid::copyRefused, this,
            [this](std::uint64_t rows) { ShowCopyRefusedMessage(this, rows); });
    navigator_ = new GridNavigator(this, document_, work_, commands_);
}

TForm2::~TForm2() = default;

void TForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored by the window system is not shown anew.
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TForm2::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimised by the window system, it is not closed.
    if (!event->spontaneous()) {
        loader_->cancel();
        // Hidden, it holds no image: the next show reads the file again, and
        // on the same file comes back to the same place.
        place_ = {StringGrid1->currentRow(), StringGrid1->currentColumn(), StringGrid1->topRow()};
        document_->show(nullptr);
        loader_->letGo();
    }
}

void TForm2::closeEvent(QCloseEvent* event) {
    if (!export_->mayClose()) {
        event->ignore();
        GiveGridTheKeys(StringGrid1);
        return;
    }
    QWidget::closeEvent(event);
}

bool TForm2::loading() const {
    return loader_->loading();
}

void TForm2::FormShow() {
    RunHandler([this] {
        loader_->abandon();
        const QString path = currentImage_ ? currentImage_() : QString();
        std::optional<ImageFile> file = OpenImageFile(path);
        if (!file) {
            return;
        }
        ImageLoadCallbacks callbacks;
        callbacks.loaded = [this, path](std::shared_ptr<const ImageData> image) {
            // Another file starts at its first row.
            const bool another = shownFile_ != path;
            shownFile_ = path;
            document_->show(std::make_shared<const ListingDocument>(
                std::move(image), ListingMode::Bytes, path.toStdString()));
            const Place place = another ? Place{} : place_;
            StringGrid1->setCurrentCell(place.row, place.column);
            StringGrid1->scrollToRow(place.top);
        };
        loader_->start(std::move(*file), std::move(callbacks));
    });
}

}  // namespace sorrel
