// A take with several passes in the window: the list "Vorbeiflüge" after the automatic
// measurement, a row choosing its pass's span, the list saved as CSV; the span moved by the wheel
// over the plot and by a click on the overview strip.
#include "flyby.h"
#include "messages.h"
#include "overview_strip.h"
#include "pass_panel.h"
#include "picture_session.h"
#include "plot_view.h"
#include "pass_records.h"
#include "picture_samples.h"
#include "small_disk.h"
#include "spectrogram_renderer.h"
#include "take.h"
#include "tone_band.h"
#include "wav_writer.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTest>
#include <QWheelEvent>

#include <fstream>
#include <sstream>

namespace pirolex::testing {
namespace {

constexpr int kRate = 22050;

// Three passes of 3 kHz, 20 s apart, in a take of 70 s: longer than a picture holds.
const std::string& ThreePassTake() {
    static const std::string path = [] {
        flyby::Take take;
        take.sampleRate = kRate;
        take.seconds = 70.0;
        for (const auto& [at, kmh] : {std::pair{15.0, 100.0}, std::pair{35.0, 140.0}, std::pair{55.0, 180.0}}) {
            flyby::Params p;
            p.speedKmh = kmh;
            p.baseFrequency = 3000.0;
            p.passSeconds = at;
            take.passes.push_back(p);
        }
        return testwav::WriteTempFile(flyby::TakeWav(take), "window_three_passes.wav");
    }();
    return path;
}

class PassesTest : public WindowTest {
protected:
    double ShownSeconds() { return double(kMaxFrames) / kRate; }
    double SpanFrom() { return double(State().session.SpanFirst()) / kRate; }
    bool SpanShows(double seconds) { return SpanFrom() + 1.0 < seconds && seconds < SpanFrom() + ShownSeconds() - 1.0; }
    // Where the picture as it is now shows `hz` at `seconds` of the take.
    QPoint PlotPoint(double hz, double seconds) {
        const PictureSession& session = State().session;
        const TimeAxis time = session.Time();
        int32_t line = 1;
        for (int32_t n = 1; n <= time.LinesInSpan(); ++n)
            if (std::abs(time.Seconds(n) - seconds) < std::abs(time.Seconds(line) - seconds)) line = n;
        return {session.ColumnOf(session.MarkerAtHz(hz, 0.0)), LineRow(session.View(), line)};
    }
};

// A new search (another temperature or top speed) keeps the clicks taken for a pass it refuses
// again, their speed worked out anew, unless that speed is doubtful now; a pass it answers, or
// one elsewhere, takes nothing.
TEST(TakenClicks, ANewSearchCarriesThemToThePassRefusedAgain) {
    Recording recording;
    recording.sampleRate = kRate;
    recording.channels = {std::vector<int16_t>(size_t(kRate) * 3)};
    PictureSession session;
    session.Load(std::move(recording));
    session.SetView(ViewForImage({615, 271}));
    QWidget window;
    MeasurementPanel panel(&window, session);
    session.SetMarker(MarkerSide::kA, session.MarkerAtHz(3517.0, 0.1));
    session.SetMarker(MarkerSide::kB, session.MarkerAtHz(2615.0, 0.1));
    panel.KeepTaken(55.1);
    const double at15 = session.SpeedOf(*session.Marker(MarkerSide::kA), *session.Marker(MarkerSide::kB))->kmh;
    ASSERT_NEAR(at15, 180.0, 3.0);
    struct Case {
        double temperature;
        int top;
        bool carried;  // to the refused pass heard 0.3 s later (the last: nothing left to carry)
    };
    for (const Case& c : {Case{35.0, 450, true}, Case{15.0, 450, true}, Case{15.0, 150, false}, Case{15.0, 450, false}}) {
        session.EditSettings().temperature = c.temperature;
        session.EditSettings().maxSpeedKmh = c.top;
        std::vector<FlybyPass> passes(3);
        for (auto [pass, heard, refusal] : {std::tuple{&passes[0], 55.4, AutoSpeedRefusal::kNoFit},
                                            std::tuple{&passes[1], 15.0, AutoSpeedRefusal::kNoFit},
                                            std::tuple{&passes[2], 55.6, AutoSpeedRefusal::kNone}}) {
            pass->heardS = heard;
            pass->speed.refusal = refusal;
        }
        panel.CarryTaken(passes);
        SCOPED_TRACE(c.temperature);
        ASSERT_EQ(passes[0].clicked.has_value(), c.carried) << c.top;
        EXPECT_FALSE(passes[1].clicked || passes[2].clicked);
        EXPECT_EQ(panel.ShowTaken(55.4), c.carried);
        if (c.carried) {
            EXPECT_NEAR(passes[0].clicked->kmh / at15, std::sqrt((273.15 + c.temperature) / (273.15 + 15)), 0.001);
        }
    }
}

// Band and FFT size follow the pass chosen, until the user sets a band: that stays, also for the
// next pass, until "Band um den Ton"; a new recording shows the whole band again.
TEST_F(PassesTest, TheBandFollowsThePassChosenUntilTheUserSetsOne) {
    Start({ThreePassTake()});
    Window().show();
    const Settings& settings = State().session.CurrentSettings();
    const auto bandHolds = [&](int row) {
        const AutoSpeed& speed = Window().Parts().passes.Passes()[size_t(row)].speed;
        return settings.BandZoomed() && settings.bandLowHz < speed.recedeFrequencyHz &&
               speed.approachFrequencyHz < settings.bandHighHz && settings.bandHighHz - settings.bandLowHz < 3000;
    };
    Window().ToolButton9Click();
    WaitForSearch();
    ASSERT_EQ(Ui().PassList->count(), 3);
    EXPECT_TRUE(bandHolds(0)) << settings.bandLowHz << ".." << settings.bandHighHz;
    const double firstLow = settings.bandLowHz;
    Ui().PassList->setCurrentRow(2);
    EXPECT_TRUE(bandHolds(2)) << settings.bandLowHz << ".." << settings.bandHighHz;
    EXPECT_NE(settings.bandLowHz, firstLow) << "the faster pass's band is wider";

    Ui().BandToEdit->setValue(5000);
    Ui().BandFromEdit->setValue(1000);
    Ui().PassList->setCurrentRow(0);
    EXPECT_EQ(settings.bandLowHz, 1000);
    EXPECT_EQ(settings.bandHighHz, 5000);
    Ui().BandToneButton->click();
    EXPECT_TRUE(bandHolds(0)) << settings.bandLowHz << ".." << settings.bandHighHz;

    Load(MonoFile("window_band_after_passes.wav"));
    EXPECT_FALSE(settings.BandZoomed());
    Window().hide();
}

// A pass the fit refused (above "höchstens") measured by two clicks: "als Messung übernehmen"
// takes their speed only while nothing about it is doubtful; the row then shows it as "zwei
// Klicks", the list writes it, the record names the pass, and choosing the pass again shows the
// markers taken.
// PIROLEX_WINDOW_SHOTS=DIR keeps the window after the search, the row chosen and the clicks taken
// as DIR/take-searched.png, take-row.png and take-taken.png (run under Xvfb for the real look).
TEST_F(PassesTest, TwoClicksOnARefusedPassBecomeItsMeasurement) {
    const QString shots = qEnvironmentVariable("PIROLEX_WINDOW_SHOTS");
    const auto shot = [&](const char* name) {
        if (shots.isEmpty()) return;
        Window().Timer1Timer();
        Window().grab().save(shots + QStringLiteral("/") + QString::fromUtf8(name));
    };
    Start({ThreePassTake()});
    Window().show();
    QPushButton* take = Window().Parts().passes.TakeButton();
    Ui().TopSpeedEdit->setValue(160);
    Window().ToolButton9Click();
    WaitForSearch();
    shot("take-searched.png");
    ASSERT_EQ(Ui().PassList->count(), 3);
    EXPECT_TRUE(take->isHidden()) << "pass 1 has its speed";
    Ui().PassList->setCurrentRow(2);
    shot("take-row.png");
    const FlybyPass& pass = Window().Parts().passes.Passes()[2];
    ASSERT_FALSE(pass.speed.Answered());
    EXPECT_FALSE(State().session.Marker(MarkerSide::kA).has_value()) << "pass 1's markers went";
    EXPECT_FALSE(take->isHidden());
    EXPECT_FALSE(take->isEnabled());

    flyby::Params p;
    p.speedKmh = 180.0;
    p.baseFrequency = 3000.0;
    const QPoint a = PlotPoint(flyby::ApproachFrequency(p), 55.0 - 3.0);
    const QPoint b = PlotPoint(flyby::RecedeFrequency(p), 55.0 + 3.0);
    Window().Image1MouseDown(Qt::LeftButton, a.x(), a.y());
    Window().Image1MouseDown(Qt::RightButton, b.x(), b.y());
    EXPECT_TRUE(Ui().Label1->text().contains(QStringLiteral("zweifelhaft: mehr als höchstens 160 km/h")))
        << Ui().Label1->text().toStdString();
    EXPECT_EQ(Ui().PassList->currentRow(), 2) << "the refused pass stays chosen for its clicks";
    EXPECT_FALSE(take->isEnabled());
    Ui().TopSpeedEdit->setValue(2000);
    ASSERT_TRUE(take->isEnabled()) << Ui().Label1->text().toStdString();
    const QString label = Ui().Label1->text();
    take->click();
    shot("take-taken.png");

    ASSERT_TRUE(pass.clicked.has_value());
    EXPECT_NEAR(pass.clicked->kmh, 180.0, 180.0 * 0.03);
    EXPECT_EQ(Ui().PassList->item(2)->text().toStdString(), texts::PassListRow(pass));
    EXPECT_TRUE(Ui().PassList->item(2)->text().endsWith(QStringLiteral("km/h – zwei Klicks")));
    const auto named = [&] {
        const texts::RecordValues record = MeasurementRecord(Window());
        return record.pass == "3 bei " + texts::PassTime(Window().Parts().passes.Passes()[2].heardS) &&
               record.source == "zwei Klicks";
    };
    EXPECT_TRUE(named());
    const std::string csv = testwav::WriteTempFile({}, "window_taken_clicks.csv");
    fake_.saveChoices.push_back(csv);
    Ui().SavePassListButton->click();
    std::ifstream in(csv);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find(",zwei Klicks\n"), std::string::npos) << text.str();

