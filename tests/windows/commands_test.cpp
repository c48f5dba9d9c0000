// What the windows can do, as a user finds it: the grid's context menu lists
// every command with its keys, greyed where it cannot act, and F1 shows the
// same list; the find dialog's Esc, its messages and the results panel's
// titles; the go-to dialog on the screen's edge; closing during a save; the
// check box and the keys; where another file opens; the recent files.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <map>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

#include "listing_export.h"
#include "navigation_test_support.h"
#include "recent_files.h"
#include "window_commands.h"

namespace wintest {
namespace {

using CommandsTest = NavigationTest;

// The entries of a menu as "text\tkeys" with whether each can act;
// separators as "-". A submenu ends in ">", and the sections' menus ("Заметки",
// "Вид") are followed by their entries.
void AddEntries(const QMenu* menu, std::vector<std::pair<QString, bool>>& entries) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            entries.emplace_back(QStringLiteral("-"), true);
            continue;
        }
        entries.emplace_back(action->text() + (action->menu() ? QStringLiteral(">") : QString()),
                             action->isEnabled());
        if (action->menu() && action->text() != QStringLiteral("Недавние файлы")) {
            AddEntries(action->menu(), entries);
        }
    }
}

std::vector<std::pair<QString, bool>> MenuEntries(StringGrid* grid) {
    auto* commands = grid->window()->findChild<sorrel::WindowCommands*>();
    EXPECT_NE(commands, nullptr);
    std::unique_ptr<QMenu> menu(commands->makeMenu(nullptr));
    std::vector<std::pair<QString, bool>> entries;
    AddEntries(menu.get(), entries);
    return entries;
}

TEST_F(CommandsTest, TheMenuListsEveryCommandWithItsKeysGreyedWhereItCannotAct) {
    struct Entry {
        const char* text;
        bool empty;   // it can act without a listing
        bool listed;  // ... on row 1, a jump, of a raw listing, after a find all
    };
    const Entry main[] = {
        {"Загрузить образ…\tCtrl+O", true, true},
        {"Перезагрузить образ\tF5", false, true},
        {"Образ в байтовом порядке\tCtrl+B", true, true},
        {"Недавние файлы>", false, true},
        {"Прервать чтение, поиск или сохранение\tEsc", false, false},
        {"Сохранить листинг…\tCtrl+S", false, true},
        {"-", true, true},
        {"Перейти…\tCtrl+G", true, true},
        {"Назад\tAlt+Left", false, true},
        {"Вперёд\tAlt+Right", false, false},
        {"Следующая область\tCtrl+Down", false, true},
        {"Предыдущая область\tCtrl+Up", false, true},
        {"Перейти по переходу\tEnter", false, true},
        {"Переходы на эту строку\tX", false, true},
        {"-", true, true},
        {"Найти…\tCtrl+F", true, true},
        {"Найти далее\tF3", false, true},
        {"Найти ранее\tShift+F3", false, true},
        {"Найти все", false, true},
        {"Строки…", false, true},
        {"Результаты поиска", false, true},
        {"Классы инструкций…", true, true},
        {"-", true, true},
        {"Заметки>", true, true},
        {"Метка…\tN", false, true},
        {"Комментарий…\t;", false, true},
        {"Закладка\tCtrl+D", false, true},
        {"Следующая закладка\tF2", false, false},
        {"Предыдущая закладка\tShift+F2", false, false},
        {"Отменить\tCtrl+Z", false, false},
        {"Вернуть\tCtrl+Shift+Z", false, false},
        {"Импорт меток…", false, true},
        {"Сохранить заметки как…\tCtrl+Shift+S", false, true},
        {"Список заметок", true, true},
        {"-", true, true},
        {"Вид>", true, true},
        {"Hex", true, true},
        {"Текст", true, true},
        {"Стрелки переходов\tCtrl+Shift+J", true, true},
        {"Обзор образа\tCtrl+Shift+O", true, true},
        {"Заметки\tCtrl+Shift+N", true, true},
        {"Окна заодно", true, true},
        {"-", true, true},
        {"Копировать\tCtrl+C", false, true},
        {"Выделить всё\tCtrl+A", false, true},
        {"-", true, true},
        {"Клавиши и мышь…\tF1", true, true},
    };
    const auto expectMenu = [](StringGrid* grid, std::span<const Entry> expected, bool listed) {
        const auto entries = MenuEntries(grid);
        ASSERT_EQ(entries.size(), expected.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            // The keys as the toolkit names them in the program's language.
            QString text = QString::fromUtf8(expected[i].text);
            text.replace(QStringLiteral("Alt+Left"),
                         QKeySequence(Qt::ALT | Qt::Key_Left).toString(QKeySequence::NativeText));
            text.replace(QStringLiteral("Alt+Right"),
                         QKeySequence(Qt::ALT | Qt::Key_Right).toString(QKeySequence::NativeText));
            text.replace(QStringLiteral("Ctrl+Down"),
                         QKeySequence(Qt::CTRL | Qt::Key_Down).toString(QKeySequence::NativeText));
            text.replace(QStringLiteral("Ctrl+Up"),
                         QKeySequence(Qt::CTRL | Qt::Key_Up).toString(QKeySequence::NativeText));
            EXPECT_EQ(entries[i].first, text);
            EXPECT_EQ(entries[i].second, listed ? expected[i].listed : expected[i].empty)
                << text.toStdString();
        }
    };
    SCOPED_TRACE("main window");
    expectMenu(listing(), main, false);

    const Window w = mainWindow();
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("jumps.bin"), Words({0x0002, Jump(Jmp, 3), 0x0002, 0x0002})));
    typeQuery(w, QStringLiteral("jmp"));
    QTest::keyClick(w.navigator->findDialog()->edit(), Qt::Key_Return, Qt::AltModifier);
    waitForSearch(w);
    w.navigator->findDialog()->reject();
    w.navigator->goToRow(1);
    expectMenu(listing(), main, true);

    // The byte-order window: its own commands and the shared ones.
    const Window bytes = byteWindow();
    const auto entries = MenuEntries(bytes.grid);
    std::vector<QString> texts;
    for (const auto& entry : entries) {
        texts.push_back(entry.first.section(QLatin1Char('\t'), 0, 0));
    }
    EXPECT_EQ(texts, (std::vector<QString>{"Прервать чтение, поиск или сохранение",
                                           "Сохранить листинг…",
                                           "-",
                                           "Перейти…",
                                           "Назад",
                                           "Вперёд",
                                           "Следующая область",
                                           "Предыдущая область",
                                           "-",
                                           "Найти…",
                                           "Найти далее",
                                           "Найти ранее",
                                           "Найти все",
                                           "Строки…",
                                           "Результаты поиска",
                                           "-",
                                           "Вид>",
                                           "Hex",
                                           "Текст",
                                           "Окна заодно",
                                           "-",
                                           "Копировать",
                                           "Выделить всё",
                                           "-",
                                           "Клавиши и мышь…"}));
}

