// Finding and going in one window's grid: go to (Ctrl+G), find (Ctrl+F, F3,
// Shift+F3, find all), the history of places (Alt+Left, Alt+Right, the mouse's
// back and forward buttons) and the results panel.
//
// A GridNavigator belongs to one window and its grid. What differs between the
// windows (how a go-to text is read, which cells find looks in, how a query is
// scanned over the snapshot) comes through NavigableContent, which each window
// implements next to its cell source. Everything else is here, once.
//
// - Go-to, follow, find and the results record the place they leave in the
//   history; walking the history does not. Going keeps the current column and
//   shows the row in the middle of the view; find shows its match, in the
//   middle when it was out of view.
// - Find looks first in the cells after (before) the current one in the
//   current row, on the GUI thread, then scans the rows after (before) the
//   current one and, wrapping, the rest, on a worker (GuiTask) over the
//   snapshot, never the window. The status bar shows its progress ("Поиск:
//   42 %") through the window's WindowWork, Esc cancels it, and a new search
//   cancels the former.
// - A new listing (the grid's sourceChanged: a load, a reload, a change of
//   mode) cancels the search and clears the history and the results.
//
// Everything runs on the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string_view>
#include <vector>

#include "go_to.h"
#include "gui_task.h"
#include "place_history.h"
#include "row_scanner.h"

class CellSource;
class QWidget;
class StringGrid;

namespace sorrel {

class FindDialog;
class GoToDialog;
class ResultsPanel;
class WindowWork;

// What a window's listing means to go-to and find. Called on the GUI thread
// with the grid's source, which may be none or another kind (then there is
// nothing to go to or search).
class NavigableContent {
  public:
    virtual ~NavigableContent() = default;
    // The row that text names in the listing of source, current being the
    // current row; or the reason why it names none.
    virtual GoToOutcome goTo(const CellSource* source, std::string_view text,
                             std::uint64_t current) const = 0;
    // Whether find looks in the cell (row < source.rowCount()).
    virtual bool searches(const CellSource& source, std::uint64_t row, int column) const = 0;
    // A scanner of query over the listing of source, for a worker; null when
    // source is not one of the window's listings.
    virtual std::shared_ptr<const RowScanner> scanner(
        const std::shared_ptr<const CellSource>& source, const Query& query) const = 0;
};

class GridNavigator : public QObject {
    Q_OBJECT
  public:
    // Long work that lists rows, run on a worker.
    using RowWork = std::function<RowList(std::stop_token stop, const ProgressFn& progress)>;

    // The status bar's key of the navigator's work in WindowWork.
    static constexpr const char* WorkKey = "search";

    // Takes the keys in window, whose grid is grid and whose long work work
    // shows; puts the results panel into window (hidden).
    GridNavigator(QWidget* window, StringGrid* grid, WindowWork* work,
                  std::unique_ptr<const NavigableContent> content);
    ~GridNavigator() override;

    // Goes to row (of the grid's listing), keeping the current column, shows
    // it in the middle of the view and records the place left.
    void goToRow(std::uint64_t row);
    // Runs work on a worker and lists the rows it gives in the results panel
    // as "title: count"; the status bar shows "label: N %" meanwhile. found:
    // the rows are the matches of a find (foundRowsChanged hands them out).
    void listRows(const QString& title, const QString& label, RowWork work, bool found);
    // Shows message in the window's status bar for a few seconds.
    void tell(const QString& message);

    // The commands of the keys.
    void openGoTo();      // Ctrl+G
    void openFind();      // Ctrl+F
    void findNext();      // F3, Enter in the find dialog
    void findPrevious();  // Shift+F3
    void findAll();       // Alt+Enter in the find dialog
    void back();          // Alt+Left, the mouse's back button
    void forward();       // Alt+Right, the mouse's forward button

    // A search or a listing of rows runs.
    bool searching() const { return search_.busy(); }
    // Blocks until the worker has returned; what it posted arrives in the
    // event loop. For tests and benchmarks.
    void waitForWorker() { search_.wait(); }
    const PlaceHistory& history() const { return history_; }
    GoToDialog* goToDialog() const { return goTo_; }
    FindDialog* findDialog() const { return find_; }
    ResultsPanel* resultsPanel() const { return results_; }

  signals:
    // The rows of the last find all, in row order; null once cleared by a new
    // listing. They stay valid as long as the pointer is held.
    void foundRowsChanged(std::shared_ptr<const std::vector<std::uint64_t>> rows);

  protected:
    // The mouse's back and forward buttons anywhere in the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Direction { Next, Previous };
    // How a place is shown: in the middle of the view always, or only when
    // it is out of view.
    enum class Reveal { Centre, WhenHidden };
    // The find dialog's text made into a query and a scanner of the listing.
    struct Prepared {
        QString text;
        std::shared_ptr<const Query> query;
        std::shared_ptr<const RowScanner> scanner;  // null: nothing to search
    };
    struct Found {
        std::optional<std::uint64_t> row;
        bool wrapped = false;
    };

    Place here() const;
    void show(Place place, Reveal reveal);
    void leaveFor(Place place, Reveal reveal);
    QString goTo(const QString& text);
    void find(Direction direction);
    // The prepared query of the find dialog's text; null when it is empty.
    const Prepared* prepare();
    // The first (Next) or last (Previous) searched column of row whose text
    // query matches, among those after (before) column `from`.
    std::optional<int> matchingColumn(const Query& query, std::uint64_t row, int from,
                                      Direction direction) const;
    template <typename Result>
    void startSearch(const QString& label, TaskWork<Result> work,
                     std::function<void(Result&&)> done);
    void cancelSearch();
    void onSourceChanged();

    QWidget* window_;
    StringGrid* grid_;
    WindowWork* work_;
    std::unique_ptr<const NavigableContent> content_;
    PlaceHistory history_;
    GoToDialog* goTo_;
    FindDialog* find_;
    ResultsPanel* results_;
    std::optional<Prepared> prepared_;
    std::shared_ptr<const std::vector<std::uint64_t>> foundRows_;
    // Last: destroyed first, so the worker is joined before anything it
    // could deliver to goes.
    GuiTask search_;
};

}  // namespace sorrel
