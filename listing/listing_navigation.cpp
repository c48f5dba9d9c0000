#include "listing_navigation.h"

#include <QKeySequence>
#include <QObject>
#include <QShortcut>
#include <QString>

#include "grid_navigator.h"
#include "jump_flow.h"
#include "listing_source.h"
#include "scan.h"
#include "short_text_qt.h"
#include "stringgrid.h"
#include "word_sets.h"

namespace sorrel {

namespace {

bool IsHeaderRow(const ListingRows& rows, std::uint64_t row) {
    return !rows.raw && row < HeaderWords;
}

// "03FEh": a listing address as column 0 writes it.
QString AddressText(std::uint64_t address) {
    ShortText text;
    AppendHex(text, address);
    text.append('h');
    return ToQString(text);
}

class ListingContent final : public NavigableContent {
  public:
    GoToOutcome goTo(const CellSource* source, std::string_view text,
                     std::uint64_t current) const override {
        const auto* listing = dynamic_cast<const ListingSource*>(source);
        return GoToListingRow(text, listing != nullptr ? listing->rowCount() : 0,
                              listing != nullptr && listing->raw(), current);
    }
    bool searches(const CellSource& source, std::uint64_t row, int column) const override {
        const auto* listing = dynamic_cast<const ListingSource*>(&source);
        // The header has no disassembly: its bits only.
        return listing != nullptr &&
               (column == 1 || (column == 2 && !IsHeaderRow(listing->rows(), row)));
    }
    std::shared_ptr<const RowScanner> scanner(const std::shared_ptr<const CellSource>& source,
                                              const Query& query) const override {
        return ScannerOf<ListingSource, SnapshotScanner<ListingRows, ListingMatch, &MatchListing>>(
            source, query);
    }
};

// Follow (Enter, a double click) and the jumps to a row (X) in the main
// window's grid, through its navigator.
class ListingJumps : public QObject {
  public:
    ListingJumps(StringGrid* grid, GridNavigator* navigator)
        : QObject(navigator), grid_(grid), navigator_(navigator) {
        connect(grid_, &StringGrid::cellActivated, this,
                [this](std::uint64_t row, int) { follow(row); });
        auto* references = new QShortcut(QKeySequence(Qt::Key_X), grid_);
        references->setContext(Qt::WidgetShortcut);
        connect(references, &QShortcut::activated, this,
                [this] { listJumpsTo(grid_->currentRow()); });
    }

  private:
    // The grid's listing when row is one of its program rows; for a header
    // row the status bar is told headerReason.
    std::shared_ptr<const ListingSource> programRow(std::uint64_t row,
                                                    const QString& headerReason) const {
        auto listing = std::dynamic_pointer_cast<const ListingSource>(grid_->sharedSource());
        if (!listing || row >= listing->rowCount()) {
            return nullptr;
        }
        if (IsHeaderRow(listing->rows(), row)) {
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
        const ListingRows& rows = listing->rows();
        const std::optional<std::uint64_t> target = JumpTargetRow(rows, row);
        if (!target) {
            navigator_->tell(QStringLiteral("%1 — не переход (переходы: jsr, jmp, js, jns, jz, "
                                            "jnz, jc, jnc).")
                                 .arg(listing->cellText(row, 0)));
        } else if (*target >= rows.rowCount()) {
            navigator_->tell(
                QStringLiteral("Переход на %1 ведёт за конец образа; последний адрес — %2.")
                    .arg(AddressText(*target - rows.base()),
                         listing->cellText(rows.rowCount() - 1, 0)));
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
        const std::uint64_t address = row - listing->rows().base();
        navigator_->listRows(
            QStringLiteral("Ссылки на %1").arg(AddressText(address)), QStringLiteral("Ссылки"),
            [image = listing->snapshot(), rows = listing->rows(), address](
                std::stop_token stop, const ProgressFn& progress) {
                return CrossReferences(rows, address, FindAllLimit, std::move(stop), progress);
            },
            false);
    }

    StringGrid* grid_;
    GridNavigator* navigator_;
};

}  // namespace

GridNavigator* NavigateListing(QWidget* window, StringGrid* grid, WindowWork* work) {
    auto* navigator =
        new GridNavigator(window, grid, work, std::make_unique<const ListingContent>());
    new ListingJumps(grid, navigator);
    return navigator;
}

}  // namespace sorrel