TEST_F(CommandsTest, FOneShowsTheKeysAndGesturesOfTheSameCommands) {
    const Window w = mainWindow();
    auto* commands = form1()->findChild<sorrel::WindowCommands*>();
    ASSERT_NE(commands, nullptr);
    // Every command of the menu has its line in the reference, with its keys.
    std::map<QString, QString> reference;
    for (const auto& line : commands->reference()) {
        reference.emplace(line.what, line.keys);
    }
    for (const auto& [entry, enabled] : MenuEntries(listing())) {
        if (!entry.contains(QLatin1Char('\t'))) {
            continue;  // a separator, a submenu, a command without keys
        }
        const QString text = entry.section(QLatin1Char('\t'), 0, 0);
        ASSERT_TRUE(reference.count(text)) << text.toStdString();
        EXPECT_TRUE(reference[text].contains(entry.section(QLatin1Char('\t'), 1)))
            << text.toStdString();
    }
    // And the gestures that have no key.
    for (const char* gesture : {"Двойной щелчок по строке перехода", "Перетащить файл в окно",
                                "Кнопка мыши «Назад»", "Колесо мыши"}) {
        bool found = false;
        for (const auto& line : commands->reference()) {
            found = found || line.keys == QString::fromUtf8(gesture);
        }
        EXPECT_TRUE(found) << gesture;
    }

    // F1 shows them in a dialog; closed, the grid has the keys again.
    bool shown = false;
    QTimer look;
    look.setInterval(5);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* dialog = form1()->findChild<QDialog*>(QStringLiteral("keysReference"));
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        look.stop();
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("keysTable"));
        ASSERT_NE(table, nullptr);
        // A row for each line, and one for each section's title.
        shown = table->rowCount() > static_cast<int>(commands->reference().size());
        dialog->reject();
    });
    giveKeys(w);
    look.start();
    QTest::keyClick(w.grid, Qt::Key_F1);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(gridHasTheKeys(w));
}

