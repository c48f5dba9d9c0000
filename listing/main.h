// Unit main: the main window. A tool strip with the load, reload and
// byte-order buttons and the raw-image check box, the listing grid and a
// status bar. Every load or reload reads the image file whole into a snapshot
// on a worker thread, then hands it to the grid in one step; the grid makes the
// texts of the rows in view. A file that cannot be opened is passed over
// silently; a read that fails is told through the application's exception
// display, and a read that fails or is cancelled (Esc, or a new load) leaves
// the listing, the caption and the check box as they were.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "recent_files.h"

class QCheckBox;
class QCloseEvent;
class QFileDialog;
class QMenu;
class QFrame;
class QStatusBar;
class QToolButton;

namespace Ui {
class TForm1;
}

namespace sorrel {

class ClassesWindow;
class FlowViews;
class GridNavigator;
class ImageFile;
class ImageLoader;
class ListingExport;
class StringGrid;
class WindowCommands;
class WindowDocument;
class WindowNotes;
class WindowWork;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The controls, by their names in the layout (the window is "Form1").
    QFrame* Panel1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QFrame* Panel2 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    // The file-open dialog, kept for the program's life.
    QFileDialog* OpenDialog1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;

    // The window that SpeedButton3 shows (Form2).
    void setByteOrderWindow(QWidget* window) { byteOrderWindow_ = window; }
    // The file name of OpenDialog1: the full path of the last confirmed file,
    // empty until the first. It names the current image.
    QString openDialogFileName() const { return fileName_; }
    // Loads path as if it had been chosen in OpenDialog1 (a file dropped on
    // the window or named on the command line): it becomes the dialog's file
    // name, then the caption, the warning and the listing.
    void openFile(const QString& path);
    // Go-to, find, follow, the history and the results panel of the listing.
    GridNavigator* navigator() const { return navigator_; }
    // The listing shown, which every view of the window is handed.
    WindowDocument* document() const { return document_; }
    // The notes of the image listed.
    WindowNotes* notes() const { return notes_; }
    // The commands of the window: its keys, the grid's menu, F1.
    WindowCommands* commands() const { return commands_; }
    // "Классы инструкций".
    ClassesWindow* classes() const { return classes_; }
    // A load or reload is reading its file.
    bool loading() const;

  public slots:
    // Load: the dialog, then the file's name in the caption, a warning when
    // its length is odd, and the listing.
    void SpeedButton1Click();
    // Reload the current image (also run by every change of CheckBox1).
    void SpeedButton2Click();
    // Show the byte-order window and bring it to the front.
    void SpeedButton3Click();

  protected:
    // A file dropped on the window is loaded as if chosen in the dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // While a listing is saved, closing asks first.
    void closeEvent(QCloseEvent* event) override;

  private:
    // The load after the file was chosen in the dialog or dropped on the
    // window: the dialog's file name becomes path, then the caption, the
    // warning and the listing. A refused read puts back the caption of the
    // listing shown.
    void loadChosenFile(const QString& path);
    // Reads the open file into a new snapshot on a worker and lists it in the
    // mode CheckBox1 has now; the caption then names it. On a failure or a
    // cancel the grid keeps what it showed.
    // before: the current file to go back to when the read is refused.
    void listImage(ImageFile file, const QString& path, const QString& before);
    // The commands of the tool strip and the recent files.
    void addFileCommands();
    void fillRecentFiles(QMenu* menu);
    // A recent file chosen: loaded, or dropped from the list when it is gone.
    void openRecentFile(const QString& path);
    // The caption and the check box of the listing shown: after a load that
    // did not list, or none that started.
    void showListingShown();
    // The caption for the listing of path; the fresh caption when path is
    // empty. Shown exactly as given, "[*]" included.
    void showCaption(const QString& path);
    // After a dialog or message box: the window is the active one and the
    // grid has the keys.
    void giveGridTheKeys();

    std::unique_ptr<Ui::TForm1> ui_;
    RecentFiles recent_;
    // The listing shown: its file and mode are those of the caption and the
    // check box once a read is over.
    WindowDocument* document_ = nullptr;
    // The commands of the window: its keys, the grid's menu, F1.
    WindowCommands* commands_ = nullptr;
    // The status bar's progress lines and Esc for the window's long work.
    WindowWork* work_ = nullptr;
    // The jump gutter and the overview strip beside the listing.
    FlowViews* flowViews_ = nullptr;
    GridNavigator* navigator_ = nullptr;
    // Reads the image off the GUI thread.
    ImageLoader* loader_ = nullptr;
    // Ctrl+S: writes the listing to a text file.
    ListingExport* export_ = nullptr;
    WindowNotes* notes_ = nullptr;
    ClassesWindow* classes_ = nullptr;
    QString fileName_;
    QWidget* byteOrderWindow_ = nullptr;
};

}  // namespace sorrel
