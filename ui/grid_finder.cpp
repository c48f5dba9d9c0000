#include "grid_finder.h"

#include <QByteArray>
#include <QWidget>
#include <type_traits>
#include <utility>

#include "find_dialog.h"
#include "grid_places.h"
#include "regions.h"
#include "results_panel.h"
#include "stringgrid.h"
#include "window_document.h"
#include "window_grid.h"

namespace sorrel {

namespace {

const QString NotFound = QStringLiteral("Не найдено");
// The status bar's key of the search.
const QString SearchKey = QStringLiteral("search");

}  // namespace

GridFinder::GridFinder(QWidget* window, WindowDocument* document, WindowWork* work,
                       GridPlaces* places, ResultsPanel* results)
    : QObject(window),
      document_(document),
      work_(work),
      places_(places),
      results_(results),
      dialog_(new FindDialog(window)) {
    connect(dialog_, &FindDialog::findNext, this, &GridFinder::findNext);
    connect(dialog_, &FindDialog::findPrevious, this, &GridFinder::findPrevious);
    connect(dialog_, &FindDialog::findAll, this, &GridFinder::findAll);
    work_->addCancellable([this] { return search_.busy(); }, [this] { stop(); });
    dialog_->setStopSearch([this] {
        if (!search_.busy()) {
            return false;
        }
        stop();
        return true;
    });
}

void GridFinder::stop() {
    cancelSearch();
    say(QStringLiteral("Поиск прерван"));
}

void GridFinder::say(const QString& message) {
    work_->tell(message);
    dialog_->showStatus(message);
}

GridFinder::~GridFinder() = default;

void GridFinder::open() {
    dialog_->start();
}

const GridFinder::Prepared* GridFinder::prepare() {
    const QString text = dialog_->text();
    if (text.isEmpty()) {
        return nullptr;
    }
    if (!prepared_ || prepared_->text != text) {
        const QByteArray bytes = text.toUtf8();
        auto query = std::make_shared<const Query>(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        const std::shared_ptr<const ListingDocument>& listed = document_->current();
        prepared_ = Prepared{
            text, query,
            listed ? MakeRowScanner(listed, *query,
                                    std::string_view(bytes.constData(),
                                                     static_cast<std::size_t>(bytes.size())))
                   : nullptr};
    }
    return &*prepared_;
}

std::optional<int> GridFinder::matchingColumn(const Query& query, std::uint64_t row, int from,
                                              FindDirection direction) const {
    const std::shared_ptr<const ListingDocument>& listed = document_->current();
    if (!listed || row >= listed->rowCount()) {
        return std::nullopt;
    }
    const int step = direction == FindDirection::Next ? 1 : -1;
    const int columns = document_->grid()->columnCount();
    for (int column = from + step; column >= 0 && column < columns; column += step) {
        if (SearchesCell(*listed, row, column) && query.matches(listed->text(row, column))) {
            return column;
        }
    }
    return std::nullopt;
}

void GridFinder::findNext() {
    find(FindDirection::Next);
}

void GridFinder::findPrevious() {
    find(FindDirection::Previous);
}

void GridFinder::find(FindDirection direction) {
    const Prepared* prepared = prepare();
    if (prepared == nullptr) {
        open();
        return;
    }
    dialog_->showStatus({});
    const std::shared_ptr<const RowScanner> scanner = prepared->scanner;
    if (!scanner || scanner->rowCount() == 0) {
        say(NotFound);
        return;
    }
    const std::shared_ptr<const Query> query = prepared->query;
    const Place from = places_->here();
    // The rest of the current row first: a cell or two, at once.
    if (const std::optional<int> column =
            matchingColumn(*query, from.row, from.column, direction)) {
        places_->leaveFor({from.row, *column}, GridPlaces::Reveal::WhenHidden);
        return;
    }
    // Then the rows after (before) it and, wrapping, the rest, on a worker.
    TaskWork<WrappedFind> work = [scanner, from, direction](std::stop_token stop,
                                                            const ProgressFn& progress) {
        return FindWrapping(*scanner, from.row, direction, std::move(stop), progress);
    };
    startSearch<WrappedFind>(
        QStringLiteral("Поиск"), std::move(work),
        [this, query, direction, from](WrappedFind&& found) {
            if (!found.row) {
                say(NotFound);
                return;
            }
            const int any =
                direction == FindDirection::Next ? -1 : document_->grid()->columnCount();
            const int column =
                matchingColumn(*query, *found.row, any, direction).value_or(from.column);
            places_->leaveFor({*found.row, column}, GridPlaces::Reveal::WhenHidden);
            if (found.wrapped) {
                say(direction == FindDirection::Next
                        ? QStringLiteral("Поиск дошёл до конца и продолжен с начала")
                        : QStringLiteral("Поиск дошёл до начала и продолжен с конца"));
            }
        });
}

void GridFinder::findAll() {
    const Prepared* prepared = prepare();
    if (prepared == nullptr) {
        open();
        return;
    }
    dialog_->showStatus({});
    const std::shared_ptr<const RowScanner> scanner = prepared->scanner;
    if (!scanner) {
        say(NotFound);
        return;
    }
    listRows(
        QStringLiteral("Найти все: %1").arg(prepared->text), QStringLiteral("Поиск"),
        [scanner](std::stop_token stop, const ProgressFn& progress) {
            return scanner->all(FindAllLimit, std::move(stop), progress);
        },
        true);
}

void GridFinder::listRows(const QString& title, const QString& label, RowWork work, bool found) {
    std::shared_ptr<const CellSource> listing = document_->grid()->sharedSource();
    startSearch<RowList>(label, std::move(work), [this, title, listing, found](RowList&& list) {
        listingRows_ = false;
        auto rows = std::make_shared<const std::vector<std::uint64_t>>(std::move(list.rows));
        results_->showRows(title, listing, rows, list.limited);
        if (found) {
            dialog_->showStatus(rows->empty()
                                    ? NotFound
                                    : QStringLiteral("Найдено: %1").arg(GroupDigits(rows->size())));
        }
        if (found) {
            foundRows_ = rows;
            emit foundRowsChanged(rows);
        }
    });
}

void GridFinder::listStrings(StringPacking packing) {
    const std::shared_ptr<const ListingDocument> listing = document_->current();
    if (!listing) {
        say(QStringLiteral("Нет листинга."));
        return;
    }
    const bool bytes = listing->listsBytes();
    const StringSource source{listing->image()->data(), listing->image()->size(), packing};
    auto strings = std::make_shared<StringList>();
    std::shared_ptr<const CellSource> cells = document_->grid()->sharedSource();
    startSearch<RowList>(
        QStringLiteral("Строки"),
        [listing, source, strings, bytes](std::stop_token stop, const ProgressFn& progress) {
            *strings = FindStrings(source, FindAllLimit, std::move(stop), progress);
            RowList list;
            list.limited = strings->limited;
            list.rows.reserve(strings->runs.size());
            for (const StringRun& run : strings->runs) {
                list.rows.push_back(bytes ? ByteRowOfString(run) : WordRowOfString(run));
            }
            return list;
        },
        [this, cells, source, strings, packing, listing](RowList&& list) {
            listingRows_ = false;
            auto rows = std::make_shared<const std::vector<std::uint64_t>>(std::move(list.rows));
            ResultDetail detail;
            detail.title = QStringLiteral("Строка");
            detail.width = 320;
            detail.text = [source, strings, listing](std::uint64_t result) {
                return QString::fromStdString(StringText(source, strings->runs[result], 200));
            };
            results_->showRows(packing == StringPacking::Bytes
                                   ? QStringLiteral("Строки (символ в байте)")
                                   : QStringLiteral("Строки (символ в слове)"),
                               cells, rows, list.limited, std::move(detail));
        });
}

void GridFinder::findNextOf(std::shared_ptr<const RowScanner> scanner, const QString& label) {
    if (!scanner || scanner->rowCount() == 0) {
        say(NotFound);
        return;
    }
    const Place from = places_->here();
    startSearch<WrappedFind>(
        label,
        [scanner, from](std::stop_token stop, const ProgressFn& progress) {
            return FindWrapping(*scanner, from.row, FindDirection::Next, std::move(stop), progress);
        },
        [this, from](WrappedFind&& found) {
            if (!found.row) {
                say(NotFound);
                return;
            }
            places_->leaveFor({*found.row, from.column}, GridPlaces::Reveal::WhenHidden);
            if (found.wrapped) {
                say(QStringLiteral("Поиск дошёл до конца и продолжен с начала"));
            }
        });
}

void GridFinder::goToRegion(bool next) {
    const std::shared_ptr<const ListingDocument> listing = document_->current();
    if (!listing) {
        return;
    }
    const std::uint64_t from = places_->here().row;
    TaskWork<std::optional<std::uint64_t>> work =
        [listing, from, next](std::stop_token stop, const ProgressFn& progress) {
            if (listing->listsBytes()) {
                return next ? NextRegionBoundary(listing->byteRows(), from, stop, progress)
                            : PreviousRegionBoundary(listing->byteRows(), from, stop, progress);
            }
            return next ? NextRegionBoundary(listing->wordRows(), from, stop, progress)
                        : PreviousRegionBoundary(listing->wordRows(), from, stop, progress);
        };
    startSearch<std::optional<std::uint64_t>>(
        QStringLiteral("Переход к области"), std::move(work),
        [this, next](std::optional<std::uint64_t>&& row) {
            if (!row) {
                say(next ? QStringLiteral("Ниже нет границ пустой памяти.")
                         : QStringLiteral("Выше нет границ пустой памяти."));
                return;
            }
            places_->leaveFor({*row, places_->here().column}, GridPlaces::Reveal::Centre);
        });
}

template <typename Result>
void GridFinder::startSearch(const QString& label, TaskWork<Result> work,
                             std::function<void(Result&&)> done) {
    // Rows listed before are those of an earlier search from now on.
    listingRows_ = std::is_same_v<Result, RowList>;
    if (listingRows_) {
        results_->markOld(true);
    }
    work_->run<Result>(search_, WorkLine{SearchKey, label, {}, false}, std::move(work),
                       std::move(done));
}

void GridFinder::cancelSearch() {
    search_.cancel();
    work_->clearProgress(SearchKey);
    if (std::exchange(listingRows_, false)) {
        results_->markOld(false);
    }
}

void GridFinder::clear() {
    if (search_.busy()) {
        cancelSearch();
    }
    dialog_->showStatus({});
    prepared_.reset();
    results_->clear();
    if (foundRows_) {
        foundRows_.reset();
        emit foundRowsChanged(nullptr);
    }
}

}  // namespace sorrel
