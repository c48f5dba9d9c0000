#include "sorrel_application.h"

#include <QMessageBox>
#include <exception>

SorrelApplication::SorrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(Title));
}

bool SorrelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException();
        return true;
    }
}

void SorrelApplication::showException(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(Title), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ExceptionDisplay"));
    box.exec();
}

void SorrelApplication::showCurrentException() {
    QString message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        // Anything else is shown with an empty message.
    }
    showException(message);
}
