// The application object and start-up: the exception display, the three
// windows in their order and states, and the end of the program when the main
// window is closed.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>
#include <stdexcept>

#include "sorrel_application.h"
#include "window_test_support.h"

namespace wintest {
namespace {

// An object whose event handler throws what it is given.
class Thrower : public QObject {
  public:
    explicit Thrower(std::function<void()> raise) : raise_(std::move(raise)) {}
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            raise_();
            return true;
        }
        return QObject::event(e);
    }

  private:
    std::function<void()> raise_;
};

TEST(ApplicationTest, ExceptionEscapingAnEventHandlerIsShownWithItsMessage) {
    ScreenUser user;
    struct Case {
        std::function<void()> raise;
        QString message;
    };
    const Case cases[] = {
        {[] { throw std::runtime_error("Файл \"a.bin\" прочитан не полностью"); },
         QStringLiteral("Файл \"a.bin\" прочитан не полностью")},
        {[] { throw std::bad_alloc(); }, QStringLiteral("std::bad_alloc")},
        {[] { throw 42; }, QString()},  // not an exception class: an empty message
    };
    int shown = 0;
    for (const Case& c : cases) {
        Thrower thrower(c.raise);
        QEvent event(QEvent::User);
        EXPECT_TRUE(QCoreApplication::sendEvent(&thrower, &event));
        ++shown;
        ASSERT_EQ(user.boxes.size(), static_cast<std::size_t>(shown));
        EXPECT_EQ(user.boxes.back().text, c.message);
        EXPECT_EQ(user.boxes.back().title, ErrorTitle);
        EXPECT_EQ(user.boxes.back().icon, QMessageBox::Critical);
    }
    // The program goes on: events are delivered as before.
    Thrower quiet([] {});
    QEvent event(QEvent::User);
    EXPECT_TRUE(QCoreApplication::sendEvent(&quiet, &event));
    EXPECT_EQ(user.boxes.size(), 3u);
}

TEST(ApplicationTest, StartUpCreatesTheThreeWindowsWithOnlyTheMainOneShown) {
    {
        SorrelWindows windows = CreateWindows();
        ASSERT_EQ(Form1, windows.form1.get());
        ASSERT_EQ(OptionWin, windows.optionWin.get());
        ASSERT_EQ(Form2, windows.form2.get());
        EXPECT_EQ(Form1->objectName(), "Form1");
        EXPECT_EQ(OptionWin->objectName(), "OptionWin");
        EXPECT_EQ(Form2->objectName(), "Form2");
        EXPECT_FALSE(Form1->isVisible());
        EXPECT_FALSE(OptionWin->isVisible());
        EXPECT_FALSE(Form2->isVisible());
        EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Sorrel Дизассемблер "));
        EXPECT_FALSE(Form1->CheckBox1->isChecked());
        EXPECT_EQ(ShownRows(Form1->StringGrid1), 2u);
        EXPECT_TRUE(Form1->openDialogFileName().isEmpty());
        // The options window holds 16 bits that nothing reads.
        auto* edit = OptionWin->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "16");
        // Every window carries the program's icon.
        EXPECT_FALSE(QApplication::windowIcon().isNull());
        EXPECT_EQ(Form2->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    }
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(OptionWin, nullptr);
    EXPECT_EQ(Form2, nullptr);
}

TEST(ApplicationTest, ClosingTheMainWindowEndsTheEventLoopEvenWithTheByteOrderWindowShown) {
    SorrelWindows windows = CreateWindows();
    windows.form1->show();
    Click(windows.form1->SpeedButton3);
    ASSERT_TRUE(windows.form2->isVisible());

    // Closing the byte-order window only hides it.
    ASSERT_TRUE(windows.form2->close());
    EXPECT_FALSE(windows.form2->isVisible());
    Click(windows.form1->SpeedButton3);
    ASSERT_TRUE(windows.form2->isVisible());

    bool timedOut = false;
    QTimer::singleShot(0, windows.form1.get(), [&] { windows.form1->close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
}

}  // namespace
}  // namespace wintest
