// flow_widgets_demo: the jump gutter and the overview strip beside a listing
// grid, wired by hand as the main window will wire them, for a look at them.
// Without a file it lists a made-up image with a header: nested loops and
// forward jumps, a jump to itself, jumps past the end, erased and empty
// memory, and a stretch of words of no instruction; its "jsr" rows stand for
// the rows of a "find all".
//
//   flow_widgets_demo [--quit-after MS] [--raw] [--row N] [--tips] [FILE]
//
// --tips shows the tooltips of the strip and of a mark of the gutter.
#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <memory>
#include <vector>

#include "image_snapshot.h"
#include "jump_flow.h"
#include "jump_gutter.h"
#include "listing_text.h"
#include "overview.h"
#include "overview_strip.h"
#include "stringgrid.h"
#include "window_font.h"

using namespace sorrel;

namespace {

// The main listing's texts of one snapshot.
class DemoSource : public CellSource {
  public:
    DemoSource(std::shared_ptr<const sorrel::ImageData> image, bool raw)
        : image_(std::move(image)), rows_{image_->data(), image_->size(), raw} {}
    std::uint64_t rowCount() const override { return rows_.rowCount(); }
    QString cellText(std::uint64_t row, int column) const override {
        const sorrel::ShortText text = rows_.cell(row, column);
        return QString::fromLatin1(text.data.data(), text.size);
    }

