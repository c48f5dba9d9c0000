// The application object: a QApplication whose exception display shows an
// exception that escapes an event handler in a message box, after which the
// program goes on.
#pragma once

#include <QApplication>

class SorrelApplication : public QApplication {
    Q_OBJECT
  public:
    SorrelApplication(int& argc, char** argv);

    // Delivers an event; what its handler throws goes to the exception display.
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception being handled; call it only inside a catch block.
    // A std::exception shows its message, anything else an empty one.
    static void showCurrentException();
};
