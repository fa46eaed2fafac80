#pragma once
// TPirolex: the one window. It builds and lays out the controls, keeps the recording shown with
// its session, and runs the handlers users of the program know by name, each through one guard
// that turns a failure into a message box, forwarding the work to the panel that owns it:
//
//   PlotPanel         the picture, its clean copy and overlay, the rulers, the band's row, the
//                     readout; shows one PlotSource (the session's picture or the rolling one)
//   MeasurementPanel  the markers and their history (Strg+Z), the automatic measurement, the
//                     speed label, the record
//   PassPanel         the passes and the chosen one: "Vorbeiflüge", the overview strip, CSV
//   LivePanel         listening: the listener, the rolling picture, the level meter, the take
//
// A recording comes in one way, Adopt, whether it was loaded or listened to; work aside the GUI
// thread (a decode, the pass search) runs through one AsideWork with one progress and one cancel.
//
// The controls are built in window_controls.cpp, the window with its panels and layout in
// main_window.cpp, start-up and resizing in window_startup.cpp, the tool bar commands and the load
// in window_commands.cpp, the control handlers in window_handlers.cpp, the automatic measurement
// and the passes in window_auto.cpp.

#include "measurement_record.h"
#include "picture_session.h"
#include "plot_canvas.h"
#include "window_seams.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace pirolex {

class ArrowSpinEdit;
class AsideWork;
class HelpWindow;
class Gauge;
class LivePanel;
class MeasurementPanel;
class OverviewStrip;
class PanelStatusBar;
class PassPanel;
class PlotImage;
class PlotPanel;
class RadioGroup;
class Ruler;
class WindowEffects;
struct FlybyPass;
struct PassTones;

// What the window holds besides its controls and panels.
struct WindowState {
    std::string fileName;
    bool fileLoaded = false;
    // The recording with its settings, span, picture and markers: what the picture and the
    // measurement are made of. The handlers write their controls' values into its settings. A
    // failed load leaves the last recording in place.
    PictureSession session;
    // The FFT size the track bar last showed; its handler recomputes only when it changes.
    int32_t filterCount = 0;
    // When the recording shown was made, ISO 8601, for the saved list.
    std::string recorded;
};

// Every control, wherever it is owned, for the layout and for tests.
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
    // Work aside: "Laden … 37 %" or "Suche … 37 %", and "Abbrechen".
    QLabel* AsideProgress = nullptr;
    QPushButton* CancelButton = nullptr;
    // The plot panel's: the rulers, the band's row with its controls.
    Ruler* TimeRuler = nullptr;
    Ruler* FrequencyRuler = nullptr;
    QWidget* BandRow = nullptr;
    QCheckBox* SnapBox = nullptr;        // "Spitze suchen"
    QSpinBox* BandFromEdit = nullptr;    // "von", Hz
    QSpinBox* BandToEdit = nullptr;      // "bis", Hz
    QPushButton* BandResetButton = nullptr;
    // "Band um den Ton": band and FFT size around the tones of what is measured.
    QPushButton* BandToneButton = nullptr;
    // The pass panel's.
    OverviewStrip* Overview = nullptr;
    QLabel* PassListLabel = nullptr;       // "Vorbeiflüge"
    QListWidget* PassList = nullptr;
    QPushButton* SavePassListButton = nullptr;  // "Liste speichern"
    QLabel* PassDetails = nullptr;
    // The live panel's.
    QToolButton* LiveButton = nullptr;
    QComboBox* InputBox = nullptr;
    QProgressBar* LevelMeter = nullptr;
    QPushButton* SaveTakeButton = nullptr;  // "Aufnahme speichern"
    // "?": the guide "Hilfe" in a window of its own (also Umschalt+F1).
    QToolButton* HelpButton = nullptr;
};

class TPirolex : public QWidget {
public:
    // The rulers and the band's row take room of their own beside and below the plot, and the
    // list of passes right of it; the plot gets what the rest of the window leaves it, as in a
    // window without them (PlotImageSize), so the command line's window sizes draw the same
    // pictures.
    static constexpr int kTimeRulerWidth = 40;
    static constexpr int kFrequencyRulerHeight = 18;
    static constexpr int kBandRowHeight = 24;
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

    // Start-up and geometry. Opens the dialog for the first recording, or loads the one given on
    // the command line; one that cannot be opened is reported as one that cannot be read is.
    void FormCreate(std::optional<std::string> given = std::nullopt);
    void FormResize();
    void trigger();
    void Timer1Timer();

