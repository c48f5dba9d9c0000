// Unit byteorder: the byte-order window. It lists the current image byte by
// byte, each byte's offset, the index of the word that it begins and its
// eight bits, and reads the file afresh, off the GUI thread, each time it goes
// from hidden to shown; closing it cancels that read.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

class QCloseEvent;
class QFrame;
class QStatusBar;

namespace Ui {
class TForm2;
}

namespace sorrel {

class GridNavigator;
class ImageLoader;
class ListingExport;
class StringGrid;
class WindowCommands;
class WindowDocument;
class WindowWork;

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
    GridNavigator* navigator() const { return navigator_; }
    // The bytes shown, which every view of the window is handed.
    WindowDocument* document() const { return document_; }
    // The commands of the window: its keys, the grid's menu, F1.
    WindowCommands* commands() const { return commands_; }
    // The read of FormShow runs.
    bool loading() const;

  public slots:
    // Lists the current image; run each time the window goes from hidden to
    // shown. A file that cannot be opened leaves the grid as it was.
    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;
    // Closing (or hiding) the window cancels its read and lets go of its
    // image: it reads the file afresh when it is shown again.
    void hideEvent(QHideEvent* event) override;
    // While its listing is saved, closing asks first.
    void closeEvent(QCloseEvent* event) override;

  private:
    std::unique_ptr<Ui::TForm2> ui_;
    WindowDocument* document_ = nullptr;
    WindowCommands* commands_ = nullptr;
    WindowWork* work_ = nullptr;
    GridNavigator* navigator_ = nullptr;
    ImageLoader* loader_ = nullptr;
    ListingExport* export_ = nullptr;
    std::function<QString()> currentImage_;
    // The file of the last listing, kept while hidden: shown again on the
    // same file, the window keeps its place.
    QString shownFile_;
    // Where the window was when it was hidden.
    struct Place {
        std::uint64_t row = 0;
        int column = 0;
        std::uint64_t top = 0;
    };
    Place place_;
};

}  // namespace sorrel
