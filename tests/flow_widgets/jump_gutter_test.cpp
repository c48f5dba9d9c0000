// The jump gutter over one known image read from a file: its picture at
// device pixel ratios 1 and 2, its clicks, the tooltips of its marks and the
// inputs that repaint it.
#include <gtest/gtest.h>

#include <QFile>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image_snapshot.h"
#include "jump_gutter.h"
#include "rendering.h"
#include "word_images.h"

namespace sorrel {
namespace {

using test::Jmp;
using test::Mov;
using test::Near;
using test::Picture;

// A raw image of 40 words with the view on rows 10 to 29:
//   12 -> 20 down, around 14 -> 16 down and 16 -> 13 up;
//   22 -> 11 up, around all of them; 18 -> 18 itself;
//   25 -> 1000 past the end; 27 -> 3 above the view; 28 -> 35 below it.
// Lanes from the text outwards: 14 -> 16 and 18, 16 -> 13, 12 -> 20, 22 -> 11.
constexpr std::uint64_t FirstRow = 10;
constexpr std::uint64_t RowsInView = 20;
constexpr int FirstRowY = 20;  // the rows start below a title row
constexpr int Pitch = 16;
constexpr int Height = 15;

std::vector<std::uint16_t> KnownWords() {
    std::vector<std::uint16_t> words(40, Mov);
    words[12] = Jmp(20);
    words[14] = Jmp(16);
    words[16] = Jmp(13);
    words[18] = Jmp(18);
    words[22] = Jmp(11);
    words[25] = Jmp(1000);
    words[27] = Jmp(3);
    words[28] = Jmp(35);
    return words;
}

int RowTop(std::uint64_t row) {
    return FirstRowY + static_cast<int>(row - FirstRow) * Pitch;
}

// The middle of a row, between the tail and the head lines.
int RowMiddle(std::uint64_t row) {
    return RowTop(row) + Height / 2;
}

class JumpGutterTest : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("flow.bin"));
        QFile file(path);
        const std::vector<std::uint8_t> bytes = test::ImageBytes(KnownWords());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<qint64>(bytes.size())),
                  static_cast<qint64>(bytes.size()));
        file.close();
        image = std::make_shared<const ImageData>(ImageData::read(path.toStdString()));

        counts = std::make_shared<JumpCounts>();
        counts->jumps[20] = 3;
        counts->jumps[13] = 1;

        gutter.resize(gutter.sizeHint().width(), FirstRowY + int(RowsInView) * Pitch + 4);
        gutter.setImage(image, true);
        gutter.setJumpCounts(counts);
        gutter.setRowGeometry({FirstRow, RowsInView, Pitch, Height, FirstRowY});
        gutter.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&gutter));
        ASSERT_EQ(gutter.laneCount(), JumpGutter::PreferredLanes);
    }

    const JumpArrow& from(std::uint64_t row) const {
        for (const JumpArrow& arrow : gutter.flow().arrows) {
            if (arrow.source == row) {
                return arrow;
            }
        }
        ADD_FAILURE() << "no arrow from row " << row;
        return gutter.flow().arrows.front();
    }

    QColor base() const { return gutter.palette().color(QPalette::Base); }

    QTemporaryDir dir;
    std::shared_ptr<const ImageData> image;
    std::shared_ptr<JumpCounts> counts;
    JumpGutter gutter;
};

const QColor Up = JumpGutter::arrowColor(ArrowDirection::Up);
const QColor Down = JumpGutter::arrowColor(ArrowDirection::Down);

TEST_F(JumpGutterTest, UpAndDownArrowsAreToldApartFromEachOtherAndTheGrid) {
    EXPECT_FALSE(Near(Up, Down, 80));
    for (const QColor& c : {Up, Down}) {
        EXPECT_FALSE(Near(c, base(), 80));
        EXPECT_FALSE(Near(c, gutter.lineColor(), 80));
    }
}

