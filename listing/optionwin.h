// Unit optionwin: the options window. It holds an instruction length of 16
// bits that nothing reads; it is created at start-up and never shown.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TOptionWin;
}

namespace sorrel {

class TOptionWin : public QWidget {
    Q_OBJECT
  public:
    explicit TOptionWin(QWidget* parent = nullptr);
    ~TOptionWin() override;

  private:
    std::unique_ptr<Ui::TOptionWin> ui_;
};

}  // namespace sorrel
