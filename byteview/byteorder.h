// Unit byteorder: the byte-order window. It lists the current image byte by
// byte, each byte's offset, the index of the word that it begins and its
// eight bits, and reads the file afresh, off the GUI thread, each time it goes
// from hidden to shown; closing it cancels that read.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QFrame;
class QStatusBar;
class StringGrid;

namespace Ui {
class TForm2;
}

namespace sorrel {
class GridNavigator;
class ImageLoader;
class ListingExport;
struct ListedImage;
class WindowWork;
}  // namespace sorrel

class TForm2 : public QWidget {
    Q_OBJECT
  public:
    // currentImage gives the file name of the main window's file-open dialog.
    explicit TForm2(std::function<QString()> currentImage, QWidget* parent = nullptr);
    ~TForm2() override;

    // The controls, by their names in the layout (the window is "Form2").
    QFrame* Panel2 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    // Below the listing: how far long work has come, and what find says.
    QStatusBar* StatusBar1 = nullptr;

    // Go-to, find, the history and the results panel of the listing.
    sorrel::GridNavigator* navigator() const { return navigator_; }
    // The read of FormShow runs.
    bool loading() const;

  public slots:
    // Lists the current image; run each time the window goes from hidden to
    // shown. A file that cannot be opened leaves the grid as it was.
    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;
    // Closing (or hiding) the window cancels its read.
    void hideEvent(QHideEvent* event) override;

  private:
    // What Ctrl+S writes: the bytes shown and the files they came from.
    sorrel::ListedImage listedImage() const;

    std::unique_ptr<Ui::TForm2> ui_;
    sorrel::WindowWork* work_ = nullptr;
    sorrel::GridNavigator* navigator_ = nullptr;
    sorrel::ImageLoader* loader_ = nullptr;
    sorrel::ListingExport* export_ = nullptr;
    std::function<QString()> currentImage_;
    // The file whose bytes the grid shows; empty until the first listing.
    QString shownFile_;
};
