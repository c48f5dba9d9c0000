#include "byteorder.h"

#include <QHideEvent>
#include <QShowEvent>
#include <QStatusBar>

#include "byte_navigation.h"
#include "byte_source.h"
#include "exception_display.h"
#include "image_loader.h"
#include "image_messages.h"
#include "listing_export.h"
#include "stringgrid.h"
#include "ui_byteorder.h"
#include "window_font.h"
#include "window_grid.h"
#include "window_work.h"

TForm2::TForm2(std::function<QString()> currentImage, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TForm2>()), currentImage_(std::move(currentImage)) {
    ui_->setupUi(this);
    Panel2 = ui_->Panel2;
    StringGrid1 = ui_->StringGrid1;
    StatusBar1 = ui_->StatusBar1;
    work_ = new sorrel::WindowWork(this, StatusBar1);
    loader_ = new sorrel::ImageLoader(work_, StringGrid1);
    export_ = new sorrel::ListingExport(this, work_, StringGrid1, [this] { return listedImage(); });

    // A sizeable tool window; the layout gives the listing's panel 269 by 235
    // pixels and the status bar below it 19.
    setWindowFlags(Qt::Tool);
    move(378, 177);
    sorrel::UseWindowFont(this);
    // Closing it only hides it; only the main window ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    sorrel::SetUpWindowGrid(StringGrid1, sorrel::ByteOrderGridColumns);
    connect(StringGrid1, &StringGrid::copyRefused, this,
            [this](std::uint64_t rows) { sorrel::ShowCopyRefusedMessage(this, rows); });
    navigator_ = sorrel::NavigateBytes(this, StringGrid1, work_);
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
    }
}

bool TForm2::loading() const {
    return loader_->loading();
}

void TForm2::FormShow() {
    sorrel::RunHandler([this] {
        loader_->abandon();
        const QString path = currentImage_ ? currentImage_() : QString();
        std::optional<sorrel::ImageFile> file = sorrel::OpenImageFile(path);
        if (!file) {
            return;
        }
        sorrel::ImageLoadCallbacks callbacks;
        callbacks.loaded = [this, path](std::shared_ptr<const sorrel::ImageData> image) {
            auto source = std::make_shared<const sorrel::ByteSource>(std::move(image));
            shownFile_ = path;
            StringGrid1->setSource(std::move(source));
        };
        loader_->start(std::move(*file), std::move(callbacks));
    });
}

sorrel::ListedImage TForm2::listedImage() const {
    const auto source =
        std::dynamic_pointer_cast<const sorrel::ByteSource>(StringGrid1->sharedSource());
    if (!source) {
        return {};
    }
    return {source->snapshot(),
            sorrel::ListingMode::Bytes,
            {shownFile_, currentImage_ ? currentImage_() : QString()}};
}