    Ui().PassList->setCurrentRow(0);
    EXPECT_FALSE(named());
    Ui().PassList->setCurrentRow(2);
    EXPECT_EQ(Ui().Label1->text(), label);
    EXPECT_TRUE(named());
    Ui().SpanEdit->setValue(0.0);
    EXPECT_EQ(Ui().PassList->currentRow(), -1) << "the span shows another part of the take";
    EXPECT_TRUE(take->isHidden());
    EXPECT_FALSE(named());
    Window().hide();
}

TEST_F(PassesTest, ARowOfTheListShowsItsPassInItsSpanAndTheListSavesAsCsv) {
    Start({ThreePassTake()});
    Window().show();
    Window().ToolButton9Click();
    WaitForSearch();
    ASSERT_EQ(Ui().PassList->count(), 3);
    const std::vector<FlybyPass>& passes = Window().Parts().passes.Passes();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Ui().PassList->item(i)->text().toStdString(), texts::PassListRow(passes[size_t(i)]));
    EXPECT_EQ(Ui().PassList->currentRow(), 0) << "the first pass stands";
    EXPECT_TRUE(SpanShows(passes[0].heardS));

    Ui().PassList->setCurrentRow(2);
    EXPECT_TRUE(SpanShows(passes[2].heardS)) << SpanFrom();
    EXPECT_TRUE(SpanShows(passes[2].speed.closestTimeS));
    ASSERT_TRUE(passes[2].speed.Answered());
    EXPECT_NEAR(passes[2].speed.speedKmh, 180.0, 180.0 * 0.03);
    EXPECT_EQ(Ui().Label1->text().toStdString(), texts::WindowAutoSpeedText(passes[2].speed));
    EXPECT_EQ(Ui().PassDetails->text().toStdString(), texts::AutoSpeedDetails(passes[2].speed));
    EXPECT_NEAR(State().session.Marker(MarkerSide::kA)->hz, passes[2].speed.approachFrequencyHz, 1e-9);
    EXPECT_EQ(MeasurementRecord(Window()).pass, "3 bei " + texts::PassTime(passes[2].heardS));

