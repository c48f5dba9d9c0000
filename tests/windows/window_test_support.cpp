#include "window_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "recent_files.h"

namespace wintest {

ScreenUser::ScreenUser() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { look(); });
    timer_.start();
}

int ScreenUser::boxesTitled(const QString& title) const {
    int count = 0;
    for (const SeenBox& box : boxes) {
        count += box.title == title ? 1 : 0;
    }
    return count;
}

void ScreenUser::look() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == accepting_) {
        return;
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        ++dialogsSeen;
        if (onFileDialog) {
            onFileDialog(dialog);
        }
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (answers_.empty() || buttons == nullptr) {
            ++unplannedDialogs;
            dialog->reject();
            return;
        }
        const std::optional<QString> answer = answers_.front();
        answers_.pop_front();
        if (!answer) {
            Click(buttons->button(QDialogButtonBox::Cancel));
            return;
        }
        // The full name typed into the file name box in place of any file
        // selected in the list, then Open (or Save).
        dialog->selectFile(*answer);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(*answer);
        QPushButton* open = buttons->button(QDialogButtonBox::Open);
        if (open != nullptr && open->isEnabled()) {
            Click(open);
        } else {
            // Saving: accepted once this look is over, since the dialog may
            // ask before it replaces a file, and that question is answered by
            // the next look.
            accepting_ = dialog;
            QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
        }
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        // A box over a dialog being accepted (its question, or its refusal
        // of the name): the dialog is looked at again if it stays open.
        accepting_ = nullptr;
        boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->objectName(),
                         qobject_cast<QFileDialog*>(box->parentWidget()) != nullptr});
        if (onMessageBox) {
            onMessageBox(box);
            if (!box->isVisible()) {
                return;  // answered there
            }
        }
        QAbstractButton* answer = box->button(QMessageBox::Ok);
        Click(answer != nullptr ? answer : box->button(QMessageBox::Yes));
    }
}

QByteArray Words(std::initializer_list<std::uint16_t> words) {
    return Words(std::vector<std::uint16_t>(words));
}

QByteArray Words(const std::vector<std::uint16_t>& words) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(words.size() * 2));
    for (std::uint16_t w : words) {
        bytes.append(static_cast<char>(w & 0xFF));
        bytes.append(static_cast<char>(w >> 8));
    }
    return bytes;
}

QByteArray CountingWords(std::size_t count) {
    std::vector<std::uint16_t> words(count);
    for (std::size_t i = 0; i < count; ++i) {
        words[i] = static_cast<std::uint16_t>(i);
    }
    return Words(words);
}

QString Cell(const StringGrid* grid, std::uint64_t row, int column) {
    return grid->cellText(row, column);
}

std::uint64_t ShownRows(const StringGrid* grid) {
    return grid->rowCount() + 1;
}

void Click(QWidget* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

void WindowsTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    // Each test starts with no recent files.
    for (const QString& path : RecentFiles().files()) {
        RecentFiles().remove(path);
    }
    windows_ = std::make_unique<SorrelWindows>(CreateWindows());
    form1()->show();
}

void WindowsTest::TearDown() {
    EXPECT_EQ(user_.unplannedDialogs, 0);
    EXPECT_TRUE(user_.answeredAll());
    // Before the image folder goes: the windows write what they keep there.
    windows_.reset();
}

QString WindowsTest::imagePath(const QString& name) const {
    return dir_.filePath(name);
}

QString WindowsTest::writeImage(const QString& name, const QByteArray& bytes) {
    QFile file(imagePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return file.fileName();
}

void WindowsTest::startLoad(const QString& path) {
    user_.willChoose(path);
    Click(form1()->SpeedButton1);
}

void WindowsTest::settle() {
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return !form1()->loading() && !form2()->loading(); }, 60000))
        << "the windows still read after a minute";
}

void WindowsTest::load(const QString& path) {
    startLoad(path);
    settle();
}

void WindowsTest::reload() {
    Click(form1()->SpeedButton2);
    settle();
}

void WindowsTest::toggleRaw() {
    Click(form1()->CheckBox1);
    settle();
}

void WindowsTest::showByteOrder() {
    Click(form1()->SpeedButton3);
    settle();
}

}  // namespace wintest
