// What the window tests share: the real windows as the program creates them,
// image files in a temporary folder, and a user who answers the modal windows
// (the file-open dialog and the message boxes) as they appear.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "sorrel_windows.h"
#include "stringgrid.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* out) {
    *out << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* out) {
    *out << "QSize(" << s.width() << ", " << s.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* out) {
    *out << "QPoint(" << p.x() << ", " << p.y() << ")";
}

namespace wintest {

using namespace sorrel;

// The main window's caption while it lists path.
inline QString CaptionFor(const QString& path) {
    return QStringLiteral("Sorrel Дизассемблер - [") + path + QStringLiteral("]");
}

// A file name as the system takes it.
inline std::string Std(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

// A message box as the user saw it before pressing OK.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString objectName;
    bool overFileDialog = false;  // shown over a file dialog, which stays open
};

// The user at the screen. Every few milliseconds it looks for a modal window:
// a file dialog (to open or to save) gets the next planned answer (a path typed
// into its file name box and Open or Save, or Cancel); a message box is noted,
// handed to onMessageBox and closed with OK, or Yes when it asks (the save
// dialog's question before it replaces a file). Unplanned dialogs are
// cancelled and counted.
class ScreenUser : public QObject {
  public:
    ScreenUser();

    void willChoose(const QString& path) { answers_.push_back(path); }
    void willCancel() { answers_.push_back(std::nullopt); }
    bool answeredAll() const { return answers_.empty(); }

    std::vector<SeenBox> boxes;
    int dialogsSeen = 0;
    int unplannedDialogs = 0;
    // Runs while a message box is open, before it is closed; it may answer
    // the box itself by clicking one of its buttons.
    std::function<void(QMessageBox*)> onMessageBox;
    // Runs when a file dialog appears, before it is answered.
    std::function<void(QFileDialog*)> onFileDialog;

    // Boxes seen with this title.
    int boxesTitled(const QString& title) const;

  private:
    void look();
    QTimer timer_;
    // A dialog whose answer is on its way.
    QPointer<QWidget> accepting_;
    std::deque<std::optional<QString>> answers_;
};

// The odd-length warning and the exception display, as seen.
inline const QString WarningTitle = QStringLiteral("Предкпреждение");
inline const QString ErrorTitle = QStringLiteral("Sorrel");

// Image bytes of little-endian 16-bit words.
QByteArray Words(std::initializer_list<std::uint16_t> words);
QByteArray Words(const std::vector<std::uint16_t>& words);
// count words 0, 1, 2 ... (each word its own index).
QByteArray CountingWords(std::size_t count);

// A grid's texts. Below the title row, grid row r shows word r (main window)
// or byte r (byte-order window); the window's row r + 1.
QString Cell(const StringGrid* grid, std::uint64_t row, int column);
// The rows the window shows, the title row included: 2 for a fresh grid (the
// titles and one empty row), 1 after an empty file.
std::uint64_t ShownRows(const StringGrid* grid);

// The real windows, created as the program creates them, Form1 shown; an
// image folder; a user.
class WindowsTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes to name in the image folder and returns its full path.
    QString writeImage(const QString& name, const QByteArray& bytes);
    QString imagePath(const QString& name) const;

    // The user chooses path in the dialog of the load button. Each of these
    // returns once the windows' reads have ended.
    void load(const QString& path);
    void reload();
    void toggleRaw();
    void showByteOrder();
    // The load through the dialog, returning as soon as the handler returned:
    // its read has started, and nothing of it has been delivered yet.
    void startLoad(const QString& path);
    // Waits until neither window reads an image (with a generous limit).
    void settle();

    TForm1* form1() const { return windows_->form1.get(); }
    TForm2* form2() const { return windows_->form2.get(); }
    StringGrid* listing() const { return form1()->StringGrid1; }
    StringGrid* bytes() const { return form2()->StringGrid1; }
    // The warning boxes seen so far.
    int warnings() const { return user_.boxesTitled(WarningTitle); }
    int errors() const { return user_.boxesTitled(ErrorTitle); }

    std::unique_ptr<SorrelWindows> windows_;
    QTemporaryDir dir_;
    ScreenUser user_;
};

// Clicks a button with the mouse, as the user does.
void Click(QWidget* button);

}  // namespace wintest