    const std::string csv = testwav::WriteTempFile({}, "window_three_passes.csv");
    fake_.saveChoices.push_back(csv);
    Ui().SavePassListButton->click();
    EXPECT_TRUE(fake_.Errors().empty());
    std::ifstream in(csv);
    std::stringstream text;
    text << in.rdbuf();
    // The synthesised file has no date of its own: the list takes the time it was written.
    const texts::TakeFacts take{.temperatureC = 15.0, .recorded = State().recorded};
    EXPECT_EQ(State().recorded.substr(0, 2), "20");
    EXPECT_EQ(text.str(), texts::PassCsvHeader({}) + texts::PassCsvRow("window_three_passes.wav", passes[0], {}, take) +
                              texts::PassCsvRow("window_three_passes.wav", passes[1], {}, take) +
                              texts::PassCsvRow("window_three_passes.wav", passes[2], {}, take));

    // The dialog's second file type: the German spreadsheet's CSV.
    const std::string german = testwav::WriteTempFile({}, "window_three_passes_de.csv");
    fake_.saveChoices.push_back(german);
    fake_.listGerman = true;
    Ui().SavePassListButton->click();
    std::ifstream inGerman(german);
    std::string header, row;
    std::getline(inGerman, header);
    EXPECT_EQ(header.rfind("\xEF\xBB\xBF" "Datei;Vorbeiflug;Gehört (s);Geschwindigkeit (km/h);", 0), 0u) << header;
    int rows = 0;
    while (std::getline(inGerman, row)) {
        ++rows;
        // Only the file's name keeps its point: "window_three_passes.wav;1;15,020;100,3...".
        EXPECT_EQ(row.find('.'), row.find(".wav;")) << row;
        EXPECT_NE(row.find(','), std::string::npos) << row;
    }
    EXPECT_EQ(rows, 3);
    Window().hide();
}

