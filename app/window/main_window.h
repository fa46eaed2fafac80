#pragma once
// TPirolex: the one window. Its controls carry every setting, its tool bar every command. It owns
// the recording, the view of the plot with its markers, what the pictures carry from one
// recompute to the next, and PlotBitmap, and runs each event handler through one guard that
// turns a failure into a message box.
//
// The handlers keep the names users of the program know from its documentation; the code that
// builds the window is in main_window.cpp, start-up and resizing in window_startup.cpp, the tool
// bar commands in window_commands.cpp, the control handlers in window_handlers.cpp, dropped files
// in window_drop.cpp and the screen effects of a load or a recompute in window_effects.cpp.
// The markers (kept as frequencies, snapped, drawn over a clean copy of the picture) are in
// window_markers.cpp, the frequency band and the readout under the cursor in window_band.cpp, the
// automatic measurement in window_auto.cpp, the measurement's record for saving, printing and
// copying in window_record.cpp, loading with progress and the long recordings' span in
// window_load.cpp; the rulers beside the plot are widgets of their own (ruler.h).

#include "auto_speed.h"
#include "pass_finder.h"
#include "doppler_speed.h"
#include "measurement_record.h"
#include "picture_session.h"
#include "plot_canvas.h"
#include "plot_png.h"
#include "window_seams.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QProgressBar;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QShortcut;

namespace pirolex {
class HelpWindow;
}
class QSlider;
class QToolButton;

