#pragma once
// The plot and what surrounds it: the picture (PlotBitmap and the widget showing it), a clean
// copy of it under the markers and the fitted curve, the time ruler at its left, the frequency
// ruler under it, the row below with "Spitze suchen" and the frequency band, and the readout
// under the cursor in status panel 5. It shows one PlotSource, the session's picture or the
// rolling one, and asks it for everything it describes.

#include "flyby_model.h"
#include "marker_drawing.h"
#include "plot_canvas.h"
#include "plot_source.h"

#include <QRect>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QPushButton;
class QSpinBox;
class QWidget;

namespace pirolex {

class PanelStatusBar;
class PictureSession;
class PlotEffects;
class PlotImage;
class RollingPicture;
class Ruler;

// What is drawn over the clean picture: the markers with their labels, marker A's harmonic
// guides and the automatic measurement's curve (on the recording's clock).
struct PlotOverlay {
    std::optional<MarkerMark> a;
    std::optional<MarkerMark> b;
    std::optional<double> guidesHz;
    std::optional<FlybyModel> curve;
    double curveFromS = 0.0;
    double curveToS = 0.0;
};

class PlotPanel {
public:
    static constexpr int kTimeRulerWidth = 40;
    static constexpr int kFrequencyRulerHeight = 18;
    static constexpr int kBandRowGap = 2;
    static constexpr int kBandRowHeight = 24;

    PlotPanel(QWidget* window, PictureSession& session, const bool& loaded, PanelStatusBar* status);
    ~PlotPanel();

    PlotImage* Image() const { return image_; }
    Ruler* TimeRuler() const { return timeRuler_; }
    Ruler* FrequencyRuler() const { return frequencyRuler_; }
    QWidget* BandRow() const { return bandRow_; }
    QCheckBox* SnapBox() const { return snapBox_; }
    QSpinBox* BandFromEdit() const { return bandFrom_; }
    QSpinBox* BandToEdit() const { return bandTo_; }
    QPushButton* BandResetButton() const { return bandReset_; }
    QPushButton* BandToneButton() const { return bandTone_; }
    QCheckBox* CurveBox() const { return curveBox_; }
    PlotCanvas& Canvas() { return canvas_; }
    const PlotCanvas& Canvas() const { return canvas_; }
    const PlotSource& Source() const;

    // The picture at its place and size, and the rulers and the band's row around it.
    void Place(int x, int y, int width, int height);
    // The rolling picture while listening; nullptr: the session's picture again.
    void ShowRolling(const RollingPicture* rolling);
    // A line was added to the rolling picture.
    void RollingChanged();
    void UpdateRulers();

    // The picture as a recompute left it, kept clean under the overlay; forgotten with a load.
    void KeepCleanPicture();
    void ForgetCleanPicture();
    // The overlay onto a fresh copy of the clean picture, so moving a marker leaves the trace
    // under its old place as it was.
    void DrawOverlay(const PlotOverlay& overlay, PlotEffects& effects);

    // The band in hertz, clamped to the recording's; false (and the band as it was) for one too
    // narrow to draw.
    bool SetBand(double lowHz, double highHz);
    void ShowBand();
    bool Snap() const;

    // The band and FFT size around a pass's approach and recede tones, so that a low engine is
    // seen and can be clicked, until the user sets a band of their own ("von", "bis", a middle
    // drag, "ganzes Band"), which then stays. A pass without two such tones returns a band that
    // followed the last one's to the whole band. Returns the FFT exponent to show when the band
    // or the size changed.
    std::optional<int32_t> FollowTone(double approachHz, double recedeHz);
    // "Band um den Ton": the band follows the tone again, from these tones on.
    std::optional<int32_t> FollowToneAgain(double approachHz, double recedeHz);
    // A new recording: a band that followed the last one's tone goes back to the whole band, and
    // the FFT size to what it was before; returns that size's exponent when it is to change.
    std::optional<int32_t> ForgetToneBand();

    // What lies under the cursor, in status panel 5.
    void ShowReadout(int x, int y);
    // A press with the middle button where the picture takes a band: the drag starts.
    bool StartBandDrag(Qt::MouseButton button, int x);

    // The band changed: drawn now (true) or after the debounce.
    std::function<void(bool now)> bandChanged;
    // A press the band drag does not take (a double click is a press too).
    std::function<void(Qt::MouseButton button, int x, int y)> pressed;
    // "Kurve" switched: the overlay is to be drawn again.
    std::function<void()> curveSwitched;

private:
    void BuildBandRow();
    void MouseMove(int x, int y);
    void MouseUp(Qt::MouseButton button, int x);
    void DoubleClick(Qt::MouseButton button, int x, int y);
    void BandEdited();
    void DrawOverlayPixels(const PlotOverlay& overlay, PlotEffects& effects);

    PictureSession& session_;
    PanelStatusBar* status_;
    PlotImage* image_;
    Ruler* timeRuler_;
    Ruler* frequencyRuler_;
    QWidget* bandRow_;
    QCheckBox* snapBox_ = nullptr;
    QSpinBox* bandFrom_ = nullptr;
    QSpinBox* bandTo_ = nullptr;
    QPushButton* bandReset_ = nullptr;
    QPushButton* bandTone_ = nullptr;
    QCheckBox* curveBox_ = nullptr;
    // Who chose the band shown: nobody (the whole band, as loaded), the tone followed, or the user.
    enum class BandChoice { kNone, kTone, kHand };
    BandChoice bandChoice_ = BandChoice::kNone;
    int32_t exponentBeforeTone_ = 0;
    PlotCanvas canvas_;
    std::optional<PlotCanvas> cleanPlot_;
    std::optional<int32_t> bandDragFrom_;  // in plot columns
    SessionPicture sessionPicture_;
    const RollingPicture* rolling_ = nullptr;
    std::unique_ptr<RollingSource> rollingSource_;
};

}  // namespace pirolex
