// The windows' layouts: places, sizes, texts, fonts, column titles and
// widths, the glyphs, and what a resize keeps.
#include <QCheckBox>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <algorithm>

#include "window_grid.h"
#include "window_test_support.h"

namespace wintest {
namespace {

using LayoutTest = WindowsTest;

template <typename T>
T* Child(QWidget* window, const char* name) {
    T* child = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

TEST_F(LayoutTest, MainWindowControlsStandWhereTheLayoutPutsThem) {
    // The window is wide enough for the columns, the jump gutter and the
    // overview strip beside them and the scroll bar, and never narrower than
    // its layout: its columns fit without scrolling sideways.
    StringGrid* grid = listing();
    QWidget* gutter = grid->sideWidget(StringGrid::Side::Left);
    QWidget* strip = grid->sideWidget(StringGrid::Side::Right);
    ASSERT_NE(gutter, nullptr);
    ASSERT_NE(strip, nullptr);
    form1()->layout()->activate();
    form1()->centralWidget()->layout()->activate();
    const int wider = std::max(383, grid->widthForColumns() + 2) - 383;
    EXPECT_GT(wider, gutter->width() + strip->width());
    EXPECT_GT(gutter->width(), 0);
    EXPECT_GT(strip->width(), 0);
    EXPECT_EQ(grid->viewport()->geometry().left(), gutter->width());

    EXPECT_EQ(form1()->objectName(), "Form1");
    EXPECT_EQ(form1()->pos(), QPoint(266, 167));
    EXPECT_EQ(form1()->size(), QSize(383 + wider, 287));
    EXPECT_EQ(form1()->font().family(), "MS Sans Serif");
    EXPECT_EQ(form1()->font().pixelSize(), 11);

    struct Place {
        const char* name;
        QRect geometry;
    };
    const Place places[] = {
        {"Panel1", {0, 0, 383 + wider, 33}},   {"StatusBar1", {0, 268, 383 + wider, 19}},
        {"Panel2", {0, 33, 383 + wider, 235}}, {"StringGrid1", {1, 1, 381 + wider, 233}},
        {"SpeedButton1", {3, 6, 23, 21}},      {"SpeedButton2", {30, 6, 23, 21}},
        {"SpeedButton3", {58, 6, 23, 21}},     {"CheckBox1", {112, 8, 105, 17}},
    };
    for (const Place& p : places) {
        QWidget* w = Child<QWidget>(form1(), p.name);
        ASSERT_NE(w, nullptr);
        // Panel1 and Panel2 are placed in the client area below the caption.
        QRect g = w->geometry();
        if (w->parentWidget() == form1()->centralWidget()) {
            g.translate(form1()->centralWidget()->pos());
        }
        EXPECT_EQ(g, p.geometry) << p.name;
    }
    EXPECT_EQ(Child<QWidget>(form1(), "SpeedButton1")->parentWidget(), form1()->Panel1);
    EXPECT_EQ(form1()->StringGrid1->parentWidget(), form1()->Panel2);
    EXPECT_EQ(form1()->Panel1->frameShadow(), QFrame::Raised);
    EXPECT_EQ(form1()->Panel2->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(form1()->StringGrid1->frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(form1()->StatusBar1->currentMessage().isEmpty());

    const char* const hints[] = {"Загрузить образ", "Перезагрузить образ",
                                 "Образ в байтовом порядке"};
    QToolButton* buttons[] = {form1()->SpeedButton1, form1()->SpeedButton2, form1()->SpeedButton3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(buttons[i]->toolTip(), QString::fromUtf8(hints[i]));
        EXPECT_TRUE(buttons[i]->autoRaise());
    }
    EXPECT_EQ(form1()->CheckBox1->text(), QStringLiteral("\"Сырой\" образ."));
    EXPECT_FALSE(form1()->CheckBox1->isChecked());

    // The layout's widths, or the room the title needs where it needs more.
    ASSERT_EQ(grid->columnCount(), 3);
    const char* const titles[] = {"Адрес инструкци", "Инструкция", "Мнемоника"};
    const int widths[] = {70, 137, 171};
    for (int c = 0; c < 3; ++c) {
        const QString title = QString::fromUtf8(titles[c]);
        EXPECT_EQ(grid->columnTitle(c), title);
        EXPECT_EQ(grid->columnWidth(c), std::max(widths[c], sorrel::TitleWidth(*grid, title)));
        EXPECT_GT(grid->columnWidth(c), grid->titleRow()->fontMetrics().horizontalAdvance(title) +
                                            StringGrid::TextPadding);
    }
    EXPECT_EQ(grid->defaultRowHeight(), 15);
    EXPECT_EQ(grid->cellFont().family(), "Courier New");
    EXPECT_EQ(grid->cellFont().pixelSize(), 11);
}

// At its first size, with a listing longer than the view, no scroll bar
// sideways; hiding the arrows or the strip gives their width to the columns.
TEST_F(LayoutTest, TheColumnsFitAtTheFirstSize) {
    load(writeImage(QStringLiteral("long.bin"), CountingWords(1000)));
    StringGrid* grid = listing();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->verticalScrollBar()->isVisible(); }));
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    EXPECT_GE(grid->viewport()->width(), grid->titleRow()->length());
    for (const StringGrid::Side side : {StringGrid::Side::Left, StringGrid::Side::Right}) {
        QWidget* widget = grid->sideWidget(side);
        const int before = grid->viewport()->width();
        widget->hide();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return grid->viewport()->width() == before + widget->width(); }));
        widget->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return grid->viewport()->width() == before; }));
    }
}