  private:
    std::shared_ptr<const sorrel::ImageData> image_;
    sorrel::ListingRows rows_;
};

std::uint16_t Jmp(unsigned address) {
    return static_cast<std::uint16_t>(0x8000u | address);
}

std::uint16_t Jsr(unsigned address) {
    return static_cast<std::uint16_t>(0x9000u | address);
}

// A header and 960 program words; addresses 960 to 1023 lie past the end.
QByteArray MadeUpImage() {
    std::vector<std::uint16_t> words(256 + 960, 0x0400);  // mov  a0, a0
    for (unsigned k = 0; k < 256; ++k) {
        words[k] = static_cast<std::uint16_t>(k * 0x0101u);
    }
    auto at = [&words](unsigned address) -> std::uint16_t& { return words[256 + address]; };
    for (unsigned a = 0; a < 960; a += 3) {
        at(a) = static_cast<std::uint16_t>(0x0400 + (a * 37) % 0x3000);
    }
    // Nested loops, forward jumps over them, a jump to itself, far jumps.
    at(4) = Jmp(30);
    at(6) = Jsr(200);
    at(9) = Jmp(5);
    at(12) = Jmp(20);
    at(14) = Jmp(11);
    at(16) = Jmp(8);
    at(18) = Jmp(18);
    at(21) = Jmp(1000);
    at(23) = Jmp(25);
    at(26) = Jmp(13);
    at(28) = Jsr(2);
    at(31) = Jmp(990);
    at(33) = Jmp(7);
    for (unsigned a = 40; a < 300; a += 7) {
        at(a) = a % 2 ? Jmp(a - 5) : Jsr((a * 13) % 600);
    }
    for (unsigned a = 300; a < 420; ++a) {
        at(a) = 0xFFFF;  // erased
    }
    for (unsigned a = 420; a < 500; ++a) {
        at(a) = static_cast<std::uint16_t>(0x0009 + (a % 3) * 0x10);  // no instruction
    }
    for (unsigned a = 600; a < 700; ++a) {
        at(a) = 0x0000;  // empty
    }
    for (unsigned a = 700; a < 960; a += 5) {
        at(a) = Jmp((a * 7) % 1024);
    }
    QByteArray bytes;
    for (const std::uint16_t w : words) {
        bytes.append(static_cast<char>(w & 0xFF));
        bytes.append(static_cast<char>(w >> 8));
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    int quitAfter = -1;
    bool raw = false;
    bool tips = false;
    std::uint64_t startRow = 260;
    QString path;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--quit-after") && i + 1 < args.size()) {
            quitAfter = args[++i].toInt();
        } else if (args[i] == QStringLiteral("--row") && i + 1 < args.size()) {
            startRow = args[++i].toULongLong();
        } else if (args[i] == QStringLiteral("--raw")) {
            raw = true;
        } else if (args[i] == QStringLiteral("--tips")) {
            tips = true;
        } else {
            path = args[i];
        }
    }
    QTemporaryDir scratch;
    if (path.isEmpty()) {
        path = scratch.filePath(QStringLiteral("made-up.bin"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(MadeUpImage()) < 0) {
            return 1;
        }
    }
    auto image =
        std::make_shared<const sorrel::ImageData>(sorrel::ImageData::read(path.toStdString()));
    const sorrel::ListingRows rows{image->data(), image->size(), raw};
    auto counts = std::make_shared<const sorrel::JumpCounts>(sorrel::CountJumps(rows));
    auto slices = std::make_shared<const sorrel::OverviewSlices>(sorrel::ScanOverview(rows));
    auto found = std::make_shared<std::vector<std::uint64_t>>();
    for (std::uint64_t row = rows.base(); row < rows.rowCount(); ++row) {
        if ((rows.word(row) & 0xFC00u) == 0x9000u) {
            found->push_back(row);
        }
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Переходы и обзор"));
    auto* layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* gutter = new JumpGutter(&window);
    auto* grid = new StringGrid(&window);
    auto* strip = new OverviewStrip(&window);
    layout->addWidget(gutter);
    layout->addWidget(grid);
    layout->addWidget(strip);
    grid->setFrameShape(QFrame::NoFrame);
    grid->setColumnCount(3);
    grid->setColumnTitles({QStringLiteral("Адрес инструкци"), QStringLiteral("Инструкция"),
                           QStringLiteral("Мнемоника")});
    grid->setColumnWidth(0, 70);
    grid->setColumnWidth(1, 137);
    grid->setColumnWidth(2, 171);
    grid->setCellFont(sorrel::GridFont());
    grid->setSource(std::make_shared<DemoSource>(image, raw));

    gutter->setImage(image, raw);
    gutter->setJumpCounts(counts);
    strip->setImageRows(rows.rowCount(), raw);
    strip->setSlices(slices);
    strip->setFoundRows(found);

    // The grid's rows start below its title row, which is one row pitch high.
    auto sync = [=] {
        const int pitch = grid->defaultRowHeight() + StringGrid::GridLineWidth;
        JumpGutter::RowGeometry geometry;
        geometry.firstRow = grid->topRow();
        geometry.rowsInView = grid->visibleRowCount() + 1;
        geometry.rowPitch = pitch;
        geometry.rowHeight = grid->defaultRowHeight();
        geometry.firstRowY = pitch;
        gutter->setRowGeometry(geometry);
        gutter->setCurrentRow(grid->currentRow());
        strip->setView(grid->topRow(), grid->visibleRowCount());
    };
    QObject::connect(grid->verticalScrollBar(), &QScrollBar::valueChanged, gutter, sync);
    QObject::connect(grid, &StringGrid::currentCellChanged, gutter, sync);
    QObject::connect(gutter, &JumpGutter::rowRequested, grid,
                     [=](std::uint64_t row) { grid->setCurrentCell(row, grid->currentColumn()); });
    QObject::connect(strip, &OverviewStrip::rowRequested, grid, [=](std::uint64_t row) {
        const std::uint64_t half = grid->visibleRowCount() / 2;
        grid->scrollToRow(row > half ? row - half : 0);
        grid->setCurrentCell(row, grid->currentColumn());
    });

    window.resize(gutter->sizeHint().width() + 400 + strip->sizeHint().width(), 560);
    window.show();
    grid->setFocus();
    grid->scrollToRow(startRow);
    grid->setCurrentCell(startRow + 9, 2);
    QTimer::singleShot(0, gutter, sync);  // once the grid has its size
    if (tips) {
        QTimer::singleShot(1000, strip, [=] {
            const QPoint at(strip->width() / 2, strip->height() / 3);
            QToolTip::showText(strip->mapToGlobal(at) - QPoint(260, 0), strip->toolTipAt(at),
                               strip);
        });
    }
    if (quitAfter >= 0) {
        QTimer::singleShot(quitAfter, &app, &QApplication::quit);
    }
    return app.exec();
}
