// A long random session against the headless window. A seeded sequence of user actions (loads of
// good and broken files, FLAC and MP3 among them, loads cancelled while they decode, cancelled
// dialogs, every command and control, the automatic measurement and the copied record, clicks
// anywhere with any button with and without the snap, typed and stepped temperatures, typed band
// limits and span starts, resizes to sizes below the smallest window and up to a very large one,
// and the debounce timer running out) is checked after every single action against what must
// always hold: the recording's counts, the FFT size values, the file commands' enabled state,
// a plot with a positive scale, markers kept by every recompute and cleared by a load, typed
// values held inside their fields' ranges and shown as taken, and no message other than the
// program's own run-time errors, never a floating-point one.
//
// The seed is printed first. A failure names the seed and the action; to replay it:
//   PIROLEX_SESSION_SEED=<seed> pirolex_session_tests --gtest_filter='RandomSession.*'
// PIROLEX_SESSION_ACTIONS sets a different number of actions (for a longer soak).
#include "picture_samples.h"
#include "session_files.h"
#include "measurement_panel.h"
#include "search_wait.h"
#include "session_seams.h"

#include "widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>

namespace pirolex::session {
namespace {

constexpr uint64_t kDefaultSeed = 20240607;
constexpr int kDefaultActions = 2400;
constexpr size_t kRecentActions = 12;
const char* const kPlatformMessage = "Wiedergabe nicht möglich: Gerät belegt";

uint64_t EnvNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    return std::strtoull(text, nullptr, 0);
}

// What the session has exercised, so a change that makes it skip its hard parts shows.
struct Coverage {
    int goodLoads = 0, brokenLoads = 0, unopenableLoads = 0, cancelledDialogs = 0;
    int recomputes = 0, markersCleared = 0, markersPlaced = 0, eventClicks = 0, speedsShown = 0;
    int noSpeeds = 0;
    int narrowWindows = 0, zeroScaleWindows = 0, hugeWindows = 0, timerExpiries = 0;
    int plays = 0, prints = 0, saves = 0, saveErrors = 0, drops = 0, refusedDrops = 0;
    int oneDimensionalRecomputes = 0;
    int otherFormatLoads = 0, cancelledLoads = 0, autoMeasures = 0, copies = 0, snapClicks = 0;
    int snappedMarkers = 0;
    int bandEntries = 0, spanEntries = 0, typedTemperatures = 0;
    std::map<std::string, int> errors;
};

// The state an action starts from, for the checks after it.
struct Before {
    int runs = 0;
    size_t messages = 0;
    std::optional<PlacedMarker> markerA, markerB;
    int64_t sampleCount = 0;
    int32_t storedCount = 0, sampleRate = 0;
    std::string fileName;
};

enum class Expect { Nothing, Load, Refused, Info, Play, Save, Cancel, Passes };

const char* const kSaveFailed = "Grafik konnte nicht gespeichert werden: ";
// Markers whose frequencies add up to 0 Hz.
const char* const kNoSpeed = "Geschwindigkeit: keine (Marken ergeben keine Frequenz über 0 Hz)";

// No action of a user may end in one of these: the window has a size at which every picture can
// be drawn, and two markers that give no speed are said so in the speed label.
// The same marker: placed at the same frequency and column, not placed again.
bool SameMarker(const std::optional<PlacedMarker>& a, const std::optional<PlacedMarker>& b) {
    if (!a || !b) return !a && !b;
    return a->hz == b->hz && a->column == b->column && a->spreadHz == b->spreadHz;
}

bool IsFloatingPointError(const QString& text) {
    return text == QString::fromUtf8("Gleitkommadivision durch Null") ||
           text == QString::fromUtf8("Ungültige Gleitkommaoperation");
}

class RandomSession : public ::testing::Test {
protected:
    void SetUp() override {
        seed_ = EnvNumber("PIROLEX_SESSION_SEED", kDefaultSeed);
        actions_ = static_cast<int>(
            std::max<uint64_t>(1, EnvNumber("PIROLEX_SESSION_ACTIONS", kDefaultActions)));
        std::cout << "[ session  ] seed " << seed_ << ", " << actions_
                  << " actions (replay with PIROLEX_SESSION_SEED=" << seed_ << ")" << std::endl;
        RecordProperty("seed", std::to_string(seed_));
        rng_.seed(seed_);
        files_ = WriteSessionFiles(folder_.Path());
        for (const WavCase& c : files_) {
            byPath_[c.path.string()] = &c;
            if (c.kind != WavKind::Unopenable)
                snapshots_[c.path.string()] = FileSnapshot::Take(c.path);
        }
        pdf_ = folder_.Path() / "print.pdf";
        pictures_ = folder_.Path() / "pictures";
        std::filesystem::create_directories(pictures_);
        notes_ = folder_.Path() / "notes.txt";
        WriteFile(notes_, {'k', 'e', 'i', 'n', ' ', 'W', 'A', 'V', '\n'});
        folderBefore_ = FolderEntries(folder_.Path());
    }