TEST_F(LayoutTest, ResizingKeepsTheToolStripAndStatusBarHeights) {
    form1()->resize(700, 500);
    form1()->layout()->activate();
    form1()->centralWidget()->layout()->activate();
    EXPECT_EQ(form1()->Panel1->height(), 33);
    EXPECT_EQ(form1()->Panel1->width(), 700);
    EXPECT_EQ(form1()->StatusBar1->height(), 19);
    EXPECT_EQ(form1()->StatusBar1->y(), 500 - 19);
    EXPECT_EQ(form1()->Panel2->size(), QSize(700, 500 - 33 - 19));
    EXPECT_EQ(form1()->StringGrid1->geometry(), QRect(1, 1, 698, 500 - 33 - 19 - 2));
    form1()->resize(300, 120);
    form1()->layout()->activate();
    form1()->centralWidget()->layout()->activate();
    EXPECT_EQ(form1()->Panel1->height(), 33);
    EXPECT_EQ(form1()->StatusBar1->height(), 19);
}

TEST_F(LayoutTest, ByteOrderAndOptionWindowsFollowTheirLayouts) {
    form2()->layout()->activate();  // laid out as it will be shown
    form2()->Panel2->layout()->activate();
    EXPECT_EQ(form2()->windowTitle(), "Byte order");
    EXPECT_TRUE(form2()->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(form2()->pos(), QPoint(378, 177));
    EXPECT_EQ(form2()->size(), QSize(269, 254));
    EXPECT_EQ(form2()->font().pixelSize(), 11);
    EXPECT_EQ(form2()->Panel2->geometry(), QRect(0, 0, 269, 235));
    EXPECT_EQ(form2()->Panel2->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(bytes()->geometry(), QRect(1, 1, 267, 233));
    EXPECT_EQ(form2()->StatusBar1->geometry(), QRect(0, 235, 269, 19));
    const int widths[] = {70, 92, 101};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(bytes()->columnWidth(c),
                  std::max(widths[c], sorrel::TitleWidth(*bytes(), bytes()->columnTitle(c))));
    }
    EXPECT_EQ(bytes()->cellFont().family(), "Courier New");

    QWidget* options = OptionWin;
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(options->isVisible());
    EXPECT_EQ(options->windowTitle(), "Option");
    EXPECT_TRUE(options->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(options->pos(), QPoint(273, 118));
    EXPECT_EQ(options->minimumSize(), QSize(213, 138));
    EXPECT_EQ(options->maximumSize(), QSize(213, 138));
    auto* label = Child<QLabel>(options, "Label1");
    auto* edit = Child<QLineEdit>(options, "Edit1");
    ASSERT_TRUE(label && edit);
    EXPECT_EQ(label->text(), QStringLiteral("Длинна машинной команды(бит)"));
    EXPECT_EQ(label->geometry(), QRect(8, 8, 166, 13));
    EXPECT_EQ(edit->geometry(), QRect(8, 24, 121, 21));
}

// The glyph of each mode at 16 by 16 pixels.
QImage Glyph(const QToolButton* button, QIcon::Mode mode) {
    return button->icon()
        .pixmap(QSize(16, 16), 1.0, mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

TEST_F(LayoutTest, GlyphsAreDrawnWithTheirBottomLeftColourTransparent) {
    for (QToolButton* button :
         {form1()->SpeedButton1, form1()->SpeedButton2, form1()->SpeedButton3}) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QImage image = Glyph(button, QIcon::Normal);
        ASSERT_EQ(image.size(), QSize(16, 16));
        EXPECT_EQ(qAlpha(image.pixel(0, 15)), 0);
        int red = 0;
        int opaque = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb p = image.pixel(x, y);
                opaque += qAlpha(p) == 255 ? 1 : 0;
                red += p == qRgb(255, 0, 0) ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, 20);
        EXPECT_GT(red, 5);
    }
    // The load button's disabled image: the same picture in greys.
    const QImage normal = Glyph(form1()->SpeedButton1, QIcon::Normal);
    const QImage disabled = Glyph(form1()->SpeedButton1, QIcon::Disabled);
    ASSERT_EQ(disabled.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb p = disabled.pixel(x, y);
            EXPECT_EQ(qAlpha(p), qAlpha(normal.pixel(x, y))) << x << "," << y;
            if (qAlpha(p) != 0) {
                EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace wintest
