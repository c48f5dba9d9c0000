// A window's long work as its user sees it: Esc cancels what runs, and the
// status bar shows the progress reported last of the work that still runs.
#include <gtest/gtest.h>

#include <QStatusBar>
#include <QTest>
#include <QWidget>

#include "window_work.h"

namespace sorrel {
namespace {

struct Work {
    bool running = false;
    int cancelled = 0;
};

TEST(WindowWork, EscCancelsOnlyTheWorkThatRuns) {
    QWidget window;
    auto* bar = new QStatusBar(&window);
    WindowWork work(&window, bar);
    Work load;
    Work find;
    for (Work* w : {&load, &find}) {
        work.addCancellable([w] { return w->running; }, [w] { ++w->cancelled; });
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(load.cancelled + find.cancelled, 0);
    find.running = true;
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(load.cancelled, 0);
    EXPECT_EQ(find.cancelled, 1);
    load.running = true;
    EXPECT_TRUE(work.cancelAll());
    EXPECT_EQ(load.cancelled, 1);
    EXPECT_EQ(find.cancelled, 2);
}

TEST(WindowWork, TheLineShowsTheLatestProgressOfWorkThatStillRuns) {
    QWidget window;
    auto* bar = new QStatusBar(&window);
    WindowWork work(&window, bar);
    struct Step {
        const char* action;  // "show KEY TEXT", "clear KEY" or "tell TEXT"
        const char* shown;
    };
    const Step steps[] = {
        {"show load 10", "10"},  {"show count 1", "1"}, {"show load 20", "20"}, {"clear load", "1"},
        {"tell found", "found"}, {"show count 2", "2"}, {"clear count", ""},    {"clear count", ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        const QStringList words = QString::fromUtf8(step.action).split(' ');
        if (words[0] == "show") {
            work.showProgress(words[1], words[2]);
        } else if (words[0] == "clear") {
            work.clearProgress(words[1]);
        } else {
            work.tell(words[1]);
        }
        EXPECT_EQ(work.currentText(), QString::fromUtf8(step.shown));
    }
}

TEST(WindowWork, WorkOfItsOwnShowsApartFromTheLine) {
    QWidget window;
    auto* bar = new QStatusBar(&window);
    WindowWork work(&window, bar);
    work.tell(QStringLiteral("Не найдено"));
    work.showBackgroundProgress(QStringLiteral("jumps"), QStringLiteral("37 %"));
    work.showBackgroundProgress(QStringLiteral("overview"), QStringLiteral("12 %"));
    EXPECT_EQ(work.currentText(), QStringLiteral("Не найдено"));
    EXPECT_EQ(work.backgroundText(), QStringLiteral("12 %"));
    work.clearBackgroundProgress(QStringLiteral("overview"));
    EXPECT_EQ(work.backgroundText(), QStringLiteral("37 %"));
    work.clearBackgroundProgress(QStringLiteral("jumps"));
    EXPECT_EQ(work.backgroundText(), QString());
    EXPECT_EQ(work.currentText(), QStringLiteral("Не найдено"));
}

TEST(WindowWork, PercentOfAnyTotal) {
    struct Case {
        std::uint64_t done, total;
        int percent;
    };
    const Case cases[] = {{0, 0, 100},
                          {0, 10, 0},
                          {5, 10, 50},
                          {10, 10, 100},
                          {11, 10, 100},
                          {1, 3, 33},
                          {UINT64_MAX - 1, UINT64_MAX, 99},
                          {UINT64_MAX / 2, UINT64_MAX, 49}};
    for (const Case& c : cases) {
        EXPECT_EQ(Percent(c.done, c.total), c.percent) << c.done << " of " << c.total;
    }
}

}  // namespace
}  // namespace sorrel
