#include "grid_navigator.h"

#include <QByteArray>
#include <QCompleter>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QStringListModel>
#include <QWidget>
#include <initializer_list>

#include "find_dialog.h"
#include "go_to.h"
#include "line_dialog.h"
#include "results_panel.h"
#include "stringgrid.h"
#include "window_commands.h"
#include "window_document.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

GridNavigator::GridNavigator(QWidget* window, WindowDocument* document, WindowWork* work,
                             WindowCommands* commands)
    : QObject(window),
      window_(window),
      document_(document),
      work_(work),
      places_(document->grid()),
      goTo_(new GoToDialog(window)),
      results_(new ResultsPanel) {
    StringGrid* grid = document_->grid();
    results_->takeColumnsOf(*grid);
    results_->placeIn(window_, grid);
    finder_ = new GridFinder(window_, document_, work_, &places_, results_);

    goTo_->setGo([this](const QString& text) { return goTo(text); });
    connect(goTo_, &QDialog::finished, this, [grid] { GiveGridTheKeys(grid); });
    connect(findDialog(), &QDialog::finished, this, [grid] { GiveGridTheKeys(grid); });
    connect(results_, &ResultsPanel::rowActivated, this, [this, grid](std::uint64_t row) {
        goToRow(row);
        GiveGridTheKeys(grid);
    });
    connect(finder_, &GridFinder::foundRowsChanged, this, &GridNavigator::foundRowsChanged);
    connect(document_, &WindowDocument::changed, this, [this, grid] {
        // Rows now mean something else.
        finder_->clear();
        places_.clear();
        results_->takeColumnsOf(*grid);
    });
    connect(document_, &WindowDocument::updated, this, [this, grid] {
        // The same rows with other columns or notes: find decides its query
        // again, and the results show the new columns.
        finder_->forgetQuery();
        results_->takeColumnsOf(*grid);
        results_->relist(grid->sharedSource());
    });
    addCommands(commands);
    // F3 and Shift+F3 work in the find dialog too.
    for (const auto& [key, command] :
         {std::pair{QKeySequence(Qt::Key_F3), &GridNavigator::findNext},
          std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F3), &GridNavigator::findPrevious}}) {
        auto* shortcut = new QShortcut(key, findDialog());
        connect(shortcut, &QShortcut::activated, this, command);
    }
    window_->installEventFilter(this);
}

GridNavigator::~GridNavigator() = default;

