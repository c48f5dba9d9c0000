// Finding and going in one window's grid: go to (Ctrl+G), find (Ctrl+F, F3,
// Shift+F3, find all), the history of places (Alt+Left, Alt+Right, the mouse's
// back and forward buttons) and the results panel.
//
// A GridNavigator belongs to one window and coordinates its parts: the places
// and their history (GridPlaces), find and the rows listed in the results
// panel (GridFinder), the go-to dialog, and the keys of all of them. What is
// listed it learns from the window's listing document, which tells go-to how
// to read a text and find what to scan. A new listing (a load, a reload, a
// change of mode) cancels the search and clears the history and the results.
//
// Everything runs on the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "grid_finder.h"
#include "grid_places.h"

class QWidget;

namespace sorrel {

class GoToDialog;
class ResultsPanel;
class StringGrid;
class WindowCommands;
class WindowDocument;
class WindowWork;

class GridNavigator : public QObject {
    Q_OBJECT
  public:
    using RowWork = GridFinder::RowWork;

    // Adds its commands to those of window (commands), whose listing is
    // document and whose long work work shows; puts the results panel into
    // window (hidden).
    GridNavigator(QWidget* window, WindowDocument* document, WindowWork* work,
                  WindowCommands* commands);
    ~GridNavigator() override;

    // Goes to row (of the grid's listing), keeping the current column, shows
    // it in the middle of the view and records the place left.
    void goToRow(std::uint64_t row) { places_.goToRow(row); }
    // Runs work on a worker and lists the rows it gives in the results panel.
    void listRows(const QString& title, const QString& label, RowWork work, bool found) {
        finder_->listRows(title, label, std::move(work), found);
    }
    // Shows message in the window's status bar for a few seconds.
    void tell(const QString& message);

    // Names that go-to takes besides its address forms (the labels of the
    // notes): lookup gives the row of a name, in any case; complete the
    // names that begin with a prefix, for the completion of the dialog.
    using NameLookup = std::function<std::optional<std::uint64_t>(const QString& name)>;
    using NameCompletion = std::function<QStringList(const QString& prefix)>;
    void setNames(NameLookup lookup, NameCompletion complete);

    // The commands of the keys.
    void openGoTo();                                  // Ctrl+G
    void openFind() { finder_->open(); }              // Ctrl+F
    void findNext() { finder_->findNext(); }          // F3, Enter in the find dialog
    void findPrevious() { finder_->findPrevious(); }  // Shift+F3
    void findAll() { finder_->findAll(); }            // Alt+Enter in the find dialog
    void back() { places_.back(); }                   // Alt+Left, the mouse's back button
    void forward() { places_.forward(); }             // Alt+Right, the mouse's forward button
    void showResults();                               // the results panel, again
    void chooseStrings();                             // "Строки…": asks how they are stored
    void listStrings(StringPacking packing) { finder_->listStrings(packing); }
    void goToRegion(bool next) { finder_->goToRegion(next); }  // Ctrl+Down, Ctrl+Up
    void findNextOf(std::shared_ptr<const RowScanner> scanner, const QString& label) {
        finder_->findNextOf(std::move(scanner), label);
    }

    // A search or a listing of rows runs.
    bool searching() const { return finder_->searching(); }
    // Blocks until the worker has returned; what it posted arrives in the
    // event loop. For tests and benchmarks.
    void waitForWorker() { finder_->waitForWorker(); }
    const PlaceHistory& history() const { return places_.history(); }
    GoToDialog* goToDialog() const { return goTo_; }
    FindDialog* findDialog() const { return finder_->dialog(); }
    ResultsPanel* resultsPanel() const { return results_; }

  signals:
    // The rows of the last find all, in row order; null once cleared by a new
    // listing. They stay valid as long as the pointer is held.
    void foundRowsChanged(std::shared_ptr<const std::vector<std::uint64_t>> rows);

  protected:
    // The mouse's back and forward buttons anywhere in the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString goTo(const QString& text);
    void addCommands(WindowCommands* commands);

    NameLookup lookupName_;
    NameCompletion completeName_;
    QWidget* window_;
    WindowDocument* document_;
    WindowWork* work_;
    GridPlaces places_;
    GoToDialog* goTo_;
    ResultsPanel* results_;
    GridFinder* finder_;
};

}  // namespace sorrel
