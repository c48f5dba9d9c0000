// The application object: a QApplication whose exception display shows an
// exception that escapes an event handler in a message box, after which the
// program goes on. It shows the toolkit's own texts in Russian.
#pragma once

#include <QApplication>
#include <QTranslator>
#include <functional>

namespace sorrel {

class SorrelApplication : public QApplication {
    Q_OBJECT
  public:
    // The toolkit's application, then the program's own set-up; what that
    // throws goes to the exception display, and the program goes on.
    // lastStep runs at the end of the set-up (the tests inject faults there).
    SorrelApplication(int& argc, char** argv, const std::function<void()>& lastStep = {});

    // Delivers an event; what its handler throws goes to the exception display.
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception being handled; call it only inside a catch block.
    // A std::exception shows its message, anything else an empty one.
    static void showCurrentException();

  private:
    QTranslator toolkitTexts_;
};

}  // namespace sorrel
