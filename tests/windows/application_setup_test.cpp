// An exception in the application object's own set-up, once the toolkit's
// application exists, goes to the exception display like any other, and the
// program goes on. The fault is injected into the set-up of this program's
// one application object, so it runs on its own.
#include <gtest/gtest.h>

#include <QByteArray>
#include <memory>
#include <stdexcept>

#include "sorrel_application.h"
#include "window_test_support.h"

using namespace sorrel;

namespace {

// The user who answers the exception display; made inside the set-up, when
// the toolkit can run its timer.
std::unique_ptr<wintest::ScreenUser> user;

TEST(ApplicationSetUpTest, AFaultInTheSetUpIsShownAndTheProgramGoesOn) {
    ASSERT_NE(user, nullptr);
    ASSERT_EQ(user->boxes.size(), 1u);
    EXPECT_EQ(user->boxes[0].title, wintest::ErrorTitle);
    EXPECT_EQ(user->boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(user->boxes[0].text, QStringLiteral("Сбой при запуске"));

    // The windows start as usual.
    SorrelWindows windows = CreateWindows();
    windows.form1->show();
    EXPECT_TRUE(windows.form1->isVisible());
    EXPECT_EQ(windows.form1->windowTitle(), QStringLiteral("Sorrel Дизассемблер "));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    SorrelApplication app(argc, argv, [] {
        user = std::make_unique<wintest::ScreenUser>();
        throw std::runtime_error("Сбой при запуске");
    });
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    user.reset();
    return status;
}