// Across the middle of row 15, which no arrow starts or ends on, the
// gutter shows the four lanes that pass it, and nothing else.
TEST_F(JumpGutterTest, LanesNestFromTheTextOutwards) {
    for (const double ratio : test::Ratios) {
        const Picture picture(gutter, ratio);
        const int y = static_cast<int>((RowMiddle(15) + 0.5) * ratio);
        std::vector<std::string> seen;
        std::string last = "base";
        // Up to the separator from the listing.
        for (int x = 0; x < (gutter.width() - 1) * ratio; ++x) {
            const QColor c = picture.device(x, y);
            const std::string ink = Near(c, base()) ? "base"
                                    : Near(c, Up)   ? "up"
                                    : Near(c, Down) ? "down"
                                                    : "other";
            if (ink != last && ink != "base") {
                seen.push_back(ink);
            }
            last = ink;
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"up", "down", "up", "down"})) << ratio;
        // Lane 0 lies next to the listing, the other lanes further left.
        EXPECT_GT(gutter.laneX(from(14)), gutter.laneX(from(16)));
        EXPECT_GT(gutter.laneX(from(16)), gutter.laneX(from(12)));
        EXPECT_GT(gutter.laneX(from(12)), gutter.laneX(from(22)));
    }
}

struct PixelCase {
    const char* what;
    std::function<QPoint(const JumpGutterTest&)> where;
    std::optional<QColor> ink;  // none: any colour but the base
};

TEST_F(JumpGutterTest, PictureOfTheKnownImage) {
    using T = const JumpGutterTest&;
    auto lane = [](T t, std::uint64_t row, int y) {
        return QPoint(t.gutter.laneX(t.from(row)), y);
    };
    auto head = [](T t, std::uint64_t row) { return t.gutter.headPoint(t.from(row)); };
    auto tail = [](T t, std::uint64_t row) { return t.gutter.tailPoint(t.from(row)); };
    auto below = [](QPoint p, int dy) { return p + QPoint(0, dy); };
    const std::optional<QColor> none = std::nullopt;
    const QColor white = base();
    const PixelCase cases[] = {
        // 12 -> 20 down: tail on row 12, lane down to row 20, head there.
        {"down tail", [&](T t) { return tail(t, 12); }, Down},
        {"down lane", [&](T t) { return lane(t, 12, RowMiddle(17)); }, Down},
        {"down head", [&](T t) { return head(t, 12) - QPoint(1, 0); }, Down},
        {"no head on the down jump's row",
         [&](T t) { return QPoint(head(t, 12).x() - 1, head(t, 12).y() - 8 * Pitch); }, white},
        {"down lane ends at its tail", [&](T t) { return lane(t, 12, tail(t, 12).y() - 2); },
         white},
        {"down lane ends at its head", [&](T t) { return lane(t, 12, head(t, 12).y() + 3); },
         white},
        // 22 -> 11 up: its head is on row 11, above its tail.
        {"up head", [&](T t) { return head(t, 22) - QPoint(1, 0); }, Up},
        {"up lane", [&](T t) { return lane(t, 22, RowMiddle(15)); }, Up},
        {"no head on the up jump's row",
         [&](T t) { return QPoint(head(t, 22).x() - 1, head(t, 22).y() + 11 * Pitch); }, white},
        // 18 -> 18: a small loop from its tail to its head.
        {"loop", [&](T t) { return lane(t, 18, tail(t, 18).y() + 2); }, Up},
        {"loop head", [&](T t) { return head(t, 18) - QPoint(1, 0); }, Up},
        {"loop is small", [&](T t) { return lane(t, 18, tail(t, 18).y() - 2); }, white},
        // Stubs: up for a target above the view, down below it.
        {"stub up", [&](T t) { return below(head(t, 27), 2); }, Up},
        {"stub up has nothing below its tail",
         [&](T t) { return below(lane(t, 27, tail(t, 27).y()), 2); }, white},
        {"stub down", [&](T t) { return below(head(t, 28), -2); }, Down},
        {"stub down has nothing above its tail",
         [&](T t) { return below(lane(t, 28, tail(t, 28).y()), -2); }, white},
        // Past the end: a cross, open above its centre where a head is not.
        {"cross centre", [&](T t) { return head(t, 25); }, Down},
        {"cross arm", [&](T t) { return head(t, 25) - QPoint(1, 1); }, Down},
        {"cross is open", [&](T t) { return below(head(t, 25), -2); }, white},
        // Marks on the rows jumps go to, none elsewhere.
        {"mark of row 20", [](T t) { return t.gutter.markCentre(20); }, none},
        {"mark of row 13", [](T t) { return t.gutter.markCentre(13); }, none},
        {"no mark on row 21", [](T t) { return t.gutter.markCentre(21); }, white},
    };
    for (const double ratio : test::Ratios) {
        const Picture picture(gutter, ratio);
        for (const PixelCase& c : cases) {
            const QPoint p = c.where(*this);
            const QColor got = picture.at(p.x(), p.y());
            if (c.ink) {
                EXPECT_TRUE(Near(got, *c.ink)) << c.what << " at " << ratio << ": " << p.x() << ","
                                               << p.y() << " is " << got.name().toStdString();
            } else {
                EXPECT_FALSE(Near(got, base())) << c.what << " at " << ratio;
            }
        }
    }
}