    // ---- random choices, from the seed alone ----
    int Below(int n) { return static_cast<int>(rng_() % static_cast<uint64_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    bool Chance(int percent) { return Below(100) < percent; }
    const WavCase& AnyFile(WavKind kind) {
        std::vector<const WavCase*> pool;
        for (const WavCase& c : files_)
            if (c.kind == kind) pool.push_back(&c);
        return *pool[static_cast<size_t>(Below(static_cast<int>(pool.size())))];
    }

    TPirolex& W() { return *window_; }
    const WindowUi& Ui() { return window_->Ui(); }
    WindowState& State() { return window_->State(); }

    std::string Context() const {
        std::ostringstream s;
        s << "seed " << seed_ << ", action " << step_ << " ("
          << (recent_.empty() ? "" : recent_.back())
          << "); replay with PIROLEX_SESSION_SEED=" << seed_;
        return s.str();
    }

    Before Remember() {
        const WindowState& s = State();
        return {.runs = W().Parts().recomputeRuns,
                .messages = seams_.messages.size(),
                .markerA = s.session.Marker(MarkerSide::kA),
                .markerB = s.session.Marker(MarkerSide::kB),
                .sampleCount = s.session.GetRecording().FrameCount(),
                .storedCount = PictureSamples(s.session.GetRecording(), 0).Count(),
                .sampleRate = s.session.GetRecording().sampleRate,
                .fileName = s.fileName};
    }

    // ---- the actions; each returns what it did, for the failure messages ----
    std::string Load(const std::optional<std::string>& choice) {
        seams_.choices = {choice};
        // A cancelled dialog changes nothing.
        expect_ = choice ? Expect::Load : Expect::Nothing;
        if (!choice) ++coverage_.cancelledDialogs;
        W().ToolButton1Click();
        return choice ? "load " + std::filesystem::path(*choice).filename().string()
                      : "cancel dialog";
    }

    std::string LoadSome() {
        const int pick = Below(100);
        if (pick < 58) return Load(AnyFile(WavKind::Good).path.string());
        if (pick < 83) return Load(AnyFile(WavKind::Broken).path.string());
        if (pick < 88) return Load(AnyFile(WavKind::Unopenable).path.string());
        if (pick < 94 || !HasKind(WavKind::Long)) return Load(std::nullopt);
        return CancelLoad();
    }

    bool HasKind(WavKind kind) const {
        return std::any_of(files_.begin(), files_.end(), [kind](const WavCase& c) { return c.kind == kind; });
    }

    // The minute chosen, and as soon as the window waits for it to decode, Esc, "Abbrechen" or
    // closing the window. Should the decode be done first, it is an ordinary load.
    std::string CancelLoad() {
        static const char* const ways[] = {"Esc", "Abbrechen", "closing the window"};
        const int way = Below(3);
        QTimer cancel;
        cancel.setSingleShot(true);
        QObject::connect(&cancel, &QTimer::timeout, [this, way] {
            if (way == 0) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&W(), &esc);
            } else if (way == 1) {
                Ui().CancelButton->click();
            } else {
                QCloseEvent close;
                QCoreApplication::sendEvent(&W(), &close);
            }
        });
        cancel.start(0);
        Load(AnyFile(WavKind::Long).path.string());
        expect_ = Expect::Cancel;
        return std::string("load minute.flac, cancelled by ") + ways[way];
    }

    std::string Command() {
        switch (Below(15)) {
        case 11:
        case 12: return AutoMeasure();
        case 13:
        case 14: return CopyRecord();
        case 0:
        case 1:
        case 2: Ui().ToolButton3->click(); return "compute button";
        case 3: W().ToolButton3Click(); return "compute handler";
        case 4:
            seams_.playResult = Chance(30) ? QString::fromUtf8(kPlatformMessage) : QString();
            expect_ = Expect::Play;
            Ui().ToolButton2->click();
            return "play";
        case 5:
        case 6: {
            const bool confirm = Chance(25);
            seams_.pdf = confirm ? std::optional(pdf_) : std::nullopt;
            const int dialogs = seams_.printDialogs;
            Ui().ToolButton4->click();
            if (confirm && seams_.printDialogs > dialogs) {
                EXPECT_GT(std::filesystem::file_size(pdf_), 0u) << "the printout";
                std::filesystem::remove(pdf_);
                ++coverage_.prints;
            }
            return confirm ? "print to PDF" : "print, dialog cancelled";
        }
        case 7:
            expect_ = Expect::Info;
            Ui().ToolButton8->click();
            return "info";
        case 8:
        case 9: return SavePicture();
        default: {
            const int exits = seams_.exits;
            Ui().ToolButton5->click();
            EXPECT_EQ(seams_.exits, exits + 1);
            return "exit";
        }
        }
    }

    // "Automatisch messen": a speed or the reason why not, in the label.
    std::string AutoMeasure() {
        const size_t messages = seams_.messages.size();
        // The fit's markers replace the placed ones; a take with several passes shows the one
        // standing in its span, a recompute with the pass's markers.
        expect_ = Expect::Passes;
        Ui().ToolButton9->click();
        EXPECT_TRUE(testsupport::WaitForSearch(W()));
        if (State().fileLoaded && seams_.messages.size() == messages) {
            ++coverage_.autoMeasures;
            const QString label = Ui().Label1->text();
            EXPECT_TRUE(label.startsWith(QStringLiteral("Geschwindigkeit: ")) ||
                        label.startsWith(QStringLiteral("keine Messung: ")))
                << "automatic measurement: " << label.toStdString();
            EXPECT_TRUE(W().Parts().measurement.Automatic());
        }
        return "measure automatically";
    }

