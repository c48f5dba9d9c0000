// The pictures beside the main listing: the jump gutter left of its cells and
// the overview strip between its cells and its scroll bar. FlowViews places
// them in the grid, keeps them on the rows in view and the current row, and
// feeds them from the snapshot of each new listing: the jump counts and the
// overview's slice counts come from two passes over the image on worker
// threads, started as soon as the listing is shown (the listing is usable at
// once; the marks and the strip's colours appear when their pass is done). A
// new listing cancels the passes of the former. Each picture can be hidden and
// shown again from the grid's context menu and by a key.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gui_task.h"

class QAction;

namespace sorrel {

class JumpGutter;
class OverviewStrip;
class StringGrid;
class WindowCommands;
class WindowDocument;
class WindowWork;

class FlowViews : public QObject {
    Q_OBJECT
  public:
    // Puts the gutter and the strip beside the grid of document, both shown;
    // the passes over each new listing show their progress through work.
    // Their check boxes join the window's commands.
    FlowViews(WindowDocument* document, WindowWork* work, WindowCommands* commands);
    ~FlowViews() override;

    JumpGutter* gutter() const { return gutter_; }
    OverviewStrip* strip() const { return strip_; }
    // "Стрелки переходов" and "Обзор образа": checkable, in the grid's
    // context menu, with their keys.
    QAction* arrowsAction() const { return arrowsAction_; }
    QAction* overviewAction() const { return overviewAction_; }
    // The width the two take beside the cells when both are shown.
    int width() const;

    // How the listing goes to a row that the gutter asks for (an arrow's
    // other end); by default the row becomes current, in the current column.
    void setGoTo(std::function<void(std::uint64_t row)> goTo);
    // The rows of the last "find all", marked on the strip; none clears them.
    void setFoundRows(std::shared_ptr<const std::vector<std::uint64_t>> rows);

    // Whether a pass over the current listing still runs (tests wait on it).
    bool counting() const { return jumpPass_.busy() || overviewPass_.busy(); }

  private:
    void listingChanged();
    void followRows();
    // A click on the strip: row in the middle of the view, current.
    void centreRow(std::uint64_t row);

    WindowDocument* document_;
    StringGrid* grid_;
    WindowWork* work_;
    JumpGutter* gutter_;
    OverviewStrip* strip_;
    QAction* arrowsAction_;
    QAction* overviewAction_;
    std::function<void(std::uint64_t)> goTo_;
    GuiTask jumpPass_;
    GuiTask overviewPass_;
};

}  // namespace sorrel
