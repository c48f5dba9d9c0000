// The go-to dialog, "Перейти": one line edit for an address, a row number or a
// step, and a line under it for the reason when the text names no row.
//
// Enter goes: the window's go function reads the text; when it names a row the
// window goes there and the dialog closes, otherwise the reason is shown, the
// text is selected for typing again, and nothing moves. Esc closes it. It is
// window-modal and opened with open(), so it never runs an event loop of its
// own.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;

namespace sorrel {

class GoToDialog : public QDialog {
    Q_OBJECT
  public:
    // Reads text and goes; returns the one-line reason why it did not, or
    // an empty text when it went.
    using Go = std::function<QString(const QString& text)>;

    explicit GoToDialog(QWidget* parent = nullptr);

    void setGo(Go go) { go_ = std::move(go); }
    // Opens it over its window with the last text selected and no reason.
    void start();

    QLineEdit* edit() const { return edit_; }
    // The reason shown under the line edit; empty when none.
    QString reason() const;

  public slots:
    // Enter or the button "Перейти".
    void accept() override;

  private:
    QLineEdit* edit_;
    QLabel* reason_;
    Go go_;
};

}  // namespace sorrel