namespace pirolex {

class ArrowSpinEdit;
class LiveListener;
class RollingPicture;
class Gauge;
class OverviewStrip;
class PanelStatusBar;
class PlotImage;
class RadioGroup;
class Ruler;
class WindowEffects;
struct RecordingFile;

// A measurement as it stood before a click or an automatic measurement changed it, for Strg+Z.
struct MeasurementStep {
    std::optional<PlacedMarker> markerA;
    std::optional<PlacedMarker> markerB;
    bool automatic = false;  // the automatic measurement stood
};

// What the window holds besides its controls.
struct WindowState {
    std::string fileName;
    bool fileLoaded = false;
    // The recording with its settings, span, picture and markers: what the picture and the
    // measurement are made of. The handlers write their controls' values into its settings. A
    // failed load leaves the last recording in place; the picture changes only once a file is
    // loaded.
    PictureSession session;
    // The FFT size the track bar last showed; its handler recomputes only when it changes.
    int32_t filterCount = 0;
    // The automatic measurement while it stands: its curve and markers are in the picture and
    // its speed in the label. A marker placed by hand or a load ends it.
    std::optional<AutoSpeed> autoSpeed;
    // What Strg+Z goes back to, the latest last; a load clears it.
    std::vector<MeasurementStep> history;
    // Every pass of the take the automatic measurement found, and the one chosen in the list
    // (-1: none); a load clears them.
    std::vector<FlybyPass> passes;
    int chosenPass = -1;
    // When the recording shown was made, ISO 8601, for the saved list.
    std::string recorded;
};

struct WindowUi {
    QWidget* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;  // load
    QToolButton* ToolButton2 = nullptr;  // play
    QToolButton* ToolButton3 = nullptr;  // compute
    QToolButton* ToolButton4 = nullptr;  // print
    QToolButton* ToolButton7 = nullptr;  // save the picture
    QToolButton* ToolButton9 = nullptr;  // measure automatically
    QToolButton* ToolButton10 = nullptr;  // copy the measurement
    QToolButton* ToolButton8 = nullptr;  // info
    QToolButton* ToolButton5 = nullptr;  // exit
    RadioGroup* KanalRadioGroup = nullptr;
    RadioGroup* GrafikRadio = nullptr;
    QLabel* Label1 = nullptr;
    Gauge* Gauge1 = nullptr;
    PlotImage* Image1 = nullptr;
    RadioGroup* GenauRadioGroup = nullptr;
    QCheckBox* PCheckbox = nullptr;
    QCheckBox* CFARCheckBox = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QSlider* LimTrackBar = nullptr;
    QLabel* LimLabel = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QSlider* CFARTrackBar = nullptr;
    QLabel* CFARLabel = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* FFTLabel = nullptr;
    // The level picture's colour scale, in the filter's place while "Pegel" is shown.
    QGroupBox* LevelGroup = nullptr;
    QSpinBox* LevelRangeEdit = nullptr;  // "Dynamik", dB
    QSpinBox* LevelGainEdit = nullptr;   // "Verstärkung", dB
    QLabel* Label2 = nullptr;
    ArrowSpinEdit* SpinEdit1 = nullptr;
    // "höchstens": the top speed the user believes of the plane, km/h, under the temperature.
    QLabel* TopSpeedLabel = nullptr;
    QSpinBox* TopSpeedEdit = nullptr;
    PanelStatusBar* StatusBar1 = nullptr;
    QLabel* SpanLabel = nullptr;          // "Ausschnitt ab": shown for long recordings only
    QDoubleSpinBox* SpanEdit = nullptr;   // the span's start in seconds
    QLabel* SpanLengthLabel = nullptr;        // "Länge": shown for recordings over 2 s
    QDoubleSpinBox* SpanLengthEdit = nullptr;  // the span's length in seconds
    QPushButton* CancelButton = nullptr;  // "Abbrechen": shown while a load decodes
    // Beside the plot: time at its left (2D only), frequency below it.
    Ruler* TimeRuler = nullptr;
    Ruler* FrequencyRuler = nullptr;
    // The row under the frequency ruler that holds the frequency band's and the snap's controls.
    QWidget* BandRow = nullptr;
    QCheckBox* SnapBox = nullptr;        // "Spitze suchen"
    QSpinBox* BandFromEdit = nullptr;    // "von", Hz
    QSpinBox* BandToEdit = nullptr;      // "bis", Hz
    QPushButton* BandResetButton = nullptr;
    // "Band um den Ton": band and FFT size around the automatic measurement's tones.
    QPushButton* BandToneButton = nullptr;
    // The whole recording under the plot, right of "Ausschnitt ab".
    OverviewStrip* Overview = nullptr;
    // Right of the plot: the passes of the take, their CSV, and the chosen pass's details.
    QLabel* PassListLabel = nullptr;       // "Vorbeiflüge"
    QListWidget* PassList = nullptr;
    QPushButton* SavePassListButton = nullptr;  // "Liste speichern"
    QLabel* PassDetails = nullptr;
    // Listening live: the tool button, the input to listen to (shown when there is more than one)
    // and the level meter in the status bar (shown while listening).
    QToolButton* LiveButton = nullptr;
    QComboBox* InputBox = nullptr;
    QProgressBar* LevelMeter = nullptr;
    // "Aufnahme speichern": the take as WAV, shown from the first listening on.
    QPushButton* SaveTakeButton = nullptr;
    // "?": the guide "Hilfe" in a window of its own (also Umschalt+F1).
    QToolButton* HelpButton = nullptr;
};

class TPirolex : public QWidget {
public:
    // The rulers and the band's row take room of their own beside and below the plot; the plot
    // gets what the rest of the window leaves it, as in a window without them (PlotImageSize),
    // so the command line's window sizes draw the same pictures.
    static constexpr int kTimeRulerWidth = 40;
    static constexpr int kFrequencyRulerHeight = 18;
    static constexpr int kBandRowGap = 2;
    static constexpr int kBandRowHeight = 24;
    // The list of passes right of the plot.
    static constexpr int kPassListWidth = 200;
    static constexpr int kExtraWidth = kTimeRulerWidth + kPassListWidth;
    static constexpr int kExtraHeight = kFrequencyRulerHeight + kBandRowHeight;
    // The default size counts the window frame: 886 x 480 outside, 878 pixels of client width.
    // Qt sizes the client area, so the geometry formulas add this frame back.
    static constexpr int kDesignWidth = kDesignOuterWidth + kExtraWidth;
    static constexpr int kDesignHeight = kDesignOuterHeight + kExtraHeight;
    static constexpr int kMinWidth = kMinOuterWidth + kExtraWidth;
    static constexpr int kMinHeight = kMinOuterHeight + kExtraHeight;
    static constexpr int kFrameWidth = 8;
    static constexpr int kFrameHeight = 31;
    static constexpr int kDebounceMs = 250;

    explicit TPirolex(WindowSeams seams, QWidget* parent = nullptr);
    ~TPirolex() override;

    // Start-up and geometry.
    // Opens the dialog for the first recording, or loads the one given on the command line; one
    // that cannot be opened is reported in a message box, as a recording that cannot be read is.
    void FormCreate(std::optional<std::string> given = std::nullopt);
    void CentreOnScreen();
    void FormResize();
    void trigger();
    void Timer1Timer();

