#include "listing_navigation.h"

#include <QKeySequence>
#include <QObject>
#include <QShortcut>
#include <QString>

#include "grid_navigator.h"
#include "jump_flow.h"
#include "scan.h"
#include "short_text_qt.h"
#include "stringgrid.h"
#include "window_commands.h"
#include "window_document.h"

namespace sorrel {

namespace {

// Follow (Enter, a double click) and the jumps to a row (X) in the main
// window's grid, through its navigator.
class ListingJumps : public QObject {
  public:
    ListingJumps(WindowDocument* document, GridNavigator* navigator, WindowCommands* commands)
        : QObject(navigator), document_(document), navigator_(navigator) {
        StringGrid* grid = document_->grid();
        connect(grid, &StringGrid::cellActivated, this,
                [this](std::uint64_t row, int) { follow(row); });

        Command follows;
        follows.section = CommandSection::Going;
        follows.text = QStringLiteral("Перейти по переходу");
        follows.keys = {QKeySequence(Qt::Key_Enter)};
        follows.keysBoundElsewhere = true;
        follows.gesture = QStringLiteral("Двойной щелчок по строке перехода");
        follows.run = [this, grid] { follow(grid->currentRow()); };
        follows.enabled = [this, grid] { return isJump(grid->currentRow()); };
        commands->add(std::move(follows));
        Command references;
        references.section = CommandSection::Going;
        references.text = QStringLiteral("Переходы на эту строку");
        references.keys = {QKeySequence(Qt::Key_X)};
        references.keysInGrid = true;
        references.run = [this, grid] { listJumpsTo(grid->currentRow()); };
        references.enabled = [this, grid] {
            const std::shared_ptr<const ListingDocument>& listing = document_->current();
            return listing && grid->currentRow() < listing->rowCount() &&
                   !listing->isHeaderRow(grid->currentRow());
        };
        commands->add(std::move(references));
    }

  private:
    // row is a program row of the listing whose word is a jump.
    bool isJump(std::uint64_t row) const {
        const std::shared_ptr<const ListingDocument>& listing = document_->current();
        return listing && row < listing->rowCount() && !listing->isHeaderRow(row) &&
               JumpTargetRow(listing->wordRows(), row).has_value();
    }

    // The listing when row is one of its program rows; for a header row the
    // status bar is told headerReason.
    std::shared_ptr<const ListingDocument> programRow(std::uint64_t row,
                                                      const QString& headerReason) const {
        std::shared_ptr<const ListingDocument> listing = document_->current();
        if (!listing || row >= listing->rowCount()) {
            return nullptr;
        }
        if (listing->isHeaderRow(row)) {
            navigator_->tell(headerReason);
            return nullptr;
        }
        return listing;
    }

    void follow(std::uint64_t row) {
        const auto listing =
            programRow(row, QStringLiteral("Строка заголовка не декодируется: перехода нет."));
        if (!listing) {
            return;
        }
        const ListingRows& rows = listing->wordRows();
        const std::optional<std::uint64_t> target = JumpTargetRow(rows, row);
        if (!target) {
            navigator_->tell(QStringLiteral("%1 — не переход (переходы: jsr, jmp, js, jns, jz, "
                                            "jnz, jc, jnc).")
                                 .arg(ToQString(listing->cell(row, 0))));
        } else if (*target >= rows.rowCount()) {
            navigator_->tell(
                QStringLiteral("Переход на %1 ведёт за конец образа; последний адрес — %2.")
                    .arg(ToQString(AddressText(*target - rows.base())),
                         ToQString(listing->cell(rows.rowCount() - 1, 0))));
        } else {
            navigator_->goToRow(*target);
        }
    }

    void listJumpsTo(std::uint64_t row) {
        const auto listing =
            programRow(row, QStringLiteral("Строка заголовка не бывает целью перехода."));
        if (!listing) {
            return;
        }
        const std::uint64_t address = row - listing->wordRows().base();
        QString title = QStringLiteral("Ссылки на %1").arg(ToQString(AddressText(address)));
        if (listing->notes()) {
            if (const std::string_view label = listing->notes()->label(row); !label.empty()) {
                title += QStringLiteral(" (%1)").arg(
                    QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
            }
        }
        navigator_->listRows(
            title, QStringLiteral("Ссылки"),
            [listing, address](std::stop_token stop, const ProgressFn& progress) {
                return CrossReferences(listing->wordRows(), address, FindAllLimit, std::move(stop),
                                       progress);
            },
            false);
    }

    WindowDocument* document_;
    GridNavigator* navigator_;
};

}  // namespace

GridNavigator* NavigateListing(QWidget* window, WindowDocument* document, WindowWork* work,
                               WindowCommands* commands) {
    auto* navigator = new GridNavigator(window, document, work, commands);
    new ListingJumps(document, navigator, commands);
    return navigator;
}

}  // namespace sorrel