    // "Messung kopieren": one line with the temperature as the field shows it and the file's name.
    std::string CopyRecord() {
        QGuiApplication::clipboard()->clear();
        Ui().ToolButton10->click();
        const QString line = QGuiApplication::clipboard()->text();
        if (State().fileLoaded) {
            ++coverage_.copies;
            const QString file =
                QString::fromStdString(std::filesystem::path(State().fileName).filename().string());
            EXPECT_TRUE(line.contains(QStringLiteral("Lufttemperatur: ") + Ui().SpinEdit1->text()))
                << line.toStdString();
            EXPECT_TRUE(line.contains(QStringLiteral("Datei: ") + file)) << line.toStdString();
            EXPECT_FALSE(line.contains(QLatin1Char('\n')));
        } else {
            EXPECT_TRUE(line.isEmpty()) << "nothing to copy";
        }
        return "copy the measurement";
    }

    // The picture as PNG: the dialog cancelled, a writable folder, or a folder that is not there.
    std::string SavePicture() {
        const int pick = Below(100);
        const std::filesystem::path good = pictures_ / "plot.png";
        seams_.png = pick < 35   ? std::nullopt
                     : pick < 85 ? std::optional(good)
                                 : std::optional(folder_.Path() / "gone" / "plot.png");
        const size_t asked = seams_.suggestedNames.size();
        expect_ = Expect::Save;
        Ui().ToolButton7->click();
        if (seams_.suggestedNames.size() > asked) {
            const QString suggested = seams_.suggestedNames.back();
            EXPECT_NE(suggested.toStdString(), State().fileName) << "never over the recording";
            EXPECT_TRUE(suggested.endsWith(QStringLiteral(".png"))) << suggested.toStdString();
            if (seams_.png == good) {
                std::ifstream in(good, std::ios::binary);
                char magic[4] = {};
                in.read(magic, 4);
                EXPECT_EQ(std::string(magic + 1, 3), "PNG") << "the saved picture";
                in.close();
                std::filesystem::remove(good);
                ++coverage_.saves;
            }
        }
        if (!seams_.png) return "save picture, dialog cancelled";
        return "save picture to " + seams_.png->string();
    }

    // One WAV file of any kind, a file of another type, or two files, dragged onto the window.
    std::string Drop() {
        const int pick = Below(100);
        QList<QUrl> urls;
        std::string what, dropped;
        if (pick < 70) {
            const WavKind kind = pick < 45   ? WavKind::Good
                                 : pick < 62 ? WavKind::Broken
                                             : WavKind::Unopenable;
            const WavCase& c = AnyFile(kind);
            urls = {QUrl::fromLocalFile(QString::fromStdString(c.path.string()))};
            what = c.name;
            dropped = c.path.string();
        } else if (pick < 85) {
            urls = {QUrl::fromLocalFile(QString::fromStdString(notes_.string()))};
            what = notes_.filename().string();
        } else {
            for (int i = 0; i < 2; ++i) {
                const WavCase& c = AnyFile(WavKind::Good);
                urls.push_back(QUrl::fromLocalFile(QString::fromStdString(c.path.string())));
            }
            what = "two WAV files";
        }
        const bool wav = pick < 70;
        expect_ = wav ? Expect::Load : Expect::Refused;
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        enter.setAccepted(!wav);
        QCoreApplication::sendEvent(&W(), &enter);
        EXPECT_EQ(enter.isAccepted(), wav) << "drag of " << what;
        QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject&>(W()).event(&drop);
        // The load is queued behind the drop; deliver it without running any timer.
        QCoreApplication::sendPostedEvents(&W(), QEvent::MetaCall);
        if (wav) {
            EXPECT_EQ(State().fileName, dropped) << "the dropped file is loaded";
            ++coverage_.drops;
        }
        return "drop " + what;
    }

    std::string Radio(RadioGroup* group, const char* name) {
        const int i = Below(group->Count());
        group->Button(i)->click();
        return std::string(name) + " " + std::to_string(i);
    }

    std::string Slider(QSlider* slider, const char* name) {
        if (Chance(50)) {
            const int v = Between(slider->minimum() - 2, slider->maximum() + 2);
            slider->setValue(v);
            return std::string(name) + " = " + std::to_string(v);
        }
        static const QAbstractSlider::SliderAction steps[] = {
            QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepSub,
            QAbstractSlider::SliderPageStepAdd,   QAbstractSlider::SliderPageStepSub,
            QAbstractSlider::SliderToMinimum,     QAbstractSlider::SliderToMaximum};
        slider->triggerAction(steps[Below(6)]);
        return std::string(name) + " step to " + std::to_string(slider->value());
    }

    // Typed into a field as a user does: the old text selected, the new one typed, Enter.
    void Type(QAbstractSpinBox* box, const std::string& text) {
        box->selectAll();
        QTest::keyClicks(box, QString::fromStdString(text));
        QTest::keyClick(box, Qt::Key_Return);
    }

    // "von" or "bis": a limit inside or beyond the recording's band, or the whole band again.
    std::string Band() {
        if (Chance(15)) {
            Ui().BandResetButton->click();
            return "whole band";
        }
        const bool from = Chance(50);
        QSpinBox* edit = from ? Ui().BandFromEdit : Ui().BandToEdit;
        const int hz = Chance(70) ? Between(0, edit->maximum()) : Between(0, 60000);
        Type(edit, std::to_string(hz));
        ++coverage_.bandEntries;
        EXPECT_EQ(edit->value(), std::min(hz, edit->maximum()))
            << "a limit beyond the band is held at its end";
        EXPECT_EQ(edit->text(), QString::number(edit->value()) + QStringLiteral(" Hz"));
        return std::string(from ? "von " : "bis ") + std::to_string(hz);
    }