void GridNavigator::addCommands(WindowCommands* commands) {
    const auto command = [this](CommandSection section, QString text, QList<QKeySequence> keys,
                                void (GridNavigator::*run)(), std::function<bool()> enabled = {},
                                QString gesture = {}) {
        Command c;
        c.section = section;
        c.text = std::move(text);
        c.keys = std::move(keys);
        c.gesture = std::move(gesture);
        c.run = [this, run] { (this->*run)(); };
        c.enabled = std::move(enabled);
        return c;
    };
    const std::function<bool()> query = [this] {
        return document_->current() != nullptr && !findDialog()->text().isEmpty();
    };
    commands->add(command(CommandSection::Going, QStringLiteral("Перейти…"),
                          {QKeySequence(Qt::CTRL | Qt::Key_G)}, &GridNavigator::openGoTo));
    // The keys of the mouse's side buttons are listed as the buttons.
    Command back = command(
        CommandSection::Going, QStringLiteral("Назад"),
        {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Back)}, &GridNavigator::back,
        [this] { return history().canGoBack(); }, QStringLiteral("Кнопка мыши «Назад»"));
    back.keysText = back.keys.first().toString(QKeySequence::NativeText);
    commands->add(std::move(back));
    Command forward = command(
        CommandSection::Going, QStringLiteral("Вперёд"),
        {QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::Key_Forward)},
        &GridNavigator::forward, [this] { return history().canGoForward(); },
        QStringLiteral("Кнопка мыши «Вперёд»"));
    forward.keysText = forward.keys.first().toString(QKeySequence::NativeText);
    commands->add(std::move(forward));
    commands->add(command(CommandSection::Finding, QStringLiteral("Найти…"),
                          {QKeySequence(Qt::CTRL | Qt::Key_F)}, &GridNavigator::openFind));
    commands->add(command(CommandSection::Finding, QStringLiteral("Найти далее"),
                          {QKeySequence(Qt::Key_F3)}, &GridNavigator::findNext, query));
    commands->add(command(CommandSection::Finding, QStringLiteral("Найти ранее"),
                          {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, &GridNavigator::findPrevious,
                          query));
    Command all = command(CommandSection::Finding, QStringLiteral("Найти все"), {},
                          &GridNavigator::findAll, query);
    all.keysText = QStringLiteral("Alt+Enter в окне «Найти»");
    commands->add(std::move(all));
    commands->add(command(CommandSection::Finding, QStringLiteral("Строки…"), {},
                          &GridNavigator::chooseStrings,
                          [this] { return document_->current() != nullptr; }));
    for (const bool next : {true, false}) {
        Command region;
        region.section = CommandSection::Going;
        region.text =
            next ? QStringLiteral("Следующая область") : QStringLiteral("Предыдущая область");
        region.keys = {QKeySequence(Qt::CTRL | (next ? Qt::Key_Down : Qt::Key_Up))};
        region.run = [this, next] { finder_->goToRegion(next); };
        region.enabled = [this] { return document_->current() != nullptr; };
        commands->add(std::move(region));
    }
    Command results =
        command(CommandSection::Finding, QStringLiteral("Результаты поиска"), {},
                &GridNavigator::showResults, [this] { return !results_->heading().isEmpty(); });
    commands->add(std::move(results));
}

void GridNavigator::showResults() {
    results_->showAgain();
}

void GridNavigator::chooseStrings() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Строки"),
                    QStringLiteral("Строки из четырёх и более символов. Как в образе хранится "
                                   "символ?"),
                    QMessageBox::Cancel, window_);
    box.setObjectName(QStringLiteral("stringsQuestion"));
    QPushButton* bytes = box.addButton(QStringLiteral("В каждом байте"), QMessageBox::AcceptRole);
    QPushButton* words =
        box.addButton(QStringLiteral("В каждом слове (младший байт)"), QMessageBox::AcceptRole);
    box.setDefaultButton(bytes);
    box.exec();
    GiveGridTheKeys(document_->grid());
    if (box.clickedButton() == bytes) {
        listStrings(StringPacking::Bytes);
    } else if (box.clickedButton() == words) {
        listStrings(StringPacking::Words);
    }
}

void GridNavigator::openGoTo() {
    goTo_->start();
}

QString GridNavigator::goTo(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const GoToOutcome outcome =
        GoToRow(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                document_->mode(), document_->rowCount(), document_->grid()->currentRow());
    if (outcome.row) {
        goToRow(*outcome.row);
        return {};
    }
    if (lookupName_) {
        if (const std::optional<std::uint64_t> row = lookupName_(text.trimmed())) {
            if (*row < document_->rowCount()) {
                goToRow(*row);
                return {};
            }
        }
    }
    return QString::fromStdString(outcome.reason);
}

void GridNavigator::setNames(NameLookup lookup, NameCompletion complete) {
    lookupName_ = std::move(lookup);
    completeName_ = std::move(complete);
    goTo_->setPrompt(QStringLiteral("Адрес, #строка, +N, -N или метка:"));
    auto* model = new QStringListModel(goTo_);
    auto* completer = new QCompleter(model, goTo_);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    goTo_->setCompleter(completer);
    connect(goTo_->edit(), &QLineEdit::textEdited, this, [this, model](const QString& text) {
        model->setStringList(completeName_ && !text.trimmed().isEmpty()
                                 ? completeName_(text.trimmed())
                                 : QStringList());
    });
}

void GridNavigator::tell(const QString& message) {
    work_->tell(message);
}

bool GridNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::MouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::BackButton || button == Qt::ForwardButton) {
            button == Qt::BackButton ? back() : forward();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace sorrel
