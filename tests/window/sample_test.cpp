// The recording that comes with the project: made by the project's own fly-by synthesiser with
// the command the README gives, and a first run on it measures the speed it was made with.
#include "audio_decoder.h"
#include "cli.h"
#include "flyby.h"
#include "offscreen_plot.h"
#include "plot_commands.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace pirolex::testing {
namespace {

const std::string kSample = PIROLEX_SAMPLE;

// pirolex-flyby --speed 120 --temp 15 --seconds 10 --freq 4350 -o samples/flyby-120kmh.wav
flyby::Params SampleParams() {
    flyby::Params p;
    p.speedKmh = 120.0;
    p.temperature = 15.0;
    p.seconds = 10.0;
    p.baseFrequency = 4350.0;
    return p;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Sample, IsTheSynthesisersOutputForTheDocumentedCommand) {
    const std::vector<uint8_t> file = ReadAll(kSample);
    ASSERT_FALSE(file.empty()) << kSample;
    EXPECT_LT(file.size(), 1000000u);
    EXPECT_TRUE(file == flyby::MakeWav(SampleParams()))
        << "samples/flyby-120kmh.wav is not what the fly-by synthesiser makes now; regenerate it with\n"
           "  build/tools/pirolex-flyby --speed 120 --temp 15 --seconds 10 --freq 4350 -o samples/flyby-120kmh.wav";
}

// Each channel's strongest column below maxHz in rows [top, bottom): where the engine tone is.
int ToneColumn(const PlotCanvas& canvas, const WindowState& state, int top, int bottom, double maxHz) {
    int best = -1, bestCount = -1;
    for (int x = state.session.View().plotLeft + 1; x < canvas.Width(); ++x) {
        if (AxisFor(state.session.GetRecording(), state.session.CurrentSettings(), state.session.View()).LabelHz(x) > maxHz) break;
        int count = 0;
        for (int y = top; y < bottom; ++y) count += canvas.Pixel(x, y) != kWhite;
        if (count > bestCount) {
            best = x;
            bestCount = count;
        }
    }
    return best;
}

double ShownSpeed(const QString& label) {
    return label.section(QLatin1Char(' '), 1, 1, QString::SectionSkipEmpty).toDouble();
}

class SampleTest : public WindowTest {};

// What ./scripts/run shows: the sample opened at start-up. Clicking the tone where the plane
// approaches (the first lines, at the bottom) and where it recedes (the last lines, at the
// top) gives 120 km/h within the resolution the window shows.
TEST_F(SampleTest, ClickingTheVisibleToneMeasuresTheTrueSpeed) {
    Start({kSample});
    ASSERT_TRUE(State().fileLoaded);
    const PlotCanvas& canvas = Window().Parts().canvas;
    const int base = State().session.View().baselineY;
    const int approach = ToneColumn(canvas, State(), base - 40, base - 5, 6000.0);
    const int recede = ToneColumn(canvas, State(), base - 190, base - 150, 6000.0);
    Window().show();
    QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(approach, 100));
    QTest::mouseClick(Ui().Image1, Qt::RightButton, {}, QPoint(recede, 100));
    Window().hide();
    const QString label = Ui().Label1->text();
    const double resolution = label.section(QStringLiteral("(±"), 1).trimmed().section(' ', 0, 0).toDouble();
    ASSERT_GT(resolution, 0.0) << label.toStdString();
    EXPECT_NEAR(ShownSpeed(label), 120.0, resolution) << label.toStdString();
}

TEST(Sample, MeasureAtTheSynthesisedFrequenciesGivesTheTrueSpeed) {
    const flyby::Params p = SampleParams();
    std::string args[] = {"pirolex", "measure", kSample, "--a", std::to_string(flyby::ApproachFrequency(p)),
                          "--b", std::to_string(flyby::RecedeFrequency(p))};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    ASSERT_EQ(RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err, &DecodeFile, PlotSubcommands(&DecodeFile)), 0)
        << err.str();
    EXPECT_EQ(out.str().substr(0, out.str().find('\n')), "Geschwindigkeit: 120.00 km/h (± 6.00 km/h) ");
}

// The program itself, as a user without a display calls it: no DISPLAY, no platform chosen.
struct ProcessRun {
    int status;
    QString out, err;
};

ProcessRun RunProgram(const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PIROLEX_BINARY), args);
    // A bound, not a measurement: a hung program fails the test instead of stalling the suite.
    if (!process.waitForFinished(60000)) return {-1, {}, QStringLiteral("did not finish")};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(Program, RendersTheSampleWithoutADisplay) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("x.png"));
    const ProcessRun run =
        RunProgram({QStringLiteral("render"), QString::fromStdString(kSample), QStringLiteral("-o"), png});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage picture(png, "png");
    EXPECT_EQ(picture.size(), QSize(615, 271));

    // The same picture as the program's own render in this process.
    PlotRequest request;
    request.file = kSample;
    std::unique_ptr<OffscreenPlot> plot = LoadPlot(request, &DecodeFile);
    PlotCanvas canvas = MakePlotBitmap(request);
    DrawPlot(*plot, canvas, request);
    EXPECT_TRUE(picture.convertToFormat(QImage::Format_RGB32) == canvas.Image());
}

TEST(Program, ABadOptionExitsTwoWithOneLine) {
    const ProcessRun run = RunProgram({QStringLiteral("render"), QString::fromStdString(kSample),
                                       QStringLiteral("-o"), QStringLiteral("x.png"), QStringLiteral("--fft"),
                                       QStringLiteral("32768")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.toStdString(),
              "pirolex render: --fft 32768: erlaubt sind 128, 256, 512, 1024, 2048, 4096, 8192 und 16384 (pirolex --help zeigt die Aufrufe)\n");
    EXPECT_TRUE(run.out.isEmpty());
}

// Other formats go through the decoder module the program loads on demand, next to it.
TEST(Program, ReadsOtherFormatsThroughItsDecoderModule) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "the ffmpeg command is missing";
    QTemporaryDir dir;
    const std::string flac = dir.filePath(QStringLiteral("sample.flac")).toStdString();
    const std::string make = "ffmpeg -nostdin -loglevel error -i '" + kSample + "' '" + flac + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const ProcessRun run = RunProgram({QStringLiteral("info"), QString::fromStdString(flac)});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("441000 Samples"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Codec: "))) << run.out.toStdString();
}

}  // namespace
}  // namespace pirolex::testing
