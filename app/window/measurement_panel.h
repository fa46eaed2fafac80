#pragma once
// The measurement standing and its label: the markers (kept by the session as frequencies) and
// their history for Strg+Z, the automatic measurement while it stands, the speed label
// ("Label1") and the record that is saved, printed and copied. The words are made from the
// session's numbers here, never read back from the label.

#include "auto_speed.h"
#include "measurement_record.h"
#include "pass_finder.h"
#include "placed_marker.h"
#include "plot_panel.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QWidget;

namespace pirolex {

class PictureSession;

class MeasurementPanel {
public:
    MeasurementPanel(QWidget* window, PictureSession& session);

    QLabel* Label() const { return label_; }
    const std::optional<AutoSpeed>& Automatic() const { return automatic_; }

    // A marker placed by a click; an automatic measurement standing ends with it, so that a click
    // after it starts a new pair, never one clicked marker against one fitted.
    void Place(MarkerSide side, const PlacedMarker& marker);
    // The automatic measurement stands, its markers at the fitted approach and recede frequencies;
    // one refused leaves no markers.
    void SetAutomatic(const AutoSpeed& speed);
    // It stands no more (another span, a pass unchosen): markers and label go with it.
    void EndAutomatic();
    // The markers' speed as a pass's measurement: only while no automatic measurement stands and
    // the markers give a speed with nothing doubtful about it.
    std::optional<FlybyPass::Clicked> Clicked() const;
    // The markers taken as the measurement of the pass heard at `heardS`, kept with the frame they
    // were clicked in, so that choosing the pass again shows them with the same digits. The take
    // is a step of the history: Strg+Z takes it back before the clicks that made it.
    void KeepTaken(double heardS);
    // Those markers stand again; false when none were taken for that pass.
    bool ShowTaken(double heardS);
    // The passes of a new search (the temperature or the top speed changed): a pass refused again
    // keeps the markers taken for it, its speed worked out anew, while nothing about it is
    // doubtful; the rest of what was taken is forgotten.
    void CarryTaken(std::vector<FlybyPass>& passes);
    // Each click and each automatic measurement can be taken back, one after the other; `pass`
    // the take's pass chosen then (-1: none).
    void Remember(int pass);
    // The measurement before the last step: whether that was an automatic one (to be made again)
    // and its pass; nothing when there is no step to take back. A take taken back leaves the
    // markers as they stand and names the pass (by the moment it was heard) with what it had
    // taken before, its speed worked out anew, or nothing: its refusal stands again.
    struct Undone {
        bool automatic = false;
        int pass = -1;
        std::optional<double> untakenHeardS;
        std::optional<FlybyPass::Clicked> takenBefore;
    };
    std::optional<Undone> TakeBack();
    // A new recording: nothing stands, nothing to take back.
    void Clear();

    // The automatic measurement, the markers' speed with its doubts, or empty.
    std::string Text() const;
    void Show() { ShowText(Text()); }
    // The speed once both markers are set.
    void ShowSpeed();
    void ShowText(const std::string& text);
    // Called whenever the label has changed.
    std::function<void()> shown;

    PlotOverlay Overlay() const;
    // A marker's column in the picture as it is now; 0 when it is not placed.
    int32_t MarkerColumn(MarkerSide side) const;
    // The record of what stands, for the named file; `pass` the take's pass chosen, if any, named
    // when what stands is its measurement (automatic, or its two clicks taken).
    texts::RecordValues Record(const std::string& fileName, const FlybyPass* pass) const;

private:
    struct Taken {
        double heardS;
        PlacedMarker a;
        PlacedMarker b;
    };
    struct Step {
        std::optional<PlacedMarker> markerA;
        std::optional<PlacedMarker> markerB;
        bool automatic = false;
        int pass = -1;
        // A take instead: the pass it was for, and what had been taken for that pass before.
        std::optional<double> takenFor;
        std::optional<Taken> takenBefore;
    };

    void Push(Step step);
    std::optional<Undone> Untake(const Step& step);
    // The taken markers' speed as it is now, nothing when it is doubtful now.
    std::optional<FlybyPass::Clicked> TakenSpeed(const Taken& taken) const;

    PictureSession& session_;
    QLabel* label_;
    std::optional<AutoSpeed> automatic_;
    std::vector<Step> history_;  // the latest last
    std::vector<Taken> taken_;
};

}  // namespace pirolex
