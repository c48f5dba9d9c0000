#include "listing_navigation.h"

#include <QKeySequence>
#include <QShortcut>
#include <QString>

#include "jump_flow.h"
#include "listing_source.h"
#include "scan.h"
#include "short_text_qt.h"
#include "stringgrid.h"
#include "word_sets.h"

namespace sorrel {

namespace {

using ListingScanner = SnapshotScanner<ListingRows, ListingMatch, &MatchListing>;

std::shared_ptr<const ListingSource> ListingOf(const StringGrid* grid) {
    return std::dynamic_pointer_cast<const ListingSource>(grid->sharedSource());
}

// "03FEh": a listing address as column 0 writes it.
QString AddressText(std::uint64_t address) {
    ShortText text;
    AppendHex(text, address);
    text.append('h');
    return ToQString(text);
}

bool IsHeaderRow(const ListingRows& rows, std::uint64_t row) {
    return !rows.raw && row < HeaderWords;
}

}  // namespace

GoToOutcome ListingContent::goTo(const CellSource* source, std::string_view text,
                                 std::uint64_t current) const {
    const auto* listing = dynamic_cast<const ListingSource*>(source);
    return GoToListingRow(text, listing != nullptr ? listing->rowCount() : 0,
                          listing != nullptr && listing->raw(), current);
}

bool ListingContent::searches(const CellSource& source, std::uint64_t row, int column) const {
    const auto* listing = dynamic_cast<const ListingSource*>(&source);
    // The header has no disassembly: its bits only.
    return listing != nullptr &&
           (column == 1 || (column == 2 && !IsHeaderRow(listing->rows(), row)));
}

std::shared_ptr<const RowScanner> ListingContent::scanner(
    const std::shared_ptr<const CellSource>& source, const Query& query) const {
    const auto listing = std::dynamic_pointer_cast<const ListingSource>(source);
    if (!listing) {
        return nullptr;
    }
    return std::make_shared<const ListingScanner>(listing->snapshot(), listing->rows(), query);
}

ListingJumps::ListingJumps(StringGrid* grid, GridNavigator* navigator)
    : QObject(navigator), grid_(grid), navigator_(navigator) {
    connect(grid_, &StringGrid::cellActivated, this,
            [this](std::uint64_t row, int) { follow(row); });
    auto* references = new QShortcut(QKeySequence(Qt::Key_X), grid_);
    references->setContext(Qt::WidgetShortcut);
    connect(references, &QShortcut::activated, this, [this] { listJumpsTo(grid_->currentRow()); });
}

void ListingJumps::follow(std::uint64_t row) {
    const std::shared_ptr<const ListingSource> listing = ListingOf(grid_);
    if (!listing || row >= listing->rowCount()) {
        return;
    }
    const ListingRows& rows = listing->rows();
    if (IsHeaderRow(rows, row)) {
        navigator_->tell(QStringLiteral("Строка заголовка не декодируется: перехода нет."));
        return;
    }
    const std::optional<std::uint64_t> target = JumpTargetRow(rows, row);
    if (!target) {
        navigator_->tell(QStringLiteral("%1 — не переход (переходы: jsr, jmp, js, jns, jz, jnz, "
                                        "jc, jnc).")
                             .arg(listing->cellText(row, 0)));
        return;
    }
    if (*target >= rows.rowCount()) {
        navigator_->tell(
            QStringLiteral("Переход на %1 ведёт за конец образа; последний адрес — %2.")
                .arg(AddressText(*target - rows.base()),
                     listing->cellText(rows.rowCount() - 1, 0)));
        return;
    }
    navigator_->goToRow(*target);
}

void ListingJumps::listJumpsTo(std::uint64_t row) {
    const std::shared_ptr<const ListingSource> listing = ListingOf(grid_);
    if (!listing || row >= listing->rowCount()) {
        return;
    }
    const ListingRows& rows = listing->rows();
    if (IsHeaderRow(rows, row)) {
        navigator_->tell(QStringLiteral("Строка заголовка не бывает целью перехода."));
        return;
    }
    const std::uint64_t address = row - rows.base();
    navigator_->listRows(
        QStringLiteral("Ссылки на %1").arg(AddressText(address)), QStringLiteral("Ссылки"),
        [image = listing->snapshot(), rows, address](std::stop_token stop,
                                                     const ProgressFn& progress) {
            return CrossReferences(rows, address, FindAllLimit, std::move(stop), progress);
        },
        false);
}

GridNavigator* NavigateListing(QWidget* window, StringGrid* grid, WindowWork* work) {
    auto* navigator =
        new GridNavigator(window, grid, work, std::make_unique<const ListingContent>());
    new ListingJumps(grid, navigator);
    return navigator;
}

}  // namespace sorrel