// "Länge" and Strg with the wheel: the span shorter and longer around its middle, from 2 s up to
// the whole take, whose span then needs no start.
TEST_F(PassesTest, LengthAndStrgWheelMakeTheSpanShorterAndLonger) {
    Start({ThreePassTake()});
    Window().show();
    ASSERT_TRUE(Ui().SpanLengthEdit->isVisible());
    EXPECT_NEAR(Ui().SpanLengthEdit->value(), ShownSeconds(), 0.05);
    const double middle = SpanFrom() + ShownSeconds() / 2;
    Ui().SpanLengthEdit->setValue(5.0);
    EXPECT_EQ(State().session.SpanFrames(), 5 * kRate);
    EXPECT_NEAR(SpanFrom() + 2.5, middle, 0.06);
    // PIROLEX_SPAN_SHOT=PATH keeps a picture of the window with its span of 5 s, to look at.
    if (const QString shot = qEnvironmentVariable("PIROLEX_SPAN_SHOT"); !shot.isEmpty()) {
        Window().Timer1Timer();
        Window().grab().save(shot);
    }
    EXPECT_NEAR(Ui().SpanEdit->maximum(), 65.0, 0.05);
    const auto turn = [&](int eighths) {
        QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, eighths), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Ui().Image1, &wheel);
    };
    turn(120);
    EXPECT_NEAR(Ui().SpanLengthEdit->value(), 4.0, 0.05) << "a fifth shorter";
    turn(-240);
    EXPECT_NEAR(Ui().SpanLengthEdit->value(), 6.25, 0.051);
    Window().Timer1Timer();
    const TimeAxis time = State().session.Time();
    EXPECT_GT(time.lines, 100);
    EXPECT_LE(time.FirstFrame(time.lines) + time.fftSize, time.spanFirst + State().session.SpanFrames());
    for (int i = 0; i < 30; ++i) turn(120);
    EXPECT_NEAR(Ui().SpanLengthEdit->value(), 2.0, 1e-9) << "no shorter than 2 s";
    Ui().SpanLengthEdit->setValue(70.0);
    EXPECT_EQ(State().session.SpanFirst(), 0);
    EXPECT_FALSE(Ui().SpanEdit->isVisible()) << "the whole take shows";
    Window().hide();
}

// "Liste speichern" onto a really full disk: the old list stays whole, not cut mid-row.
TEST_F(PassesTest, AFullDiskKeepsTheOldList) {
    testsupport::SmallDisk disk("pirolex_list_full_");
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
    const std::string old = "Datei;Vorbeiflug\nalt.wav;1\n";
    disk.Put("old.csv", old);
    disk.FillLeaving(0);
    Start({ThreePassTake()});
    Window().ToolButton9Click();
    WaitForSearch();
    ASSERT_EQ(Window().Parts().passes.Passes().size(), 3u);
    const std::string csv = (disk.Path() / "old.csv").string();
    fake_.saveChoices.push_back(csv);
    Ui().SavePassListButton->click();
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0].toStdString(),
              "Liste konnte nicht gespeichert werden: " + csv + " (E/A-Fehler 28: Kein Platz mehr auf dem Datenträger)");
    EXPECT_EQ(disk.Read("old.csv"), old);
    EXPECT_EQ(disk.Names().size(), 2u) << "a temporary file stayed";
}

