#include "main.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>

#include "exception_display.h"
#include "listing_source.h"
#include "stringgrid.h"
#include "ui_main.h"
#include "window_font.h"
#include "window_grid.h"

// The glyphs are compiled into this library; a static library must register them.
static void InitGlyphResources() {
    Q_INIT_RESOURCE(sorrel);
}

namespace {

const QString Caption = QStringLiteral("Sorrel Дизассемблер ");

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

    // The outer position; the layout gives the client area of 383 by 287.
    move(266, 167);
    sorrel::UseWindowFont(this);

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

    // Keys for the buttons; their hints stay as they are.
    const auto key = [this](QKeySequence sequence, QToolButton* button) {
        auto* shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_O), SpeedButton1);
    key(QKeySequence(Qt::Key_F5), SpeedButton2);
    key(QKeySequence(Qt::CTRL | Qt::Key_B), SpeedButton3);
    setAcceptDrops(true);

    sorrel::SetUpWindowGrid(StringGrid1, sorrel::ListingGridColumns);
    connect(StringGrid1, &StringGrid::copyRefused, this,
            [this](std::uint64_t rows) { sorrel::ShowCopyRefusedMessage(this, rows); });
}

TForm1::~TForm1() = default;

void TForm1::SpeedButton1Click() {
    sorrel::RunHandler([this] {
        if (OpenDialog1->exec() != QDialog::Accepted) {
            return;
        }
        const QStringList chosen = OpenDialog1->selectedFiles();
        if (chosen.isEmpty()) {
            return;
        }
        loadChosenFile(chosen.first());
    });
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
        this,
        [this, path] {
            sorrel::RunHandler([this, &path] {
                // The dialog opens on the dropped file next time.
                OpenDialog1->selectFile(path);
                loadChosenFile(path);
            });
        },
        Qt::QueuedConnection);
}

void TForm1::loadChosenFile(const QString& path) {
    fileName_ = path;
    std::optional<sorrel::ImageFile> file = sorrel::OpenImageFile(path);
    if (!file) {
        return;
    }
    setWindowTitle(QStringLiteral("Sorrel Дизассемблер - [") + path + QStringLiteral("]"));
    if (file->size() % 2 != 0) {
        QMessageBox warning(QMessageBox::NoIcon, QStringLiteral("Предкпреждение"),
                            QStringLiteral("Длинна файла не кратна \r\nдлинне машинной команды."),
                            QMessageBox::Ok, this);
        warning.exec();
    }
    listImage(*file);
}

void TForm1::SpeedButton2Click() {
    sorrel::RunHandler([this] {
        std::optional<sorrel::ImageFile> file = sorrel::OpenImageFile(fileName_);
        if (!file) {
            return;
        }
        listImage(*file);
    });
}

void TForm1::listImage(sorrel::ImageFile& file) {
    std::shared_ptr<const sorrel::ImageData> image = sorrel::ReadImageSnapshot(file);
    auto source =
        std::make_shared<const sorrel::ListingSource>(std::move(image), CheckBox1->isChecked());
    StringGrid1->setSource(std::move(source));
}

void TForm1::SpeedButton3Click() {
    sorrel::RunHandler([this] {
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
