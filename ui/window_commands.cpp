#include "window_commands.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <array>
#include <optional>
#include <utility>

#include "on_screen.h"
#include "stringgrid.h"
#include "window_document.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

namespace {

constexpr std::array<CommandSection, 7> Sections = {
    CommandSection::File, CommandSection::Going, CommandSection::Finding, CommandSection::Notes,
    CommandSection::View, CommandSection::Grid,  CommandSection::Help};

QString KeysText(const Command& command) {
    if (!command.keysText.isEmpty()) {
        return command.keysText;
    }
    QStringList keys;
    for (const QKeySequence& key : command.keys) {
        keys << key.toString(QKeySequence::NativeText);
    }
    return keys.join(QStringLiteral(", "));
}

// "&Перейти…" of a QAction without the mnemonic's ampersand.
QString PlainText(QString text) {
    return text.remove(QLatin1Char('&'));
}

}  // namespace

WindowCommands::WindowCommands(QWidget* window, StringGrid* grid)
    : QObject(window), window_(window), grid_(grid) {
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // A click outside the selection makes the cell under it current, so
        // that the commands of "this row" act on the row clicked.
        std::uint64_t row = 0;
        int column = 0;
        const QPoint inViewport = grid_->viewport()->mapFrom(grid_, at);
        const GridRange range = grid_->selection();
        if (grid_->cellAt(inViewport, &row, &column) &&
            !(row >= range.top && row <= range.bottom && column >= range.left &&
              column <= range.right)) {
            grid_->setCurrentCell(row, column);
        }
        QMenu* menu = makeMenu(grid_);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(grid_->mapToGlobal(at));
    });
    Command reference;
    reference.section = CommandSection::Help;
    reference.text = QStringLiteral("Клавиши и мышь…");
    reference.keys = {QKeySequence(Qt::Key_F1)};
    reference.run = [this] { showReference(); };
    add(std::move(reference));

    // The grid's own keys and gestures.
    const auto gridEntry = [](QString keys, QString what) {
        Command command;
        command.section = CommandSection::Grid;
        command.keysText = std::move(keys);
        command.text = std::move(what);
        return command;
    };
    Command copy;
    copy.section = CommandSection::Grid;
    copy.text = QStringLiteral("Копировать");
    copy.keys = {QKeySequence::Copy};
    copy.run = [this] { grid_->copySelection(); };
    copy.enabled = [this] { return grid_->source() != nullptr; };
    copy.keysBoundElsewhere = true;
    add(std::move(copy));
    Command all;
    all.section = CommandSection::Grid;
    all.text = QStringLiteral("Выделить всё");
    all.keys = {QKeySequence::SelectAll};
    all.run = [this] { grid_->selectAll(); };
    all.enabled = [this] { return grid_->source() != nullptr; };
    all.keysBoundElsewhere = true;
    add(std::move(all));
    add(gridEntry(
        QStringLiteral("Стрелки, Page Up, Page Down, Home, End"),
        QStringLiteral("Перейти к соседней ячейке, на страницу, в начало и конец строки")));
    add(gridEntry(QStringLiteral("Ctrl+Home, Ctrl+End"),
                  QStringLiteral("В начало и в конец листинга")));
    add(gridEntry(QStringLiteral("Shift с клавишами перехода, перетаскивание мышью"),
                  QStringLiteral("Выделить прямоугольник ячеек")));
    add(gridEntry(QStringLiteral("Колесо мыши"), QStringLiteral("Прокрутить листинг")));
    add(gridEntry(QStringLiteral("Правая кнопка мыши"), QStringLiteral("Меню команд")));
}

QAction* WindowCommands::add(Command command) {
    QAction* action = nullptr;
    if (command.run && !command.keys.isEmpty() && !command.keysBoundElsewhere) {
        QWidget* on = command.keysInGrid ? static_cast<QWidget*>(grid_) : window_;
        action = new QAction(command.text, on);
        action->setShortcuts(command.keys);
        action->setShortcutContext(command.keysInGrid ? Qt::WidgetShortcut : Qt::WindowShortcut);
        on->addAction(action);
        connect(action, &QAction::triggered, this, [run = command.run] { run(); });
    }
    entries_.push_back({std::move(command), nullptr, false, {}});
    return action;
}

void WindowCommands::add(CommandSection section, QAction* action, const QString& gesture) {
    Command command;
    command.section = section;
    command.text = PlainText(action->text());
    command.keys = action->shortcuts();
    command.gesture = gesture;
    command.run = [action] { action->trigger(); };
    command.enabled = [action] { return action->isEnabled(); };
    if (action->isCheckable()) {
        command.checked = [action] { return action->isChecked(); };
    }
    entries_.push_back({std::move(command), action, false, {}});
}

void WindowCommands::add(CommandMenu menu) {
    Entry entry;
    entry.command.section = menu.section;
    entry.command.text = menu.text;
    entry.isMenu = true;
    entry.menu = std::move(menu);
    entries_.push_back(std::move(entry));
}

