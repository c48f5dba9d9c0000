#include "window_work.h"

#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QStatusBar>
#include <QWidget>
#include <algorithm>
#include <cstdint>

namespace sorrel {

WindowWork::WindowWork(QWidget* window, QStatusBar* statusBar)
    : QObject(window), statusBar_(statusBar), background_(new QLabel(statusBar)) {
    statusBar_->addPermanentWidget(background_);
    background_->hide();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { cancelAll(); });
}

WindowWork::~WindowWork() = default;

QString WorkLine::textFor(std::uint64_t done, std::uint64_t total) const {
    return text ? text(done, total)
                : QStringLiteral("%1: %2 %").arg(label).arg(Percent(done, total));
}

void WindowWork::clearLine(const WorkLine& line) {
    if (line.background) {
        clearBackgroundProgress(line.key);
    } else {
        clearProgress(line.key);
    }
}

void WindowWork::addCancellable(std::function<bool()> busy, std::function<void()> cancel) {
    cancellables_.push_back({std::move(busy), std::move(cancel)});
}

bool WindowWork::busy() const {
    return std::any_of(cancellables_.begin(), cancellables_.end(),
                       [](const Cancellable& work) { return work.busy(); });
}

bool WindowWork::cancelAll() {
    bool cancelled = false;
    for (const Cancellable& work : cancellables_) {
        if (work.busy()) {
            work.cancel();
            cancelled = true;
        }
    }
    return cancelled;
}

void WindowWork::showProgress(const QString& key, const QString& text) {
    std::erase_if(progress_, [&key](const Progress& p) { return p.key == key; });
    progress_.push_back({key, text});
    showLatest();
}

void WindowWork::reportProgress(const QString& key, const QString& text) {
    const auto last = reported_.constFind(key);
    if (last != reported_.cend() && last->elapsed() < ProgressMilliseconds) {
        return;
    }
    const auto shown = std::find_if(progress_.begin(), progress_.end(),
                                    [&key](const Progress& p) { return p.key == key; });
    if (shown != progress_.end() && shown->text == text) {
        return;
    }
    reported_[key].start();
    showProgress(key, text);
}

void WindowWork::clearProgress(const QString& key) {
    reported_.remove(key);
    const auto removed =
        std::erase_if(progress_, [&key](const Progress& p) { return p.key == key; });
    if (removed != 0) {
        showLatest();
    }
}

void WindowWork::tell(const QString& message) {
    told_ = message;
    statusBar_->showMessage(message, MessageMilliseconds);
}

QString WindowWork::currentText() const {
    return statusBar_->currentMessage();
}

void WindowWork::showBackgroundProgress(const QString& key, const QString& text) {
    std::erase_if(backgroundProgress_, [&key](const Progress& p) { return p.key == key; });
    backgroundProgress_.push_back({key, text});
    showLatestBackground();
}

void WindowWork::clearBackgroundProgress(const QString& key) {
    std::erase_if(backgroundProgress_, [&key](const Progress& p) { return p.key == key; });
    showLatestBackground();
}

QString WindowWork::backgroundText() const {
    return background_->isHidden() ? QString() : background_->text();
}

void WindowWork::showLatestBackground() {
    if (backgroundProgress_.empty()) {
        background_->hide();
        background_->clear();
    } else {
        background_->setText(backgroundProgress_.back().text);
        background_->show();
    }
}

void WindowWork::showLatest() {
    if (progress_.empty()) {
        // A message keeps its few seconds when the last progress line goes.
        if (told_.isEmpty() || statusBar_->currentMessage() != told_) {
            statusBar_->clearMessage();
        }
    } else {
        told_.clear();
        statusBar_->showMessage(progress_.back().text);
    }
}

int Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total) {
        return 100;
    }
    __extension__ typedef unsigned __int128 Wide;
    return static_cast<int>(Wide{done} * 100 / total);
}

}  // namespace sorrel