    // Tool bar commands.
    void ToolButton1Click();  // load
    void ToolButton2Click();  // play
    void ToolButton3Click();  // compute
    void ToolButton4Click();  // print
    void ToolButton7Click();  // save the picture as PNG
    void ToolButton9Click();  // measure the speed automatically
    void ToolButton10Click();  // copy the measurement as one line of text
    void ToolButton8Click();  // info
    void ToolButton5Click();  // exit
    void LiveButtonClick();   // start or stop listening (window_live.cpp)
    void HelpButtonClick();   // show the guide (window_help.cpp)
    bool Listening() const { return listener_ != nullptr; }
    // "Aufnahme speichern": the take so far while listening, the loaded take afterwards.
    void SaveTakeClick();

    // Control handlers.
    void KanalRadioGroupClick();
    void GenauRadioGroupClick();
    void GrafikRadioClick();
    void PCheckboxClick();
    void CFARCheckBoxClick();
    // The filter's or the colour scale's controls, as the picture takes them.
    void ShowPictureControls();
    void LimTrackBarChange();
    void CFARTrackBarChange();
    // "Dynamik" and "Verstärkung" of the level picture.
    void LevelEditChange();
    void TrackBar1Change();
    void SpinEdit1Change();
    void TopSpeedEditChange();
    // Strg+Z: the measurement as it was before the last click or automatic measurement.
    void TakeBackLastMarker();
    void SpanEditChange();
    // "Länge": the span made shorter or longer around its middle.
    void SpanLengthEditChange();
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image1MouseMove(int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1DoubleClick(Qt::MouseButton button, int x, int y);
    void Image1MouseLeave();
    void BandEditChange();
    void BandResetButtonClick();
    void BandToneButtonClick();
    // The wheel over the plot: the span a tenth of itself later (away from the user) or earlier
    // per notch.
    void Image1MouseWheel(int notches);
    // The same with Strg held: the span a fifth shorter (away from the user) or longer per notch.
    void Image1ZoomWheel(int notches);
    // A click or drag on the overview strip: the span around that moment.
    void OverviewSeek(double seconds);
    // A row of "Vorbeiflüge" chosen: the span moves to its pass, which then stands as the
    // automatic measurement.
    void PassListChange(int row);
    // "Liste speichern": the passes as CSV.
    void SavePassListClick();
    // A recording dropped onto the window: loaded as if chosen in the open dialog.
    void FormDropFiles(const std::string& path);

    // A marker's column in the picture as it is now; 0 when it is not placed.
    int32_t MarkerColumn(MarkerSide side) const;

    // The measurement as it is kept (window_record.cpp): the speed line, the markers'
    // frequencies and the temperature from the session's numbers, the file and the date.
    texts::RecordValues MeasurementRecord() const;

    // The settings as the handlers have written them into the session.
    const Settings& CurrentSettings() const;
    // Where a handler writes its control's value.
    Settings& EditSettings();

    // For tests and tools: the window's parts, read-only where it matters.
    const WindowUi& Ui() const { return ui_; }
    WindowState& State() { return *state_; }
    PlotCanvas& PlotBitmap() { return canvas_; }
    QTimer& Timer1() { return timer1_; }
    int RecomputeRuns() const { return recomputeRuns_; }
    int OuterWidth() const { return width() + kFrameWidth; }
    int OuterHeight() const { return height() + kFrameHeight; }
    // Gives the client area the size that makes the outer window width x height.
    void ResizeOuter(int width, int height);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class WindowEffects;

    // The guide (window_help.cpp): made at the first click, then shown again.
    void BuildHelp();
    HelpWindow* help_ = nullptr;

    // Listening live (window_live.cpp).
    void BuildLiveControls();
    void StartListening();
    void StopListening();
    void ShowLiveLine(const std::vector<double>& levels, int64_t firstFrame);
    void ShowLivePass(const FlybyPass& pass);
    void ShowLevel(double peak);
    void LiveEnded(bool lost, double seconds);
    void LoadTake(Recording take);
    // The passes heard while listening, in the take's times; a take whose start was let go is
    // searched anew.
    void ShowTakePasses(std::vector<FlybyPass> passes, double startS);
    // "Aufnahme speichern" usable while there is a take to write.
    void ShowTakeSave();
    bool TakeLoaded() const;
    std::unique_ptr<InputDevices> inputs_;
    std::unique_ptr<LiveListener> listener_;
    std::unique_ptr<RollingPicture> rolling_;

    // Building the window (main_window.cpp).
    void BuildToolBar();
    QToolButton* AddToolButton(int x, int icon, const QString& hint);
    void BuildSelectors();
    void BuildCheckBoxes();
    void BuildFilterGroups();
    void BuildLevelGroup();
    void BuildFFTGroup();
    void BuildPlotArea();
    // The rulers and the band's row around the plot, wherever it is now (main_window.cpp).
    void PlaceAroundPlot();
    void UpdateRulers();
    void BuildTemperature();
    void BuildStatusBar();
    void ConnectCommands();
    void ConnectKeys();
    void ConnectControls();
    void AlignBars();

    // Start-up steps (window_startup.cpp).
    void CreatePlotBitmap();
    void SetStartValues();

    // The load command's stages (window_commands.cpp).
    void LoadCommand(std::optional<std::string> chosen);
    void ShowFileName();
    void LoadFailed();
    // False when the user cancelled the load; everything is then as it was.
    bool ParseAndRecompute();
    void ShowRecording(int32_t fileChannels);
    void EnableFileCommands(bool enabled);
    int PlaybackTimeoutMs() const;
    void SavePicture();
    QString SuggestedPngName() const;
    // The picture with the record's strip below it, the record's rows and its PNG text fields.
    QImage RecordedPicture() const;
    QStringList RecordRows() const;
    PngText RecordTextFields() const;

    // Reading with a progress bar and cancelling, and the span of a long recording
    // (window_load.cpp).
    RecordingFile ReadWithProgress(const std::string& path);
    void BuildSpanControls();
    void PlaceLoadControls();
    void ShowSpanControl();
    void ShowFilterPanel();

    // Every handler body runs through here (window_handlers.cpp).
    void Guard(const std::function<void()>& body);
    void ShowError(const QString& text);
    void Recompute();
    void ShowPictureEnd(const PictureEnd& end);
    // The speed label once both markers are set, from their columns and the temperature.
    void ShowSpeed();
    // The text of the measurement standing, made from its numbers: the automatic one, the
    // markers' speed with its doubts, or empty.
    std::string MeasurementText() const;
    // The automatic measurement (window_auto.cpp): fitted at the temperature set, shown in the
    // label, and in the 2D picture its curve and markers.
    void MeasureAutomatically();
    void ShowAutoSpeed();
    // The passes, their list, the strip and the chosen pass (window_passes.cpp).
    PassSearch FindPassesAside() const;
    void BuildPassList();
    void PlacePassList();
    void ShowPassList();
    void ShowOverview();
    // The loudness of the recording just loaded, for the strip.
    void ShowLoudness();
    void ChoosePass(int index);
    // "Ausschnitt ab" set so that the span is centred on the moment, as far as the recording lets.
    void CentreSpanOn(double seconds);
    // The label for whatever measurement stands (window_markers.cpp).
    void ShowMeasurement();
    void RememberMeasurement();
    void SetSpeedLabel(const std::string& text);
    void SetImageHint(bool on);

    // The markers (window_markers.cpp): a click's marker, snapped on request, drawn over a clean
    // copy of the picture.
    PlacedMarker ClickedMarker(int32_t x, int32_t y) const;
    void KeepCleanPicture();
    void DrawOverlay();
    void DrawOverlayPixels();
    void ClearMeasurement();

    // The band and the readout under the cursor (window_band.cpp).
    void BuildBandRow();
    bool SetBand(double lowHz, double highHz);
    void ShowBand();
    void ShowReadout(int x, int y);

    WindowSeams seams_;
    std::unique_ptr<WindowState> state_;
    PlotCanvas canvas_;
    std::unique_ptr<WindowEffects> effects_;
    QTimer timer1_;
    WindowUi ui_;
    int recomputeRuns_ = 0;
    // The caption that names the recording shown; empty before the first one.
    QString shownTitle_;
    // The picture as the last recompute left it; markers, guides and the automatic measurement's
    // curve are drawn over a copy of it.
    std::optional<PlotCanvas> cleanPlot_;
    // Where a drag with the middle button started, in plot columns.
    std::optional<int32_t> bandDragFrom_;
    // The keys of the tool bar's commands but Ctrl+Q: off while a load decodes.
    std::vector<QShortcut*> commandKeys_;
};

}  // namespace pirolex
