// The measurement as a user makes it: a fly-by recording opened in the window, the engine tone
// found in the 2D picture where the aircraft approaches and where it recedes, the two tones
// clicked with the left and the right mouse button, the speed read from the speed label.
#include "cli_run.h"
#include "cli.h"
#include "main_window.h"
#include "measurement_panel.h"
#include "measure_fixture.h"
#include "plot_commands.h"
#include "tone_track.h"
#include "wav_writer.h"
#include "widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <sstream>

namespace pirolex::test {
namespace {

struct WindowCase {
    FlybyCase flyby;
    bool beide = false;             // stereo: both channels into one picture
    bool temperatureLast = false;   // set the temperature after the clicks, not before
};

std::string Name(const WindowCase& c) {
    return CaseName(c.flyby) + (c.beide ? "_beide" : "") + (c.temperatureLast ? "_tempLast" : "");
}

// The frequency a plot column stands for, unrounded.
double ColumnHz(const WindowState& state, double x) {
    return state.session.GetRecording().sampleRate / 1024.0 * (x - state.session.View().plotLeft) / state.session.View().xScale;
}

class WindowTest : public ::testing::Test {
protected:
    std::vector<QString> messages;
    std::unique_ptr<TPirolex> window;

    // Starts the program as a user does, answering its open dialog with the recording.
    void Start(const std::string& path) {
        WindowSeams seams;
        auto answered = std::make_shared<bool>(false);
        seams.chooseFile = [path, answered](QWidget*) -> std::optional<std::string> {
            if (*answered) return std::nullopt;
            *answered = true;
            return path;
        };
        seams.showMessage = [this](QWidget*, MessageKind, const QString& text) {
            messages.push_back(text);
        };
        seams.choosePrinter = [](QWidget*, QPrinter&) { return false; };
        seams.play = [](const QString&, int) { return QString(); };
        seams.pause = [](int) {};
        seams.exitProcess = [] {};
        window = std::make_unique<TPirolex>(std::move(seams));
        window->FormCreate();
    }

    void Click(Qt::MouseButton button, int x) {
        QTest::mouseClick(window->Ui().Image1, button, Qt::NoModifier, QPoint(x, 100));
    }
};

class WindowMeasure : public WindowTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowMeasure, TracksReadTheTonesWithinHalfABinAndTheirClicksShowTheSpeed) {
    const WindowCase c = GetParam();
    const std::string path =
        testwav::WriteTempFile(flyby::MakeWav(ParamsFor(c.flyby)), Name(c) + ".wav");
    Start(path);
    const WindowState& state = window->State();
    ASSERT_TRUE(messages.empty()) << messages.front().toStdString();
    ASSERT_TRUE(state.fileLoaded);
    ASSERT_EQ(state.session.CurrentSettings().picture, Picture::k2D);
    ASSERT_EQ(state.session.GetRecording().sampleRate, c.flyby.sampleRate);
    if (c.beide) {
        QTest::mouseClick(window->Ui().KanalRadioGroup->Button(2), Qt::LeftButton);
        ASSERT_EQ(int(state.session.CurrentSettings().channel), 2);
    }
    if (!c.temperatureLast) window->Ui().SpinEdit1->setValue(c.flyby.temperature);

    // What the user sees: the picture on the screen, not the bitmap behind it.
    const QImage picture = window->Ui().Image1->Picture();
    const double seconds = PictureSamples(state.session.GetRecording(), 0).Count() / double(state.session.GetRecording().sampleRate);
    const double approachTrack = FindToneCentre(picture, state, LinesBetween(state, 0, 1.5));
    const double recedeTrack =
        FindToneCentre(picture, state, LinesBetween(state, seconds - 1.6, seconds));
    const int approach = static_cast<int>(std::lround(approachTrack));
    const int recede = static_cast<int>(std::lround(recedeTrack));
    ASSERT_GT(approach, recede) << "the approach tone lies higher";
    ASSERT_GT(recede, state.session.View().plotLeft);