// A notch is a tenth of the span, towards later times away from the user; the span stays within
// the recording. The new span waits for the debounce, as typed seconds do.
TEST_F(PassesTest, TheWheelOverThePlotScrollsTheSpanInTime) {
    Start({ThreePassTake()});
    Window().show();
    Ui().SpanEdit->setValue(10.0);
    Window().Timer1Timer();
    const auto turn = [&](int eighths) {
        QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, eighths), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Ui().Image1, &wheel);
    };
    turn(120);
    EXPECT_TRUE(Window().Parts().timer1.isActive());
    Window().Timer1Timer();
    EXPECT_NEAR(SpanFrom(), 10.0 + ShownSeconds() / 10.0, 0.1);  // on the control's tenths
    turn(-240);
    Window().Timer1Timer();
    EXPECT_NEAR(SpanFrom(), 10.0 - ShownSeconds() / 10.0, 0.1);
    turn(120 * 50);
    Window().Timer1Timer();
    EXPECT_NEAR(SpanFrom() + ShownSeconds(), 70.0, 0.1) << "clamped at the end";
    Window().hide();
}

// A click on the strip centres the span on the moment under it.
TEST_F(PassesTest, AClickOnTheOverviewMovesTheSpanThere) {
    Start({ThreePassTake()});
    Window().show();
    OverviewStrip* strip = Ui().Overview;
    ASSERT_TRUE(strip->isVisible());
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(strip->ColumnOf(40.0), strip->height() / 2));
    Window().Timer1Timer();
    EXPECT_NEAR(SpanFrom() + ShownSeconds() / 2, 40.0, 70.0 / strip->width() + 0.1);
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(1, strip->height() / 2));
    Window().Timer1Timer();
    EXPECT_EQ(State().session.SpanFirst(), 0);
    Window().hide();
}

// While the search runs the window goes on: F1 and Strg+O answer (shortcuts the held input used
// to eat, which froze the window behind the dialog they opened), a tool button works, the
// overview strip and the wheel move the span, the passes are listed as they are found, and the
// search shows its progress with "Abbrechen". The span the user moved is not taken away afterwards.
TEST_F(PassesTest, TheWindowAnswersWhileTheSearchRuns) {
    Start({ThreePassTake()});
    Window().show();
    QApplication::setActiveWindow(&Window());
    Ui().SpanEdit->setValue(0.0);
    Window().Timer1Timer();
    bool searchShown = false;
    QString progress;
    int dialogs = -1, recomputes = -1;
    double spanAfterStrip = -1.0;
    QTimer::singleShot(0, &Window(), [&] {
        searchShown = !Ui().CancelButton->isHidden();
        progress = Ui().AsideProgress ? Ui().AsideProgress->text() : QString();
        // PIROLEX_WINDOW_SHOTS=DIR keeps the window during the search as DIR/take-searching.png.
        if (const QString shots = qEnvironmentVariable("PIROLEX_WINDOW_SHOTS"); !shots.isEmpty())
            Window().grab().save(shots + QStringLiteral("/take-searching.png"));
        QTest::keyClick(&Window(), Qt::Key_F1);
        QTest::keyClick(&Window(), Qt::Key_O, Qt::ControlModifier);  // the dialog is cancelled
        dialogs = fake_.dialogs;
        const int before = Window().Parts().recomputeRuns;
        Ui().ToolButton3->click();
        recomputes = Window().Parts().recomputeRuns - before;
        QTest::mouseClick(Ui().Overview, Qt::LeftButton, {}, QPoint(Ui().Overview->ColumnOf(40.0), Ui().Overview->height() / 2));
        spanAfterStrip = Ui().SpanEdit->value();
        QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 120 * 30), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Ui().Image1, &wheel);
    });
    int listedDuring = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &Window(), [&] {
        if (Window().Parts().searching) listedDuring = std::max(listedDuring, Ui().PassList->count());
    });
    watch.start(5);
    const int dialogsBefore = fake_.dialogs;
    Ui().ToolButton9->click();
    WaitForSearch();
    EXPECT_TRUE(searchShown) << "Abbrechen shown during the search";
    EXPECT_TRUE(progress.startsWith(QStringLiteral("Suche … ")) && progress.endsWith(QStringLiteral(" %")))
        << progress.toStdString();
    EXPECT_EQ(dialogs, dialogsBefore + 1) << "Strg+O opens the dialog at once";
    EXPECT_EQ(recomputes, 1) << "a tool button click is taken";
    EXPECT_NEAR(spanAfterStrip + ShownSeconds() / 2, 40.0, 0.2) << "the strip moves the span";
    EXPECT_GT(listedDuring, 0) << "passes listed while the search goes on";
    ASSERT_EQ(fake_.messages.size(), 1u) << "the info box, at once";
    EXPECT_EQ(fake_.messages[0].kind, MessageKind::Information);
    Window().Timer1Timer();
    EXPECT_NEAR(SpanFrom() + ShownSeconds(), 70.0, 0.1) << "the span stays where the wheel took it";
    ASSERT_EQ(Ui().PassList->count(), 3);
    EXPECT_EQ(Ui().PassList->currentRow(), 2) << "the pass in the span shown";
    Window().hide();
}

