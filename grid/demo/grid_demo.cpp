// grid_demo: the string grid as the two windows use it, over 4,294,967,295
// rows of a synthetic listing, with a range selected near the end. A second
// window shows a grid without a source: its titles and one empty row.
//
//   grid_demo [--quit-after MS]
#include <QApplication>
#include <QFrame>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <span>

#include "listing_text.h"
#include "stringgrid.h"
#include "window_grid.h"

using namespace sorrel;

namespace {

constexpr std::uint64_t Rows = 4'294'967'295;

// Listing texts of a pseudo-random word per row, with an image header.
class DemoSource : public CellSource {
  public:
    std::uint64_t rowCount() const override { return Rows; }
    QString cellText(std::uint64_t row, int column) const override {
        const auto word = static_cast<std::uint16_t>((row * 0x9E3779B97F4A7C15ull) >> 48);
        const sorrel::ShortText text = sorrel::ListingCellText(row, word, false, column);
        return QString::fromLatin1(text.data.data(), text.size);
    }
};

// A window with a lowered panel that holds the grid, as the program's windows do.
QWidget* makeWindow(const QString& title, const QRect& geometry,
                    std::span<const sorrel::GridColumn> columns, StringGrid** gridOut) {
    auto* window = new QWidget;
    window->setWindowTitle(title);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame(window);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    layout->addWidget(panel);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    auto* grid = new StringGrid(panel);
    grid->setFrameShape(QFrame::NoFrame);
    sorrel::SetUpWindowGrid(grid, columns);
    panelLayout->addWidget(grid);
    window->setGeometry(geometry);
    *gridOut = grid;
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int quitAfter = -1;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--quit-after"));
    if (at >= 0 && at + 1 < args.size()) {
        quitAfter = args[at + 1].toInt();
    }

    StringGrid* listing = nullptr;
    std::unique_ptr<QWidget> main(makeWindow(QStringLiteral("StringGrid: 4 294 967 295 строк"),
                                             QRect(20, 20, 383, 300), sorrel::ListingGridColumns,
                                             &listing));
    listing->setSource(std::make_shared<DemoSource>());

    StringGrid* empty = nullptr;
    std::unique_ptr<QWidget> second(makeWindow(QStringLiteral("Byte order"),
                                               QRect(430, 20, 269, 235),
                                               sorrel::ByteOrderGridColumns, &empty));

    second->show();
    main->show();
    main->activateWindow();
    listing->setFocus();
    // The selection is made once the window has its size, so that the view
    // scrolls only as far as it must.
    listing->scrollToRow(Rows - 14);
    listing->setCurrentCell(Rows - 10, 0);
    listing->setCurrentCell(Rows - 6, 1, true);
    if (quitAfter >= 0) {
        QTimer::singleShot(quitAfter, &app, &QApplication::quit);
    }
    return app.exec();
}
