// The application object: a QApplication whose exception display shows an
// exception that escapes an event handler in a message box, after which the
// program goes on.
#pragma once

#include <QApplication>
#include <QString>

class SorrelApplication : public QApplication {
    Q_OBJECT
  public:
    // The title of the exception display's message box.
    static constexpr const char* Title = "Sorrel";

    SorrelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The exception display: a modal message box with message, owned by the
    // active window when there is one.
    static void showException(const QString& message);
    // Shows the exception being handled; call it only inside a catch block.
    // A std::exception shows its message, anything else an empty one.
    static void showCurrentException();
};
