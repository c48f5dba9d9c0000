#include "grid_navigator.h"

#include <QByteArray>
#include <QKeySequence>
#include <QMouseEvent>
#include <QShortcut>
#include <QWidget>
#include <initializer_list>

#include "find_dialog.h"
#include "go_to.h"
#include "go_to_dialog.h"
#include "results_panel.h"
#include "stringgrid.h"
#include "window_document.h"
#include "window_grid.h"
#include "window_work.h"

namespace sorrel {

GridNavigator::GridNavigator(QWidget* window, WindowDocument* document, WindowWork* work)
    : QObject(window),
      window_(window),
      document_(document),
      work_(work),
      places_(document->grid()),
      goTo_(new GoToDialog(window)),
      results_(new ResultsPanel) {
    StringGrid* grid = document_->grid();
    results_->takeColumnsOf(*grid);
    results_->placeIn(window_, grid);
    finder_ = new GridFinder(window_, document_, work_, &places_, results_);

    goTo_->setGo([this](const QString& text) { return goTo(text); });
    connect(goTo_, &QDialog::finished, this, [grid] { GiveGridTheKeys(grid); });
    connect(findDialog(), &QDialog::finished, this, [grid] { GiveGridTheKeys(grid); });
    connect(results_, &ResultsPanel::rowActivated, this, [this, grid](std::uint64_t row) {
        goToRow(row);
        GiveGridTheKeys(grid);
    });
    connect(finder_, &GridFinder::foundRowsChanged, this, &GridNavigator::foundRowsChanged);
    connect(document_, &WindowDocument::changed, this, [this] {
        // Rows now mean something else.
        finder_->clear();
        places_.clear();
    });
    bindKeys();
}

GridNavigator::~GridNavigator() = default;

void GridNavigator::bindKeys() {
    using Command = void (GridNavigator::*)();
    const auto bind = [this](QWidget* in, std::initializer_list<QKeySequence> keys,
                             Command command) {
        auto* shortcut = new QShortcut(in);
        shortcut->setKeys(QList<QKeySequence>(keys));
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, command);
    };
    bind(window_, {QKeySequence(Qt::CTRL | Qt::Key_G)}, &GridNavigator::openGoTo);
    bind(window_, {QKeySequence(Qt::CTRL | Qt::Key_F)}, &GridNavigator::openFind);
    for (QWidget* in : std::initializer_list<QWidget*>{window_, findDialog()}) {
        bind(in, {QKeySequence(Qt::Key_F3)}, &GridNavigator::findNext);
        bind(in, {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, &GridNavigator::findPrevious);
    }
    bind(window_, {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Back)},
         &GridNavigator::back);
    bind(window_, {QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::Key_Forward)},
         &GridNavigator::forward);
    window_->installEventFilter(this);
}

void GridNavigator::openGoTo() {
    goTo_->start();
}

QString GridNavigator::goTo(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const GoToOutcome outcome =
        GoToRow(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                document_->mode(), document_->rowCount(), document_->grid()->currentRow());
    if (!outcome.row) {
        return QString::fromStdString(outcome.reason);
    }
    goToRow(*outcome.row);
    return {};
}

void GridNavigator::tell(const QString& message) {
    work_->tell(message);
}

bool GridNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::MouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::BackButton || button == Qt::ForwardButton) {
            button == Qt::BackButton ? back() : forward();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace sorrel
