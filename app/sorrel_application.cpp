#include "sorrel_application.h"

#include <exception>

#include "exception_display.h"

SorrelApplication::SorrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(sorrel::ExceptionDisplayTitle));
}

bool SorrelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException();
        return true;
    }
}

void SorrelApplication::showCurrentException() {
    sorrel::ShowException(std::current_exception());
}
