// The overview strip over the slices of one known image (made in memory: the
// strip needs only the slices, never the image), at device pixel ratios 1 and
// 2: its pixel rows, the outline of the view, the find ticks, its clicks and
// drags, its tooltip, and a resize.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <memory>
#include <vector>

#include "overview_strip.h"
#include "rendering.h"
#include "word_images.h"

namespace sorrel {
namespace {

using test::Near;
using test::Picture;

// With a header: rows 0 to 255 the header, 256 to 511 erased memory, 512 to
// 1023 a "mov" and a "jmp" in turn. At 256 pixels a pixel row is 4 rows.
constexpr std::uint64_t Rows = 1024;
constexpr int StripHeight = 256;
constexpr int StripWidth = 10;

std::shared_ptr<const OverviewSlices> KnownSlices() {
    std::vector<std::uint16_t> words(Rows, test::Jmp(5));
    for (std::uint64_t row = 256; row < 512; ++row) {
        words[row] = 0xFFFF;
    }
    for (std::uint64_t row = 512; row < Rows; row += 2) {
        words[row] = test::Mov;
    }
    const std::vector<std::uint8_t> bytes = test::ImageBytes(words);
    return std::make_shared<const OverviewSlices>(ScanOverview(test::Rows(bytes, false)));
}

// The slices of a huge image (2 GiB) whose words are all instructions.
std::shared_ptr<const OverviewSlices> HugeSlices() {
    auto slices = std::make_shared<OverviewSlices>();
    slices->rows = std::uint64_t{1} << 30;
    slices->slices.resize(MaxSlices);
    for (std::size_t i = 0; i < MaxSlices; ++i) {
        const RowRange rows = slices->rowsOfSlice(i);
        slices->slices[i][WordKind::Instruction] = rows.end - rows.first;
    }
    return slices;
}

class OverviewStripTest : public ::testing::Test {
  protected:
    void SetUp() override {
        strip.resize(StripWidth, StripHeight);
        strip.setImageRows(Rows, false);
        strip.setSlices(KnownSlices());
        strip.setView(600, 40);
        strip.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));
    }

    QColor text() const { return strip.palette().color(QPalette::Text); }
    QColor base() const { return strip.palette().color(QPalette::Base); }

    OverviewStrip strip;
};

QColor Kind(WordKind kind) {
    return OverviewStrip::kindColor(kind);
}

TEST_F(OverviewStripTest, KindColoursAreDistinctAndSeenOnTheGrid) {
    const QColor white(Qt::white);
    for (const WordKind a : OverviewStrip::barOrder()) {
        EXPECT_FALSE(Near(Kind(a), white, 40)) << int(a);
        EXPECT_FALSE(Near(Kind(a), text(), 60)) << int(a);  // the ticks and the outline
        for (const WordKind b : OverviewStrip::barOrder()) {
            EXPECT_TRUE(a == b || !Near(Kind(a), Kind(b), 60)) << int(a) << " " << int(b);
        }
    }
}

TEST_F(OverviewStripTest, PixelRowsShowTheKindsOfTheirRows) {
    strip.setView(0, 0);
    const struct {
        int y;
        int x;
        WordKind kind;
    } cases[] = {
        {0, 0, WordKind::Header},
        {63, StripWidth - 1, WordKind::Header},  // rows 252 to 255
        {64, 0, WordKind::OnesRun},              // rows 256 to 259
        {127, StripWidth - 1, WordKind::OnesRun},
        // Two "mov" and two "jmp" a pixel row: the left half and the right.
        {128, 0, WordKind::Instruction},
        {200, StripWidth / 2 - 1, WordKind::Instruction},
        {200, StripWidth / 2, WordKind::Jump},
        {StripHeight - 1, StripWidth - 1, WordKind::Jump},
    };
    for (const double ratio : test::Ratios) {
        const Picture picture(strip, ratio);
        for (const auto& c : cases) {
            EXPECT_EQ(picture.at(c.x, c.y), Kind(c.kind)) << c.x << "," << c.y << " at " << ratio;
        }
    }
}

TEST_F(OverviewStripTest, TheViewIsOutlined) {
    for (const double ratio : test::Ratios) {
        // Rows 600 to 639 are pixel rows 150 to 159.
        const Picture picture(strip, ratio);
        const PixelRange view = strip.viewPixels();
        EXPECT_EQ(view, (PixelRange{int(150 * ratio), int(160 * ratio)})) << ratio;
        EXPECT_EQ(picture.at(0, 150), text());
        EXPECT_EQ(picture.at(StripWidth - 1, 159), text());
        EXPECT_EQ(picture.at(StripWidth / 2, 150), text());
        EXPECT_EQ(picture.at(0, 155), text());
        EXPECT_NE(picture.at(0, 149), text());
        EXPECT_NE(picture.at(0, 160), text());
        EXPECT_NE(picture.at(StripWidth / 2, 155), text());  // the bars show inside
    }
}

