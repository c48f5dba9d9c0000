#include "byte_navigation.h"

#include "byte_source.h"
#include "grid_navigator.h"
#include "word_sets.h"

namespace sorrel {

namespace {

// The column of the bits, "Значение".
constexpr int BitsColumn = 2;

class ByteContent final : public NavigableContent {
  public:
    GoToOutcome goTo(const CellSource* source, std::string_view text,
                     std::uint64_t current) const override {
        const auto* bytes = dynamic_cast<const ByteSource*>(source);
        return GoToByteRow(text, bytes != nullptr ? bytes->rowCount() : 0, current);
    }
    bool searches(const CellSource& source, std::uint64_t, int column) const override {
        return column == BitsColumn && dynamic_cast<const ByteSource*>(&source) != nullptr;
    }
    std::shared_ptr<const RowScanner> scanner(const std::shared_ptr<const CellSource>& source,
                                              const Query& query) const override {
        return ScannerOf<ByteSource, SnapshotScanner<ByteRows, ByteSet, &MatchBytes>>(source,
                                                                                      query);
    }
};

}  // namespace

GridNavigator* NavigateBytes(QWidget* window, StringGrid* grid, WindowWork* work) {
    return new GridNavigator(window, grid, work, std::make_unique<const ByteContent>());
}

}  // namespace sorrel
