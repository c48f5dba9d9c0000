#include "flow_views.h"

#include <QAction>
#include <QKeySequence>

#include "jump_flow.h"
#include "jump_gutter.h"
#include "overview.h"
#include "overview_strip.h"
#include "stringgrid.h"
#include "window_commands.h"
#include "window_document.h"
#include "window_work.h"

namespace sorrel {

namespace {

const WorkLine JumpPassLine{QStringLiteral("jumps"), QStringLiteral("Подсчёт переходов"), {}, true};
const WorkLine OverviewPassLine{
    QStringLiteral("overview"), QStringLiteral("Обзор образа"), {}, true};

QAction* ShowAction(const QString& text, const QKeySequence& key, QWidget* widget) {
    auto* action = new QAction(text, widget);
    action->setCheckable(true);
    action->setChecked(true);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::toggled, widget, &QWidget::setVisible);
    return action;
}

// A pass over the listing on a worker: the work that the task runs, holding
// the document alive until it returns. The marks it gives can wait, so it
// yields the CPU to the GUI thread and to a read that follows a load.
template <typename Result>
TaskWork<Result> PassOver(std::shared_ptr<const ListingDocument> listing,
                          Result (*pass)(const ListingRows&, std::stop_token, const ProgressFn&)) {
    return [listing = std::move(listing), pass](std::stop_token stop, const ProgressFn& progress) {
        RunAtIdlePriority();
        return pass(listing->wordRows(), stop, progress);
    };
}

}  // namespace

FlowViews::FlowViews(WindowDocument* document, WindowWork* work, WindowCommands* commands)
    : QObject(document->grid()),
      document_(document),
      grid_(document->grid()),
      work_(work),
      gutter_(new JumpGutter(grid_)),
      strip_(new OverviewStrip(grid_)) {
    grid_->setSideWidget(StringGrid::Side::Left, gutter_, gutter_->sizeHint().width());
    grid_->setSideWidget(StringGrid::Side::Right, strip_, OverviewStrip::PreferredWidth);

    arrowsAction_ = ShowAction(QStringLiteral("Стрелки переходов"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J), gutter_);
    overviewAction_ = ShowAction(QStringLiteral("Обзор образа"),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), strip_);
    grid_->addAction(arrowsAction_);
    grid_->addAction(overviewAction_);
    commands->add(CommandSection::View, arrowsAction_);
    commands->add(CommandSection::View, overviewAction_);

    goTo_ = [this](std::uint64_t row) { grid_->setCurrentCell(row, grid_->currentColumn()); };
    connect(gutter_, &JumpGutter::rowRequested, this, [this](std::uint64_t row) { goTo_(row); });
    connect(strip_, &OverviewStrip::rowRequested, this, &FlowViews::centreRow);
    connect(document_, &WindowDocument::changed, this, &FlowViews::listingChanged);
    connect(document_, &WindowDocument::updated, this, [this] {
        const std::shared_ptr<const ListingDocument>& listing = document_->current();
        gutter_->setNotes(listing ? listing->notes() : nullptr);
        strip_->setNotes(listing ? listing->notes() : nullptr);
    });
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
    work_->clearLine(JumpPassLine);
    work_->clearLine(OverviewPassLine);
    const std::shared_ptr<const ListingDocument>& listing = document_->current();
    const bool raw = listing && listing->mode() == ListingMode::Raw;
    gutter_->setImage(listing ? listing->image() : nullptr, raw);
    strip_->setImageRows(listing ? listing->rowCount() : 0, raw);
    strip_->setSlices(nullptr);
    strip_->setFoundRows(nullptr);
    gutter_->setCurrentRow(grid_->currentRow());
    followRows();
    if (!listing) {
        return;
    }

    work_->run<JumpCounts>(
        jumpPass_, JumpPassLine, PassOver<JumpCounts>(listing, &CountJumps),
        [this](JumpCounts&& counts) {
            gutter_->setJumpCounts(std::make_shared<const JumpCounts>(std::move(counts)));
        });
    work_->run<OverviewSlices>(
        overviewPass_, OverviewPassLine, PassOver<OverviewSlices>(listing, &ScanOverview),
        [this](OverviewSlices&& slices) {
            strip_->setSlices(std::make_shared<const OverviewSlices>(std::move(slices)));
        });
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

void FlowViews::centreRow(std::uint64_t row) {
    const std::uint64_t half = grid_->visibleRowCount() / 2;
    grid_->scrollToRow(row > half ? row - half : 0);
    grid_->setCurrentCell(row, grid_->currentColumn());
}

}  // namespace sorrel
