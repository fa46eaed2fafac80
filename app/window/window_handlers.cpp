// The control handlers, the recompute, the one guard every handler runs through, and the panels'
// own controls wired to the work they start.
#include "main_window.h"

#include "aside_work.h"
#include "checked_save.h"
#include "live_panel.h"
#include "live_texts.h"
#include "measurement_panel.h"
#include "messages.h"
#include "pass_panel.h"
#include "picture_samples.h"
#include "picture_span.h"
#include "plot_panel.h"
#include "recorded_date.h"
#include "tone_band.h"
#include "window_controls.h"
#include "widgets.h"
#include "window_effects.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTime>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <new>

namespace pirolex {

namespace {

// The name the take goes by in the caption and the status bar once it is adopted.
constexpr const char* kTakeName = "Live-Aufnahme";
// A wheel notch moves the span by this share of its length.
constexpr double kWheelShare = 0.1;
// A notch with Strg makes the span this much shorter (away from the user) or longer.
constexpr double kZoomNotchFactor = 1.25;

void SetLabel(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
    label->adjustSize();
}

// The filter's or the colour scale's controls, as the picture takes them.
void ShowPictureControls(const WindowUi& ui, const Settings& settings) {
    const bool filtered = TraitsOf(settings.picture).lineFilter;
    const bool constPPL = ui.CFARCheckBox->isChecked();
    ui.GroupBox1->setVisible(filtered && !constPPL);
    ui.GroupBox2->setVisible(filtered && constPPL);
    ui.LevelGroup->setVisible(!filtered);
    ui.CFARCheckBox->setEnabled(filtered);
    ui.PCheckbox->setEnabled(filtered);
}

// Panel 4: the filter count, and after it the span when the picture shows only part.
void ShowFilterPanel(const WindowUi& ui, const WindowState& state) {
    const Recording& recording = state.session.GetRecording();
    std::string text = texts::FilterCountPanel(state.filterCount);
    if (NeedsSpan(recording, state.session.SpanFrames()))
        text += ", " + texts::SpanPanel(state.session.SpanFirst(), state.session.SpanFrames(), recording.sampleRate);
    ui.StatusBar1->SetPanelText(4, QString::fromStdString(text));
}

}  // namespace

void TPirolex::Guard(const std::function<void()>& body) {
    const auto show = [this](const QString& text) { seams_.showMessage(this, MessageKind::Error, text); };
    try {
        body();
    } catch (const Failure& failure) {
        show(QString::fromStdString(texts::ErrorText(failure)));
    } catch (const std::bad_alloc&) {
        // The recording fit, but what is drawn or measured from it did not.
        show(QString::fromStdString(texts::ErrorText(Failure(ErrorCode::kTooLong))));
    } catch (const std::exception& error) {
        show(QString::fromUtf8(error.what()));
    }
}

// The markers and the automatic measurement stand for frequencies of the recording, so they
// outlive the picture: drawn again over the new one, their speed shown again. While listening
// the plot shows the rolling picture, and the session's waits for the take.
void TPirolex::Recompute() {
    ++recomputeRuns_;
    WindowState& state = *state_;
    if (!state.fileLoaded || live_->Listening()) return;
    effects_->NewPicture();
    ui_.Image1->setToolTip(QString());
    ShowPictureControls(ui_, state.session.CurrentSettings());
    ShowFilterPanel(ui_, state);
    const PictureEnd end = state.session.Redraw(plot_->Canvas(), *effects_);
    plot_->KeepCleanPicture();
    plot_->DrawOverlay(measurement_->Overlay(), *effects_);
    measurement_->Show();
    // The filter's captions, and in the speed label why a picture stays empty.
    if (end.caption) {
        SetLabel(ui_.LimLabel, texts::LimitCaption(end.caption->limit));
        SetLabel(ui_.CFARLabel, texts::KeepCaption(end.caption->keep));
    }
    // An automatic measurement reads the recording, not the picture: its answer outranks why the
    // picture stays empty at a size the user chose larger than the recording.
    if (end.tooShort && !measurement_->Automatic())
        measurement_->ShowText(texts::ShortRecordingNotice(state.session.CurrentSettings().FftSize()));
    const Recording& recording = state.session.GetRecording();
    const double from = recording.sampleRate > 0 ? static_cast<double>(state.session.SpanFirst()) / recording.sampleRate : 0.0;
    passes_->ShowSpan(recording.sampleRate > 0, from, from + state.session.ShownSeconds());
    // Clicks measure only in the pictures with time upwards, so only there is the hint shown.
    if (TraitsOf(state.session.CurrentSettings().picture).timeUpwards)
        ui_.Image1->setToolTip(QString::fromUtf8(texts::kMeasureHint));
}

void TPirolex::KanalRadioGroupClick() {
    Guard([this] {
        state_->session.EditSettings().channel = static_cast<Channel>(ui_.KanalRadioGroup->ItemIndex());
        Recompute();
    });
}

void TPirolex::GenauRadioGroupClick() {
    Guard([this] {
        state_->session.EditSettings().accuracy = ui_.GenauRadioGroup->ItemIndex() == 1 ? Accuracy::kExact : Accuracy::kApproximate;
        Recompute();
    });
}

// Before the first load the picture stays where it was, whatever the group shows.
void TPirolex::GrafikRadioClick() {
    Guard([this] {
        if (state_->fileLoaded) state_->session.ChoosePicture(static_cast<Picture>(ui_.GrafikRadio->ItemIndex()));
        Recompute();
    });
}

void TPirolex::PCheckboxClick() {
    state_->session.EditSettings().iqPhase = ui_.PCheckbox->isChecked();
    trigger();
}

void TPirolex::CFARCheckBoxClick() {
    state_->session.EditSettings().filterMode =
        ui_.CFARCheckBox->isChecked() ? FilterMode::kConstantPoints : FilterMode::kThreshold;
    ShowPictureControls(ui_, state_->session.CurrentSettings());
    trigger();
}

void TPirolex::LimTrackBarChange() {
    state_->session.EditSettings().threshold = ui_.LimTrackBar->value();
    trigger();
}

void TPirolex::CFARTrackBarChange() {
    state_->session.EditSettings().pointsPerLine = ui_.CFARTrackBar->value();
    trigger();
}

// A 300 Hz engine hides below the whole band's filter at the default size, and its two tones share
// a column there. A band the user set is given up: from here the band follows the passes' tones.
void TPirolex::BandToneButtonClick() {
    Guard([this] {
        const std::optional<PassTones> tones = ToneToFollow();
        if (!tones) return;
        const std::optional<int32_t> exponent = plot_->FollowToneAgain(tones->approachHz, tones->recedeHz);
        if (!exponent) return;
        ui_.TrackBar1->setValue(*exponent);
        timer1_.stop();
        Recompute();
    });
}

// The tones the automatic measurement heard (also of a pass it refused, where it heard them), else
// the two markers' (a pass measured by clicks), else the chosen pass's; the first a band fits.
std::optional<PassTones> TPirolex::ToneToFollow() const {
    if (!state_->fileLoaded || live_->Listening()) return std::nullopt;
    std::vector<PassTones> candidates;
    if (const std::optional<AutoSpeed>& found = measurement_->Automatic())
        candidates.push_back({found->approachFrequencyHz, found->recedeFrequencyHz});
    const PictureSession& session = state_->session;
    if (session.Marker(MarkerSide::kA) && session.Marker(MarkerSide::kB))
        candidates.push_back({session.Marker(MarkerSide::kA)->hz, session.Marker(MarkerSide::kB)->hz});
    if (const FlybyPass* pass = passes_->Chosen()) candidates.push_back(TonesOf(*pass));
    const int32_t rate = session.GetRecording().sampleRate;
    for (const PassTones& tones : candidates)
        if (BandAroundTone(tones.approachHz, tones.recedeHz, rate)) return tones;
    return std::nullopt;
}

void TPirolex::ShowToneBandPossible() { ui_.BandToneButton->setEnabled(ToneToFollow().has_value()); }

// The labels are rewritten on every call; the FFT size and the timer only move on a real change.
void TPirolex::TrackBar1Change() {
    Guard([this] {
        WindowState& state = *state_;
        const int32_t previous = state.filterCount;
        const int32_t position = ui_.TrackBar1->value();
        state.filterCount = int32_t{1} << position;
        const QString size = QString::fromStdString(texts::FilterCountPanel(state.filterCount));
        ui_.FFTLabel->setText(QString::fromStdString(texts::FftSizeLabel(state.filterCount)));
        ui_.FFTLabel->adjustSize();
        ui_.StatusBar1->SetPanelText(0, size);
        if (state.filterCount == previous) return;
        state.session.EditSettings().fftExponent = position;
        ShowFilterPanel(ui_, state);
        trigger();
    });
}

// The automatic measurement is searched again, as the speed of sound enters the fit and it
// refuses what lies above the top speed; otherwise the markers' speed is worked out anew, with
// its doubts, and so are the clicks taken as passes' measurements, as a new search carries them.
void TPirolex::SpinEdit1Change() {
    Guard([this] {
        state_->session.EditSettings().temperature = ui_.SpinEdit1->value();
        if (measurement_->Automatic() || aside_->Busy()) {
            StartSearch(passes_->ChosenIndex());
            return;
        }
        measurement_->ShowSpeed();
        std::vector<FlybyPass> passes = passes_->Passes();
        const auto taken = [](const FlybyPass& pass) { return pass.clicked.has_value(); };
        if (live_->Listening() || std::none_of(passes.begin(), passes.end(), taken)) return;
        for (FlybyPass& pass : passes) ForgetTaken(pass);
        measurement_->CarryTaken(passes);
        passes_->SetPasses(std::move(passes), passes_->ChosenIndex());
    });
}

// A pass the span no longer shows stands no more, nor is it chosen for clicks to be taken as its
// measurement; clicked markers are the user's and stay. Whatever moved or resized the span.
void TPirolex::SpanChanged() {
    const FlybyPass* pass = passes_->Chosen();
    if (pass && !SpanShows(*pass)) {
        passes_->Choose(-1);
        measurement_->EndAutomatic();
    }
    trigger();
}

bool TPirolex::SpanShows(const FlybyPass& pass) const {
    const PictureSession& session = state_->session;
    const double from = session.SpanStartSeconds();
    const double moment = PassMoment(pass);
    return moment >= from && moment <= from + session.ShownSeconds();
}

void TPirolex::Image1MouseDown(Qt::MouseButton button, int x, int y) {
    Guard([&] {
        if (plot_->StartBandDrag(button, x)) return;
        if (!plot_->Source().TakesClicks()) return;
        if (button != Qt::LeftButton && button != Qt::RightButton) return;
        const PictureSession& session = state_->session;
        const PlacedMarker clicked = session.MarkerAtColumn(x);
        const PlacedMarker marker = plot_->Snap() ? session.Snapped(clicked, y) : clicked;
        measurement_->Remember(passes_->ChosenIndex());
        // From here the markers measure, not the pass's fit; a pass the fit refused stays chosen,
        // so that the clicks can be taken as its measurement.
        const FlybyPass* chosen = passes_->Chosen();
        if (chosen && chosen->speed.Answered()) passes_->Choose(-1);
        measurement_->Place(button == Qt::LeftButton ? MarkerSide::kA : MarkerSide::kB, marker);
        plot_->DrawOverlay(measurement_->Overlay(), *effects_);
        measurement_->Show();
        plot_->ShowReadout(x, y);
    });
}

void TPirolex::LiveButtonClick() {
    Guard([this] {
        if (!live_->Listening()) {
            // The search reads the recording the take replaces.
            aside_->Stop();
            if (!live_->Start(state_->session.CurrentSettings().temperature,
                              QSize(ui_.Image1->width(), ui_.Image1->height()))) {
                seams_.showMessage(this, MessageKind::Error, QString::fromUtf8(texts::kNoMicrophone));
                return;
            }
            ui_.ToolButton1->setEnabled(false);
            ui_.ToolButton9->setEnabled(false);
            measurement_->ShowText(texts::kSpeedUnknown);
            passes_->StartLive();
            plot_->ShowRolling(live_->Rolling());
            return;
        }
        StoppedTake take = live_->Stop();
        plot_->ShowRolling(nullptr);
        ui_.ToolButton1->setEnabled(true);
        ui_.ToolButton9->setEnabled(state_->fileLoaded);
        const QString lastPass = ui_.Label1->text();
        if (take.recording.FrameCount() > 0) {
            const int32_t channels = take.recording.ChannelCount();
            // The take ends now; it began as long before as it lasts.
            std::string began = LocalIsoTime(std::time(nullptr) - std::llround(take.recording.Seconds()));
            Adopt(std::move(take.recording), kTakeName, channels, std::move(began));
            // Playing reads the file by its name, and the take has none (a file of that name in the
            // working folder is not it): "Aufnahme speichern" first, then open the file.
            ui_.ToolButton2->setEnabled(false);
            live_->ShowSave(true);
            // The passes were found on the stream, whose times are the take's as long as nothing
            // was let go; a take longer than what is kept is searched as any recording is.
            if (take.startS > 0.0)
                StartSearch(-1);
            else
                passes_->SetPasses(std::move(take.passes), -1);
        } else {
            passes_->EndLive();
            Recompute();
        }
        // The last pass stays in the label until something is measured on the take.
        if (take.startS == 0.0 && lastPass.startsWith(QStringLiteral("Vorbeiflug"))) ui_.Label1->setText(lastPass);
    });
}

void TPirolex::ConnectPanelHandlers() {
    const auto edit = [this] { return &state_->session.EditSettings(); };
    // "Dynamik" and "Verstärkung" of the level picture; a gain the user sets is theirs, and the
    // automatic level steps aside.
    const auto levelChanged = [this, edit] {
        Settings& settings = *edit();
        if (ui_.LevelGainEdit->value() != settings.levelGainDb) settings.levelAutomatic = false;
        settings.levelRangeDb = ui_.LevelRangeEdit->value();
        settings.levelGainDb = ui_.LevelGainEdit->value();
        trigger();
    };
    connect(ui_.LevelRangeEdit, &QSpinBox::valueChanged, this, levelChanged);
    connect(ui_.LevelGainEdit, &QSpinBox::valueChanged, this, levelChanged);
    connect(ui_.TopSpeedEdit, &QSpinBox::valueChanged, this, [this, edit] {
        edit()->maxSpeedKmh = ui_.TopSpeedEdit->value();
        SpinEdit1Change();
    });

    // The span moved (typed, wheel, strip).
    connect(ui_.SpanEdit, &QDoubleSpinBox::valueChanged, this, [this] {
        state_->session.SetSpanStart(ui_.SpanEdit->value());
        SpanChanged();
    });
    // Through "Ausschnitt ab" and its debounce, as typed seconds go: the wheel a tenth of the span
    // later (away from the user) or earlier per notch, the strip the span around its moment.
    const auto spanNeeded = [this] {
        const PictureSession& session = state_->session;
        return state_->fileLoaded && !live_->Listening() && NeedsSpan(session.GetRecording(), session.SpanFrames());
    };
    ui_.Image1->OnWheel = [this, spanNeeded](int notches) {
        if (!spanNeeded()) return;
        ui_.SpanEdit->setValue(ui_.SpanEdit->value() + notches * kWheelShare * state_->session.ShownSeconds());
    };
    passes_->seek = [this, spanNeeded](double seconds) {
        if (!spanNeeded()) return;
        ui_.SpanEdit->setValue(std::round((seconds - state_->session.ShownSeconds() / 2) * 10.0) / 10.0);
    };
    // "Länge": the span shorter or longer, keeping the middle of what is shown where it was, as
    // far as the recording allows; Strg and the wheel over the plot a fifth per notch.
    connect(ui_.SpanLengthEdit, &QDoubleSpinBox::valueChanged, this, [this] {
        PictureSession& session = state_->session;
        const Recording& recording = session.GetRecording();
        if (!state_->fileLoaded || recording.sampleRate <= 0) return;
        const double middle = session.SpanStartSeconds() + session.ShownSeconds() / 2;
        session.SetSpanLength(ui_.SpanLengthEdit->value());
        session.SetSpanStart(std::clamp(std::round((middle - session.ShownSeconds() / 2) * 10.0) / 10.0, 0.0,
                                        LatestSpanStart(recording, session.SpanFrames())));
        ShowSpanControls(ui_, session);
        SpanChanged();
    });
    ui_.Image1->OnZoomWheel = [this](int notches) {
        if (!state_->fileLoaded || live_->Listening() || !ui_.SpanLengthEdit->isVisible()) return;
        ui_.SpanLengthEdit->setValue(ui_.SpanLengthEdit->value() * std::pow(kZoomNotchFactor, -notches));
    };
    ui_.Image1->OnMouseDown = [this](Qt::MouseButton button, int x, int y) { Image1MouseDown(button, x, y); };
    plot_->pressed = [this](Qt::MouseButton button, int x, int y) { Image1MouseDown(button, x, y); };
    connect(ui_.BandToneButton, &QPushButton::clicked, this, [this] { BandToneButtonClick(); });
    plot_->curveSwitched = [this] { plot_->DrawOverlay(measurement_->Overlay(), *effects_); };
    plot_->bandChanged = [this](bool now) {
        if (now)
            Guard([this] { Recompute(); });
        else
            trigger();
    };

    // A row chosen: the span moves to its pass, which then stands as the automatic measurement.
    // While listening the rows are the take's, with no recording to show them in yet.
    passes_->rowChosen = [this](int row) {
        Guard([this, row] {
            if (row < 0 || row == passes_->ChosenIndex() || live_->Listening()) return;
            measurement_->Remember(passes_->ChosenIndex());
            ChoosePass(row);
        });
    };
    // "als Messung übernehmen": the markers' speed, clicked on the pass the fit refused, becomes
    // its measurement in the list. It can be taken while the markers measure a speed without a
    // doubt.
    measurement_->shown = [this] {
        passes_->EnableTake(measurement_->Clicked().has_value());
        ShowToneBandPossible();
    };
    passes_->chosenShown = [this] { ShowToneBandPossible(); };
    passes_->take = [this] {
        Guard([this] {
            const std::optional<FlybyPass::Clicked> clicked = measurement_->Clicked();
            const FlybyPass* pass = passes_->Chosen();
            if (!clicked || !pass || !passes_->TakeClicked(*clicked)) return;
            measurement_->KeepTaken(pass->heardS);
            measurement_->Show();
        });
    };
    passes_->save = [this] {
        Guard([this] {
            if (passes_->Passes().empty()) return;
            const QFileInfo recording(QString::fromStdString(state_->fileName));
            const std::optional<ListFileChoice> chosen = seams_.chooseListFile(
                this, recording.dir().filePath(recording.completeBaseName() + QStringLiteral(".csv")));
            if (!chosen) return;
            const texts::TakeFacts take{.temperatureC = state_->session.Temperature(), .recorded = state_->recorded};
            const std::string csv =
                passes_->Csv(recording.fileName().toStdString(), texts::PassColumns{.german = chosen->german}, take);
            if (const std::optional<Failure> failure = SaveWholeFile(chosen->path, csv, {state_->fileName}))
                seams_.showMessage(this, MessageKind::Error,
                                   QString::fromStdString(texts::PassListWriteError(chosen->path, *failure)));
        });
    };

    // Strg+Z: the measurement as it was before the last click, automatic measurement or "als
    // Messung übernehmen", whatever has the focus but a text field, which has its own. One history
    // in the order the user acted: the measurement panel keeps it, and a take taken back goes to
    // the pass panel's row. While listening the markers are not shown, and the rows are the take's.
    auto* takeBack = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    takeBack->setContext(Qt::WindowShortcut);
    connect(takeBack, &QShortcut::activated, this, [this] {
        Guard([this] {
            if (live_->Listening()) return;
            const std::optional<MeasurementPanel::Undone> step = measurement_->TakeBack();
            if (!step) return;
            if (step->untakenHeardS) {
                passes_->RestoreTaken(*step->untakenHeardS, step->takenBefore);
                measurement_->Show();
                return;
            }
            // A click on a refused pass left it chosen; taking the click back leaves it so.
            if (step->automatic || passes_->ChosenIndex() != step->pass) passes_->Choose(-1);
            // The automatic measurement is made again rather than kept: the temperature or the top
            // speed may have changed since.
            if (step->automatic)
                StartSearch(step->pass);
            else
                measurement_->Show();
            plot_->DrawOverlay(measurement_->Overlay(), *effects_);
        });
    });

    // "Aufnahme speichern": the take so far while listening, the adopted take afterwards; written
    // beside the old file and renamed over it, so a failed write leaves the old one.
    connect(ui_.SaveTakeButton, &QPushButton::clicked, this, [this] {
        Guard([this] {
            const bool takeShown = state_->fileLoaded && state_->fileName == kTakeName;
            if (!live_->Listening() && !takeShown) return;
            const std::optional<std::string> path =
                seams_.chooseTakeFile(this, QString::fromUtf8(kTakeName) + QStringLiteral(".wav"));
            if (!path) return;
            // The dialog ran its own event loop: listening may have ended meanwhile.
            const std::optional<Failure> failure =
                live_->Listening() ? live_->Save(*path) : SaveWav(state_->session.GetRecording(), *path);
            if (failure)
                seams_.showMessage(this, MessageKind::Error,
                                   QString::fromStdString(texts::TakeNotSavedText(*path, texts::ErrorText(*failure))));
        });
    });
    live_->lineAdded = [this] { plot_->RollingChanged(); };
    // The label shows the last pass, as the automatic measurement shows its one.
    live_->passHeard = [this](const FlybyPass& pass) {
        passes_->AddLive(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString(), pass);
        measurement_->ShowText(texts::PassHeading(pass.number, pass.heardS) + ": " + texts::WindowAutoSpeedText(pass.speed));
    };
    // The source ended by itself: a device that went away says so; what was heard is kept.
    live_->ended = [this](bool lost, double seconds) {
        LiveButtonClick();
        if (lost)
            seams_.showMessage(this, MessageKind::Error, QString::fromStdString(texts::InputLostText(seconds)));
    };
}

}  // namespace pirolex