QMenu* WindowCommands::makeMenu(QWidget* parent) const {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("gridMenu"));
    for (const CommandSection section : Sections) {
        // The notes and the view in menus of their own, so that the menu
        // stays short.
        const bool apart = section == CommandSection::Notes || section == CommandSection::View;
        QMenu* into = menu;
        bool first = true;
        for (const Entry& entry : entries_) {
            const Command& command = entry.command;
            if (command.section != section || (!command.run && !entry.isMenu)) {
                continue;
            }
            if (first && !menu->isEmpty()) {
                menu->addSeparator();
            }
            if (first && apart) {
                into = menu->addMenu(sectionTitle(section));
            }
            first = false;
            if (entry.isMenu) {
                QMenu* sub = into->addMenu(entry.menu.text);
                sub->setEnabled(!entry.menu.enabled || entry.menu.enabled());
                entry.menu.fill(sub);
                continue;
            }
            const QString keys = command.keys.isEmpty()
                                     ? QString()
                                     : command.keys.first().toString(QKeySequence::NativeText);
            QAction* item = into->addAction(
                keys.isEmpty() ? command.text : command.text + QLatin1Char('\t') + keys);
            item->setEnabled(!command.enabled || command.enabled());
            if (command.checked) {
                item->setCheckable(true);
                item->setChecked(command.checked());
            }
            connect(item, &QAction::triggered, item, [run = command.run] { run(); });
        }
    }
    return menu;
}

std::vector<WindowCommands::ReferenceLine> WindowCommands::reference() const {
    std::vector<ReferenceLine> lines;
    for (const CommandSection section : Sections) {
        for (const Entry& entry : entries_) {
            const Command& command = entry.command;
            if (command.section != section || entry.isMenu) {
                continue;
            }
            const QString keys = KeysText(command);
            if (!keys.isEmpty()) {
                lines.push_back({section, keys, command.text});
            }
            if (!command.gesture.isEmpty()) {
                lines.push_back({section, command.gesture, command.text});
            }
        }
    }
    return lines;
}

QString WindowCommands::sectionTitle(CommandSection section) {
    switch (section) {
        case CommandSection::File:
            return QStringLiteral("Файл");
        case CommandSection::Going:
            return QStringLiteral("Переход");
        case CommandSection::Finding:
            return QStringLiteral("Поиск");
        case CommandSection::Notes:
            return QStringLiteral("Заметки");
        case CommandSection::View:
            return QStringLiteral("Вид");
        case CommandSection::Grid:
            return QStringLiteral("Таблица");
        case CommandSection::Help:
            return QStringLiteral("Справка");
    }
    return {};
}

void WindowCommands::showReference() {
    QDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("keysReference"));
    dialog.setWindowTitle(QStringLiteral("Клавиши и мышь"));
    auto* table = new QTableWidget(&dialog);
    table->setObjectName(QStringLiteral("keysTable"));
    table->setColumnCount(2);
    table->setHorizontalHeaderLabels({QStringLiteral("Клавиши, мышь"), QStringLiteral("Действие")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    QFont bold = table->font();
    bold.setBold(true);
    std::optional<CommandSection> shown;
    for (const ReferenceLine& line : reference()) {
        const int row = table->rowCount();
        if (line.section != shown) {
            shown = line.section;
            table->insertRow(row);
            auto* title = new QTableWidgetItem(sectionTitle(line.section));
            title->setFont(bold);
            table->setItem(row, 0, title);
            table->setSpan(row, 0, 1, 2);
        }
        const int at = table->rowCount();
        table->insertRow(at);
        table->setItem(at, 0, new QTableWidgetItem(line.keys));
        table->setItem(at, 1, new QTableWidgetItem(line.what));
    }
    table->setShowGrid(false);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    const int width = table->horizontalHeader()->length() + 2 * table->frameWidth() + 40;
    dialog.resize(std::max(width, 420), 480);
    KeepOnScreen(&dialog);
    dialog.exec();
    GiveGridTheKeys(grid_);
}

void AddDataColumnCommands(WindowCommands* commands, WindowDocument* document) {
    for (const bool hex : {true, false}) {
        Command column;
        column.section = CommandSection::View;
        column.text = hex ? QStringLiteral("Hex") : QStringLiteral("Текст");
        column.run = [document, hex] {
            ExtraColumns extra = document->columns();
            (hex ? extra.hex : extra.text) = !(hex ? extra.hex : extra.text);
            document->setColumns(extra);
        };
        column.checked = [document, hex] {
            return hex ? document->columns().hex : document->columns().text;
        };
        commands->add(std::move(column));
    }
}

void AddCancelCommand(WindowCommands* commands, WindowWork* work) {
    Command cancel;
    cancel.section = CommandSection::File;
    cancel.text = QStringLiteral("Прервать чтение, поиск или сохранение");
    cancel.keys = {QKeySequence(Qt::Key_Escape)};
    cancel.keysBoundElsewhere = true;
    cancel.run = [work] { work->cancelAll(); };
    cancel.enabled = [work] { return work->busy(); };
    commands->add(std::move(cancel));
}

}  // namespace sorrel
