// The results panel: the rows that a search found (find all, the jumps to an
// address), shown exactly as the window's grid shows them, with their count.
//
// Its grid is a StringGrid over ResultRowsSource, which maps a result to the
// row of the window's listing and asks the listing's own cell source for the
// texts: a result costs 8 bytes (its row number) and nothing per cell, so
// hundreds of millions of rows fit. Ctrl+A and Ctrl+C copy as in the windows'
// grids; Enter or a double click on a result asks the window to go to its row.
//
// In a main window the panel lives in a dock at the bottom; in any other
// window below the listing, with a close button of its own. Either way it is
// hidden until first used.
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "stringgrid.h"

class QLabel;
class QToolButton;

namespace sorrel {

// A column of the results after the listing's: what each result found
// (the text of a string), made when painted.
struct ResultDetail {
    QString title;
    std::function<QString(std::uint64_t result)> text;
    int width = 0;
};

// Result i shows row rows[i] of the listing, and its detail when there is one.
class ResultRowsSource final : public CellSource {
  public:
    ResultRowsSource(std::shared_ptr<const CellSource> listing,
                     std::shared_ptr<const std::vector<std::uint64_t>> rows, int listingColumns = 0,
                     ResultDetail detail = {});

    std::uint64_t rowCount() const override { return rows_->size(); }
    QString cellText(std::uint64_t row, int column) const override;
    int greyedFrom(std::uint64_t row, int column) const override;
    bool rowMarked(std::uint64_t row) const override;

  private:
    std::shared_ptr<const CellSource> listing_;
    std::shared_ptr<const std::vector<std::uint64_t>> rows_;
    int listingColumns_;
    ResultDetail detail_;
};

class ResultsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ResultsPanel(QWidget* parent = nullptr);

    // Gives the panel's grid the columns of the window's grid: titles,
    // widths, row height and font.
    void takeColumnsOf(const StringGrid& grid);
    // Puts the panel into window, hidden: a bottom dock of a main window;
    // otherwise into the window's box layout, below the widget that holds
    // listing.
    void placeIn(QWidget* window, QWidget* listing);

    // Shows rows of listing under "title — count", and the panel; limited
    // adds the note that the search stopped at FindAllLimit rows.
    // detail, when given, adds a column after the listing's.
    void showRows(const QString& title, std::shared_ptr<const CellSource> listing,
                  std::shared_ptr<const std::vector<std::uint64_t>> rows, bool limited,
                  ResultDetail detail = {});
    // Drops the rows (they belong to a listing no longer shown).
    void clear();
    // The same rows of the listing, shown from its new source (other
    // columns or notes).
    void relist(std::shared_ptr<const CellSource> listing);
    // The rows shown are those of an earlier search: a new one runs (running)
    // or was cancelled. The mark goes with the next rows shown.
    void markOld(bool running);
    // Shows the panel again after it was closed; nothing while it is empty.
    void showAgain();

    // "Найти все: jmp — 65 507", "Ссылки на 03FEh — 8"; empty when cleared.
    QString heading() const;
    // Why the rows shown are old; empty while they are the last search's.
    QString oldNote() const;
    // Why not every row is listed; empty when every one is.
    QString note() const;
    StringGrid* grid() const { return grid_; }
    // Whether the panel is on screen in its window (its dock, or itself).
    bool isShownInWindow() const;

    QSize sizeHint() const override;

  signals:
    // Enter or a double click on the result that shows row of the listing.
    void rowActivated(std::uint64_t row);

  private:
    void reveal();

    // The rows of the listing that the results show, in their order, and
    // the column after the listing's.
    std::shared_ptr<const std::vector<std::uint64_t>> rows_;
    ResultDetail detail_;
    // The columns of the window's listing, and its grid.
    int listingColumns_ = 0;
    const StringGrid* listing_ = nullptr;
    QLabel* heading_;
    QLabel* note_;
    QLabel* old_;
    QToolButton* close_;
    StringGrid* grid_;
    QWidget* window_ = nullptr;  // the window it is placed in
    QWidget* host_ = nullptr;    // what shows and hides: the dock, or the panel itself
    bool grown_ = false;         // the window grew to make room once
};

}  // namespace sorrel
