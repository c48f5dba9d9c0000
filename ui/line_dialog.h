// A dialog of one line of text: a prompt, a line edit, a line under it for
// the reason when the text is refused, and a button that takes it. The
// go-to dialog ("Перейти") and the notes' dialogs ("Метка", "Комментарий")
// are line dialogs.
//
// Enter takes the text: the window's take function reads it; when it is
// taken the dialog closes, otherwise the reason is shown (wrapped within
// the dialog's width, the dialog kept whole on the screen), the text is
// selected for typing again, and nothing changes. Esc closes it. It is
// window-modal and opened with open(), so it never runs an event loop of its
// own.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCompleter;
class QLabel;
class QLineEdit;

namespace sorrel {

class LineDialog : public QDialog {
    Q_OBJECT
  public:
    // Takes the text; returns the one-line reason why it did not, or an
    // empty text when it did.
    using Take = std::function<QString(const QString& text)>;

    // name: the object names of the dialog and its parts ("goTo": goToDialog,
    // goToEdit, goToReason); button: the text of the button that takes it.
    LineDialog(QWidget* parent, const QString& name, const QString& title, const QString& button);

    void setTake(Take take) { take_ = std::move(take); }
    void setPrompt(const QString& prompt);
    // Opens it over its window with text selected and no reason.
    void start(const QString& text);
    // Opens it with the last text.
    void start();

    QLineEdit* edit() const { return edit_; }
    // Lists completions under the line as it is typed. Enter in the list
    // takes the completion chosen there, or the text as typed when none is,
    // at once: one Enter goes, as without the list.
    void setCompleter(QCompleter* completer);
    // The reason shown under the line edit; empty when none.
    QString reason() const;

  public slots:
    // Enter or the button.
    void accept() override;
    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* prompt_;
    QLineEdit* edit_;
    QLabel* reason_;
    Take take_;
};

// The go-to dialog, "Перейти": an address, a row number or a step, or a name.
class GoToDialog final : public LineDialog {
    Q_OBJECT
  public:
    explicit GoToDialog(QWidget* parent = nullptr);
    // The window's go function: reads the text, goes, or gives the reason.
    void setGo(Take go) { setTake(std::move(go)); }
};

}  // namespace sorrel
