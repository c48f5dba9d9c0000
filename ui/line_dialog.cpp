#include "line_dialog.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "on_screen.h"

namespace sorrel {

LineDialog::LineDialog(QWidget* parent, const QString& name, const QString& title,
                       const QString& button)
    : QDialog(parent),
      prompt_(new QLabel(this)),
      edit_(new QLineEdit(this)),
      reason_(new QLabel(this)) {
    setObjectName(name + QStringLiteral("Dialog"));
    setWindowTitle(title);
    edit_->setObjectName(name + QStringLiteral("Edit"));
    reason_->setObjectName(name + QStringLiteral("Reason"));
    // A line kept free even while empty, so that the dialog does not jump; a
    // long reason wraps within the dialog's width rather than widen it.
    reason_->setWordWrap(true);
    reason_->setMinimumHeight(reason_->fontMetrics().height());
    reason_->setTextFormat(Qt::PlainText);
    prompt_->setWordWrap(true);
    prompt_->setBuddy(edit_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(button);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LineDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LineDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(edit_);
    layout->addWidget(reason_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    const int width = edit_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 32;
    edit_->setMinimumWidth(width);
    reason_->setFixedWidth(width);
    prompt_->setFixedWidth(width);
}

void LineDialog::setPrompt(const QString& prompt) {
    prompt_->setText(prompt);
}

void LineDialog::start(const QString& text) {
    edit_->setText(text);
    start();
}

void LineDialog::start() {
    reason_->clear();
    edit_->selectAll();
    edit_->setFocus(Qt::OtherFocusReason);
    open();
}

QString LineDialog::reason() const {
    return reason_->text();
}

void LineDialog::setCompleter(QCompleter* completer) {
    edit_->setCompleter(completer);
    completer->popup()->installEventFilter(this);
}

bool LineDialog::eventFilter(QObject* watched, QEvent* event) {
    QCompleter* completer = edit_->completer();
    if (completer != nullptr && watched == completer->popup() &&
        event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QModelIndex chosen = completer->popup()->currentIndex();
            if (chosen.isValid()) {
                edit_->setText(chosen.data(completer->completionRole()).toString());
            }
            completer->popup()->hide();
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LineDialog::done(int result) {
    // A completion list left open would keep the keys after the dialog.
    if (QCompleter* completer = edit_->completer(); completer != nullptr) {
        completer->popup()->hide();
    }
    QDialog::done(result);
}

void LineDialog::accept() {
    const QString why = take_ ? take_(edit_->text()) : QString();
    if (why.isEmpty()) {
        reason_->clear();
        QDialog::accept();
        return;
    }
    reason_->setText(why);
    adjustSize();
    KeepOnScreen(this);
    edit_->selectAll();
    edit_->setFocus(Qt::OtherFocusReason);
}

GoToDialog::GoToDialog(QWidget* parent)
    : LineDialog(parent, QStringLiteral("goTo"), QStringLiteral("Перейти"),
                 QStringLiteral("Перейти")) {
    setPrompt(QStringLiteral("Адрес, #строка, +N или -N:"));
}

}  // namespace sorrel
