// Recordings in other formats and longer than a picture: the sample as M4A and as an MP4 video
// measures as the WAV does, refused files keep the previous recording, a long fly-by shows its
// pass in the window's and the command line's default span, and a decode can be cancelled.
// The compressed files are made with the ffmpeg command; without it those cases are skipped.
#include "audio_decoder.h"
#include "cli_run.h"
#include "auto_speed.h"
#include "cli.h"
#include "flyby.h"
#include "messages.h"
#include "offscreen_plot.h"
#include "picture_samples.h"
#include "plot_commands.h"
#include "recording_file.h"
#include "wav_writer.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

namespace pirolex::testing {
namespace {

namespace fs = std::filesystem;

bool HaveFfmpeg() {
    static const bool have = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    return have;
}
#define SKIP_WITHOUT_FFMPEG() \
    if (!HaveFfmpeg()) GTEST_SKIP() << "the ffmpeg command is missing (scripts/setup.sh installs it)"

// ffmpeg's output from inputs into a temp file called name; empty when it fails.
std::string Ffmpeg(const std::string& inputs, const std::string& options, const std::string& name) {
    const std::string out = testwav::WriteTempFile({}, name);
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + inputs + " " +
                                options + " '" + out + "'";
    return std::system(command.c_str()) == 0 ? out : std::string();
}

std::string BlackVideo(double seconds) {
    return "-f lavfi -i color=c=black:s=64x64:r=10:d=" + std::to_string(seconds);
}

using clitest::CliRun;
using clitest::RunPirolex;

// "Marke A: Spalte 122, ..." -> 122.
int Column(const std::string& out, char marker) {
    std::smatch m;
    const std::regex pattern(std::string("Marke ") + marker + ": Spalte (\\d+)");
    return std::regex_search(out, m, pattern) ? std::stoi(m[1]) : -1;
}

class FormatsTest : public WindowTest {
protected:
    // The column between lowHz and highHz with the most drawn pixels: where the 2D picture's
    // trace of a tone stands.
    int TraceColumn(double lowHz, double highHz) {
        const PlotCanvas& canvas = Window().Parts().canvas;
        const FrequencyAxis axis = AxisFor(State().session.GetRecording(), State().session.CurrentSettings(), State().session.View());
        int best = -1, bestCount = -1;
        for (int x = axis.NearestColumn(lowHz, canvas.Width());
             x <= axis.NearestColumn(highHz, canvas.Width()); ++x) {
            int count = 0;
            for (int y = 0; y < canvas.Height(); ++y) count += (canvas.Pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
            if (count > bestCount) std::tie(best, bestCount) = std::pair{x, count};
        }
        return best;
    }
    std::pair<int, int> Traces() { return {TraceColumn(4400, 5500), TraceColumn(3500, 4400)}; }
};

struct MadeFile {
    const char* name;
    bool video;
    const char* options;
};

TEST_F(FormatsTest, TheSampleAsM4aAndAsMp4VideoMeasuresAndDrawsLikeTheWav) {
    SKIP_WITHOUT_FFMPEG();
    const std::string wav = PIROLEX_SAMPLE;
    const CliRun wavRun = RunPirolex({"measure", wav, "--a", "4822.8", "--b", "3961.6"});
    ASSERT_EQ(wavRun.status, 0) << wavRun.err;
    Start({wav});
    const std::pair<int, int> wavTraces = Traces();
    for (const MadeFile& made : {MadeFile{"sample.m4a", false, "-c:a aac"},
                                 MadeFile{"sample.mp4", true, "-c:v mpeg4 -c:a aac -shortest"}}) {
        SCOPED_TRACE(made.name);
        const std::string file =
            Ffmpeg((made.video ? BlackVideo(10) + " " : std::string()) + "-i '" + wav + "'",
                   made.options, made.name);
        ASSERT_FALSE(file.empty());
        const CliRun run = RunPirolex({"measure", file, "--a", "4822.8", "--b", "3961.6"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NEAR(Column(run.out, 'A'), Column(wavRun.out, 'A'), 1) << run.out;
        EXPECT_NEAR(Column(run.out, 'B'), Column(wavRun.out, 'B'), 1) << run.out;
        if (Column(run.out, 'A') == Column(wavRun.out, 'A') && Column(run.out, 'B') == Column(wavRun.out, 'B')) {
            EXPECT_EQ(run.out, wavRun.out);
        }

        Load(file);
        EXPECT_TRUE(fake_.messages.empty()) << fake_.messages.front().text.toStdString();
        EXPECT_TRUE(State().fileLoaded);
        EXPECT_EQ(State().session.GetRecording().sampleRate, 44100);
        EXPECT_TRUE(Ui().SpanEdit->isHidden()) << "ten seconds fit the picture";
        const std::pair<int, int> traces = Traces();
        EXPECT_NEAR(traces.first, wavTraces.first, 1);
        EXPECT_NEAR(traces.second, wavTraces.second, 1);
    }
}

// A stereo FLAC with its tone on the right channel only: the channel group is offered, "rechts"
// and "beide" draw the tone where "links" has none, and `render --channel rechts` draws the
// window's picture.
TEST_F(FormatsTest, TheRightChannelOfAStereoFlacIsDrawn) {
    SKIP_WITHOUT_FFMPEG();
    const std::string flac = Ffmpeg(
        "-f lavfi -i anullsrc=r=8000:cl=mono -f lavfi -i sine=frequency=1000:sample_rate=8000",
        "-filter_complex amerge=inputs=2 -t 2 -c:a flac", "right_only.flac");
    ASSERT_FALSE(flac.empty());
    Start({flac});
    ASSERT_TRUE(State().fileLoaded);
    EXPECT_TRUE(Ui().KanalRadioGroup->isEnabled());
    const auto toneRows = [this] {
        const PlotCanvas& canvas = Window().Parts().canvas;
        const FrequencyAxis axis = AxisFor(State().session.GetRecording(), State().session.CurrentSettings(), State().session.View());
        const int x = axis.NearestColumn(1000.0, canvas.Width());
        int rows = 0;
        for (int y = 0; y < canvas.Height(); ++y) rows += (canvas.Pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        return rows;
    };
    const std::pair<const char*, bool> channels[] = {{"links", false}, {"rechts", true}, {"beide", true}};
    for (int i = 0; i < 3; ++i) {
        Ui().KanalRadioGroup->SetItemIndex(i);
        EXPECT_EQ(toneRows() > 100, channels[i].second) << channels[i].first << ": " << toneRows();
    }

    Ui().KanalRadioGroup->SetItemIndex(1);
    const std::string png = testwav::WriteTempFile({}, "right_only.png");
    const CliRun run = RunPirolex({"render", flac, "-o", png, "--channel", "rechts"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32),
              Window().Parts().canvas.Image().convertToFormat(QImage::Format_RGB32));
}

// The window's box and the command line's stderr say why; the earlier recording and its
// picture stay.
TEST_F(FormatsTest, AVideoWithoutSoundAndACutFileAreRefusedAndKeepTheRecording) {
    SKIP_WITHOUT_FFMPEG();
    const std::string silent = Ffmpeg(BlackVideo(2), "-c:v mpeg4", "silent.mp4");
    const std::string whole = Ffmpeg("-i '" + std::string(PIROLEX_SAMPLE) + "'", "-c:a aac", "whole.m4a");
    ASSERT_FALSE(silent.empty());
    ASSERT_FALSE(whole.empty());
    // The index of an M4A comes last: cut off, nothing can be decoded.
    std::ifstream in(whole, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    bytes.resize(bytes.size() * 6 / 10);
    const std::string cut = testwav::WriteTempFile(bytes, "cut.m4a");

    Start({PIROLEX_SAMPLE});
    const int64_t frames = State().session.GetRecording().FrameCount();
    const QImage picture = Window().Parts().canvas.Image().copy();
    const std::pair<std::string, std::string> cases[] = {
        {silent, "Keine Tonspur in der Datei"},
        {cut, "Datei beschädigt oder unvollständig"},
    };
    for (const auto& [file, message] : cases) {
        SCOPED_TRACE(file);
        fake_.messages.clear();
        Load(file);
        ASSERT_EQ(fake_.Errors().size(), 1u);
        EXPECT_EQ(fake_.Errors()[0].toStdString(), message);
        EXPECT_FALSE(State().fileLoaded);
        EXPECT_EQ(State().session.GetRecording().FrameCount(), frames);
        EXPECT_EQ(Window().Parts().canvas.Image(), picture);

        const CliRun run = RunPirolex({"info", file});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, message + "\n");
    }
}

TEST_F(FormatsTest, ADroppedM4aIsTakenAndLoadedLikeAChosenOne) {
    Start();
    const std::string phone = testwav::WriteTempFile({0, 0, 0, 0}, "phone.M4A");
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(phone))});
    const std::unique_ptr<QMimeData> owned(mime);
    QDragEnterEvent enter(QPoint(400, 200), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(&Window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    Window().FormDropFiles(phone);
    EXPECT_EQ(State().fileName, phone);
    ASSERT_EQ(fake_.Errors().size(), 1u) << "four zero bytes are no recording";
}

// A minute with the pass at 50 s: more than a picture holds, so it shows a span.
class LongRecordingTest : public WindowTest {
protected:
    static constexpr double kPassSeconds = 50.0;
    static flyby::Params Pass() {
        flyby::Params p;
        p.seconds = 60.0;
        p.passSeconds = kPassSeconds;
        p.limitToProgramFrames = false;
        return p;
    }
    static const std::string& LongWav() {
        static const std::string path = testwav::WriteTempFile(flyby::MakeWav(Pass()), "long_flyby.wav");
        return path;
    }
    // The minute as M4A, long enough to decode for a while; empty when ffmpeg fails.
    static const std::string& LongM4a() {
        static const std::string path = Ffmpeg("-i '" + LongWav() + "'", "-c:a aac", "long_flyby.m4a");
        return path;
    }
    // The pass as heard: emitted at 50 s, heard closestDistance / c later.
    static bool ShowsPass(int64_t firstFrame, int32_t rate) {
        const double heard = kPassSeconds + Pass().closestDistance / flyby::SoundSpeed(Pass().temperature);
        const double from = double(firstFrame) / rate, to = double(firstFrame + kMaxFrames) / rate;
        return from + 1.0 < heard && heard < to - 1.0;
    }
};

TEST_F(LongRecordingTest, TheDefaultSpanShowsThePassInTheWindowAndOnTheCommandLine) {
    Start({LongWav()});
    const int32_t rate = State().session.GetRecording().sampleRate;
    EXPECT_EQ(State().session.GetRecording().FrameCount(), int64_t(60 * rate)) << "the whole minute is kept";
    ASSERT_TRUE(!Ui().SpanEdit->isHidden());
    EXPECT_TRUE(!Ui().SpanLabel->isHidden());
    EXPECT_EQ(Ui().SpanLabel->text(), "Ausschnitt ab");
    EXPECT_TRUE(ShowsPass(State().session.SpanFirst(), rate)) << State().session.SpanFirst();
    EXPECT_EQ(Ui().StatusBar1->PanelText(4).toStdString(),
              "1024 Filter, " + texts::SpanPanel(State().session.SpanFirst(), kMaxFrames, rate));
    // The lines spread over the span, as over a recording that fits: the picture is full.
    EXPECT_EQ(State().session.LineStep(), (kMaxFrames - 1023) / 800);

    PlotRequest request;
    request.file = LongWav();
    EXPECT_EQ(LoadPlot(request, &DecodeFile)->session.SpanFirst(), State().session.SpanFirst()) << "the command line draws what the window shows";
    request.start = 0.0;
    EXPECT_EQ(LoadPlot(request, &DecodeFile)->session.SpanFirst(), 0);

    // A new start waits for the debounce, as the other display controls do.
    const int runs = Window().Parts().recomputeRuns;
    Ui().SpanEdit->setValue(2.5);
    EXPECT_EQ(Window().Parts().recomputeRuns, runs);
    EXPECT_TRUE(Window().Parts().timer1.isActive());
    Window().Timer1Timer();
    EXPECT_EQ(State().session.SpanFirst(), int64_t(2.5 * rate));
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), "1024 Filter, Ausschnitt 2.5-18.4 s");

    // A short recording after it hides the control again.
    Load(MonoFile("after_long.wav"));
    EXPECT_TRUE(Ui().SpanEdit->isHidden());
    EXPECT_EQ(State().session.SpanFirst(), 0);
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), "1024 Filter");
}

TEST_F(LongRecordingTest, TheAutomaticEstimateFindsThePassInTheWholeRecording) {
    const RecordingFile file = ReadRecordingFile(LongWav(), &DecodeFile);
    ASSERT_TRUE(file.Ok());
    const AutoSpeed speed = EstimateSpeed(file.recording, Pass().temperature);
    ASSERT_TRUE(speed.Answered()) << int(speed.refusal);
    EXPECT_NEAR(speed.speedKmh, Pass().speedKmh, 0.01 * Pass().speedKmh);
    EXPECT_NEAR(speed.closestTimeS, kPassSeconds, 0.5);
}

// Esc while the minute decodes: the earlier recording, name and picture stay, and no box.
TEST_F(LongRecordingTest, ACancelledDecodeLeavesEverythingAsItWas) {
    SKIP_WITHOUT_FFMPEG();
    const std::string& m4a = LongM4a();
    ASSERT_FALSE(m4a.empty());
    Start({PIROLEX_SAMPLE});
    const int64_t frames = State().session.GetRecording().FrameCount();
    const QImage picture = Window().Parts().canvas.Image().copy();
    const QString title = Window().windowTitle();
    QTimer::singleShot(0, &Window(), [this] {
        EXPECT_FALSE(Ui().CancelButton->isHidden()) << "shown while the file decodes";
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&Window(), &esc);
    });
    Load(m4a);
    EXPECT_TRUE(fake_.messages.empty());
    EXPECT_EQ(State().fileName, PIROLEX_SAMPLE);
    EXPECT_TRUE(State().fileLoaded);
    EXPECT_EQ(Window().windowTitle(), title);
    EXPECT_EQ(State().session.GetRecording().FrameCount(), frames);
    EXPECT_EQ(Window().Parts().canvas.Image(), picture);
    EXPECT_TRUE(Ui().CancelButton->isHidden());
    EXPECT_TRUE(Ui().Gauge1->isHidden());

