#include "byte_navigation.h"

#include "byte_source.h"
#include "word_sets.h"

namespace sorrel {

namespace {

using ByteScanner = SnapshotScanner<ByteRows, ByteSet, &MatchBytes>;

// The column of the bits, "Значение".
constexpr int BitsColumn = 2;

}  // namespace

GoToOutcome ByteContent::goTo(const CellSource* source, std::string_view text,
                              std::uint64_t current) const {
    const auto* bytes = dynamic_cast<const ByteSource*>(source);
    return GoToByteRow(text, bytes != nullptr ? bytes->rowCount() : 0, current);
}

bool ByteContent::searches(const CellSource& source, std::uint64_t, int column) const {
    return column == BitsColumn && dynamic_cast<const ByteSource*>(&source) != nullptr;
}

std::shared_ptr<const RowScanner> ByteContent::scanner(
    const std::shared_ptr<const CellSource>& source, const Query& query) const {
    const auto bytes = std::dynamic_pointer_cast<const ByteSource>(source);
    if (!bytes) {
        return nullptr;
    }
    return std::make_shared<const ByteScanner>(bytes->snapshot(), bytes->rows(), query);
}

GridNavigator* NavigateBytes(QWidget* window, StringGrid* grid, WindowWork* work) {
    return new GridNavigator(window, grid, work, std::make_unique<const ByteContent>());
}

}  // namespace sorrel
