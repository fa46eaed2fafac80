// The plot geometry that follows the window size.
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QLabel>

namespace pirolex::testing {
namespace {

struct SizeCase {
    int outerWidth, outerHeight;
    int imageWidth, imageHeight;
    double xScale;
    int baselineY;
    double yScale;
    int gaugeLeft;
};

class GeometryTest : public WindowTest {};

TEST_F(GeometryTest, PlotImageBitmapAndScalesFollowTheWindowSize) {
    const SizeCase table[] = {
        // The rulers and the list of passes take 240 x 42 pixels: the plot is what a window that
        // much smaller leaves.
        {1086, 480, 615, 271, 1.0, 250, 1.0, 544},
        {1286, 580, 815, 371, 805.0 / 605.0, 350, 1.4, 744},
        {880, 342, 409, 133, 399.0 / 605.0, 112, 112.0 / 250.0, 338},
        {540, 242, 69, 33, 59.0 / 605.0, 12, 12.0 / 250.0, -2},
        // Smaller requests get the smallest window, 540 x 242.
        {481, 480, 69, 271, 59.0 / 605.0, 250, 1.0, -2},
        {200, 150, 69, 33, 59.0 / 605.0, 12, 12.0 / 250.0, -2},
        {1086, 230, 615, 33, 1.0, 12, 12.0 / 250.0, 544},
    };
    Start();
    for (const SizeCase& c : table) {
        ResizeOuter(Window(), c.outerWidth, c.outerHeight);
        Window().FormResize();
        const std::string at = std::to_string(c.outerWidth) + " x " + std::to_string(c.outerHeight);
        EXPECT_EQ(Ui().Image1->size(), QSize(c.imageWidth, c.imageHeight)) << at;
        EXPECT_EQ(Ui().Image1->Picture().size(), QSize(c.imageWidth, c.imageHeight)) << at;
        EXPECT_EQ(Window().Parts().canvas.Width(), c.imageWidth) << at;
        EXPECT_EQ(Window().Parts().canvas.Height(), c.imageHeight) << at;
        EXPECT_DOUBLE_EQ(State().session.View().xScale, c.xScale) << at;
        EXPECT_EQ(State().session.View().baselineY, c.baselineY) << at;
        EXPECT_DOUBLE_EQ(State().session.View().yScale, c.yScale) << at;
        EXPECT_EQ(Ui().Gauge1->x(), c.gaugeLeft) << at;
        EXPECT_EQ(Ui().Image1->pos(), QPoint(250, 74)) << at;
    }
}

// Narrower than 242 pixels the plot was at most PlotLeft wide and every frequency label divided
// by an XScale of 0 or below; at the smallest window every picture is drawn and measured in.
TEST_F(GeometryTest, AtTheSmallestWindowEveryPictureIsDrawnWithoutAnError) {
    Start({StereoFile("geometry_smallest.wav", 8000, 4000)});
    ResizeOuter(Window(), 241, 150);
    Window().FormResize();
    EXPECT_EQ(OuterWidth(Window()), 540);
    EXPECT_EQ(OuterHeight(Window()), 242);
    for (int mode : {0, 2, 1}) {  // 3D, 1D, then 2D for the clicks
        Ui().GrafikRadio->SetItemIndex(mode);
        EXPECT_EQ(int(State().session.CurrentSettings().picture), mode);
    }
    Window().Image1MouseDown(Qt::LeftButton, 40, 5);
    Window().Image1MouseDown(Qt::RightButton, 35, 5);
    EXPECT_TRUE(fake_.Errors().empty()) << fake_.Errors().front().toStdString();
    EXPECT_TRUE(Ui().Label1->text().startsWith(QStringLiteral("Geschwindigkeit: ")));
}

// A real resize of the shown window runs the handler, restarts the debounce and moves the bars.
TEST_F(GeometryTest, AResizeEventRunsTheHandlerAndRestartsTheDebounce) {
    Start();
    Window().show();
    QApplication::processEvents();
    Window().Parts().timer1.stop();
    const int runs = Window().Parts().recomputeRuns;
    ResizeOuter(Window(), 1286, 580);
    EXPECT_EQ(Ui().Image1->size(), QSize(815, 371));
    EXPECT_EQ(State().session.View().baselineY, 350);
    EXPECT_TRUE(Window().Parts().timer1.isActive());
    EXPECT_EQ(Window().Parts().recomputeRuns, runs);  // only after the debounce
    EXPECT_EQ(Ui().ToolBar1->width(), 1278);
    EXPECT_EQ(Ui().StatusBar1->geometry(), QRect(0, 549 - 21, 1278, 21));
    Window().hide();
}

}  // namespace
}  // namespace pirolex::testing