// A search that runs until it is stopped, listing rows.
void RunUntilStopped(const Window& w) {
    w.navigator->listRows(
        QStringLiteral("Без конца"), QStringLiteral("Поиск"),
        [](std::stop_token stop, const sorrel::ProgressFn&) {
            while (!stop.stop_requested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return sorrel::RowList{};
        },
        true);
}

TEST_F(CommandsTest, EscInTheFindDialogStopsASearchAndClosesItOtherwise) {
    load(writeImage(QStringLiteral("image.bin"), Words({0x0002, Jump(Jmp, 0)})));
    for (const Window& w : {mainWindow(), byteWindow()}) {
        SCOPED_TRACE(w.name);
        sorrel::FindDialog* dialog = typeQuery(w, QStringLiteral("zzz"));
        // What find says shows in the dialog too.
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        waitForSearch(w);
        EXPECT_EQ(dialog->status(), "Не найдено");
        QTest::keyClick(dialog->edit(), Qt::Key_Return, Qt::AltModifier);
        waitForSearch(w);
        EXPECT_EQ(w.navigator->resultsPanel()->heading(), "Найти все: zzz — 0");

        RunUntilStopped(w);
        ASSERT_TRUE(w.navigator->searching());
        EXPECT_FALSE(w.navigator->resultsPanel()->oldNote().isEmpty());
        QTest::keyClick(dialog->edit(), Qt::Key_Escape);
        EXPECT_FALSE(w.navigator->searching());
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->status(), "Поиск прерван");
        EXPECT_EQ(statusText(w), "Поиск прерван");
        // The results shown are those of the search before.
        EXPECT_EQ(w.navigator->resultsPanel()->heading(), "Найти все: zzz — 0");
        EXPECT_EQ(w.navigator->resultsPanel()->oldNote(),
                  "Результаты прежнего поиска: новый поиск прерван.");

        QTest::keyClick(dialog->edit(), Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(gridHasTheKeys(w));
    }
}

TEST_F(CommandsTest, TheResultsPanelCanBeShownAgainAfterItWasClosed) {
    const Window w = mainWindow();
    form1()->CheckBox1->setChecked(true);
    load(writeImage(QStringLiteral("image.bin"), Words({0x0002, Jump(Jmp, 0)})));
    press(w, Qt::Key_X);
    waitForSearch(w);
    sorrel::ResultsPanel* panel = w.navigator->resultsPanel();
    ASSERT_TRUE(panel->isShownInWindow());
    EXPECT_EQ(panel->heading(), "Ссылки на 0000h — 1");
    QWidget* dock = panel->parentWidget();
    ASSERT_TRUE(dock->inherits("QDockWidget")) << dock->metaObject()->className();
    dock->hide();  // its close button
    EXPECT_FALSE(panel->isShownInWindow());
    w.navigator->showResults();
    EXPECT_TRUE(panel->isShownInWindow());
}

// Near the screen's right edge, a long reason wraps: the dialog keeps its
// width and stays whole on the screen.
TEST_F(CommandsTest, TheGoToDialogStaysOnTheScreen) {
    load(writeImage(QStringLiteral("image.bin"), CountingWords(3000)));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const auto& [w, text] : {std::pair{mainWindow(), QStringLiteral("-999999999999")},
                                  std::pair{byteWindow(), QStringLiteral("2170")}}) {
        SCOPED_TRACE(w.name);
        w.window->move(screen.right() - w.window->frameGeometry().width() + 1, screen.top());
        sorrel::GoToDialog* dialog = goTo(w, QString());
        dialog->reject();
        const int width = dialog->width();
        dialog = goTo(w, text);
        ASSERT_TRUE(dialog->isVisible());
        EXPECT_FALSE(dialog->reason().isEmpty());
        EXPECT_EQ(dialog->width(), width);
        EXPECT_TRUE(screen.contains(dialog->frameGeometry())) << dialog->reason().toStdString();
        dialog->reject();
    }
}

