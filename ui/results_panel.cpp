#include "results_panel.h"

#include <QBoxLayout>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QToolButton>
#include <QVBoxLayout>

#include "scan.h"
#include "window_grid.h"

namespace sorrel {

namespace {

// Rows the panel asks room for when it first appears.
constexpr int ShownRows = 8;

}  // namespace

ResultRowsSource::ResultRowsSource(std::shared_ptr<const CellSource> listing,
                                   std::shared_ptr<const std::vector<std::uint64_t>> rows,
                                   int listingColumns, ResultDetail detail)
    : listing_(std::move(listing)),
      rows_(std::move(rows)),
      listingColumns_(listingColumns),
      detail_(std::move(detail)) {}

QString ResultRowsSource::cellText(std::uint64_t row, int column) const {
    if (detail_.text && column == listingColumns_) {
        return detail_.text(row);
    }
    return listing_->cellText((*rows_)[row], column);
}

int ResultRowsSource::greyedFrom(std::uint64_t row, int column) const {
    return detail_.text && column == listingColumns_ ? -1
                                                     : listing_->greyedFrom((*rows_)[row], column);
}

bool ResultRowsSource::rowMarked(std::uint64_t row) const {
    return listing_->rowMarked((*rows_)[row]);
}

ResultsPanel::ResultsPanel(QWidget* parent)
    : QWidget(parent),
      heading_(new QLabel(this)),
      note_(new QLabel(this)),
      old_(new QLabel(this)),
      close_(new QToolButton(this)),
      grid_(new StringGrid(this)) {
    setObjectName(QStringLiteral("resultsPanel"));
    heading_->setObjectName(QStringLiteral("resultsHeading"));
    note_->setObjectName(QStringLiteral("resultsNote"));
    grid_->setObjectName(QStringLiteral("resultsGrid"));
    close_->setObjectName(QStringLiteral("resultsClose"));
    heading_->setTextFormat(Qt::PlainText);
    note_->setTextFormat(Qt::PlainText);
    note_->hide();
    old_->setObjectName(QStringLiteral("resultsOld"));
    old_->setTextFormat(Qt::PlainText);
    old_->setEnabled(false);
    old_->hide();
    close_->setText(QStringLiteral("×"));
    close_->setToolTip(QStringLiteral("Закрыть"));
    close_->setAutoRaise(true);
    close_->setFocusPolicy(Qt::NoFocus);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(4, 2, 2, 2);
    top->addWidget(heading_, 1);
    top->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(old_);
    layout->addWidget(note_);
    layout->addWidget(grid_, 1);

    connect(grid_, &StringGrid::cellActivated, this, [this](std::uint64_t result, int) {
        if (rows_ && result < rows_->size()) {
            emit rowActivated((*rows_)[result]);
        }
    });
    connect(grid_, &StringGrid::copyRefused, this,
            [this](std::uint64_t rows) { ShowCopyRefusedMessage(window(), rows); });
    connect(close_, &QToolButton::clicked, this, [this] {
        if (host_ != nullptr) {
            host_->hide();
        }
    });
}

void ResultsPanel::takeColumnsOf(const StringGrid& grid) {
    listing_ = &grid;
    listingColumns_ = grid.columnCount();
    const int columns = listingColumns_ + (detail_.text ? 1 : 0);
    grid_->setColumnCount(columns);
    QStringList titles;
    for (int c = 0; c < listingColumns_; ++c) {
        titles << grid.columnTitle(c);
        grid_->setColumnWidth(c, grid.columnWidth(c));
    }
    if (detail_.text) {
        titles << detail_.title;
        grid_->setColumnWidth(listingColumns_, detail_.width);
    }
    grid_->setColumnTitles(titles);
    grid_->setDefaultRowHeight(grid.defaultRowHeight());
    grid_->setFont(grid.font());
    grid_->setCellFont(grid.cellFont());
}

void ResultsPanel::placeIn(QWidget* window, QWidget* listing) {
    window_ = window;
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        auto* dock = new QDockWidget(QStringLiteral("Результаты"), main);
        dock->setObjectName(QStringLiteral("resultsDock"));
        dock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
        dock->setWidget(this);
        main->addDockWidget(Qt::BottomDockWidgetArea, dock);
        close_->hide();  // the dock has its own
        host_ = dock;
    } else {
        QWidget* part = listing;
        while (part->parentWidget() != nullptr && part->parentWidget() != window) {
            part = part->parentWidget();
        }
        auto* layout = qobject_cast<QBoxLayout*>(window->layout());
        setParent(window);
        if (layout != nullptr) {
            layout->insertWidget(layout->indexOf(part) + 1, this);
            layout->setStretchFactor(part, 1);
        }
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        host_ = this;
    }
    host_->hide();
}

