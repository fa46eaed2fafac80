// Play, print, info and exit, each through its seam; and the real player without a sound device.
#include "branding.h"
#include "sound_player.h"
#include "widgets.h"
#include "window_fixture.h"
#include "window_print.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QPrinter>
#include <QRegularExpression>
#include <QToolButton>

#include <filesystem>

namespace pirolex::testing {
namespace {

class CommandTest : public WindowTest {};

std::string TempPath(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() /
                      (std::to_string(QCoreApplication::applicationPid()) + "_" + name);
    std::filesystem::remove(path);
    return path.string();
}

TEST_F(CommandTest, PrintSendsTheWindowsPictureAsOnePageToThePrinter) {
    const std::string pdf = TempPath("pirolex_print.pdf");
    fake_.printerSetup = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
    };
    Start({StereoFile("print.wav")});
    Window().ToolButton4Click();
    EXPECT_EQ(fake_.printDialogs, 1);

    QFile file(QString::fromStdString(pdf));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                  bytes.count("/Type /Page/") + bytes.count("/Type /Page "),
              1)
        << "one page";
    // The window's picture at its own size in pixels, with the three rows of the record below.
    const QRegularExpression image(
        QStringLiteral("/Width (\\d+)\\s*/Height (\\d+)"));
    const auto match = image.match(QString::fromLatin1(bytes));
    ASSERT_TRUE(match.hasMatch());
    EXPECT_EQ(match.captured(1).toInt(), Window().width());
    EXPECT_EQ(match.captured(2).toInt(), Window().height() + 53);
}

// How far right and down the printout reaches on a page that started out in a colour no window
// has; it starts at the top-left corner, and its left column is printed all the way down.
QRect Printed(const QImage& page, QRgb blank) {
    int right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = page.width() - 1; x > right; --x) {
            if (row[x] != blank) right = x;
        }
        if (row[0] != blank) bottom = y;
    }
    return QRect(QPoint(0, 0), QPoint(right, bottom));
}

// A page with the printable area of A4 at 150 dpi, 8 x 11 in. The design window is 11.23 in wide
// at 96 dpi: it is scaled down to the printable width, proportions kept; a small window prints at
// its own size, never enlarged; a tall one is scaled down to the printable height.
TEST_F(CommandTest, ThePrintoutFitsThePrintableAreaKeepingItsProportions) {
    struct Case {
        int outerWidth, outerHeight;
        QSize printed;
    };
    const Case table[] = {
        {1086, 480, {1200, 500}},  // 1078 x 449 pixels: 1200 / 1078 = 1.113 page pixels each
        {540, 242, {831, 330}},    // 532 x 211 pixels at 150 / 96 = 1.5625 each
        {900, 2031, {736, 1650}},  // 892 x 2000 pixels: 1650 / 2000 = 0.825 each
    };
    const QRgb blank = qRgb(255, 0, 255);
    Start();
    for (const Case& c : table) {
        ResizeOuter(Window(), c.outerWidth, c.outerHeight);
        Window().FormResize();
        QImage page(1200, 1650, QImage::Format_RGB32);
        page.setDotsPerMeterX(5906);  // 150 dpi
        page.setDotsPerMeterY(5906);
        page.fill(blank);
        PrintClientArea(Window(), page);
        const QRect printed = Printed(page, blank);
        const std::string at = std::to_string(c.outerWidth) + " x " + std::to_string(c.outerHeight);
        EXPECT_NE(page.pixel(0, 0), blank) << at;
        EXPECT_NEAR(printed.width(), c.printed.width(), 1) << at;
        EXPECT_NEAR(printed.height(), c.printed.height(), 1) << at;
    }
}

TEST_F(CommandTest, ACancelledPrintDialogPrintsNothing) {
    const std::string pdf = TempPath("pirolex_print_cancelled.pdf");
    Start({StereoFile("print_cancel.wav")});
    Window().ToolButton4Click();  // the fake dialog is cancelled: no printer setup
    EXPECT_EQ(fake_.printDialogs, 1);
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_TRUE(fake_.messages.empty());
}

TEST_F(CommandTest, PlayHandsTheFileToThePlayerWithATimeLimitAndReportsItsMessage) {
    const std::string path = StereoFile("play.wav", 8000, 4000);  // 0.5 s
    Start({path});
    Window().trigger();
    Window().ToolButton2Click();
    ASSERT_EQ(fake_.played.size(), 1u);
    EXPECT_EQ(fake_.played[0].first.toStdString(), path);
    EXPECT_EQ(fake_.played[0].second, 500 + 5000);
    EXPECT_TRUE(fake_.messages.empty());
    EXPECT_TRUE(Window().Parts().timer1.isActive());  // a pending recompute still comes

    fake_.playResult = QStringLiteral("Audio device busy");
    Window().ToolButton2Click();
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0], "Audio device busy");
}

TEST_F(CommandTest, PlayDoesNothingWithoutALoadedFile) {
    Start();
    Window().ToolButton2Click();
    EXPECT_TRUE(fake_.played.empty());
}

// The real player on a machine without sound output: it must come back, with a message.
TEST(SoundPlayerTest, ReturnsAtOnceWhenThereIsNoAudioOutput) {
    if (!QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "this machine has sound output";
    const std::string path = MonoFile("play_no_device.wav", 8000, 800);
    EXPECT_EQ(PlayToEnd(QString::fromStdString(path), 60000), QString::fromUtf8(kNoAudioOutput));
}

TEST_F(CommandTest, InfoShowsSixLinesWithAddressAndSignature) {
    Start();
    Window().ToolButton8Click();
    ASSERT_EQ(fake_.messages.size(), 1u);
    EXPECT_EQ(fake_.messages[0].kind, MessageKind::Information);
    const QStringList lines = fake_.messages[0].text.split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QString(31, ' ') + "Pirolex");
    EXPECT_EQ(lines[1], "        Geschwindigkeitsmessung für Modellflugzeuge");
    EXPECT_EQ(lines[2], QString(35, ' ') + "Version 2.1");
    EXPECT_EQ(lines[3], QStringLiteral("neueste Version unter ") + kWebAddress);
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], QString::fromUtf8(kMakerSignature));
}

TEST_F(CommandTest, ExitEndsTheProgramWithoutAsking) {
    Start();
    Window().ToolButton5Click();
    EXPECT_EQ(fake_.exits, 1);
    EXPECT_TRUE(fake_.messages.empty());
}

// The 1D picture pauses after each line; the pause goes through its seam, so no test sleeps.
TEST_F(CommandTest, TheAnimationsPausesGoThroughTheSeam) {
    Start({StereoFile("pauses.wav", 8000, 8000)});
    Ui().GrafikRadio->SetItemIndex(2);
    ASSERT_EQ(State().session.CurrentSettings().picture, Picture::k1D);
    ASSERT_FALSE(fake_.pauses.empty());
    for (int ms : fake_.pauses) EXPECT_EQ(ms, 50);
    EXPECT_TRUE(Ui().Gauge1->isHidden());  // the pass hides it at its end
}

}  // namespace
}  // namespace pirolex::testing
