// The commands of a window, in one list: what each is called, its keys and
// the mouse gesture that does the same, what it does and when it can act.
// The grid's context menu lists them with their keys, greyed where they
// cannot act, and F1 shows the reference of every key and gesture made from
// the same list, so the two never disagree.
//
// A command's keys work in the window from the moment it is added (a QAction
// of the window), whether or not it can act: a key that cannot act says so
// in the status bar, as before; only the menu greys it. Keys that the grid
// handles itself (Enter, Ctrl+C) are listed but not bound again. The grid's
// own keys and gestures (moving, selecting, copying) are listed by the
// commands themselves; F1 is their first command.
//
// Entries with no command (the arrows, the wheel, dragging a file onto the
// window) are listed in the reference only. GUI thread only.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace sorrel {

class StringGrid;

// The sections of the menu and of the reference, in their order.
enum class CommandSection { File, Going, Finding, Notes, View, Grid, Help };

struct Command {
    CommandSection section = CommandSection::Going;
    QString text;                   // "Перейти…"
    QList<QKeySequence> keys;       // the first one is shown in the menu
    QString gesture;                // a mouse gesture that does the same, for the reference
    std::function<void()> run;      // none: an entry of the reference only
    std::function<bool()> enabled;  // none: it can always act
    std::function<bool()> checked;  // none: not a check box
    // The keys are bound elsewhere (the grid's Enter and Ctrl+C, Esc):
    // listed, not bound again.
    bool keysBoundElsewhere = false;
    // The keys work only while the grid has the focus (not in its dialogs).
    bool keysInGrid = false;
    // What the reference says in place of the keys ("стрелки", "Shift+стрелки").
    QString keysText;
};

// A submenu of the context menu filled when it opens (the recent files).
struct CommandMenu {
    CommandSection section = CommandSection::File;
    QString text;
    std::function<void(QMenu* menu)> fill;
    std::function<bool()> enabled;
};

class WindowCommands : public QObject {
    Q_OBJECT
  public:
    // The commands of window, whose grid shows the context menu; F1 in the
    // window shows the reference.
    WindowCommands(QWidget* window, StringGrid* grid);

    // Adds command; its keys work in the window from now on. Returns the
    // action that carries them (null for an entry of the reference only).
    QAction* add(Command command);
    // An action made elsewhere (a check box of the view) joins the list.
    void add(CommandSection section, QAction* action, const QString& gesture = {});
    void add(CommandMenu menu);

    // The context menu as the window is now: every command of a section
    // with its keys, greyed where it cannot act, the sections apart.
    QMenu* makeMenu(QWidget* parent) const;

    // One line of the reference: the keys (or a gesture), and what they do.
    struct ReferenceLine {
        CommandSection section;
        QString keys;
        QString what;
    };
    std::vector<ReferenceLine> reference() const;
    // F1: the reference in a dialog over the window.
    void showReference();

    static QString sectionTitle(CommandSection section);

  private:
    struct Entry {
        Command command;
        QAction* action = nullptr;  // a check box made elsewhere
        bool isMenu = false;
        CommandMenu menu;
    };
    std::vector<Entry> entries_;
    QWidget* window_;
    StringGrid* grid_;
};

class WindowDocument;
class WindowWork;

// "Hex" and "Текст": the columns that read the listing as data, shown and
// hidden from the menu.
void AddDataColumnCommands(WindowCommands* commands, WindowDocument* document);

// Esc, "Прервать чтение, поиск или сохранение": the command of the window's
// long work, whose key WindowWork binds.
void AddCancelCommand(WindowCommands* commands, WindowWork* work);

}  // namespace sorrel
