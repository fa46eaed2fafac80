#pragma once
// The passes of a take, and the only owner of them and of the one chosen: "Vorbeiflüge" right of
// the plot with the chosen pass's details (or, for a pass the fit refused, "als Messung
// übernehmen" for two clicks' speed) and "Liste speichern" (CSV), and the overview strip of
// the whole recording under the plot with a tick at each pass. Rows come from a search (each as
// soon as it is found), from listening (with the clock time it was reported at) or from the take
// once listening stopped.

#include "pass_finder.h"
#include "pass_records.h"

#include <QRect>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace pirolex {

class OverviewStrip;
struct Recording;

// Where the pass is seen in the take: its fitted closest moment, or where it was heard when the fit
// refused it.
double PassMoment(const FlybyPass& pass);

// A pass's approach and recede tones: the two clicks taken as its measurement, else the fit's
// (also of a pass it refused, where it heard them; 0 Hz where it did not).
struct PassTones {
    double approachHz = 0.0;
    double recedeHz = 0.0;
};
PassTones TonesOf(const FlybyPass& pass);
// The pass as the search found it, without clicks taken as its measurement.
void ForgetTaken(FlybyPass& pass);

class PassPanel {
public:
    static constexpr int kWidth = 200;

    explicit PassPanel(QWidget* window);

    QLabel* Caption() const { return caption_; }
    QListWidget* List() const { return list_; }
    QPushButton* SaveButton() const { return saveButton_; }
    QPushButton* TakeButton() const { return takeButton_; }
    QLabel* Details() const { return details_; }
    OverviewStrip* Overview() const { return overview_; }

    const std::vector<FlybyPass>& Passes() const { return passes_; }
    // The pass chosen, or nullptr.
    const FlybyPass* Chosen() const;
    int ChosenIndex() const { return chosen_; }

    // Right of the plot from its top to `bottom`; the strip right of `spanControls` (the
    // last of the span's controls) up to the plot's right edge.
    void Place(const QRect& plot, int bottom, const QRect& spanControls);

    // The passes of a finished search or a take, the chosen one selected quietly.
    void SetPasses(std::vector<FlybyPass> passes, int chosen);
    // A pass a running search has just found, in its place by the time it is heard; it has no
    // number until the search is done.
    void AddFound(const FlybyPass& pass);
    // The pass chosen (selected without the list's handler), or none (-1).
    void Choose(int index);
    // "als Messung übernehmen" is shown under the list while the pass chosen is one the fit
    // refused, and can be clicked while the markers measure a speed it could take.
    void EnableTake(bool possible);
    // Two clicks' speed as the chosen pass's measurement, its row showing it; false when there is
    // no such pass.
    bool TakeClicked(const FlybyPass::Clicked& clicked);
    // A take taken back: the pass heard at `heardS` has what it had before, clicks taken earlier or
    // (nothing) its refusal; false when there is no such pass.
    bool RestoreTaken(double heardS, const std::optional<FlybyPass::Clicked>& before);
    // Listening: the list is the take's from now on, each pass with its clock time; the
    // recording's passes are kept until a take replaces them.
    void StartLive();
    void AddLive(const std::string& clock, const FlybyPass& pass);
    // Listening ended without a take: the recording's passes again.
    void EndLive() { ShowRows(); }

    // The loudness of a recording just adopted, and the span it shows.
    void ShowLoudness(const Recording& recording);
    void ShowSpan(bool visible, double fromS, double toS);

    // The list as CSV, the rows naming `recordingName`, in the columns chosen, with the take's facts.
    std::string Csv(const std::string& recordingName, const texts::PassColumns& columns,
                    const texts::TakeFacts& take) const;

    // A row chosen by the user, a moment clicked on the strip, "Liste speichern" clicked.
    std::function<void(int row)> rowChosen;
    std::function<void(double seconds)> seek;
    std::function<void()> save;
    std::function<void()> take;
    // The pass chosen, or that none is, has been shown.
    std::function<void()> chosenShown;

private:
    void ShowRows();
    void ShowRow(int index);
    void ShowChosen();

    QLabel* caption_;
    QListWidget* list_;
    QPushButton* saveButton_;
    QPushButton* takeButton_;
    QLabel* details_;
    OverviewStrip* overview_;
    std::vector<FlybyPass> passes_;
    int chosen_ = -1;
};

}  // namespace pirolex