TEST_F(CommandsTest, ClosingWhileASaveRunsAsksAndKeepsSavingByDefault) {
    load(writeImage(QStringLiteral("larger.bin"), CountingWords(512 << 10)));
    auto* exporter = form1()->findChild<sorrel::ListingExport*>();
    ASSERT_NE(exporter, nullptr);
    const QString target = imagePath(QStringLiteral("listing.txt"));
    int asked = 0;
    // The default answer: go on saving.
    user_.onMessageBox = [&](QMessageBox* box) {
        ++asked;
        EXPECT_EQ(box->text(), "Листинг ещё сохраняется. Прервать сохранение и закрыть?");
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->defaultButton()->click();
    };
    exporter->save(target);
    ASSERT_TRUE(exporter->saving());
    EXPECT_FALSE(form1()->close());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form1()->isVisible());
    EXPECT_TRUE(exporter->saving());
    // Stopped when the user says so: the target is not written.
    user_.onMessageBox = [&](QMessageBox* box) {
        ++asked;
        box->button(QMessageBox::Yes)->click();
    };
    EXPECT_TRUE(form1()->close());
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(exporter->saving());
    EXPECT_FALSE(QFile::exists(target));
    // With no save running nothing is asked.
    user_.onMessageBox = nullptr;
    form1()->show();
    EXPECT_TRUE(form1()->close());
    EXPECT_EQ(asked, 2);
}

TEST_F(CommandsTest, AClickOnTheCheckBoxLeavesTheKeysWithTheGrid) {
    const Window w = mainWindow();
    load(writeImage(QStringLiteral("image.bin"), CountingWords(100)));
    giveKeys(w);
    Click(form1()->CheckBox1);
    settle();
    EXPECT_TRUE(form1()->CheckBox1->isChecked());
    EXPECT_TRUE(gridHasTheKeys(w));
    QTest::keyClick(listing(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(row(w), 99u);
}

TEST_F(CommandsTest, AnotherFileOpensAtItsFirstRowAReloadKeepsThePlace) {
    const QString first = writeImage(QStringLiteral("first.bin"), CountingWords(5000));
    const QString second = writeImage(QStringLiteral("second.bin"), CountingWords(5000));
    for (const Window& w : {mainWindow(), byteWindow()}) {
        SCOPED_TRACE(w.name);
        load(first);
        if (w.window == form2()) {
            form2()->hide();
            showByteOrder();
        }
        w.grid->setCurrentCell(3000, 1);
        w.grid->setCurrentCell(3003, 2, true);
        const std::uint64_t top = w.grid->topRow();
        if (w.window == form2()) {
            form2()->hide();
            showByteOrder();  // the same file again
        } else {
            reload();
        }
        EXPECT_EQ(row(w), 3003u);
        EXPECT_EQ(w.grid->topRow(), top);

        load(second);
        if (w.window == form2()) {
            form2()->hide();
            showByteOrder();
        }
        EXPECT_EQ(row(w), 0u);
        EXPECT_EQ(w.grid->topRow(), 0u);
        const sorrel::GridRange selection = w.grid->selection();
        EXPECT_EQ(selection.top, selection.bottom) << "nothing selected";
        EXPECT_EQ(selection.left, selection.right);
    }
}

TEST_F(CommandsTest, RecentFilesAreKeptAndAFileThatIsGoneLeavesTheList) {
    std::vector<QString> files;
    for (int i = 0; i < 12; ++i) {
        files.push_back(writeImage(QStringLiteral("image%1.bin").arg(i), Words({0x0002})));
        load(files.back());
    }
    // The last ten, the newest first, as the next start of the program finds them.
    QStringList expected;
    for (int i = 11; i >= 2; --i) {
        expected << files[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(sorrel::RecentFiles().files(), expected);

    auto* commands = form1()->findChild<sorrel::WindowCommands*>();
    std::unique_ptr<QMenu> menu(commands->makeMenu(nullptr));
    QMenu* recent = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->menu() && action->text() == QStringLiteral("Недавние файлы")) {
            recent = action->menu();
        }
    }
    ASSERT_NE(recent, nullptr);
    ASSERT_EQ(recent->actions().size(), 10);
    // Chosen: loaded as if chosen in the dialog.
    recent->actions()[5]->trigger();
    settle();
    EXPECT_EQ(form1()->openDialogFileName(), files[6]);
    EXPECT_EQ(sorrel::RecentFiles().files().first(), files[6]);
    // Gone: it leaves the list, and the status bar says so.
    ASSERT_TRUE(QFile::remove(files[11]));
    menu.reset(commands->makeMenu(nullptr));
    for (QAction* action : menu->actions()) {
        if (action->menu() && action->text() == QStringLiteral("Недавние файлы")) {
            recent = action->menu();
        }
    }
    recent->actions()[1]->trigger();  // files[11], second now
    EXPECT_EQ(form1()->openDialogFileName(), files[6]);
    EXPECT_FALSE(sorrel::RecentFiles().files().contains(files[11]));
    EXPECT_TRUE(form1()->StatusBar1->currentMessage().contains(files[11]));
}

}  // namespace
}  // namespace wintest