// Esc ends the search; what stood before stays.
TEST_F(PassesTest, EscCancelsTheSearch) {
    Start({ThreePassTake()});
    Window().show();
    QApplication::setActiveWindow(&Window());
    QTimer::singleShot(0, &Window(), [&] { QTest::keyClick(&Window(), Qt::Key_Escape); });
    Ui().ToolButton9->click();
    WaitForSearch();
    EXPECT_TRUE(Ui().CancelButton->isHidden());
    EXPECT_LT(Ui().PassList->count(), 3);
    EXPECT_EQ(Ui().Label1->text(), QString());
    Window().hide();
}

// A pass stands only over its own span and band: moving the span away ends it, choosing a pass
// outside the band shows the whole band, and Strg+Z back to before the search leaves no row
// chosen.
TEST_F(PassesTest, ThePassChosenStandsOnlyWhereItIsShown) {
    Start({ThreePassTake()});
    Window().show();
    QApplication::setActiveWindow(&Window());
    Ui().ToolButton9->click();
    WaitForSearch();
    ASSERT_EQ(Ui().PassList->currentRow(), 0);
    ASSERT_TRUE(Ui().Label1->text().endsWith(QStringLiteral("automatisch gemessen")));
    Ui().SpanEdit->setValue(45.0);
    EXPECT_FALSE(Ui().Label1->text().endsWith(QStringLiteral("automatisch gemessen"))) << "pass 1 is not shown";
    EXPECT_FALSE(State().session.Marker(MarkerSide::kA).has_value());
    EXPECT_EQ(Ui().PassList->currentRow(), -1);

    Ui().BandFromEdit->setValue(100);
    Ui().BandToEdit->setValue(600);  // the pass's tone lies near 3 kHz
    ASSERT_TRUE(State().session.CurrentSettings().BandZoomed());
    Ui().PassList->setCurrentRow(1);
    EXPECT_FALSE(State().session.CurrentSettings().BandZoomed()) << "the whole band, with the pass in it";

    QTest::keyClick(Ui().PassList, Qt::Key_Z, Qt::ControlModifier);
    WaitForSearch();
    EXPECT_EQ(Ui().PassList->currentRow(), -1) << "no pass stands after Strg+Z";
    EXPECT_TRUE(Ui().PassDetails->text().isEmpty());
    EXPECT_FALSE(Ui().Label1->text().endsWith(QStringLiteral("automatisch gemessen")));
    Window().hide();
}