    // The clicks as clicked: the columns' own arithmetic, without looking for the tone's peak.
    window->Ui().SnapBox->setChecked(false);
    Click(Qt::LeftButton, approach);
    Click(Qt::RightButton, recede);
    EXPECT_EQ(window->Parts().measurement.MarkerColumn(MarkerSide::kA), approach);
    EXPECT_EQ(window->Parts().measurement.MarkerColumn(MarkerSide::kB), recede);
    const QImage marked = window->Ui().Image1->Picture();
    // Row 96 lies on a dash of both markers' dashed lines.
    EXPECT_EQ(marked.pixel(approach, 96) & 0xFFFFFF, 0x008000u);  // green A
    EXPECT_EQ(marked.pixel(recede, 96) & 0xFFFFFF, 0xFF0000u);    // red B
    if (c.temperatureLast) window->Ui().SpinEdit1->setValue(c.flyby.temperature);

    // Each track reads within half a bin of its tone; the click on it, within one.
    const flyby::Params p = ParamsFor(c.flyby);
    const double bin = state.session.GetRecording().sampleRate / double(state.session.CurrentSettings().FftMask() + 1);
    EXPECT_NEAR(ColumnHz(state, approachTrack), flyby::ApproachFrequency(p), bin / 2) << approachTrack;
    EXPECT_NEAR(ColumnHz(state, recedeTrack), flyby::RecedeFrequency(p), bin / 2) << recedeTrack;
    EXPECT_NEAR(ColumnHz(state, approach), flyby::ApproachFrequency(p), bin);
    EXPECT_NEAR(ColumnHz(state, recede), flyby::RecedeFrequency(p), bin);

    const std::string label = window->Ui().Label1->text().toStdString();
    const SpeedReading r = ParseSpeedLabel(label);
    ASSERT_TRUE(r.ok) << label;
    EXPECT_NEAR(r.speed, c.flyby.speedKmh, r.resolution)
        << label << " columns " << approach << " and " << recede;
    EXPECT_TRUE(messages.empty());
}

using clitest::CliRun;
using clitest::RunPirolex;

// 0.02 s at 44100 Hz are 882 frames: no block of 1024 fits, one of 512 does. The window and the
// command line say why the picture stays empty; with the smaller size nothing is said.
TEST_F(WindowTest, ShortRecordingSaysWhyThePictureIsEmpty) {
    flyby::Params p;
    p.seconds = 0.02;
    const std::string path = testwav::WriteTempFile(flyby::MakeWav(p), "short_recording.wav");
    const std::string notice = "Aufnahme kürzer als ein FFT-Block (1024 Samples)";
    Start(path);
    EXPECT_EQ(window->Ui().Label1->text().toStdString(), notice);
    EXPECT_TRUE(messages.empty());

    const std::string png = testwav::WriteTempFile({}, "short_recording.png");
    const std::vector<std::string> commands[] = {
        {"render", path, "-o", png}, {"measure", path, "--a", "4100", "--b", "3900"}};
    for (const auto& command : commands) {
        CliRun run = RunPirolex(command);
        EXPECT_EQ(run.status, 0) << command[0];
        EXPECT_EQ(run.err, notice + "\n") << command[0];
        std::vector<std::string> smaller = command;
        smaller.insert(smaller.end(), {"--fft", "512"});
        run = RunPirolex(smaller);
        EXPECT_EQ(run.status, 0) << command[0];
        EXPECT_EQ(run.err, "") << command[0];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Flybys, WindowMeasure,
    ::testing::Values(WindowCase{{60, 15, 1, 44100}}, WindowCase{{120, 15, 1, 44100}},
                      WindowCase{{200, 15, 1, 48000}}, WindowCase{{200, 35, 1, 44100}, false, true},
                      WindowCase{{60, -10, 2, 48000}, true}, WindowCase{{120, 35, 2, 44100}, false, true},
                      WindowCase{{200, -10, 2, 48000}}),
    [](const auto& info) { return Name(info.param); });

}  // namespace
}  // namespace pirolex::test