    // "Ausschnitt ab", in tenths of a second, beyond the recording's end now and then; shown only
    // for a recording longer than a picture holds, so one is often loaded first when none is.
    std::string Span() {
        std::string loaded;
        if (Ui().SpanEdit->isHidden() && Chance(60)) {
            for (const WavCase& c : files_)
                if (c.name == "long_m8.wav") loaded = Load(c.path.string()) + ", ";
        }
        QDoubleSpinBox* edit = Ui().SpanEdit;
        const int tenths = Chance(70) ? Between(0, static_cast<int>(edit->maximum() * 10))
                                      : Between(0, 3000);
        char text[32];
        std::snprintf(text, sizeof text, "%d.%d", tenths / 10, tenths % 10);
        Type(edit, text);
        if (!edit->isHidden()) ++coverage_.spanEntries;
        EXPECT_DOUBLE_EQ(edit->value(), std::min(tenths / 10.0, edit->maximum())) << text;
        EXPECT_EQ(edit->text(), QString::number(edit->value(), 'f', 1) + QStringLiteral(" s"));
        return loaded + "span from " + text;
    }

    std::string Control() {
        switch (Below(14)) {
        case 10:
            Ui().SnapBox->click();
            return std::string("snap ") + (Ui().SnapBox->isChecked() ? "on" : "off");
        case 11:
        case 12: return Band();
        case 13: return Span();
        case 0:
        case 1: return Radio(Ui().KanalRadioGroup, "channel");
        case 2:
        case 3: return Radio(Ui().GrafikRadio, "picture");
        case 4: return Radio(Ui().GenauRadioGroup, "accuracy");
        case 5: Ui().PCheckbox->click(); return "IQ phase box";
        case 6: Ui().CFARCheckBox->click(); return "const. PPL box";
        case 7:
            // Only the visible one of the two filter bars can be moved.
            if (!Ui().GroupBox1->isHidden()) return Slider(Ui().LimTrackBar, "threshold bar");
            return Slider(Ui().CFARTrackBar, "points bar");
        case 8: return Slider(Ui().TrackBar1, "FFT bar");
        default: W().TrackBar1Change(); return "FFT bar handler, position unchanged";
        }
    }

    std::string Temperature() {
        std::string done = ChangeTemperature();
        // An automatic measurement standing is searched again at the new temperature.
        if (W().Parts().searching) expect_ = Expect::Passes;
        EXPECT_TRUE(testsupport::WaitForSearch(W()));
        return done;
    }

    std::string ChangeTemperature() {
        ArrowSpinEdit* spin = Ui().SpinEdit1;
        const int pick = Below(10);
        if (Chance(30)) {
            // Tenths, beyond the range now and then.
            const int tenths = Chance(70) ? Between(-200, 400) : Between(-900, 900);
            char text[32];
            std::snprintf(text, sizeof text, "%s%d.%d", tenths < 0 ? "-" : "", std::abs(tenths) / 10,
                          std::abs(tenths) % 10);
            Type(spin, text);
            ++coverage_.typedTemperatures;
            EXPECT_DOUBLE_EQ(spin->value(), std::clamp(tenths, -200, 400) / 10.0) << text;
            return std::string("temperature typed ") + text;
        }
        if (pick < 7)
            spin->stepBy(Chance(50) ? Between(1, 3) : -Between(1, 3));
        else if (pick < 9)
            spin->stepBy(Chance(50) ? Between(20, 60) : -Between(20, 60));
        else
            spin->setValue(Between(-40, 60));
        return "temperature " + std::to_string(spin->value());
    }

    // Any column: on the plot, left and right of it, on the zero column, or mirrored around it
    // from the other marker (two markers that give no speed).
    int ClickColumn(bool left) {
        const int width = Ui().Image1->width();
        const int other = W().Parts().measurement.MarkerColumn(left ? MarkerSide::kB : MarkerSide::kA);
        const int pick = Below(100);
        if (pick < 6) return State().session.View().plotLeft;
        if (pick < 12) return 2 * State().session.View().plotLeft - other;
        if (pick < 82) return Below(std::max(width, 1));
        return Chance(50) ? -Between(1, 300) : width + Between(0, 300);
    }

