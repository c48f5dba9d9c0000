// Find in a window's grid (Ctrl+F, F3, Shift+F3, find all) and the rows that
// long work lists in the results panel (find all, the jumps to a row).
//
// Find looks first in the cells after (before) the current one in the current
// row, on the GUI thread, then in the rest of the listing, wrapping round it
// (FindWrapping), on a worker over the window's listing document, never the
// grid. The status bar shows its progress ("Поиск: 42 %"), Esc cancels it
// ("Поиск прерван"), and a new search cancels the former. A match becomes
// the current cell through the window's places, recording the place left.
// GUI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include "gui_task.h"
#include "query.h"
#include "row_scanner.h"
#include "string_runs.h"
#include "window_work.h"
#include "wrap_find.h"

class QWidget;

namespace sorrel {

class FindDialog;
class GridPlaces;
class ResultsPanel;
class WindowDocument;

class GridFinder : public QObject {
    Q_OBJECT
  public:
    // Long work that lists rows, run on a worker.
    using RowWork = std::function<RowList(std::stop_token stop, const ProgressFn& progress)>;

    // The find dialog goes into window; matches are shown through places,
    // listed rows in results.
    GridFinder(QWidget* window, WindowDocument* document, WindowWork* work, GridPlaces* places,
               ResultsPanel* results);
    ~GridFinder() override;

    FindDialog* dialog() const { return dialog_; }
    void open();
    void findNext();
    void findPrevious();
    void findAll();
    // Runs work on a worker and lists the rows it gives in the results panel
    // as "title: count"; the status bar shows "label: N %" meanwhile. found:
    // the rows are the matches of a find (foundRowsChanged hands them out).
    void listRows(const QString& title, const QString& label, RowWork work, bool found);
    // Lists in the results panel every string of the image (at least four
    // characters of the text set), read a character a byte or a word, with
    // the row where it begins and its text.
    void listStrings(StringPacking packing);
    // Goes to the next row after the current one (wrapping) that scanner
    // finds, said as label in the status bar while it runs.
    void findNextOf(std::shared_ptr<const RowScanner> scanner, const QString& label);
    // Goes to the next (previous) row where a run of empty memory (0000h or
    // FFFFh words; 00h or FFh bytes) ends or begins, through the history.
    void goToRegion(bool next);

    // A search or a listing of rows runs.
    bool searching() const { return search_.busy(); }
    // Blocks until the worker has returned; what it posted arrives in the
    // event loop. For tests and benchmarks.
    void waitForWorker() { search_.wait(); }
    // A new listing: the search stops, the results and the found rows go.
    void clear();
    // The listing shows other columns or notes: the next search decides its
    // query anew.
    void forgetQuery() { prepared_.reset(); }

  signals:
    // The rows of the last find all, in row order; null once cleared by a new
    // listing. They stay valid as long as the pointer is held.
    void foundRowsChanged(std::shared_ptr<const std::vector<std::uint64_t>> rows);

  private:
    // The find dialog's text made into a query and a scanner of the listing.
    struct Prepared {
        QString text;
        std::shared_ptr<const Query> query;
        std::shared_ptr<const RowScanner> scanner;  // null: nothing to search
    };

    void find(FindDirection direction);
    // Esc while a search runs: it stops, and the window and the dialog say so.
    void stop();
    // A message in the status bar and, under its buttons, in the find dialog.
    void say(const QString& message);
    // The prepared query of the find dialog's text; null when it is empty.
    const Prepared* prepare();
    // The first (Next) or last (Previous) searched column of row whose text
    // query matches, among those after (before) column `from`.
    std::optional<int> matchingColumn(const Query& query, std::uint64_t row, int from,
                                      FindDirection direction) const;
    template <typename Result>
    void startSearch(const QString& label, TaskWork<Result> work,
                     std::function<void(Result&&)> done);
    void cancelSearch();

    WindowDocument* document_;
    WindowWork* work_;
    GridPlaces* places_;
    ResultsPanel* results_;
    FindDialog* dialog_;
    std::optional<Prepared> prepared_;
    std::shared_ptr<const std::vector<std::uint64_t>> foundRows_;
    // The search that runs lists rows in the results panel.
    bool listingRows_ = false;
    // Last: destroyed first, so the worker is joined before anything it
    // could deliver to goes.
    GuiTask search_;
};

}  // namespace sorrel