TEST_F(OverviewStripTest, ATinyViewOfAHugeImageIsStillSeen) {
    strip.setImageRows(std::uint64_t{1} << 30, true);
    strip.setSlices(HugeSlices());
    strip.setView(123'456'789, 30);
    for (const double ratio : test::Ratios) {
        const Picture picture(strip, ratio);
        const PixelRange view = strip.viewPixels();
        EXPECT_EQ(view.bottom - view.top, int(OverviewStrip::MinOutline * ratio)) << ratio;
        // 123,456,789 of 2^30 rows lies 29.4 pixel rows down.
        EXPECT_NEAR((view.top + view.bottom) / 2.0 / ratio, 29.4, 2.5);
        EXPECT_EQ(picture.device(0, view.top), text());
        EXPECT_EQ(picture.device(0, view.bottom - 1), text());
        EXPECT_NE(picture.device(0, view.bottom), text());
    }
}

TEST_F(OverviewStripTest, FoundRowsAreTicked) {
    strip.setView(0, 0);
    // Rows 700 and 701 share pixel row 175; 1000 is on 250.
    strip.setFoundRows(std::make_shared<const std::vector<std::uint64_t>>(
        std::vector<std::uint64_t>{700, 701, 1000}));
    for (const double ratio : test::Ratios) {
        const Picture picture(strip, ratio);
        for (int y = 0; y < StripHeight; ++y) {
            const bool ticked = y == 175 || y == 250;
            EXPECT_EQ(picture.at(0, y) == text(), ticked) << y << " at " << ratio;
            EXPECT_NE(picture.at(StripWidth - 1, y), text()) << y << " at " << ratio;
        }
    }
    strip.setFoundRows(nullptr);
    const Picture none(strip, 1);
    EXPECT_NE(none.at(0, 175), text());
}

// However few words of a kind a band holds (an island of code in a sea of
// erased memory), a band shows at least one device pixel of its colour.
TEST_F(OverviewStripTest, EveryKindPresentShowsAtLeastOnePixel) {
    auto slices = std::make_shared<OverviewSlices>(*HugeSlices());
    for (std::size_t i = 0; i < MaxSlices; ++i) {
        KindCounts& counts = slices->slices[i];
        counts[WordKind::ZeroRun] = counts[WordKind::Instruction];
        counts[WordKind::Instruction] = 0;
    }
    KindCounts& island = slices->slices[MaxSlices - 1];
    island[WordKind::ZeroRun] -= 3;
    island[WordKind::Instruction] = 1;
    island[WordKind::Jump] = 1;
    island[WordKind::NoInstruction] = 1;
    strip.setImageRows(slices->rows, false);
    strip.setSlices(slices);
    strip.setView(0, 0);
    for (const double ratio : test::Ratios) {
        SCOPED_TRACE(ratio);
        const Picture picture(strip, ratio);
        const int last = static_cast<int>(std::lround(StripHeight * ratio)) - 1;
        const int width = static_cast<int>(std::lround(StripWidth * ratio));
        for (const WordKind kind :
             {WordKind::Instruction, WordKind::Jump, WordKind::NoInstruction, WordKind::ZeroRun}) {
            int pixels = 0;
            for (int x = 0; x < width; ++x) {
                pixels += picture.device(x, last) == Kind(kind) ? 1 : 0;
            }
            EXPECT_GE(pixels, 1) << int(kind);
        }
        EXPECT_EQ(picture.device(width - 1, 0), Kind(WordKind::ZeroRun));
    }
}

TEST_F(OverviewStripTest, ClicksAskForTheRowUnderThePointer) {
    // Pixel row y shows rows 4y to 4y + 3; the middle of the pixel row is
    // the middle of its rows.
    const struct {
        int y;
        std::uint64_t row;
    } cases[] = {
        {0, 2},
        {150, 602},
        {200, 802},
        {StripHeight - 1, Rows - 2},
    };
    for (const auto& c : cases) {
        QSignalSpy spy(&strip, &OverviewStrip::rowRequested);
        QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(3, c.y));
        ASSERT_EQ(spy.count(), 1) << c.y;
        EXPECT_EQ(spy.at(0).at(0).value<std::uint64_t>(), c.row) << c.y;
    }
}

