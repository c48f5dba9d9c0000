#include "exception_display.h"

#include <QApplication>
#include <QMessageBox>

namespace sorrel {

void ShowExceptionMessage(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(ExceptionDisplayTitle), message,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ExceptionDisplay"));
    box.exec();
}

void ShowException(const std::exception_ptr& error) {
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        // Not an exception class: shown with an empty message.
    }
    ShowExceptionMessage(message);
}

}  // namespace sorrel