// Strg+Z goes back through one history in the order the user acted: a take ("als Messung
// übernehmen") before the clicks that made it, a second take to the first, its speed worked out
// at the temperature set since. A take taken back leaves row, list and record as before it; the
// refused pass stays chosen while its clicks are taken back.
TEST_F(PassesTest, StrgZTakesBackATakeBeforeItsClicks) {
    Start({ThreePassTake()});
    Window().show();
    QApplication::setActiveWindow(&Window());
    Ui().TopSpeedEdit->setValue(160);
    Window().ToolButton9Click();
    WaitForSearch();
    Ui().PassList->setCurrentRow(2);
    const TPirolex::Panels parts = Window().Parts();
    const auto pass = [&]() -> const FlybyPass& { return parts.passes.Passes()[2]; };  // a new list at 35 °C
    flyby::Params p;
    p.speedKmh = 180.0;
    p.baseFrequency = 3000.0;
    const QPoint a = PlotPoint(flyby::ApproachFrequency(p), 52.0);
    const QPoint b = PlotPoint(flyby::RecedeFrequency(p), 58.0);
    Window().Image1MouseDown(Qt::LeftButton, a.x(), a.y());
    Window().Image1MouseDown(Qt::RightButton, b.x(), b.y());
    Ui().TopSpeedEdit->setValue(2000);
    parts.passes.TakeButton()->click();
    ASSERT_TRUE(pass().clicked.has_value());
    const FlybyPass::Clicked first = *pass().clicked;
    Ui().SnapBox->setChecked(false);
    Window().Image1MouseDown(Qt::RightButton, b.x() - 8, b.y());
    parts.passes.TakeButton()->click();
    const FlybyPass::Clicked second = *pass().clicked;
    ASSERT_NE(second.hzB, first.hzB);
    const double warmer = std::sqrt((273.15 + 35) / (273.15 + 15));
    Ui().SpinEdit1->setValue(35.0);
    EXPECT_NEAR(pass().clicked->kmh / second.kmh, warmer, 0.001) << "the row's speed too";

    struct Case {
        std::optional<double> takenB;  // the pass's row: the clicks taken, or its refusal
        std::optional<double> markerB;
    };
    for (const Case& c : {Case{first.hzB, second.hzB}, Case{first.hzB, first.hzB}, Case{std::nullopt, first.hzB},
                          Case{std::nullopt, std::nullopt}}) {
        QTest::keyClick(Ui().PassList, Qt::Key_Z, Qt::ControlModifier);
        SCOPED_TRACE(Ui().PassList->item(2)->text().toStdString());
        ASSERT_EQ(Ui().PassList->currentRow(), 2);
        ASSERT_EQ(pass().clicked.has_value(), c.takenB.has_value());
        if (c.takenB) {
            EXPECT_EQ(pass().clicked->hzB, *c.takenB);
            EXPECT_NEAR(pass().clicked->kmh / first.kmh, warmer, 0.001) << "taken at 15 °C, worked out at 35 °C";
        }
        EXPECT_EQ(Ui().PassList->item(2)->text().endsWith(QStringLiteral("zwei Klicks")), c.takenB.has_value());
        const std::string csv = parts.passes.Csv("take.wav", {}, {});
        EXPECT_EQ(csv.find(",zwei Klicks\n") != std::string::npos, c.takenB.has_value());
        const std::optional<PlacedMarker>& markerB = State().session.Marker(MarkerSide::kB);
        EXPECT_EQ(markerB ? std::optional(markerB->hz) : std::nullopt, c.markerB);
        EXPECT_TRUE(State().session.Marker(MarkerSide::kA).has_value());
        EXPECT_EQ(MeasurementRecord(Window()).pass.empty(), !c.takenB || c.takenB != c.markerB);
    }
    Window().hide();
}

// "Band um den Ton" goes by what is measured: the automatic measurement, else both markers, else
// the chosen pass's tones; with none of them it is disabled and does nothing. The band then lies
// around those tones as it does around the fit's.
TEST_F(PassesTest, TheBandGoesAroundWhatIsMeasured) {
    Start({ThreePassTake()});
    Window().show();
    const Settings& settings = State().session.CurrentSettings();
    const PictureSession& session = State().session;
    flyby::Params p;
    p.speedKmh = 100.0;
    p.baseFrequency = 3000.0;
    const QPoint a = PlotPoint(flyby::ApproachFrequency(p), 12.0);
    const QPoint b = PlotPoint(flyby::RecedeFrequency(p), 18.0);
    enum class Around { kNothing, kMarkers, kPass };
    const std::pair<std::function<void()>, Around> steps[] = {
        {[] {}, Around::kNothing},
        {[&] { Window().Image1MouseDown(Qt::LeftButton, a.x(), a.y()); }, Around::kNothing},
        {[&] { Window().Image1MouseDown(Qt::RightButton, b.x(), b.y()); }, Around::kMarkers},
        {[&] {
             Ui().TopSpeedEdit->setValue(160);
             Window().ToolButton9Click();
             WaitForSearch();
             Ui().PassList->setCurrentRow(2);  // refused, where the fit heard its tones
         },
         Around::kPass},
        {[&] { Window().Image1MouseDown(Qt::LeftButton, a.x(), a.y()); }, Around::kPass},
        {[&] { Ui().SpanEdit->setValue(0.0); }, Around::kNothing},
    };
    for (const auto& [act, around] : steps) {
        SCOPED_TRACE(int(&act - &steps[0].first));
        act();
        Ui().BandFromEdit->setValue(100);
        Ui().BandToEdit->setValue(600);
        ASSERT_EQ(Ui().BandToneButton->isEnabled(), around != Around::kNothing);
        Ui().BandToneButton->click();
        const AutoSpeed* fit = Window().Parts().passes.Chosen() ? &Window().Parts().passes.Chosen()->speed : nullptr;
        const auto hz = [&](MarkerSide side) { return session.Marker(side)->hz; };
        const std::optional<ToneBand> band =
            around == Around::kMarkers ? BandAroundTone(hz(MarkerSide::kA), hz(MarkerSide::kB), kRate)
            : around == Around::kPass  ? BandAroundTone(fit->approachFrequencyHz, fit->recedeFrequencyHz, kRate)
                                       : std::nullopt;
        ASSERT_EQ(band.has_value(), around != Around::kNothing);
        EXPECT_EQ(settings.bandLowHz, band ? band->lowHz : 100);
        EXPECT_EQ(settings.bandHighHz, band ? band->highHz : 600);
        EXPECT_EQ(settings.fftExponent, band ? band->fftExponent : settings.fftExponent);
    }
    Window().hide();
}