    // Left alone, the same file loads, with its span around the pass.
    Load(m4a);
    EXPECT_TRUE(fake_.messages.empty());
    EXPECT_EQ(State().fileName, m4a);
    EXPECT_TRUE(ShowsPass(State().session.SpanFirst(), State().session.GetRecording().sampleRate));
}

// While the minute decodes, no key but Ctrl+Q does anything: each of the others would open a
// dialog or run a command behind the guard, which keeps all input from it. Once the load has
// ended, cancelled, failed or done, every key works again.
TEST_F(LongRecordingTest, KeysAreOffWhileADecodeRuns) {
    SKIP_WITHOUT_FFMPEG();
    const std::string& m4a = LongM4a();
    const std::string flac = Ffmpeg("-i '" + MonoFile("keys_short.wav") + "'", "-c:a flac", "keys_short.flac");
    ASSERT_FALSE(m4a.empty());
    ASSERT_FALSE(flac.empty());
    struct Key {
        const char* name;
        QKeyCombination key;
        std::function<int()> count;
    };
    const Key keys[] = {
        {"Ctrl+O", Qt::CTRL | Qt::Key_O, [this] { return fake_.dialogs; }},
        {"Ctrl+S", Qt::CTRL | Qt::Key_S, [this] { return int(fake_.saveSuggestions.size()); }},
        {"Ctrl+P", Qt::CTRL | Qt::Key_P, [this] { return fake_.printDialogs; }},
        {"F5", QKeyCombination(Qt::Key_F5), [this] { return Window().Parts().recomputeRuns; }},
        {"F1", QKeyCombination(Qt::Key_F1), [this] { return int(fake_.messages.size()); }},
        {"Ctrl+C", Qt::CTRL | Qt::Key_C,
         [] { return QGuiApplication::clipboard()->text().isEmpty() ? 0 : 1; }},
    };
    // Each key pressed once: whether it did something.
    const auto pressed = [&](const std::string& when) {
        QGuiApplication::clipboard()->clear();
        for (const Key& k : keys) {
            const int before = k.count();
            QTest::keyClick(Ui().Image1, k.key.key(), k.key.keyboardModifiers());
            EXPECT_EQ(k.count() != before, when != "during the decode") << k.name << " " << when;
        }
    };
    Start({PIROLEX_SAMPLE});
    Window().show();  // shown and active, so that its keys reach it
    QApplication::setActiveWindow(&Window());
    QTimer::singleShot(0, &Window(), [&] {
        pressed("during the decode");
        const int exits = fake_.exits;
        QTest::keyClick(Ui().Image1, Qt::Key_Q, Qt::ControlModifier);
        EXPECT_EQ(fake_.exits, exits + 1) << "Ctrl+Q ends the program, even now";
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&Window(), &esc);
    });
    Load(m4a);
    ASSERT_EQ(State().fileName, PIROLEX_SAMPLE) << "cancelled";
    pressed("after a cancelled load");
    Load(testwav::WriteTempFile({0, 0, 0, 0}, "keys_broken.m4a"));
    ASSERT_FALSE(State().fileLoaded);
    Load(flac);
    ASSERT_TRUE(State().fileLoaded);
    pressed("after a failed and a good load");
    Window().hide();
}

}  // namespace
}  // namespace pirolex::testing
