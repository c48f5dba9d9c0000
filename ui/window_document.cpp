#include "window_document.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStringList>
#include <algorithm>
#include <map>
#include <utility>

#include "short_text_qt.h"
#include "word_fields.h"

namespace sorrel {

namespace {

// The width of a column of characters characters of the grid's cell font.
int CharactersWidth(const StringGrid& grid, int characters) {
    return QFontMetrics(grid.cellFont()).horizontalAdvance(QLatin1Char('0')) * characters +
           2 * StringGrid::TextPadding + 2;
}

QString ExtraTitle(ColumnKind kind) {
    switch (kind) {
        case ColumnKind::Hex:
            return QStringLiteral("Hex");
        case ColumnKind::Text:
            return QStringLiteral("Текст");
        case ColumnKind::Notes:
            return QStringLiteral("Заметки");
        default:
            return {};
    }
}

// The width an extra column of kind first has in a listing of words or bytes.
int ExtraWidth(const StringGrid& grid, ColumnKind kind, bool bytes) {
    switch (kind) {
        case ColumnKind::Hex:
            return CharactersWidth(grid, bytes ? 2 : 4);
        case ColumnKind::Text:
            return CharactersWidth(grid, bytes ? 1 : 2);
        case ColumnKind::Notes:
            return CharactersWidth(grid, 40);
        default:
            return CharactersWidth(grid, 8);
    }
}

}  // namespace

DocumentSource::DocumentSource(std::shared_ptr<const ListingDocument> document)
    : document_(std::move(document)) {}

QString DocumentSource::cellText(std::uint64_t row, int column) const {
    switch (document_->columnAt(column)) {
        case ColumnKind::Text:
        case ColumnKind::Notes:
            return QString::fromStdString(document_->text(row, column));
        default:
            return ToQString(document_->cell(row, column));
    }
}

int DocumentSource::greyedFrom(std::uint64_t row, int column) const {
    if (column >= document_->columnCount() || document_->columnAt(column) != ColumnKind::Notes) {
        return -1;
    }
    std::size_t from = std::string::npos;
    const std::string text = document_->text(row, column, &from);
    if (from == std::string::npos) {
        return -1;
    }
    // A position in the text's UTF-16 characters.
    return static_cast<int>(QString::fromUtf8(text.data(), static_cast<qsizetype>(from)).size());
}

QString DocumentSource::toolTip(std::uint64_t row, int column) const {
    if (document_->listsBytes() || row >= document_->rowCount() ||
        column >= document_->columnCount()) {
        return {};
    }
    const ColumnKind kind = document_->columnAt(column);
    if (kind != ColumnKind::Second && kind != ColumnKind::Third) {
        return {};
    }
    if (document_->isHeaderRow(row)) {
        return QStringLiteral("Слово заголовка: оно не декодируется.");
    }
    return QString::fromStdString(WordToolTip(document_->wordRows().word(row)));
}

bool DocumentSource::rowMarked(std::uint64_t row) const {
    const std::shared_ptr<const RowNotes>& notes = document_->notes();
    return notes && !document_->listsBytes() && notes->bookmarked(row);
}

WindowDocument::WindowDocument(StringGrid* grid, ListingMode emptyMode,
                               std::span<const GridColumn> columns)
    : QObject(grid), grid_(grid), emptyMode_(emptyMode), columns_(columns.begin(), columns.end()) {}

QString WindowDocument::path() const {
    return current_ ? QString::fromStdString(current_->path()) : QString();
}

void WindowDocument::show(std::shared_ptr<const ListingDocument> document) {
    if (document && (document->extra() != extra_ || document->notes())) {
        document = std::make_shared<const ListingDocument>(document->image(), document->mode(),
                                                           document->path(), extra_, nullptr);
    }
    current_ = std::move(document);
    showInGrid();
    emit changed();
}

void WindowDocument::setColumns(ExtraColumns extra) {
    if (emptyMode_ == ListingMode::Bytes) {
        extra.notes = false;
    }
    if (extra == extra_) {
        return;
    }
    extra_ = extra;
    if (current_) {
        current_ = current_->withColumns(extra_);
    }
    showInGrid();
    emit updated();
}

void WindowDocument::setNotes(std::shared_ptr<const RowNotes> notes) {
    if (!current_ || current_->notes() == notes) {
        return;
    }
    current_ = current_->withNotes(std::move(notes));
    showInGrid();
    emit updated();
}

void WindowDocument::showInGrid() {
    // The widths of the extra columns shown now, kept for when they are
    // shown again.
    const bool bytes = emptyMode_ == ListingMode::Bytes;
    const int before = grid_->columnCount();
    std::map<ColumnKind, int> widths;
    for (int i = 3; i < before; ++i) {
        widths[ColumnAt(shownExtra_, i)] = grid_->columnWidth(i);
    }
    const int count = ColumnCount(extra_);
    if (count != before || extra_ != shownExtra_) {
        QStringList titles;
        for (int i = 0; i < 3; ++i) {
            titles << QString::fromUtf8(columns_[static_cast<std::size_t>(i)].title);
        }
        grid_->setColumnCount(count);
        for (int i = 3; i < count; ++i) {
            const ColumnKind kind = ColumnAt(extra_, i);
            titles << ExtraTitle(kind);
            const auto kept = widths.find(kind);
            grid_->setColumnWidth(i, kept != widths.end()
                                         ? kept->second
                                         : std::max(ExtraWidth(*grid_, kind, bytes),
                                                    TitleWidth(*grid_, titles.back())));
        }
        grid_->setColumnTitles(titles);
        shownExtra_ = extra_;
        if (count > before) {
            WidenForColumns(grid_);
        }
    }
    grid_->setSource(current_ ? std::make_shared<const DocumentSource>(current_) : nullptr);
}

}  // namespace sorrel