// Two tones close together call for a large FFT size; on a recording shorter than its block the
// band gets the largest size a block of which it holds, and a picture, not the notice of none.
// The next recording gives the size back and shows its name where the size's handler writes.
TEST_F(PassesTest, TheBandAroundTheToneKeepsASizeTheRecordingHolds) {
    Start({MonoFile("window_short_tone_band.wav", 8000, 4000)});
    Ui().SnapBox->setChecked(false);
    Window().Image1MouseDown(Qt::LeftButton, 101, 100);
    Window().Image1MouseDown(Qt::RightButton, 100, 100);
    const std::optional<PlacedMarker>& a = State().session.Marker(MarkerSide::kA);
    ASSERT_GT(BandAroundTone(a->hz, State().session.Marker(MarkerSide::kB)->hz, 8000)->fftExponent, 11);
    Ui().BandToneButton->click();
    EXPECT_EQ(State().session.CurrentSettings().fftExponent, 11);
    EXPECT_FALSE(Ui().Label1->text().contains(QStringLiteral("FFT-Block"))) << Ui().Label1->text().toStdString();
    const std::string next = MonoFile("window_after_short_band.wav");
    Load(next);
    EXPECT_EQ(State().session.CurrentSettings().fftExponent, 10);
    EXPECT_EQ(Ui().StatusBar1->PanelText(0).toStdString(), next);
    // At a size larger than the recording the automatic answer stays in the label, also where
    // the pass redraws the picture (its tone lies outside a band set by hand).
    flyby::Params shortPass;
    shortPass.sampleRate = 8000;
    shortPass.seconds = 1.8;
    shortPass.baseFrequency = 1000.0;
    Load(testwav::WriteTempFile(flyby::MakeWav(shortPass), "window_short_pass.wav"));
    Ui().TrackBar1->setValue(14);
    Ui().BandToEdit->setValue(3000);
    Ui().BandFromEdit->setValue(2000);
    Window().Timer1Timer();
    Window().ToolButton9Click();
    WaitForSearch();
    EXPECT_TRUE(Ui().Label1->text().startsWith(QStringLiteral("Geschwindigkeit: "))) << Ui().Label1->text().toStdString();
}

// The span moved by "Ausschnitt ab" or resized by "Länge" alike: a pass chosen stays chosen only
// while the span shows it; and a search that chooses a pass brings it into the span.
TEST_F(PassesTest, ThePassChosenGoesWithASpanThatNoLongerShowsIt) {
    flyby::Take late;
    late.sampleRate = kRate;
    late.seconds = 60.0;
    flyby::Params p;
    p.speedKmh = 120.0;
    p.baseFrequency = 3000.0;
    p.passSeconds = 50.0;
    late.passes.push_back(p);
    Start({testwav::WriteTempFile(flyby::TakeWav(late), "window_late_pass.wav")});
    Window().show();
    Ui().SpanEdit->setValue(0.0);
    ASSERT_LT(SpanFrom() + ShownSeconds(), 45.0);
    Window().ToolButton9Click();
    WaitForSearch();
    ASSERT_TRUE(Window().Parts().measurement.Automatic()->Answered());
    EXPECT_TRUE(SpanShows(50.0)) << SpanFrom();

    Load(ThreePassTake());
    Window().ToolButton9Click();
    WaitForSearch();
    const double moment = Window().Parts().passes.Passes()[0].speed.closestTimeS;
    struct Case {
        double start;
        double length;
        bool chosen;
    };
    for (const Case& c : {Case{45.0, 0.0, false}, Case{moment - 0.5, 2.0, false}, Case{moment - 0.5, 20.0, true}}) {
        SCOPED_TRACE(c.length);
        Ui().PassList->setCurrentRow(0);
        ASSERT_EQ(Window().Parts().passes.ChosenIndex(), 0);
        Ui().SpanEdit->setValue(c.start);
        if (c.length > 0) Ui().SpanLengthEdit->setValue(c.length);
        EXPECT_EQ(Ui().PassList->currentRow() == 0, c.chosen);
        EXPECT_EQ(Window().Parts().measurement.Automatic().has_value(), c.chosen);
    }
    Window().hide();
}

}  // namespace
}  // namespace pirolex::testing