TEST_F(OverviewStripTest, DraggingFollowsThePointer) {
    QSignalSpy spy(&strip, &OverviewStrip::rowRequested);
    QTest::mousePress(&strip, Qt::LeftButton, {}, QPoint(3, 150));
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 200), strip.mapToGlobal(QPointF(3, 200)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&strip, &move);
    QMouseEvent again(QEvent::MouseMove, QPointF(3, 200), strip.mapToGlobal(QPointF(3, 200)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&strip, &again);  // the same row is not asked for twice
    QTest::mouseRelease(&strip, Qt::LeftButton, {}, QPoint(3, 200));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).value<std::uint64_t>(), 602u);
    EXPECT_EQ(spy.at(1).at(0).value<std::uint64_t>(), 802u);
}

TEST_F(OverviewStripTest, ResizingCutsTheSlicesAgain) {
    strip.setView(0, 0);
    strip.resize(StripWidth, StripHeight / 2);
    for (const double ratio : test::Ratios) {
        const Picture picture(strip, ratio);
        EXPECT_EQ(strip.bands().bands().size(), std::size_t(StripHeight / 2 * ratio));
        EXPECT_EQ(picture.at(0, 31), Kind(WordKind::Header));   // rows 248 to 255
        EXPECT_EQ(picture.at(0, 32), Kind(WordKind::OnesRun));  // rows 256 to 263
        EXPECT_EQ(picture.at(0, 64), Kind(WordKind::Instruction));
        EXPECT_EQ(picture.at(StripWidth - 1, 127), Kind(WordKind::Jump));
    }
}

TEST_F(OverviewStripTest, WhichSlicesAreShown) {
    auto stopped = std::make_shared<OverviewSlices>(*KnownSlices());
    stopped->stopped = true;
    auto other = std::make_shared<OverviewSlices>(*KnownSlices());
    other->rows = Rows + 1;
    const struct {
        const char* what;
        std::shared_ptr<const OverviewSlices> slices;
        bool shown;
    } cases[] = {
        {"none", nullptr, false},
        {"a stopped pass", stopped, false},
        {"another image", other, false},
        {"this image", KnownSlices(), true},
    };
    strip.setView(0, 0);
    for (const auto& c : cases) {
        strip.setSlices(c.slices);
        const Picture picture(strip, 1);
        EXPECT_EQ(picture.at(0, 10) == Kind(WordKind::Header), c.shown) << c.what;
        EXPECT_EQ(picture.at(0, 10) == base(), !c.shown) << c.what;
    }
}

TEST_F(OverviewStripTest, AnEmptyStripStillShowsTheViewAndTakesClicks) {
    strip.setSlices(nullptr);
    const Picture picture(strip, 1);
    EXPECT_EQ(picture.at(0, 150), text());
    EXPECT_EQ(picture.at(StripWidth / 2, 100), base());
    QSignalSpy spy(&strip, &OverviewStrip::rowRequested);
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(3, 200));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<std::uint64_t>(), 802u);
}

TEST_F(OverviewStripTest, TheTooltipGivesTheAddressesAndTheLegend) {
    const struct {
        int y;
        QString addresses;
        QStringList shares;
    } cases[] = {
        {10, QStringLiteral("0028(40) – 002B(43)"), {QStringLiteral("Заголовок: 100 %")}},
        {63, QStringLiteral("00FC(252) – 00FF(255)"), {}},
        {64,
         QStringLiteral("0000h – 0003h"),
         {QStringLiteral("Стёртая память (FFFFh): 100 %"), QStringLiteral("Переходы: 0 %")}},
        {200,
         QStringLiteral("0220h – 0223h"),
         {QStringLiteral("Переходы: 50 %"), QStringLiteral("Другие инструкции: 50 %")}},
    };
    const QStringList legend = {QStringLiteral("Заголовок"),
                                QStringLiteral("Нет инструкции"),
                                QStringLiteral("Переходы"),
                                QStringLiteral("Другие инструкции"),
                                QStringLiteral("Пустая память (0000h)"),
                                QStringLiteral("Стёртая память (FFFFh)")};
    for (const auto& c : cases) {
        const QString tip = strip.toolTipAt(QPoint(3, c.y));
        EXPECT_TRUE(tip.startsWith(c.addresses)) << tip.toStdString();
        for (const QString& name : legend) {
            EXPECT_TRUE(tip.contains(name)) << name.toStdString() << " at " << c.y;
        }
        for (const QString& share : c.shares) {
            EXPECT_TRUE(tip.contains(share)) << share.toStdString() << " at " << c.y;
        }
    }
    // The real tooltip shows the same text.
    QHelpEvent help(QEvent::ToolTip, QPoint(3, 200), strip.mapToGlobal(QPoint(3, 200)));
    QApplication::sendEvent(&strip, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), strip.toolTipAt(QPoint(3, 200)));
    QToolTip::hideText();
}

}  // namespace
}  // namespace sorrel
