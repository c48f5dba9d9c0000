#include "byteorder.h"

#include <QShowEvent>
#include <QStatusBar>

#include "byte_navigation.h"
#include "byte_source.h"
#include "exception_display.h"
#include "image_messages.h"
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

void TForm2::FormShow() {
    sorrel::RunHandler([this] {
        std::optional<sorrel::ImageFile> file =
            sorrel::OpenImageFile(currentImage_ ? currentImage_() : QString());
        if (!file) {
            return;
        }
        std::shared_ptr<const sorrel::ImageData> image = sorrel::ReadImageSnapshot(*file);
        StringGrid1->setSource(std::make_shared<const sorrel::ByteSource>(std::move(image)));
    });
}
