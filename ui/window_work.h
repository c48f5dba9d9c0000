// The long work of one window (reading an image, finding, exporting, counting)
// as its user sees it: a line in the status bar that tells how far each piece
// of work has come, Esc to cancel whatever runs, and short messages that stay
// for a few seconds. Work that the window does on its own after a load (the
// passes that count jumps) shows its progress in a small field at the right
// end of the status bar instead, so that it never covers what the user's own
// work has to say.
//
// Each kind of work registers itself once with what tells whether it runs and
// what stops it; its progress goes to the status bar under its own key, so
// that two pieces of work (a find while the jumps are counted) do not wipe
// each other's line: the line shows the progress reported last, and when that
// work ends, the progress of another that still runs.
//
// A piece of work states once how its line reads (WorkLine) and starts
// through run(): its progress goes to its line, the line goes when the work
// ends, and what the work throws goes to the exception display unless the
// work says otherwise. Everything runs on the GUI thread.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

#include "exception_display.h"
#include "gui_task.h"

class QLabel;
class QStatusBar;
class QWidget;

namespace sorrel {

// How one kind of a window's long work shows its progress.
struct WorkLine {
    // Its key among the lines of the status bar.
    QString key;
    // "Поиск": the line reads "Поиск: 42 %".
    QString label;
    // The whole line for done of total, in place of the label's.
    std::function<QString(std::uint64_t done, std::uint64_t total)> text;
    // Work the window does on its own: its line goes to the right end of the
    // status bar, and what it throws is dropped (it only adds marks).
    bool background = false;

    QString textFor(std::uint64_t done, std::uint64_t total) const;
};

class WindowWork : public QObject {
    Q_OBJECT
  public:
    // How long a message stays in the status bar, in milliseconds.
    static constexpr int MessageMilliseconds = 5000;
    // reportProgress changes a line at most this often, in milliseconds.
    static constexpr int ProgressMilliseconds = 200;

    // Esc in window (while it or any of its children has the keys) cancels the
    // work that runs; statusBar shows the progress and the messages.
    WindowWork(QWidget* window, QStatusBar* statusBar);
    ~WindowWork() override;

    // A kind of work that Esc cancels while busy() says it runs.
    void addCancellable(std::function<bool()> busy, std::function<void()> cancel);

    // Runs work on task (cancelling what task ran), shown on line. done gets
    // the result and failed what the work threw (by default the exception
    // display), both once the line is gone. A cancel of task delivers
    // neither; the canceller clears the line (clearLine).
    template <typename Result>
    void run(GuiTask& task, const WorkLine& line, TaskWork<Result> work,
             std::function<void(Result&&)> done,
             std::function<void(std::exception_ptr)> failed = {});
    // Clears line: its progress, in whichever part of the status bar it shows.
    void clearLine(const WorkLine& line);
    // Cancels every kind of work that runs, as Esc does; false when none ran.
    bool cancelAll();
    // Some kind of work that Esc cancels runs.
    bool busy() const;

    // Shows text as the progress of the work called key, until clearProgress(key).
    void showProgress(const QString& key, const QString& text);
    // The same for work that reports often: the first report of key shows at
    // once, later ones at most every ProgressMilliseconds, and a text already
    // shown is not shown again. After clearProgress(key) the next one is first.
    void reportProgress(const QString& key, const QString& text);
    void clearProgress(const QString& key);
    // Shows message for MessageMilliseconds, in place of any progress line;
    // progress reported afterwards replaces it, progress that ends does not.
    void tell(const QString& message);
    // What the status bar shows now.
    QString currentText() const;

    // The progress of work the window does on its own, at the right end of
    // the status bar; the field is hidden while no such work runs.
    void showBackgroundProgress(const QString& key, const QString& text);
    void clearBackgroundProgress(const QString& key);
    // What that field shows now; empty while it is hidden.
    QString backgroundText() const;

  private:
    struct Cancellable {
        std::function<bool()> busy;
        std::function<void()> cancel;
    };
    struct Progress {
        QString key;
        QString text;
    };
    void showLatest();
    void showLatestBackground();

    QStatusBar* statusBar_;
    QLabel* background_;
    std::vector<Progress> backgroundProgress_;
    std::vector<Cancellable> cancellables_;
    std::vector<Progress> progress_;          // the one reported last at the back
    QHash<QString, QElapsedTimer> reported_;  // when reportProgress last showed each key
    QString told_;  // the message shown by tell(), until progress replaces it
};

// "done of total" as a whole percentage, 0 to 100; 100 for an empty total.
int Percent(std::uint64_t done, std::uint64_t total);

template <typename Result>
void WindowWork::run(GuiTask& task, const WorkLine& line, TaskWork<Result> work,
                     std::function<void(Result&&)> done,
                     std::function<void(std::exception_ptr)> failed) {
    TaskCallbacks<Result> onGui;
    onGui.progress = [this, line](std::uint64_t finished, std::uint64_t total) {
        const QString text = line.textFor(finished, total);
        if (line.background) {
            showBackgroundProgress(line.key, text);
        } else {
            reportProgress(line.key, text);
        }
    };
    onGui.result = [this, line, done = std::move(done)](Result&& result) {
        clearLine(line);
        if (done) {
            done(std::move(result));
        }
    };
    onGui.error = [this, line, failed = std::move(failed)](std::exception_ptr error) {
        clearLine(line);
        if (failed) {
            failed(error);
        } else if (!line.background) {
            ShowException(error);
        }
    };
    task.start<Result>(std::move(work), std::move(onGui));
}

}  // namespace sorrel
