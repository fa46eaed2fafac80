// The plot geometry that follows the window size.
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>

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
        {846, 438, 615, 271, 1.0, 250, 1.0, 504},
        {1046, 538, 815, 371, 805.0 / 605.0, 350, 1.4, 704},
        {640, 300, 409, 133, 399.0 / 605.0, 112, 112.0 / 250.0, 298},
        {232, 168, 1, 1, -9.0 / 605.0, -20, -20.0 / 250.0, -110},
        {231, 167, 1, 1, -9.0 / 605.0, -20, -20.0 / 250.0, -111},
        {200, 150, 1, 1, -9.0 / 605.0, -20, -20.0 / 250.0, -142},
        {233, 169, 2, 2, -8.0 / 605.0, -19, -19.0 / 250.0, -109},
    };
    Start();
    for (const SizeCase& c : table) {
        Window().ResizeOuter(c.outerWidth, c.outerHeight);
        Window().FormResize();
        const std::string at = std::to_string(c.outerWidth) + " x " + std::to_string(c.outerHeight);
        EXPECT_EQ(Ui().Image1->size(), QSize(c.imageWidth, c.imageHeight)) << at;
        EXPECT_EQ(Ui().Image1->Picture().size(), QSize(c.imageWidth, c.imageHeight)) << at;
        EXPECT_EQ(Window().PlotBitmap().Width(), c.imageWidth) << at;
        EXPECT_EQ(Window().PlotBitmap().Height(), c.imageHeight) << at;
        EXPECT_DOUBLE_EQ(State().XScale, c.xScale) << at;
        EXPECT_EQ(State().BaselineY, c.baselineY) << at;
        EXPECT_DOUBLE_EQ(State().YScale, c.yScale) << at;
        EXPECT_EQ(Ui().Gauge1->x(), c.gaugeLeft) << at;
        EXPECT_EQ(Ui().Image1->pos(), QPoint(210, 74)) << at;
    }
}

TEST_F(GeometryTest, ANarrowWindowGivesAOnePixelImageAndANegativeXScale) {
    Start();
    Window().ResizeOuter(231, 438);
    Window().FormResize();
    EXPECT_EQ(Ui().Image1->width(), 1);
    EXPECT_EQ(Ui().Image1->height(), 271);
    EXPECT_LT(State().XScale, 0.0);
    EXPECT_EQ(State().BaselineY, 250);
}

// A real resize of the shown window runs the handler, restarts the debounce and moves the bars.
TEST_F(GeometryTest, AResizeEventRunsTheHandlerAndRestartsTheDebounce) {
    Start();
    Window().show();
    QApplication::processEvents();
    Window().Timer1().stop();
    const int runs = Window().RecomputeRuns();
    Window().ResizeOuter(1046, 538);
    EXPECT_EQ(Ui().Image1->size(), QSize(815, 371));
    EXPECT_EQ(State().BaselineY, 350);
    EXPECT_TRUE(Window().Timer1().isActive());
    EXPECT_EQ(Window().RecomputeRuns(), runs);  // only after the debounce
    EXPECT_EQ(Ui().ToolBar1->width(), 1038);
    EXPECT_EQ(Ui().StatusBar1->geometry(), QRect(0, 507 - 21, 1038, 21));
    Window().hide();
}

}  // namespace
}  // namespace pirolex::testing
