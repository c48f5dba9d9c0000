#include "flow_views.h"

#include <QAction>
#include <QKeySequence>

#include "jump_flow.h"
#include "jump_gutter.h"
#include "listing_source.h"
#include "overview.h"
#include "overview_strip.h"
#include "stringgrid.h"
#include "window_work.h"

namespace sorrel {

namespace {

const QString JumpPassKey = QStringLiteral("jumps");
const QString OverviewPassKey = QStringLiteral("overview");

QAction* ShowAction(const QString& text, const QKeySequence& key, QWidget* widget) {
    auto* action = new QAction(text, widget);
    action->setCheckable(true);
    action->setChecked(true);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::toggled, widget, &QWidget::setVisible);
    return action;
}

// A pass over the listing's image on a worker: the work that the task runs,
// holding the snapshot alive until it returns. The marks it gives can wait,
// so it yields the CPU to the GUI thread and to a read that follows a load.
template <typename Result>
TaskWork<Result> PassOver(std::shared_ptr<const ImageData> image, bool raw,
                          Result (*pass)(const ListingRows&, std::stop_token, const ProgressFn&)) {
    return [image = std::move(image), raw, pass](std::stop_token stop, const ProgressFn& progress) {
        RunAtIdlePriority();
        const ListingRows rows{image->data(), image->size(), raw};
        return pass(rows, stop, progress);
    };
}

}  // namespace

FlowViews::FlowViews(StringGrid* grid, WindowWork* work)
    : QObject(grid),
      grid_(grid),
      work_(work),
      gutter_(new JumpGutter(grid)),
      strip_(new OverviewStrip(grid)) {
    grid_->setSideWidget(StringGrid::Side::Left, gutter_, gutter_->sizeHint().width());
    grid_->setSideWidget(StringGrid::Side::Right, strip_, OverviewStrip::PreferredWidth);

    arrowsAction_ = ShowAction(QStringLiteral("Стрелки переходов"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J), gutter_);
    overviewAction_ = ShowAction(QStringLiteral("Обзор образа"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), strip_);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid_->addAction(arrowsAction_);
    grid_->addAction(overviewAction_);

    goTo_ = [this](std::uint64_t row) { grid_->setCurrentCell(row, grid_->currentColumn()); };
    connect(gutter_, &JumpGutter::rowRequested, this, [this](std::uint64_t row) { goTo_(row); });
    connect(strip_, &OverviewStrip::topRowRequested, this, &FlowViews::goToTopRow);
    connect(grid_, &StringGrid::sourceChanged, this, &FlowViews::listingChanged);
    connect(grid_, &StringGrid::rowGeometryChanged, this, &FlowViews::followRows);
    connect(grid_, &StringGrid::currentCellChanged, gutter_,
            [this](std::uint64_t row) { gutter_->setCurrentRow(row); });
    followRows();
}

FlowViews::~FlowViews() = default;

int FlowViews::width() const {
    return gutter_->sizeHint().width() + OverviewStrip::PreferredWidth;
}

void FlowViews::setGoTo(std::function<void(std::uint64_t row)> goTo) {
    goTo_ = std::move(goTo);
}

void FlowViews::setFoundRows(std::shared_ptr<const std::vector<std::uint64_t>> rows) {
    strip_->setFoundRows(std::move(rows));
}

void FlowViews::listingChanged() {
    jumpPass_.cancel();
    overviewPass_.cancel();
    work_->clearBackgroundProgress(JumpPassKey);
    work_->clearBackgroundProgress(OverviewPassKey);
    const auto* listing = dynamic_cast<const ListingSource*>(grid_->source());
    std::shared_ptr<const ImageData> image = listing ? listing->snapshot() : nullptr;
    const bool raw = listing ? listing->raw() : false;
    gutter_->setImage(image, raw);
    strip_->setImageRows(listing ? listing->rowCount() : 0, raw);
    strip_->setSlices(nullptr);
    strip_->setFoundRows(nullptr);
    gutter_->setCurrentRow(grid_->currentRow());
    followRows();
    if (!image) {
        return;
    }

    startPass<JumpCounts>(jumpPass_, JumpPassKey, QStringLiteral("Подсчёт переходов"),
                          PassOver<JumpCounts>(image, raw, &CountJumps),
                          [this](std::shared_ptr<const JumpCounts> counts) {
                              gutter_->setJumpCounts(std::move(counts));
                          });
    startPass<OverviewSlices>(overviewPass_, OverviewPassKey, QStringLiteral("Обзор образа"),
                              PassOver<OverviewSlices>(image, raw, &ScanOverview),
                              [this](std::shared_ptr<const OverviewSlices> slices) {
                                  strip_->setSlices(std::move(slices));
                              });
}

template <typename Result>
void FlowViews::startPass(GuiTask& task, const QString& key, const QString& what,
                          TaskWork<Result> work,
                          std::function<void(std::shared_ptr<const Result>)> deliver) {
    task.start<Result>(std::move(work),
                       {[this, key, what](std::uint64_t done, std::uint64_t total) {
                            work_->showBackgroundProgress(
                                key,
                                QStringLiteral("%1: %2 %").arg(what).arg(Percent(done, total)));
                        },
                        [this, key, deliver](Result&& result) {
                            work_->clearBackgroundProgress(key);
                            deliver(std::make_shared<const Result>(std::move(result)));
                        },
                        [this, key](std::exception_ptr) { work_->clearBackgroundProgress(key); }});
}

void FlowViews::followRows() {
    const std::uint64_t rows = grid_->source() ? grid_->rowCount() : 0;
    const std::uint64_t top = grid_->topRow();
    const int pitch = grid_->rowPitch();
    // Rows with any part in view, the last partly shown one included.
    const auto reach =
        static_cast<std::uint64_t>((grid_->viewport()->height() + pitch - 1) / pitch);
    const std::uint64_t shown = top < rows ? std::min(reach, rows - top) : 0;
    gutter_->setRowGeometry({top, shown, pitch, grid_->defaultRowHeight(), 0});
    strip_->setView(top, std::min(grid_->visibleRowCount(), shown));
}

void FlowViews::goToTopRow(std::uint64_t top) {
    grid_->scrollToRow(top);
    grid_->setCurrentCell(grid_->topRow(), grid_->currentColumn());
}

}  // namespace sorrel