TEST_F(JumpGutterTest, TheCurrentRowsArrowsAreThick) {
    // Row 20 is the head of 12 -> 20; row 14 the tail of 14 -> 16.
    const int second12 = gutter.laneX(from(12)) + 1;
    const int second14 = gutter.laneX(from(14)) + 1;
    const struct {
        std::uint64_t current;
        bool thick12;
        bool thick14;
    } cases[] = {{0, false, false}, {20, true, false}, {14, false, true}, {12, true, false}};
    for (const auto& c : cases) {
        gutter.setCurrentRow(c.current);
        for (const double ratio : test::Ratios) {
            const Picture picture(gutter, ratio);
            EXPECT_EQ(Near(picture.at(second12, RowMiddle(17)), Down), c.thick12)
                << c.current << " at " << ratio;
            EXPECT_EQ(Near(picture.at(second14, RowMiddle(15)), Down), c.thick14)
                << c.current << " at " << ratio;
        }
    }
}

TEST_F(JumpGutterTest, ClicksGoToTheOtherEnd) {
    using T = const JumpGutterTest&;
    const struct {
        const char* what;
        std::function<QPoint(T)> where;
        std::optional<std::uint64_t> row;
    } cases[] = {
        {"head of 12 -> 20", [](T t) { return t.gutter.headPoint(t.from(12)) - QPoint(1, 0); }, 12},
        {"tail of 12 -> 20", [](T t) { return t.gutter.tailPoint(t.from(12)); }, 20},
        {"corner of the tail",
         [](T t) { return QPoint(t.gutter.laneX(t.from(12)), t.gutter.tailPoint(t.from(12)).y()); },
         20},
        {"head of 22 -> 11", [](T t) { return t.gutter.headPoint(t.from(22)) - QPoint(1, 0); }, 22},
        {"tail of 22 -> 11", [](T t) { return t.gutter.tailPoint(t.from(22)); }, 11},
        // Row 16 is the tail of 16 -> 13 and the head of 14 -> 16.
        {"tail on a row with a head", [](T t) { return t.gutter.tailPoint(t.from(16)); }, 13},
        {"head on a row with a tail",
         [](T t) { return t.gutter.headPoint(t.from(14)) - QPoint(1, 0); }, 14},
        {"the loop", [](T t) { return t.gutter.tailPoint(t.from(18)); }, 18},
        {"head of the stub up", [](T t) { return t.gutter.headPoint(t.from(27)) + QPoint(0, 2); },
         3},
        {"tail of the stub up", [](T t) { return t.gutter.tailPoint(t.from(27)); }, 3},
        {"stub down", [](T t) { return t.gutter.tailPoint(t.from(28)); }, 35},
        {"past the end", [](T t) { return t.gutter.tailPoint(t.from(25)); }, std::nullopt},
        {"a row without arrows",
         [](T t) { return t.gutter.tailPoint(t.from(12)) + QPoint(0, 17 * Pitch); }, std::nullopt},
        {"left of the lanes of a row",
         [](T t) { return QPoint(0, t.gutter.tailPoint(t.from(14)).y()); }, std::nullopt},
        {"beside the title row", [](T) { return QPoint(10, FirstRowY / 2); }, std::nullopt},
    };
    for (const auto& c : cases) {
        QSignalSpy spy(&gutter, &JumpGutter::rowRequested);
        QTest::mouseClick(&gutter, Qt::LeftButton, {}, c.where(*this));
        if (c.row) {
            ASSERT_EQ(spy.count(), 1) << c.what;
            EXPECT_EQ(spy.at(0).at(0).value<std::uint64_t>(), *c.row) << c.what;
        } else {
            EXPECT_EQ(spy.count(), 0) << c.what;
        }
    }
}

