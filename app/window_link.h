// The two windows in step: while the byte-order window is shown on the file
// that the main window lists, the current word of the main window (row k) is
// the current byte pair of the byte-order window (rows 2k and 2k + 1), and
// the other way round. Moving in one moves the other's current row, bringing
// it into view, without taking the keys from the window moved in. The
// byte-order window's listing changes only when it is shown, as always: when
// the two list different files they do not follow each other, and the
// byte-order window's status bar names its file. "Окна заодно" in either
// window's menu turns this off and on.
#pragma once

#include <QObject>
#include <cstdint>

class QLabel;

namespace sorrel {

class StringGrid;
class TForm1;
class TForm2;

class WindowLink : public QObject {
    Q_OBJECT
  public:
    WindowLink(TForm1* main, TForm2* bytes);

    bool following() const { return following_; }
    void setFollowing(bool following);
    // Both windows list the same file (the byte-order window shown).
    bool sameFile() const;

  private:
    void mainMoved(std::uint64_t row);
    void bytesMoved(std::uint64_t row);
    // Makes row current in grid, in view, keeping its column.
    void follow(StringGrid* grid, std::uint64_t row);
    // The byte-order window's status bar names its file when it differs.
    void showFiles();

    TForm1* main_;
    TForm2* bytes_;
    QLabel* file_;
    bool following_ = true;
    bool moving_ = false;  // a move of the other window's, not the user's
};

}  // namespace sorrel
