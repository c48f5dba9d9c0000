#include "find_dialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

namespace sorrel {

namespace {

// Pixels between the dialog and its window.
constexpr int Gap = 8;

}  // namespace

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent),
      edit_(new QLineEdit(this)),
      next_(new QPushButton(QStringLiteral("Следующее"), this)),
      previous_(new QPushButton(QStringLiteral("Предыдущее"), this)),
      all_(new QPushButton(QStringLiteral("Найти все"), this)),
      status_(new QLabel(this)) {
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("Найти"));
    setModal(false);
    edit_->setObjectName(QStringLiteral("findEdit"));
    next_->setObjectName(QStringLiteral("findNextButton"));
    previous_->setObjectName(QStringLiteral("findPreviousButton"));
    all_->setObjectName(QStringLiteral("findAllButton"));
    next_->setDefault(true);
    next_->setToolTip(QStringLiteral("Enter, F3"));
    previous_->setToolTip(QStringLiteral("Shift+F3"));
    all_->setToolTip(QStringLiteral("Alt+Enter"));
    for (QPushButton* button : {previous_, all_}) {
        button->setAutoDefault(false);
    }
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("findCloseButton"));
    close->setAutoDefault(false);

    auto* prompt = new QLabel(QStringLiteral("Найти:"), this);
    prompt->setBuddy(edit_);
    auto* hint = new QLabel(QStringLiteral("? — любой символ, * — любые символы"), this);
    hint->setEnabled(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(prompt, 0, 0);
    layout->addWidget(edit_, 0, 1, 1, 3);
    layout->addWidget(hint, 1, 1, 1, 3);
    layout->addWidget(next_, 2, 0);
    layout->addWidget(previous_, 2, 1);
    layout->addWidget(all_, 2, 2);
    layout->addWidget(close, 2, 3);
    status_->setObjectName(QStringLiteral("findStatus"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    // One line kept free, so that the dialog does not jump.
    status_->setMinimumHeight(status_->fontMetrics().height());
    layout->addWidget(status_, 3, 0, 1, 4);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 28);

    connect(next_, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(previous_, &QPushButton::clicked, this, &FindDialog::findPrevious);
    connect(all_, &QPushButton::clicked, this, &FindDialog::findAll);
    connect(close, &QPushButton::clicked, this, &FindDialog::reject);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::ALT | Qt::Key_Return),
          QKeySequence(QKeyCombination(Qt::AltModifier | Qt::KeypadModifier, Qt::Key_Enter))}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, all_, &QPushButton::click);
    }
    connect(edit_, &QLineEdit::textChanged, this, &FindDialog::updateButtons);
    connect(edit_, &QLineEdit::textChanged, status_, &QLabel::clear);
    updateButtons();
}

void FindDialog::start() {
    if (!placed_ && parentWidget() != nullptr) {
        // Beside its window rather than over the middle of the listing, where
        // go-to and find put the rows they reach.
        adjustSize();
        const QRect window = parentWidget()->window()->frameGeometry();
        QPoint place(window.right() + Gap, window.top());
        if (const QScreen* screen = parentWidget()->screen()) {
            // Left of the window when the right has no room; over its edge
            // when neither has.
            const QRect room = screen->availableGeometry();
            const int width = frameGeometry().width();
            if (place.x() + width > room.right() && window.left() - Gap - width >= room.left()) {
                place.setX(window.left() - Gap - width);
            }
            place.setX(std::clamp(place.x(), room.left(), room.right() - width));
            place.setY(std::clamp(place.y(), room.top(), room.bottom() - frameGeometry().height()));
        }
        move(place);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
    edit_->selectAll();
    edit_->setFocus(Qt::OtherFocusReason);
}

QString FindDialog::text() const {
    return edit_->text();
}

void FindDialog::showStatus(const QString& text) {
    status_->setText(text);
}

QString FindDialog::status() const {
    return status_->text();
}

void FindDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && stop_ &&
        stop_()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FindDialog::updateButtons() {
    const bool any = !edit_->text().isEmpty();
    for (QPushButton* button : {next_, previous_, all_}) {
        button->setEnabled(any);
    }
}

}  // namespace sorrel
