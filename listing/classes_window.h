// "Классы инструкций": a window of the 56 instruction classes, each with its
// pattern, mnemonic, operand format, an example word and how many words of
// the image listed are of it (counted off the GUI thread when the window is
// shown and for each new listing while it is). Sorted by any column with a
// click on its title; Enter or a double click on a class finds its next word
// in the listing, after the current row.
#pragma once

#include <QDialog>

#include "gui_task.h"

class QTableWidget;

namespace sorrel {

class GridNavigator;
class WindowDocument;
class WindowWork;

class ClassesWindow : public QDialog {
    Q_OBJECT
  public:
    ClassesWindow(QWidget* window, WindowDocument* document, WindowWork* work,
                  GridNavigator* navigator);

    QTableWidget* table() const { return table_; }
    // The counts are being made.
    bool counting() const { return counting_.busy(); }
    // Finds the next word of the class in the table's row.
    void findClassOfRow(int row);

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void count();

    WindowDocument* document_;
    WindowWork* work_;
    GridNavigator* navigator_;
    QTableWidget* table_;
    GuiTask counting_;
};

}  // namespace sorrel