    // Tool bar commands.
    void ToolButton1Click();   // load
    void ToolButton2Click();   // play
    void ToolButton3Click();   // compute
    void ToolButton4Click();   // print
    void ToolButton7Click();   // save the picture as PNG
    void ToolButton9Click();   // measure the speed automatically: every pass of the take
    void ToolButton10Click();  // copy the measurement as one line of text
    void ToolButton8Click();   // info
    void ToolButton5Click();   // exit
    void LiveButtonClick();    // start or stop listening
    void HelpButtonClick();    // show the guide

    // Control handlers.
    void KanalRadioGroupClick();
    void GenauRadioGroupClick();
    void GrafikRadioClick();
    void PCheckboxClick();
    void CFARCheckBoxClick();
    void LimTrackBarChange();
    void CFARTrackBarChange();
    void TrackBar1Change();
    void SpinEdit1Change();
    // "Band um den Ton": band and FFT size around the tones of what is measured, the automatic
    // measurement, the two markers or the chosen pass (see ToneToFollow); disabled without any.
    void BandToneButtonClick();
    // A press on the plot, in plot bitmap pixels: a marker in the 2D picture (left A, right B),
    // or the start of a band (middle).
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    // A recording dropped onto the window: loaded as if chosen in the open dialog.
    void FormDropFiles(const std::string& path);

    // For tests and tools: the window's parts, read-only where it matters.
    const WindowUi& Ui() const { return ui_; }
    WindowState& State() { return *state_; }
    struct Panels {
        const PlotPanel& plot;
        const MeasurementPanel& measurement;
        const PassPanel& passes;
        const LivePanel& live;
        PlotCanvas& canvas;  // the plot's bitmap, PlotBitmap
        QTimer& timer1;      // the recompute's debounce
        bool searching;      // work aside the GUI thread is running
        int recomputeRuns;   // recomputes since the window was made
    };
    Panels Parts();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Every handler body runs through here: a failure is reported, the state stays as the
    // handler left it, and no exception reaches Qt's event loop.
    void Guard(const std::function<void()>& body);
    // The panels' own controls and events, forwarded to the work they start.
    void ConnectPanelHandlers();
    void LoadCommand(std::optional<std::string> chosen);
    // A recording loaded or listened to becomes the one shown, under `name`; `recorded` when it
    // was made (ISO 8601), for the saved list.
    void Adopt(Recording recording, const std::string& name, int32_t fileChannels, std::string recorded);
    void Recompute();
    // The passes of the take, searched aside; what stood before is kept for Strg+Z by the caller.
    // The pass `keep` stays chosen when the search finds it again.
    void StartSearch(int keep);
    // The pass stands as the automatic measurement, in its span (centred on it unless the span
    // shown holds it already and `centre` is false).
    void ChoosePass(int index, bool centre = true);
    // The span shown moved or changed its length.
    void SpanChanged();
    // Whether the span shown holds the pass's moment (PassMoment).
    bool SpanShows(const FlybyPass& pass) const;
    // The approach and recede tones "Band um den Ton" fits the band around, if any, and the
    // button enabled while there are.
    std::optional<PassTones> ToneToFollow() const;
    void ShowToneBandPossible();

    WindowSeams seams_;
    std::unique_ptr<WindowState> state_;
    QTimer timer1_;
    WindowUi ui_;
    std::unique_ptr<PlotPanel> plot_;
    std::unique_ptr<MeasurementPanel> measurement_;
    std::unique_ptr<PassPanel> passes_;
    std::unique_ptr<LivePanel> live_;
    std::unique_ptr<WindowEffects> effects_;
    std::unique_ptr<AsideWork> aside_;
    // The guide: made at the first click, then shown again.
    HelpWindow* help_ = nullptr;
    int recomputeRuns_ = 0;
    // The caption that names the recording shown; empty before the first one.
    QString shownTitle_;
};

// The measurement as it is kept: the speed line, the markers' frequencies and the temperature
// from the session's numbers, the chosen pass of a take with more than one, the file and the date.
texts::RecordValues MeasurementRecord(TPirolex& window);

// The window's outer size, its frame included, and the client area that makes the outer window
// width x height.
int OuterWidth(const QWidget& window);
int OuterHeight(const QWidget& window);
void ResizeOuter(QWidget& window, int width, int height);

}  // namespace pirolex