    std::string Click() {
        const int pick = Below(100);
        const Qt::MouseButton button = pick < 46   ? Qt::LeftButton
                                       : pick < 92 ? Qt::RightButton
                                                   : Qt::MiddleButton;
        const int x = ClickColumn(button == Qt::LeftButton);
        const int height = Ui().Image1->height();
        const int y = Chance(85) ? Below(std::max(height, 1)) : Between(-100, height + 100);
        std::ostringstream s;
        s << (button == Qt::LeftButton    ? "left"
              : button == Qt::RightButton ? "right"
                                          : "middle")
          << " click at " << x << ", " << y;
        const bool onImage = x >= 0 && y >= 0 && x < Ui().Image1->width() && y < height;
        const bool snapping = Ui().SnapBox->isChecked() && State().fileLoaded &&
                              State().session.CurrentSettings().picture == Picture::k2D;
        if (onImage && Chance(40)) {
            // Through the plot image as a real mouse event, a double click now and then.
            const QEvent::Type type =
                Chance(20) ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress;
            const QPointF at(x, y);
            QMouseEvent press(type, at, Ui().Image1->mapToGlobal(at), button, button,
                              Qt::NoModifier);
            QApplication::sendEvent(Ui().Image1, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, at, Ui().Image1->mapToGlobal(at),
                                button, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(Ui().Image1, &release);
            ++coverage_.eventClicks;
            s << (type == QEvent::MouseButtonDblClick ? " (double, event)" : " (event)");
        } else {
            W().Image1MouseDown(button, x, y);
        }
        if (button != Qt::MiddleButton && snapping) ++coverage_.snapClicks;
        const std::optional<PlacedMarker>& placed =
            button == Qt::LeftButton ? State().session.Marker(MarkerSide::kA) : State().session.Marker(MarkerSide::kB);
        if (button != Qt::MiddleButton && placed && placed->Snapped()) ++coverage_.snappedMarkers;
        return s.str();
    }

    std::string Resize(bool huge) {
        int w = 0, h = 0;
        const int pick = Below(100);
        if (huge) {
            // Each recompute on a plot this size takes long; the session visits it seldom.
            w = Between(2800, 3800), h = Between(1800, 2400);
            ++coverage_.hugeWindows;
        } else if (pick < 14) {
            // Below the smallest window, which the window keeps instead.
            w = Between(80, 231), h = Between(120, 500);
            ++coverage_.narrowWindows;
        } else if (pick < 20) {
            w = 241, h = Between(200, 700);  // once a plot exactly PlotLeft wide: XScale 0
            ++coverage_.zeroScaleWindows;
        } else if (pick < 28) {
            w = 846, h = 438;
        } else {
            w = Between(232, 1600), h = Between(100, 1000);
        }
        ResizeOuter(W(), w, h);
        W().FormResize();
        return "resize to " + std::to_string(w) + " x " + std::to_string(h);
    }

    std::string Timer() {
        if (!W().Parts().timer1.isActive()) return "timer idle";
        ++coverage_.timerExpiries;
        if (Chance(80)) {
            W().Timer1Timer();
            return "timer runs out";
        }
        QMetaObject::invokeMethod(&W().Parts().timer1, "timeout");
        return "timer signals timeout";
    }

    std::string Act() {
        expect_ = Expect::Nothing;
        if (step_ == hugeStep_) return Resize(true);
        const int pick = Below(1000);
        if (pick < 110) return LoadSome();
        if (pick < 125) return Drop();
        if (pick < 190) return Command();
        if (pick < 450) return Control();
        if (pick < 510) return Temperature();
        if (pick < 770) return Click();
        if (pick < 830) return Resize(Below(100) == 0);
        return Timer();
    }

    // ---- the checks after every action ----
    void CheckStore() {
        const WindowState& s = State();
        const int32_t span = PictureSamples(s.session.GetRecording(), 0).Count();
        EXPECT_GE(span, 0);
        EXPECT_LE(span, kMaxFrames);
        EXPECT_LE(span, s.session.GetRecording().FrameCount());
        for (const auto& channel : s.session.GetRecording().channels)
            EXPECT_EQ(static_cast<int64_t>(channel.size()), s.session.GetRecording().FrameCount());
    }

    void CheckFFTSize() {
        const WindowState& s = State();
        ASSERT_GE(s.session.CurrentSettings().fftExponent, 7);
        ASSERT_LE(s.session.CurrentSettings().fftExponent, 14);
        EXPECT_EQ(s.session.CurrentSettings().FftMask(), (1 << s.session.CurrentSettings().fftExponent) - 1);
        EXPECT_EQ(s.session.CurrentSettings().TableStride() * (1 << s.session.CurrentSettings().fftExponent), 1024);
        EXPECT_EQ(s.session.CurrentSettings().fftExponent, Ui().TrackBar1->value());
        EXPECT_EQ(s.filterCount, 1 << s.session.CurrentSettings().fftExponent);
    }

    void CheckControls() {
        const bool loaded = State().fileLoaded;
        EXPECT_EQ(Ui().ToolButton2->isEnabled(), loaded) << "play";
        EXPECT_EQ(Ui().ToolButton3->isEnabled(), loaded) << "compute";
        EXPECT_EQ(Ui().ToolButton4->isEnabled(), loaded) << "print";
        EXPECT_EQ(Ui().ToolButton7->isEnabled(), loaded) << "save picture";
        EXPECT_EQ(int(State().session.CurrentSettings().channel), Ui().KanalRadioGroup->ItemIndex());
        EXPECT_EQ(W().Parts().canvas.Width(), Ui().Image1->width());
        EXPECT_EQ(W().Parts().canvas.Height(), Ui().Image1->height());
        EXPECT_EQ(State().session.View().baselineY, Ui().Image1->height() - 21);
        EXPECT_DOUBLE_EQ(State().session.View().xScale, (Ui().Image1->width() - State().session.View().plotLeft) / 605.0);
        EXPECT_GE(OuterWidth(W()), 300) << "the smallest window";
        EXPECT_GE(OuterHeight(W()), 200) << "the smallest window";
        EXPECT_GT(State().session.View().xScale, 0.0);
        EXPECT_GT(State().session.View().baselineY, 0);
    }

    void CheckRecompute(const Before& before) {
        if (W().Parts().recomputeRuns == before.runs || !State().fileLoaded) return;
        ++coverage_.recomputes;
        if (State().session.CurrentSettings().picture == Picture::k1D) ++coverage_.oneDimensionalRecomputes;
        if (expect_ == Expect::Load) {
            if (before.markerA || before.markerB) ++coverage_.markersCleared;
            EXPECT_FALSE(State().session.Marker(MarkerSide::kA)) << "a load clears the markers";
            EXPECT_FALSE(State().session.Marker(MarkerSide::kB)) << "a load clears the markers";
        } else if (expect_ != Expect::Passes) {
            // An automatic measurement places its own markers at the fit, and while the search
            // runs aside a pending recompute may come due: only other actions must keep them.
            EXPECT_TRUE(SameMarker(State().session.Marker(MarkerSide::kA), before.markerA)) << "a recompute keeps the markers";
            EXPECT_TRUE(SameMarker(State().session.Marker(MarkerSide::kB), before.markerB)) << "a recompute keeps the markers";
        }
        // A recording without one whole FFT block says so there instead.
        const QString shortNotice = QStringLiteral("Aufnahme kürzer als ein FFT-Block (%1 Samples)")
                                        .arg(State().session.CurrentSettings().FftMask() + 1);
        const QString label = Ui().Label1->text();
        const bool measured = State().session.Marker(MarkerSide::kA) && State().session.Marker(MarkerSide::kB);
        // A refused automatic measurement stands with its reason until a marker or a load ends it.
        const bool refused = W().Parts().measurement.Automatic() && !W().Parts().measurement.Automatic()->Answered();
        EXPECT_TRUE(label == shortNotice ||
                    (refused  ? label.startsWith(QStringLiteral("keine Messung: "))
                     : measured ? label.startsWith(QStringLiteral("Geschwindigkeit: "))
                                : label.isEmpty()))
            << "after a recompute the speed label shows the markers' speed or nothing: "
            << label.toStdString();
    }

    void CheckMessages(const Before& before) {
        const size_t count = seams_.messages.size() - before.messages;
        EXPECT_LE(count, 1u) << "a handler ends at its first error";
        for (size_t i = before.messages; i < seams_.messages.size(); ++i) {
            const SinkMessage& m = seams_.messages[i];
            if (m.kind == MessageKind::Information) {
                EXPECT_EQ(expect_, Expect::Info)
                    << "unexpected information: " << m.text.toStdString();
                continue;
            }
            if (expect_ == Expect::Play && m.text == kPlatformMessage) continue;
            if (expect_ == Expect::Save && seams_.png &&
                m.text.startsWith(kSaveFailed + QString::fromStdString(seams_.png->string()))) {
                ++coverage_.saveErrors;
                continue;
            }
            ++coverage_.errors[m.text.toStdString()];
            EXPECT_TRUE(IsProgramError(m.text)) << "foreign error: " << m.text.toStdString();
            EXPECT_FALSE(IsFloatingPointError(m.text)) << "an error box for an ordinary action";
        }
        if (expect_ == Expect::Info) {
            EXPECT_EQ(count, 1u) << "the about box";
        }
    }

    void CheckSpeed(const Before& before) {
        const WindowState& s = State();
        const bool placed = !SameMarker(s.session.Marker(MarkerSide::kA), before.markerA) || !SameMarker(s.session.Marker(MarkerSide::kB), before.markerB);
        if (placed) ++coverage_.markersPlaced;
        if (!s.session.Marker(MarkerSide::kA) || !s.session.Marker(MarkerSide::kB) || seams_.messages.size() != before.messages) return;
        if (W().Parts().recomputeRuns != before.runs) return;
        const QString text = Ui().Label1->text();
        const bool noSpeed = text == QString::fromUtf8(kNoSpeed);
        if (noSpeed) ++coverage_.noSpeeds;
        if (text.startsWith(QStringLiteral("Geschwindigkeit: ")) && !noSpeed) ++coverage_.speedsShown;
        // Both markers set and nothing failed: the last placement, temperature change or automatic
        // measurement wrote it, with why the number is doubtful when it is.
        if (placed) {
            EXPECT_TRUE(noSpeed || (text.startsWith(QStringLiteral("Geschwindigkeit: ")) &&
                                    (text.endsWith(QStringLiteral(" km/h) ")) ||
                                     text.contains(QStringLiteral(" km/h) – zweifelhaft: ")) ||
                                     text.startsWith(QStringLiteral("Geschwindigkeit: keine – zweifelhaft: ")) ||
                                     text.endsWith(QStringLiteral(" km/h) – automatisch gemessen")))))
                << "speed label: " << text.toStdString();
        }
    }

    // What the load command must have done with the file it got (or the earlier one).
    void CheckLoad(const Before& before) {
        if (expect_ != Expect::Load || State().fileName.empty()) return;
        const auto found = byPath_.find(State().fileName);
        ASSERT_NE(found, byPath_.end()) << State().fileName;
        const WavCase& c = *found->second;
        const WindowState& s = State();
        const size_t added = seams_.messages.size() - before.messages;
        const QString panel0 = Ui().StatusBar1->PanelText(0);
        switch (c.kind) {
        case WavKind::Good:
        case WavKind::Long:
            if (c.path.extension() != ".wav") ++coverage_.otherFormatLoads;
            // A failed load leaves the caption naming the recording still shown.
            EXPECT_EQ(W().windowTitle().toStdString(), "Pirolex  " + s.fileName);
            ++coverage_.goodLoads;
            EXPECT_TRUE(s.fileLoaded) << c.name;
            EXPECT_EQ(s.session.GetRecording().FrameCount(), c.frames) << c.name;
            EXPECT_EQ(PictureSamples(s.session.GetRecording(), 0).Count(), std::min(c.frames, kMaxFrames)) << c.name;
            EXPECT_EQ(s.session.GetRecording().sampleRate, c.rate) << c.name;
            // Start-up also runs the picture mode's handler, which recomputes (nothing) first.
            if (step_ > 0) {
                EXPECT_EQ(W().Parts().recomputeRuns, before.runs + 1) << c.name;
            }
            EXPECT_EQ(panel0.toStdString(), s.fileName) << c.name;
            if (c.frames > 0 && !c.stereo) {
                EXPECT_FALSE(Ui().KanalRadioGroup->isEnabled()) << c.name;
                EXPECT_EQ(int(s.session.CurrentSettings().channel), 0) << c.name;
            }
            if (c.frames > 0 && c.stereo) {
                EXPECT_TRUE(Ui().KanalRadioGroup->isEnabled()) << c.name;
            }
            break;
        case WavKind::Broken:
        case WavKind::Unopenable: {
            const bool broken = c.kind == WavKind::Broken;
            ++(broken ? coverage_.brokenLoads : coverage_.unopenableLoads);
            EXPECT_FALSE(s.fileLoaded) << c.name;
            EXPECT_EQ(panel0, "!! file load ERROR !!") << c.name;
            EXPECT_EQ(W().Parts().recomputeRuns, before.runs) << c.name;
            // Nothing of a failed load reaches the recording.
            EXPECT_EQ(s.session.GetRecording().FrameCount(), before.sampleCount) << c.name;
            EXPECT_EQ(PictureSamples(s.session.GetRecording(), 0).Count(), before.storedCount) << c.name;
            EXPECT_EQ(s.session.GetRecording().sampleRate, before.sampleRate) << c.name;
            ASSERT_EQ(added, broken ? 1u : 0u) << c.name;
            if (broken) {
                EXPECT_EQ(seams_.messages.back().text.toStdString(), c.error) << c.name;
            }
            break;
        }
        }
    }

    // A cancelled load leaves everything as it was; one whose decode was done first is a load.
    void CheckCancel(const Before& before) {
        if (expect_ != Expect::Cancel) return;
        EXPECT_TRUE(Ui().CancelButton->isHidden());
        EXPECT_TRUE(Ui().Gauge1->isHidden());
        // A cancel puts the earlier name back, which may be the minute itself: only a load
        // recomputes.
        const std::string minute = AnyFile(WavKind::Long).path.string();
        if (State().fileName != minute || (before.fileName == minute && W().Parts().recomputeRuns == before.runs)) {
            ++coverage_.cancelledLoads;
            EXPECT_EQ(State().fileName, before.fileName);
            EXPECT_EQ(W().Parts().recomputeRuns, before.runs);
            EXPECT_EQ(seams_.messages.size(), before.messages);
            EXPECT_EQ(State().session.GetRecording().FrameCount(), before.sampleCount);
            EXPECT_TRUE(SameMarker(State().session.Marker(MarkerSide::kA), before.markerA));
            return;
        }
        expect_ = Expect::Load;
    }

    // Whatever was typed or stepped, the fields hold values inside their ranges, the band stands
    // inside the recording's, and the span inside the recording.
    void CheckFields() {
        const WindowState& s = State();
        const double temperature = Ui().SpinEdit1->value();
        EXPECT_GE(temperature, -20.0);
        EXPECT_LE(temperature, 40.0);
        EXPECT_NEAR(temperature * 10.0, std::round(temperature * 10.0), 1e-6) << "tenths";
        if (s.session.CurrentSettings().BandZoomed()) {
            EXPECT_GE(s.session.CurrentSettings().bandLowHz, 0.0);
            EXPECT_GE(s.session.CurrentSettings().bandHighHz - s.session.CurrentSettings().bandLowHz, 50.0 - 1e-9);
            if (s.session.GetRecording().sampleRate > 0) {
                EXPECT_LE(s.session.CurrentSettings().bandHighHz, s.session.GetRecording().sampleRate / 2.0);
            }
        }
        EXPECT_GE(s.session.SpanFirst(), 0);
        EXPECT_LE(s.session.SpanFirst(), std::max<int64_t>(0, s.session.GetRecording().FrameCount() - kMaxFrames));
    }

    void CheckRefused(const Before& before) {
        if (expect_ != Expect::Refused) return;
        ++coverage_.refusedDrops;
        EXPECT_EQ(State().fileName, before.fileName) << "a refused drop loads nothing";
        EXPECT_EQ(W().Parts().recomputeRuns, before.runs);
        EXPECT_EQ(seams_.messages.size(), before.messages);
    }

    void CheckPlay(const Before& before) {
        if (expect_ != Expect::Play || !State().fileLoaded) return;
        ++coverage_.plays;
        ASSERT_FALSE(seams_.played.empty());
        EXPECT_EQ(seams_.played.back().toStdString(), State().fileName);
        const bool reported = seams_.messages.size() > before.messages;
        EXPECT_EQ(reported, !seams_.playResult.isEmpty()) << "the player's message is shown";
    }

    void CheckAll(const Before& before) {
        CheckCancel(before);
        CheckFields();
        CheckStore();
        CheckFFTSize();
        CheckControls();
        CheckRecompute(before);
        CheckMessages(before);
        CheckSpeed(before);
        CheckLoad(before);
        CheckPlay(before);
        CheckRefused(before);
    }

    void Step(const std::function<std::string()>& action) {
        const Before before = Remember();
        recent_.push_back(action());
        if (recent_.size() > kRecentActions) recent_.pop_front();
        SCOPED_TRACE(Context());
        CheckAll(before);
    }

    void ReportCoverage() const {
        const Coverage& c = coverage_;
        std::cout << "[ session  ] loads: " << c.goodLoads << " good, " << c.brokenLoads
                  << " broken, " << c.unopenableLoads << " unopenable, " << c.cancelledDialogs
                  << " dialogs cancelled; recomputes " << c.recomputes << " (1D "
                  << c.oneDimensionalRecomputes << "), markers placed " << c.markersPlaced
                  << ", cleared by a load " << c.markersCleared << ", speeds shown "
                  << c.speedsShown << ", no speed " << c.noSpeeds << ", clicks as events " << c.eventClicks << "; windows: narrow "
                  << c.narrowWindows << ", 241 wide " << c.zeroScaleWindows << ", huge "
                  << c.hugeWindows << "; timer expiries " << c.timerExpiries << ", plays "
                  << c.plays << ", prints " << c.prints << ", pictures saved " << c.saves
                  << " (failed " << c.saveErrors << "), drops " << c.drops << " (refused "
                  << c.refusedDrops << "), pauses " << seams_.pauses << "; other formats loaded "
                  << c.otherFormatLoads << ", loads cancelled " << c.cancelledLoads
                  << ", automatic measurements " << c.autoMeasures << ", copies " << c.copies
                  << ", clicks with the snap " << c.snapClicks << " (snapped " << c.snappedMarkers
                  << "), typed: band " << c.bandEntries
                  << ", span " << c.spanEntries << ", temperature " << c.typedTemperatures << std::endl;
        for (const auto& [text, n] : c.errors)
            std::cout << "[ session  ]   " << n << " x " << text << std::endl;
    }

    uint64_t seed_ = 0;
    int actions_ = 0;
    int step_ = 0;
    int hugeStep_ = 0;  // one very large window at least, wherever the seed puts it
    std::mt19937_64 rng_;
    TempFolder folder_{"pirolex_session"};
    std::vector<WavCase> files_;
    std::map<std::string, const WavCase*> byPath_;
    std::map<std::string, FileSnapshot> snapshots_;
    std::vector<std::string> folderBefore_;
    std::filesystem::path pdf_;
    std::filesystem::path pictures_;
    std::filesystem::path notes_;
    SessionSeams seams_;
    std::unique_ptr<TPirolex> window_;
    std::deque<std::string> recent_;
    Expect expect_ = Expect::Nothing;
    Coverage coverage_;
};

TEST_F(RandomSession, EveryActionKeepsTheInvariants) {
    window_ = std::make_unique<TPirolex>(seams_.Make());
    hugeStep_ = 1 + Below(actions_);
    step_ = 0;
    Step([&] {
        seams_.choices = {Chance(50) ? std::optional(AnyFile(WavKind::Good).path.string())
                                     : std::nullopt};
        expect_ = Expect::Load;
        W().FormCreate();
        return std::string("start-up");
    });
    for (step_ = 1; step_ <= actions_ && !HasFailure(); ++step_) {
        Step([&] {
            std::string done = Act();
            EXPECT_TRUE(testsupport::WaitForSearch(W())) << done;
            return done;
        });
        if (HasFailure()) break;
    }
    const bool stopped = HasFailure();
    if (stopped) {
        std::ostringstream s;
        for (const std::string& a : recent_) s << "\n  " << a;
        ADD_FAILURE() << "stopped at " << Context() << "; the last actions were:" << s.str();
    }
    ReportCoverage();

    // The session has to have reached its hard parts for its checks to mean anything. The floors
    // lie far below what any seed tried reached (the fewest speeds shown were 19 in 2400 actions),
    // so another seed does not fail here by chance.
    if (actions_ >= 2000 && !stopped) {
        EXPECT_GE(coverage_.goodLoads, 40);
        EXPECT_GE(coverage_.brokenLoads, 15);
        EXPECT_GE(coverage_.unopenableLoads, 2);
        EXPECT_GE(coverage_.recomputes, 300);
        EXPECT_GE(coverage_.oneDimensionalRecomputes, 10);
        EXPECT_GE(coverage_.markersCleared, 10);
        EXPECT_GE(coverage_.speedsShown, 5);
        EXPECT_GE(coverage_.eventClicks, 20);
        EXPECT_GE(coverage_.narrowWindows, 3);
        EXPECT_GE(coverage_.hugeWindows, 1);
        EXPECT_GE(coverage_.timerExpiries, 50);
        EXPECT_GE(coverage_.saves, 1);
        EXPECT_GE(coverage_.drops, 4);
        EXPECT_GE(coverage_.autoMeasures, 5);
        EXPECT_GE(coverage_.copies, 5);
        EXPECT_GE(coverage_.snapClicks, 10);
        EXPECT_GE(coverage_.snappedMarkers, 1);
        EXPECT_GE(coverage_.bandEntries, 10);
        EXPECT_GE(coverage_.spanEntries, 5);
        EXPECT_GE(coverage_.typedTemperatures, 10);
        if (HasKind(WavKind::Long)) {
            EXPECT_GE(coverage_.otherFormatLoads, 3);
            EXPECT_GE(coverage_.cancelledLoads, 3);
        }
    }

    // Loading, computing, playing and printing never wrote to a recording.
    for (const auto& [path, snapshot] : snapshots_)
        EXPECT_TRUE(FileSnapshot::Take(path) == snapshot) << path << " was changed";
    EXPECT_EQ(FolderEntries(folder_.Path()), folderBefore_) << "files appeared or vanished";
}

}  // namespace
}  // namespace pirolex::session
