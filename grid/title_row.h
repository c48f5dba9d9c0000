// The grid's fixed title row: a horizontal QHeaderView over a model that
// holds only the column titles. Its sections are the grid's columns, each as
// wide as its cells and the grid line after them; the user resizes them.
#pragma once

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStringList>

// The column titles, the title row's only data: no rows.
namespace sorrel {

class TitleModel : public QAbstractTableModel {
  public:
    explicit TitleModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& = QModelIndex()) const override { return 0; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex&, int) const override { return {}; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setCount(int count);
    // Titles past the columns are dropped; columns past the titles get none.
    void setTitles(const QStringList& titles);
    QString title(int column) const;

  private:
    QStringList titles_;
};

// Button-face cells with a raised edge and the grid's lines, the area past
// the last column left in the cells' colour. Sections are resizable, neither
// movable nor clickable, and the row takes no focus.
class TitleRow : public QHeaderView {
  public:
    TitleRow(QWidget* parent, int columns, int columnWidth);

    TitleModel* titles() const { return titles_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    TitleModel* titles_;
};

}  // namespace sorrel
