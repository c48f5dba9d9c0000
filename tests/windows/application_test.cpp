// The application object and start-up: the exception display, the three
// windows in their order and states, and the end of the program when the main
// window is closed.
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <sstream>
#include <stdexcept>

#include "command_line.h"
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

using Action = sorrel::CommandLine::Action;

struct CommandLineCase {
    std::vector<std::string> args;
    Action action;
    std::string file;
    std::string error;
    bool raw = false;
};

TEST(ApplicationTest, CommandLineTakesOneFileHelpAndVersion) {
    const CommandLineCase cases[] = {
        {{}, Action::Run, "", ""},
        {{"image.bin"}, Action::Run, "image.bin", ""},
        {{"--", "--help"}, Action::Run, "--help", ""},
        {{"-"}, Action::Run, "-", ""},
        {{"--help"}, Action::Help, "", ""},
        {{"-h"}, Action::Help, "", ""},
        {{"--version"}, Action::Version, "", ""},
        // Before the toolkit takes out its own options, --help still wins.
        {{"-platform", "offscreen", "--help"}, Action::Help, "", ""},
        {{"a.bin", "--bogus", "--version"}, Action::Version, "", ""},
        {{"--bogus"}, Action::Wrong, "", "unknown option '--bogus'"},
        {{"-x", "a.bin"}, Action::Wrong, "", "unknown option '-x'"},
        {{"a.bin", "b.bin"}, Action::Wrong, "", "only one image file can be given"},
        {{"--raw", "a.bin"}, Action::Run, "a.bin", "", true},
        {{"a.bin", "-r"}, Action::Run, "a.bin", "", true},
        {{"--raw"}, Action::Wrong, "", "--raw needs an image file to open", true},
        // Every usage error is found before the toolkit has taken its own
        // options out, with or without their values.
        {{"-platform", "offscreen", "a.bin"}, Action::Run, "a.bin", ""},
        {{"--platform", "offscreen", "-style=fusion", "-reverse", "a.bin"},
         Action::Run,
         "a.bin",
         ""},
        {{"-platform", "offscreen", "--bogus"}, Action::Wrong, "", "unknown option '--bogus'"},
        {{"-style", "fusion", "a.bin", "b.bin"},
         Action::Wrong,
         "",
         "only one image file can be given"},
    };
    for (const CommandLineCase& c : cases) {
        const sorrel::CommandLine line = sorrel::ParseCommandLine(c.args);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.file, c.file);
        EXPECT_EQ(line.error, c.error);
        EXPECT_EQ(line.raw, c.raw);
    }
    EXPECT_TRUE(sorrel::Usage.starts_with("Usage: sorrel [--raw] [FILE]\n"));
    EXPECT_EQ(sorrel::VersionText(), "sorrel 1.0.0\n");
}

using StartTest = WindowsTest;

// A file named on the command line, relative to the working folder.
struct StartCase {
    const char* name;
    QByteArray bytes;  // empty: no such file
    int warnings;
    bool listed;
    const char* error;  // what standard error is told
    bool raw = false;   // --raw
};

TEST_F(StartTest, FileNamedOnTheCommandLineOpensAsIfChosenInTheDialog) {
    const StartCase cases[] = {
        {"even.bin", Words({0x8000, 0x07E0}), 0, true, ""},
        {"odd.bin", Words({0x8000, 0x07E0}) + QByteArray(1, '\x07'), 1, true, ""},
        {"missing.bin", QByteArray(), 0, false,
         "sorrel: cannot open 'missing.bin': No such file or directory\n"},
        {"raw.bin", Words({0x8000, 0x07E0}), 0, true, "", true},
    };
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        windows_ = std::make_unique<SorrelWindows>(CreateWindows());
        form1()->show();
        const QString path = imagePath(QString::fromUtf8(c.name));
        if (!c.bytes.isEmpty()) {
            writeImage(QString::fromUtf8(c.name), c.bytes);
        }
        const int warningsBefore = warnings();
        std::ostringstream errors;
        OpenAtStart(*form1(), c.name, c.raw, errors);
        EXPECT_EQ(errors.str(), c.error);
        QCoreApplication::processEvents();  // the event loop runs
        settle();
        EXPECT_EQ(warnings() - warningsBefore, c.warnings);
        EXPECT_EQ(form1()->openDialogFileName(), path);
        EXPECT_EQ(form1()->OpenDialog1->selectedFiles(), QStringList{path});
        EXPECT_EQ(form1()->CheckBox1->isChecked(), c.raw);
        if (c.listed) {
            EXPECT_EQ(form1()->windowTitle(), "Sorrel Дизассемблер - [" + path + "]");
            ASSERT_EQ(ShownRows(listing()), 3u);
            EXPECT_EQ(Cell(listing(), 0, 1), "1000000000000000");
            EXPECT_EQ(Cell(listing(), 0, 0), c.raw ? "0000h" : "0000(0)");
        } else {
            EXPECT_EQ(form1()->windowTitle(), QStringLiteral("Sorrel Дизассемблер "));
            EXPECT_EQ(listing()->source(), nullptr);
        }
    }
    EXPECT_TRUE(QDir::setCurrent(saved));
    EXPECT_EQ(errors(), 0);
}

TEST_F(StartTest, TheToolkitsOwnTextsAreRussian) {
    auto* buttons = form1()->OpenDialog1->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("&Открыть"));
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));

    // The toolkit's Russian keeps "OK" as it is; the other buttons of a
    // message box read in Russian.
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(),
                    QMessageBox::Ok | QMessageBox::Close | QMessageBox::Yes);
    EXPECT_EQ(box.button(QMessageBox::Close)->text(), QStringLiteral("Закрыть"));
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Да"));
}

}  // namespace
}  // namespace wintest
