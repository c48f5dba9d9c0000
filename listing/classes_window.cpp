#include "classes_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "class_counts.h"
#include "grid_navigator.h"
#include "number_text.h"
#include "row_scanner.h"
#include "short_text_qt.h"
#include "sorrel_support.h"
#include "window_document.h"
#include "window_font.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

namespace {

enum Column { Number, Pattern, Mnemonic, Operands, Example, Words, Columns };

const WorkLine CountLine{QStringLiteral("classes"), QStringLiteral("Подсчёт классов"), {}, true};

// A cell that sorts by a number, not by its text.
class NumberItem final : public QTableWidgetItem {
  public:
    NumberItem(const QString& text, std::uint64_t value) : QTableWidgetItem(text), value_(value) {}
    bool operator<(const QTableWidgetItem& other) const override {
        const auto* number = dynamic_cast<const NumberItem*>(&other);
        return number != nullptr ? value_ < number->value_ : QTableWidgetItem::operator<(other);
    }
    void setValue(const QString& text, std::uint64_t value) {
        setText(text);
        value_ = value;
    }

  private:
    std::uint64_t value_;
};

}  // namespace

ClassesWindow::ClassesWindow(QWidget* window, WindowDocument* document, WindowWork* work,
                             GridNavigator* navigator)
    : QDialog(window),
      document_(document),
      work_(work),
      navigator_(navigator),
      table_(new QTableWidget(InstructionClassCount, Columns, this)) {
    setObjectName(QStringLiteral("classesWindow"));
    setWindowTitle(QStringLiteral("Классы инструкций"));
    setModal(false);
    table_->setObjectName(QStringLiteral("classesTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Шаблон"),
                                       QStringLiteral("Мнемоника"), QStringLiteral("Операнды"),
                                       QStringLiteral("Пример"), QStringLiteral("Слов в образе")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setFont(GridFont());
    for (int cls = 0; cls < InstructionClassCount; ++cls) {
        const InstructionEntry& entry = InstructionTable[static_cast<std::size_t>(cls)];
        const ClassExample example = ExampleOfClass(cls);
        table_->setItem(cls, Number,
                        new NumberItem(QString::number(cls), static_cast<std::uint64_t>(cls)));
        table_->setItem(cls, Pattern,
                        new QTableWidgetItem(QString::fromLatin1(
                            entry.pattern.data(), static_cast<qsizetype>(entry.pattern.size()))));
        table_->setItem(
            cls, Mnemonic,
            new QTableWidgetItem(QString::fromLatin1(entry.mnemonic.data(), 4).trimmed()));
        table_->setItem(cls, Operands,
                        new QTableWidgetItem(QString::fromStdString(example.format)));
        ShortText word;
        AppendHex(word, example.word);
        table_->setItem(
            cls, Example,
            new QTableWidgetItem(
                ToQString(word) + QStringLiteral(": ") +
                QString::fromLatin1(WordText(example.word).data(),
                                    static_cast<qsizetype>(WordText(example.word).size()))));
        table_->setItem(cls, Words, new NumberItem(QString(), 0));
    }
    table_->setSortingEnabled(true);
    table_->sortByColumn(Number, Qt::AscendingOrder);
    table_->resizeColumnsToContents();
    table_->resizeRowsToContents();
    connect(table_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { findClassOfRow(row); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    resize(table_->horizontalHeader()->length() + 40, 480);
    connect(document_, &WindowDocument::changed, this, [this] {
        if (isVisible()) {
            count();
        }
    });
}

void ClassesWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    count();
}

void ClassesWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        table_->currentRow() >= 0) {
        findClassOfRow(table_->currentRow());
        return;
    }
    QDialog::keyPressEvent(event);
}

void ClassesWindow::findClassOfRow(int row) {
    const std::shared_ptr<const ListingDocument>& listing = document_->current();
    const QTableWidgetItem* number = table_->item(row, Number);
    if (!listing || number == nullptr || listing->listsBytes()) {
        return;
    }
    const InstructionClass cls = number->text().toInt();
    navigator_->findNextOf(MakeClassScanner(listing, cls),
                           QStringLiteral("Поиск %1").arg(table_->item(row, Mnemonic)->text()));
}

void ClassesWindow::count() {
    const std::shared_ptr<const ListingDocument> listing = document_->current();
    table_->setSortingEnabled(false);
    for (int row = 0; row < InstructionClassCount; ++row) {
        static_cast<NumberItem*>(table_->item(row, Words))->setValue(QString(), 0);
    }
    table_->setSortingEnabled(true);
    if (!listing) {
        return;
    }
    work_->run<ClassCounts>(
        counting_, CountLine,
        [listing](std::stop_token stop, const ProgressFn& progress) {
            return CountClasses(listing->wordRows(), std::move(stop), progress);
        },
        [this](ClassCounts&& counts) {
            table_->setSortingEnabled(false);
            for (int row = 0; row < InstructionClassCount; ++row) {
                const int cls = table_->item(row, Number)->text().toInt();
                const std::uint64_t words = counts.classes[static_cast<std::size_t>(cls)];
                static_cast<NumberItem*>(table_->item(row, Words))
                    ->setValue(GroupDigits(words), words);
            }
            table_->setSortingEnabled(true);
        });
}

}  // namespace sorrel
