#include "file_dialog.h"

#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>

namespace sorrel {

void CloseCompletionWithDialog(QFileDialog* dialog) {
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
            if (edit->completer() != nullptr) {
                edit->completer()->setWidget(nullptr);
            }
        }
    });
}

}  // namespace sorrel