TEST_F(JumpGutterTest, MarksTellHowManyJumpsGoThere) {
    const struct {
        const char* what;
        QPoint at;
        QString tip;
    } cases[] = {
        {"mark of row 20", gutter.markCentre(20), QStringLiteral("Переходов сюда: 3")},
        {"row 20 left of its mark", QPoint(2, RowMiddle(20)), QStringLiteral("Переходов сюда: 3")},
        {"mark of row 13", gutter.markCentre(13), QStringLiteral("Переходов сюда: 1")},
        {"row 21", gutter.markCentre(21), QString()},
        {"beside the title row", QPoint(2, 2), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gutter.toolTipAt(c.at), c.tip) << c.what;
    }
    // The real tooltip shows the same text.
    const QPoint at = gutter.markCentre(20);
    QHelpEvent help(QEvent::ToolTip, at, gutter.mapToGlobal(at));
    QApplication::sendEvent(&gutter, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Переходов сюда: 3"));
    QToolTip::hideText();
}

TEST_F(JumpGutterTest, MarksComeWithTheCountsAndGoWithTheImage) {
    EXPECT_EQ(gutter.flow().marks, (std::vector<TargetMark>{{13, 1}, {20, 3}}));
    gutter.setJumpCounts(nullptr);
    EXPECT_TRUE(gutter.flow().marks.empty());
    gutter.setJumpCounts(counts);
    EXPECT_EQ(gutter.flow().marks.size(), 2u);
    // The same bytes listed with a header: the counts were of the raw mode.
    gutter.setImage(image, false);
    EXPECT_TRUE(gutter.flow().marks.empty());
    EXPECT_TRUE(gutter.flow().arrows.empty());  // rows 10 to 29 are header rows
}

TEST_F(JumpGutterTest, LanesFollowTheWidth) {
    gutter.resize(gutter.minimumSizeHint().width(), gutter.height());
    EXPECT_EQ(gutter.laneCount(), 1);
    EXPECT_EQ(gutter.flow().lanes, 1);
    gutter.resize(gutter.sizeHint().width(), gutter.height());
    EXPECT_EQ(gutter.flow().lanes, 4);
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(JumpGutterTest, InputsRepaintOnlyWhenTheyChange) {
    PaintCounter counter;
    gutter.installEventFilter(&counter);
    const JumpGutter::RowGeometry geometry = gutter.rowGeometry();
    JumpGutter::RowGeometry scrolled = geometry;
    scrolled.firstRow += 1;
    const struct {
        const char* what;
        std::function<void(JumpGutter&)> set;
        int paints;
    } cases[] = {
        {"same image", [&](JumpGutter& g) { g.setImage(image, true); }, 0},
        {"same counts", [&](JumpGutter& g) { g.setJumpCounts(counts); }, 0},
        {"same geometry", [&](JumpGutter& g) { g.setRowGeometry(geometry); }, 0},
        {"same current row", [](JumpGutter& g) { g.setCurrentRow(0); }, 0},
        {"same line colour", [](JumpGutter& g) { g.setLineColor(g.lineColor()); }, 0},
        {"scrolled", [&](JumpGutter& g) { g.setRowGeometry(scrolled); }, 1},
        {"current row", [](JumpGutter& g) { g.setCurrentRow(12); }, 1},
        {"line colour", [](JumpGutter& g) { g.setLineColor(Qt::gray); }, 1},
        {"no counts", [](JumpGutter& g) { g.setJumpCounts(nullptr); }, 1},
    };
    for (const auto& c : cases) {
        QApplication::processEvents();
        counter.paints = 0;
        c.set(gutter);
        QApplication::processEvents();
        EXPECT_EQ(counter.paints, c.paints) << c.what;
    }
}

}  // namespace
}  // namespace sorrel
