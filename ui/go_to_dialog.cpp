#include "go_to_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "on_screen.h"

namespace sorrel {

GoToDialog::GoToDialog(QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(this)), reason_(new QLabel(this)) {
    setObjectName(QStringLiteral("goToDialog"));
    setWindowTitle(QStringLiteral("Перейти"));
    edit_->setObjectName(QStringLiteral("goToEdit"));
    reason_->setObjectName(QStringLiteral("goToReason"));
    // A line kept free even while empty, so that the dialog does not jump; a
    // long reason wraps within the dialog's width rather than widen it.
    reason_->setWordWrap(true);
    reason_->setMinimumHeight(reason_->fontMetrics().height());
    reason_->setTextFormat(Qt::PlainText);

    auto* prompt = new QLabel(QStringLiteral("Адрес, #строка, +N или -N:"), this);
    prompt->setWordWrap(true);
    prompt->setBuddy(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Перейти"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &GoToDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GoToDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(edit_);
    layout->addWidget(reason_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    const int width = edit_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 32;
    edit_->setMinimumWidth(width);
    reason_->setFixedWidth(width);
}

void GoToDialog::start() {
    reason_->clear();
    edit_->selectAll();
    edit_->setFocus(Qt::OtherFocusReason);
    open();
}

QString GoToDialog::reason() const {
    return reason_->text();
}

void GoToDialog::accept() {
    const QString why = go_ ? go_(edit_->text()) : QString();
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

}  // namespace sorrel
