// What the main window tells the window system: the grid has the keys at
// start and after every dialog and message box, the buttons never take them,
// their hints show whichever window is active, and the caption shows the path
// exactly as chosen, "[*]" included.
#include <QApplication>
#include <QFile>
#include <QTest>
#include <QToolTip>
#include <QWindow>
#include <functional>

#include "window_test_support.h"

namespace wintest {
namespace {

class FocusAndCaptionTest : public WindowsTest {
  protected:
    // True once the main window is the active one with the keys in its grid.
    bool gridHasTheKeys() {
        return QTest::qWaitFor([this] {
            return QApplication::activeWindow() == form1() &&
                   QApplication::focusWidget() == listing();
        });
    }
    // A sparse file of 4 GiB: refused with a message by every read.
    QString tooLarge() {
        QFile file(imagePath(QStringLiteral("huge.bin")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.resize(qint64{1} << 32));
        return file.fileName();
    }
};

struct FocusCase {
    const char* name;
    std::function<void()> act;
};

TEST_F(FocusAndCaptionTest, GridHasTheKeysAtStartAndAfterEveryDialogAndMessageBox) {
    EXPECT_TRUE(gridHasTheKeys()) << "at start";
    const QString even = writeImage(QStringLiteral("even.bin"), Words({1, 2}));
    const QString odd = writeImage(QStringLiteral("odd.bin"), QByteArray(3, '\x01'));
    const QString huge = tooLarge();
    const QString grows = writeImage(QStringLiteral("grows.bin"), Words({1, 2}));
    const FocusCase cases[] = {
        {"dialog cancelled",
         [this] {
             user_.willCancel();
             Click(form1()->SpeedButton1);
         }},
        {"dialog accepted", [&] { load(even); }},
        {"odd-length warning", [&] { load(odd); }},
        {"exception display after the dialog", [&] { load(huge); }},
        // The refused image above did not become the current one: this one
        // grows too large after it was listed.
        {"exception display after a reload",
         [&] {
             load(grows);
             ASSERT_TRUE(QFile::resize(grows, qint64{1} << 32));
             reload();
         }},
        {"odd file opened as if chosen", [&] { form1()->openFile(odd); }},
    };
    for (const FocusCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The keys are elsewhere first.
        form1()->CheckBox1->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form1()->CheckBox1->hasFocus(); }));
        c.act();
        EXPECT_TRUE(gridHasTheKeys());
    }
    EXPECT_EQ(user_.dialogsSeen, 5);
    EXPECT_EQ(warnings(), 2);
    EXPECT_EQ(errors(), 2);
}

TEST_F(FocusAndCaptionTest, ButtonsNeverTakeTheKeys) {
    QToolButton* const buttons[] = {form1()->SpeedButton1, form1()->SpeedButton2,
                                    form1()->SpeedButton3};
    ASSERT_TRUE(gridHasTheKeys());
    // Tab goes round the window without stopping on a button.
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (QToolButton* button : buttons) {
            EXPECT_FALSE(button->hasFocus()) << button->objectName().toStdString();
        }
    }
    // A click runs the button and leaves the keys where they were.
    listing()->setFocus();
    Click(form1()->SpeedButton2);
    EXPECT_TRUE(listing()->hasFocus());
}

TEST_F(FocusAndCaptionTest, HintsShowWhileAnotherWindowIsTheActiveOne) {
    showByteOrder();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form2(); }));
    QToolButton* const button = form1()->SpeedButton1;
    QTest::mouseMove(button, button->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Загрузить образ"));
}

TEST_F(FocusAndCaptionTest, CaptionShowsThePathExactlyAsChosen) {
    // "[*]" is the toolkit's mark for unsaved changes; here it is part of a
    // name, alone, doubled, or made with the caption's own brackets.
    const char* const names[] = {"a[*]b.bin", "[*]", "[*][*].bin", "x[*", "*]y", "plain.bin"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const QString path = writeImage(QString::fromUtf8(name), Words({0x8000}));
        load(path);
        ASSERT_NE(form1()->windowHandle(), nullptr);
        EXPECT_EQ(form1()->windowHandle()->title(), CaptionFor(path));
    }
}

TEST_F(FocusAndCaptionTest, ARefusedLoadLeavesTheCaptionOfTheListingShown) {
    // None shown yet: the fresh caption stays.
    const QString huge = tooLarge();
    load(huge);
    EXPECT_EQ(form1()->windowHandle()->title(), QStringLiteral("Sorrel Дизассемблер "));
    const QString shown = writeImage(QStringLiteral("a[*]b.bin"), Words({1}));
    load(shown);
    load(huge);
    EXPECT_EQ(form1()->windowHandle()->title(), CaptionFor(shown));
    EXPECT_EQ(errors(), 2);
}

}  // namespace
}  // namespace wintest
