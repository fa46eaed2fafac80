// The window's own controls: gauge, arrows-only spin edit, radio group, status bar, plot image.
#include "widgets.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>

#include <iterator>

namespace pirolex {
namespace {

TEST(GaugeTest, ProgressIsClampedIntoItsRange) {
    Gauge gauge(nullptr);
    const std::pair<int, int> cases[] = {{0, 0}, {37, 37}, {100, 100}, {101, 100}, {500, 100},
                                         {-3, 0}};
    for (const auto& [given, shown] : cases) {
        gauge.SetProgress(given);
        EXPECT_EQ(gauge.Progress(), shown) << given;
    }
}

TEST(GaugeTest, FillIsBlueUpToTheProgress) {
    Gauge gauge(nullptr);
    gauge.resize(321, 17);
    gauge.SetProgress(50);
    const QImage picture = gauge.grab().toImage();
    EXPECT_EQ(picture.pixel(5, 3), QColor(Qt::blue).rgb());
    EXPECT_EQ(picture.pixel(300, 3), QColor(Qt::white).rgb());
    gauge.SetProgress(250);  // clamped: full
    EXPECT_EQ(gauge.grab().toImage().pixel(300, 3), QColor(Qt::blue).rgb());
}

// The temperature is typed (counting once Enter is pressed) or stepped by arrow keys and wheel,
// and shows its unit after the number.
TEST(ArrowSpinEditTest, TypedArrowsAndWheelSetTheValueWithItsUnit) {
    ArrowSpinEdit spin(nullptr);
    spin.setLocale(QLocale::c());
    spin.setSuffix(QStringLiteral(" °C"));
    spin.setRange(-20, 40);
    spin.setValue(15);
    int changes = 0;
    QObject::connect(&spin, &QDoubleSpinBox::valueChanged, [&] { ++changes; });
    EXPECT_EQ(spin.text(), QStringLiteral("15 °C"));
    spin.selectAll();
    QTest::keyClicks(&spin, "-7");
    EXPECT_EQ(changes, 0) << "no value while typing";
    QTest::keyClick(&spin, Qt::Key_Return);
    EXPECT_EQ(spin.value(), -7);
    EXPECT_EQ(changes, 1);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.value(), -6);
    QWheelEvent wheel(QPointF(5, 5), spin.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&spin, &wheel);
    EXPECT_EQ(spin.value(), -5);
}

TEST(RadioGroupTest, AChangedIndexRunsTheClickHandlerOnce) {
    RadioGroup group(QStringLiteral("Tonkanal"), {"links", "rechts", "beide"}, nullptr);
    int clicks = 0;
    group.OnClick = [&] { ++clicks; };
    EXPECT_EQ(group.ItemIndex(), -1);

    group.SetItemIndex(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_TRUE(group.Button(1)->isChecked());

    group.SetItemIndex(1);  // no change, no event
    EXPECT_EQ(clicks, 1);

    group.SetItemIndexQuietly(2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(group.ItemIndex(), 2);

    group.resize(89, 89);
    group.show();
    QTest::mouseClick(group.Button(0), Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(group.ItemIndex(), 0);

    group.SetItemIndex(-1);
    EXPECT_EQ(group.ItemIndex(), -1);
    for (int i = 0; i < group.Count(); ++i) EXPECT_FALSE(group.Button(i)->isChecked());
}

TEST(RadioGroupTest, ItemsShareTheRoomBelowTheCaptionInOrder) {
    RadioGroup group(QStringLiteral("Tonkanal"), {"links", "rechts", "beide"}, nullptr);
    group.resize(89, 89);
    group.show();  // a hidden widget lays out when it is shown
    for (int i = 0; i < group.Count(); ++i) {
        const QRect r = group.Button(i)->geometry();
        EXPECT_TRUE(group.rect().contains(r)) << i;
        if (i > 0) {
            EXPECT_GE(r.top(), group.Button(i - 1)->geometry().bottom()) << i;
        }
    }
}

TEST(PanelStatusBarTest, PanelsHaveTheirWidthsAndTheLastReachesTheEdge) {
    PanelStatusBar bar({300, 125, 125, 75, 50}, nullptr);
    bar.resize(838, 21);
    bar.show();  // a hidden widget lays out when it is shown
    const int lefts[] = {0, 300, 425, 550, 625};
    const int widths[] = {300, 125, 125, 75, 838 - 625};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(bar.Panel(i)->geometry(), QRect(lefts[i], 0, widths[i], 21)) << i;
    }
    bar.resize(500, 21);  // narrower than the panels: the last keeps its width
    EXPECT_EQ(bar.Panel(4)->width(), 50);
}

// The window's bar: panel 4 takes the room, the readout keeps its width at the right edge.
TEST(PanelStatusBarTest, AStretchPanelInTheMiddleTakesTheRoomTheOthersLeave) {
    PanelStatusBar bar({240, 125, 125, 75, 50, 210}, nullptr, 4);
    bar.resize(900, 21);
    bar.show();
    EXPECT_EQ(bar.Panel(4)->geometry(), QRect(565, 0, 900 - 775, 21));
    EXPECT_EQ(bar.Panel(5)->geometry(), QRect(690, 0, 210, 21));
    bar.resize(700, 21);
    EXPECT_EQ(bar.Panel(4)->width(), 50);
}

TEST(PlotImageTest, KeepsItsPictureWhereItFitsAndReportsPressesInPictureCoordinates) {
    PlotImage image(nullptr);
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    image.SetPicture(picture);
    image.ResizePicture(30, 5);
    EXPECT_EQ(image.size(), QSize(30, 5));
    EXPECT_EQ(image.Picture().pixel(19, 4), QColor(Qt::red).rgb());
    EXPECT_EQ(image.Picture().pixel(20, 4), QColor(Qt::white).rgb());

    std::vector<std::tuple<Qt::MouseButton, int, int>> presses;
    image.OnMouseDown = [&](Qt::MouseButton b, int x, int y) { presses.emplace_back(b, x, y); };
    image.show();
    QTest::mousePress(&image, Qt::RightButton, {}, QPoint(7, 3));
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0], std::make_tuple(Qt::RightButton, 7, 3));
}

// A scaled desktop reports presses between pixel boundaries: anywhere inside a pixel is that
// pixel, up to its right and lower edge.
TEST(PlotImageTest, APressAnywhereInsideAPixelIsThatPixel) {
    PlotImage image(nullptr);
    image.ResizePicture(30, 20);
    std::vector<QPoint> presses;
    image.OnMouseDown = [&](Qt::MouseButton, int x, int y) { presses.emplace_back(x, y); };
    image.show();
    const std::pair<QPointF, QPoint> table[] = {
        {{7.0, 3.0}, {7, 3}}, {{7.5, 3.5}, {7, 3}}, {{7.99, 3.75}, {7, 3}}, {{0.6, 0.5}, {0, 0}},
    };
    for (const auto& [at, pixel] : table) {
        QMouseEvent press(QEvent::MouseButtonPress, at, image.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&image, &press);
        ASSERT_FALSE(presses.empty());
        EXPECT_EQ(presses.back(), pixel) << at.x() << ", " << at.y();
    }
    EXPECT_EQ(presses.size(), std::size(table));
}

}  // namespace
}  // namespace pirolex
