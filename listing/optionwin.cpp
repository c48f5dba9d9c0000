#include "optionwin.h"

#include "ui_optionwin.h"
#include "window_font.h"

namespace sorrel {

TOptionWin::TOptionWin(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TOptionWin>()) {
    ui_->setupUi(this);
    // A tool window of fixed size at its place on the screen.
    setWindowFlags(Qt::Tool | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    move(273, 118);
    UseWindowFont(this);
    // Only the main window ends the program when it is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
}

TOptionWin::~TOptionWin() = default;

}  // namespace sorrel
