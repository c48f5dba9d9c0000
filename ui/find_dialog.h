// The find dialog, "Найти": one line edit for the query and the buttons of
// its searches. It is not modal: the user goes on in the window while it is
// open, and it keeps its last text when closed.
//
// Enter finds the next match, Alt+Enter lists every match; the buttons do the
// same and find the previous one. The buttons are disabled while the text is
// empty. Esc stops a search that runs, and closes the dialog when none runs.
// Under the buttons it says what the last search found ("Не найдено"). The
// dialog only says what the user asked for; the window searches.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sorrel {

class FindDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FindDialog(QWidget* parent = nullptr);

    // Shows it (or brings it to the front) with the text selected and the
    // keys in the line edit.
    void start();
    QString text() const;
    QLineEdit* edit() const { return edit_; }
    // Esc asks stop first: true when it stopped a search, and the dialog
    // stays open.
    void setStopSearch(std::function<bool()> stop) { stop_ = std::move(stop); }
    // What the window says of the last search, under the buttons; empty: nothing.
    void showStatus(const QString& text);
    QString status() const;

  signals:
    void findNext();
    void findPrevious();
    void findAll();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void updateButtons();

    QLineEdit* edit_;
    QPushButton* next_;
    QPushButton* previous_;
    QPushButton* all_;
    QLabel* status_;
    std::function<bool()> stop_;
    bool placed_ = false;
};

}  // namespace sorrel