void ResultsPanel::showRows(const QString& title, std::shared_ptr<const CellSource> listing,
                            std::shared_ptr<const std::vector<std::uint64_t>> rows, bool limited,
                            ResultDetail detail) {
    const auto count = static_cast<std::uint64_t>(rows->size());
    rows_ = rows;
    detail_ = std::move(detail);
    if (listing_ != nullptr) {
        takeColumnsOf(*listing_);
    }
    grid_->setSource(std::make_shared<const ResultRowsSource>(std::move(listing), std::move(rows),
                                                              listingColumns_, detail_));
    grid_->setCurrentCell(0, 0);
    grid_->scrollToRow(0);
    heading_->setText(title + QStringLiteral(" — ") + GroupDigits(count));
    old_->clear();
    old_->hide();
    note_->setText(limited ? QStringLiteral("Показаны первые %1 строк: дальше поиск не пошёл.")
                                 .arg(GroupDigits(FindAllLimit))
                           : QString());
    note_->setVisible(limited);
    reveal();
}

void ResultsPanel::clear() {
    rows_ = std::make_shared<const std::vector<std::uint64_t>>();
    detail_ = {};
    grid_->setSource(std::make_shared<const ResultRowsSource>(nullptr, rows_));
    heading_->clear();
    note_->clear();
    note_->hide();
    old_->clear();
    old_->hide();
}

void ResultsPanel::relist(std::shared_ptr<const CellSource> listing) {
    if (rows_ && !rows_->empty() && listing) {
        grid_->setSource(std::make_shared<const ResultRowsSource>(std::move(listing), rows_,
                                                                  listingColumns_, detail_));
    }
}

void ResultsPanel::markOld(bool running) {
    if (heading_->text().isEmpty()) {
        return;
    }
    old_->setText(running ? QStringLiteral("Результаты прежнего поиска: идёт новый поиск…")
                          : QStringLiteral("Результаты прежнего поиска: новый поиск прерван."));
    old_->show();
}

void ResultsPanel::showAgain() {
    if (!heading_->text().isEmpty()) {
        reveal();
    }
}

QString ResultsPanel::oldNote() const {
    return old_->text();
}

QString ResultsPanel::heading() const {
    return heading_->text();
}

QString ResultsPanel::note() const {
    return note_->text();
}

bool ResultsPanel::isShownInWindow() const {
    return host_ != nullptr && host_->isVisible() && isVisible();
}

QSize ResultsPanel::sizeHint() const {
    const int rows = grid_->rowPitch() * (ShownRows + 1) + 2 * grid_->frameWidth();
    return {QWidget::sizeHint().width(), heading_->sizeHint().height() + 4 + rows};
}

void ResultsPanel::reveal() {
    if (host_ == nullptr || host_->isVisible()) {
        return;
    }
    if (!grown_ && !host_->isWindow() && !window_->isMaximized() && !window_->isFullScreen()) {
        // Room for the panel, so that the listing keeps its rows.
        window_->resize(window_->width(), window_->height() + host_->sizeHint().height());
        grown_ = true;
    }
    host_->show();
}

}  // namespace sorrel
