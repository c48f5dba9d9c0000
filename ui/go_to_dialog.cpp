#include "go_to_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorrel {

GoToDialog::GoToDialog(QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(this)), reason_(new QLabel(this)) {
    setObjectName(QStringLiteral("goToDialog"));
    setWindowTitle(QStringLiteral("Перейти"));
    edit_->setObjectName(QStringLiteral("goToEdit"));
    reason_->setObjectName(QStringLiteral("goToReason"));
    // One line, kept free even while empty, so that the dialog does not jump.
    reason_->setWordWrap(false);
    reason_->setMinimumHeight(reason_->fontMetrics().height());
    reason_->setTextFormat(Qt::PlainText);

    auto* prompt = new QLabel(QStringLiteral("Адрес, #строка, +N или -N:"), this);
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
    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 32);
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
    edit_->selectAll();
    edit_->setFocus(Qt::OtherFocusReason);
}

}  // namespace sorrel
