// The window's Live button on a real sound server's input, run by
// tests/pulse/live_through_sound_server.sh with a private PulseAudio: it names the device and the
// command that plays a pass of 70 km/h into it. Skips itself without them.
#include "live_panel.h"
#include "microphone.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include <cstdlib>

namespace pirolex::testing {
namespace {

class LiveThroughSoundServer : public WindowTest {};

TEST_F(LiveThroughSoundServer, TheLiveButtonMeasuresAPassPlayedIntoTheDevice) {
    const char* device = std::getenv("PIROLEX_PULSE_DEVICE");
    const char* play = std::getenv("PIROLEX_PULSE_PLAY");
    if (!device || !play) GTEST_SKIP() << "no sound server: tests/pulse/live_through_sound_server.sh starts one";
    fake_.inputs = [] { return SystemInputDevices(); };
    Start();
    const int index = Ui().InputBox->findText(QString::fromUtf8(device));
    ASSERT_GE(index, 0) << "the server's input is offered";
    Ui().InputBox->setCurrentIndex(index);
    Ui().LiveButton->click();
    ASSERT_TRUE(Window().Parts().live.Listening());

    QProcess player;
    player.startCommand(QString::fromUtf8(play));
    ASSERT_TRUE(player.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(Ui().PassList->count() > 0, 25000);
    const QRegularExpressionMatch row =
        QRegularExpression(QStringLiteral("  (\\d+\\.\\d) ± \\d+\\.\\d km/h$")).match(Ui().PassList->item(0)->text());
    ASSERT_TRUE(row.hasMatch()) << Ui().PassList->item(0)->text().toStdString();
    EXPECT_NEAR(row.captured(1).toDouble(), 70.0, 70.0 * 0.03);
    player.waitForFinished(20000);
    Ui().LiveButton->click();
    EXPECT_FALSE(Window().Parts().live.Listening());
}

}  // namespace
}  // namespace pirolex::testing
