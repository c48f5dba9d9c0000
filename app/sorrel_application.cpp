#include "sorrel_application.h"

#include <QLibraryInfo>
#include <exception>

#include "exception_display.h"

namespace sorrel {

SorrelApplication::SorrelApplication(int& argc, char** argv, const std::function<void()>& lastStep)
    : QApplication(argc, argv) {
    // The toolkit exists from here on, and with it the exception display.
    RunHandler([&] {
        setApplicationName(QString::fromLatin1(ExceptionDisplayTitle));
        // The file dialog's texts and the message boxes' buttons in Russian,
        // like the program's own, whatever the user's locale. Without the
        // toolkit's translations they stay in English.
        if (toolkitTexts_.load(QStringLiteral("qtbase_ru"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            installTranslator(&toolkitTexts_);
        }
        if (lastStep) {
            lastStep();
        }
    });
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
    ShowException(std::current_exception());
}

}  // namespace sorrel
