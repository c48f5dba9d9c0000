#include "grid_navigator.h"

#include <QByteArray>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>
#include <QWidget>
#include <array>
#include <initializer_list>

#include "exception_display.h"
#include "find_dialog.h"
#include "go_to_dialog.h"
#include "results_panel.h"
#include "stringgrid.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

namespace {

const QString NotFound = QStringLiteral("Не найдено");

bool Matches(const Query& query, const QString& text) {
    const QByteArray bytes = text.toLatin1();  // the listings' texts are ASCII
    return query.matches(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

GridNavigator::GridNavigator(QWidget* window, StringGrid* grid, WindowWork* work,
                             std::unique_ptr<const NavigableContent> content)
    : QObject(window),
      window_(window),
      grid_(grid),
      work_(work),
      content_(std::move(content)),
      goTo_(new GoToDialog(window)),
      find_(new FindDialog(window)),
      results_(new ResultsPanel) {
    goTo_->setGo([this](const QString& text) { return goTo(text); });
    connect(goTo_, &QDialog::finished, this, [this] { GiveGridTheKeys(grid_); });
    connect(find_, &QDialog::finished, this, [this] { GiveGridTheKeys(grid_); });
    connect(find_, &FindDialog::findNext, this, &GridNavigator::findNext);
    connect(find_, &FindDialog::findPrevious, this, &GridNavigator::findPrevious);
    connect(find_, &FindDialog::findAll, this, &GridNavigator::findAll);

    results_->takeColumnsOf(*grid_);
    results_->placeIn(window_, grid_);
    connect(results_, &ResultsPanel::rowActivated, this, [this](std::uint64_t row) {
        goToRow(row);
        GiveGridTheKeys(grid_);
    });

    using Command = void (GridNavigator::*)();
    const auto bind = [this](QWidget* in, std::initializer_list<QKeySequence> keys,
                             Command command) {
        auto* shortcut = new QShortcut(in);
        shortcut->setKeys(QList<QKeySequence>(keys));
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, command);
    };
    bind(window_, {QKeySequence(Qt::CTRL | Qt::Key_G)}, &GridNavigator::openGoTo);
    bind(window_, {QKeySequence(Qt::CTRL | Qt::Key_F)}, &GridNavigator::openFind);
    for (QWidget* in : std::initializer_list<QWidget*>{window_, find_}) {
        bind(in, {QKeySequence(Qt::Key_F3)}, &GridNavigator::findNext);
        bind(in, {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, &GridNavigator::findPrevious);
    }
    bind(window_, {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Back)},
         &GridNavigator::back);
    bind(window_, {QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::Key_Forward)},
         &GridNavigator::forward);
    window_->installEventFilter(this);

    work_->addCancellable([this] { return search_.busy(); },
                          [this] {
                              cancelSearch();
                              tell(QStringLiteral("Поиск прерван"));
                          });
    connect(grid_, &StringGrid::sourceChanged, this, &GridNavigator::onSourceChanged);
}

GridNavigator::~GridNavigator() = default;

// ---- going -------------------------------------------------------------------

Place GridNavigator::here() const {
    return {grid_->currentRow(), grid_->currentColumn()};
}

void GridNavigator::show(Place place, Reveal reveal) {
    const std::uint64_t top = grid_->topRow();
    const std::uint64_t inView = grid_->visibleRowCount();
    const bool hidden = place.row < top || place.row - top >= inView;
    grid_->setCurrentCell(place.row, place.column);
    if (reveal == Reveal::Centre || hidden) {
        const std::uint64_t half = inView / 2;
        grid_->scrollToRow(place.row > half ? place.row - half : 0);
    }
}

void GridNavigator::leaveFor(Place place, Reveal reveal) {
    history_.visit(here());
    show(place, reveal);
}

void GridNavigator::goToRow(std::uint64_t row) {
    leaveFor({row, grid_->currentColumn()}, Reveal::Centre);
}

void GridNavigator::back() {
    if (const std::optional<Place> place = history_.back(here())) {
        show(*place, Reveal::Centre);
    }
}

void GridNavigator::forward() {
    if (const std::optional<Place> place = history_.forward(here())) {
        show(*place, Reveal::Centre);
    }
}

void GridNavigator::openGoTo() {
    goTo_->start();
}

QString GridNavigator::goTo(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const GoToOutcome outcome = content_->goTo(
        grid_->source(), std::string_view(bytes.constData(), bytes.size()), grid_->currentRow());
    if (!outcome.row) {
        return QString::fromStdString(outcome.reason);
    }
    goToRow(*outcome.row);
    return {};
}

void GridNavigator::tell(const QString& message) {
    work_->tell(message);
}

bool GridNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::MouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::BackButton || button == Qt::ForwardButton) {
            button == Qt::BackButton ? back() : forward();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// ---- finding -----------------------------------------------------------------

void GridNavigator::openFind() {
    find_->start();
}

const GridNavigator::Prepared* GridNavigator::prepare() {
    const QString text = find_->text();
    if (text.isEmpty()) {
        return nullptr;
    }
    if (!prepared_ || prepared_->text != text) {
        const QByteArray bytes = text.toUtf8();
        auto query = std::make_shared<const Query>(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        prepared_ = Prepared{text, query, content_->scanner(grid_->sharedSource(), *query)};
    }
    return &*prepared_;
}

std::optional<int> GridNavigator::matchingColumn(const Query& query, std::uint64_t row, int from,
                                                 Direction direction) const {
    const CellSource* source = grid_->source();
    if (source == nullptr || row >= source->rowCount()) {
        return std::nullopt;
    }
    const int step = direction == Direction::Next ? 1 : -1;
    for (int column = from + step; column >= 0 && column < grid_->columnCount(); column += step) {
        if (content_->searches(*source, row, column) &&
            Matches(query, source->cellText(row, column))) {
            return column;
        }
    }
    return std::nullopt;
}

void GridNavigator::findNext() {
    find(Direction::Next);
}

void GridNavigator::findPrevious() {
    find(Direction::Previous);
}

void GridNavigator::find(Direction direction) {
    const Prepared* prepared = prepare();
    if (prepared == nullptr) {
        openFind();
        return;
    }
    const std::shared_ptr<const RowScanner> scanner = prepared->scanner;
    if (!scanner || scanner->rowCount() == 0) {
        tell(NotFound);
        return;
    }
    const std::shared_ptr<const Query> query = prepared->query;
    const Place from = here();
    // The rest of the current row first: a cell or two, at once.
    if (const std::optional<int> column =
            matchingColumn(*query, from.row, from.column, direction)) {
        leaveFor({from.row, *column}, Reveal::WhenHidden);
        return;
    }
    // Then the rows after (before) it to the end (start), and, wrapping, the
    // rest, the current row last.
    const std::uint64_t rows = scanner->rowCount();
    struct Leg {
        std::uint64_t begin;
        std::uint64_t end;
    };
    const bool next = direction == Direction::Next;
    const std::array<Leg, 2> legs =
        next ? std::array<Leg, 2>{Leg{from.row + 1, rows}, Leg{0, from.row + 1}}
             : std::array<Leg, 2>{Leg{0, from.row}, Leg{from.row, rows}};
    TaskWork<Found> work = [scanner, legs, next, rows](std::stop_token stop,
                                                       const ProgressFn& progress) {
        std::uint64_t before = 0;
        ProgressFn legProgress;
        if (progress) {
            legProgress = [&progress, &before, rows](std::uint64_t done, std::uint64_t) {
                progress(before + done, rows);
            };
        }
        for (std::size_t i = 0; i < legs.size(); ++i) {
            const Leg leg = legs[i];
            const std::optional<std::uint64_t> row =
                next ? scanner->next(leg.begin, leg.end, stop, legProgress)
                     : scanner->previous(leg.begin, leg.end, stop, legProgress);
            if (row || stop.stop_requested()) {
                return Found{row, i == 1};
            }
            before += leg.end - leg.begin;
        }
        return Found{};
    };
    startSearch<Found>(
        QStringLiteral("Поиск"), std::move(work), [this, query, direction, from](Found&& found) {
            if (!found.row) {
                tell(NotFound);
                return;
            }
            const int any = direction == Direction::Next ? -1 : grid_->columnCount();
            const int column =
                matchingColumn(*query, *found.row, any, direction).value_or(from.column);
            leaveFor({*found.row, column}, Reveal::WhenHidden);
            if (found.wrapped) {
                tell(direction == Direction::Next
                         ? QStringLiteral("Поиск дошёл до конца и продолжен с начала")
                         : QStringLiteral("Поиск дошёл до начала и продолжен с конца"));
            }
        });
}

void GridNavigator::findAll() {
    const Prepared* prepared = prepare();
    if (prepared == nullptr) {
        openFind();
        return;
    }
    const std::shared_ptr<const RowScanner> scanner = prepared->scanner;
    if (!scanner) {
        tell(NotFound);
        return;
    }
    listRows(
        QStringLiteral("Найдено"), QStringLiteral("Поиск"),
        [scanner](std::stop_token stop, const ProgressFn& progress) {
            return scanner->all(FindAllLimit, std::move(stop), progress);
        },
        true);
}

void GridNavigator::listRows(const QString& title, const QString& label, RowWork work, bool found) {
    std::shared_ptr<const CellSource> listing = grid_->sharedSource();
    startSearch<RowList>(label, std::move(work), [this, title, listing, found](RowList&& list) {
        auto rows = std::make_shared<const std::vector<std::uint64_t>>(std::move(list.rows));
        results_->showRows(title, listing, rows, list.limited);
        if (found) {
            foundRows_ = rows;
            emit foundRowsChanged(rows);
        }
    });
}

template <typename Result>
void GridNavigator::startSearch(const QString& label, TaskWork<Result> work,
                                std::function<void(Result&&)> done) {
    TaskCallbacks<Result> onGui;
    onGui.progress = [this, label](std::uint64_t rowsDone, std::uint64_t rows) {
        work_->reportProgress(QString::fromLatin1(WorkKey),
                              QStringLiteral("%1: %2 %").arg(label).arg(Percent(rowsDone, rows)));
    };
    onGui.result = [this, done = std::move(done)](Result&& result) {
        work_->clearProgress(QString::fromLatin1(WorkKey));
        done(std::move(result));
    };
    onGui.error = [this](std::exception_ptr error) {
        work_->clearProgress(QString::fromLatin1(WorkKey));
        ShowException(error);
    };
    search_.start<Result>(std::move(work), std::move(onGui));
}

void GridNavigator::cancelSearch() {
    search_.cancel();
    work_->clearProgress(QString::fromLatin1(WorkKey));
}

void GridNavigator::onSourceChanged() {
    // Rows now mean something else.
    if (search_.busy()) {
        cancelSearch();
    }
    history_.clear();
    prepared_.reset();
    results_->clear();
    if (foundRows_) {
        foundRows_.reset();
        emit foundRowsChanged(nullptr);
    }
}

}  // namespace sorrel
