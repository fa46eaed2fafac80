#pragma once
// The whole recording as a thin strip under the plot: its loudness over time, the passes the
// automatic measurement found (the chosen one stronger), and the span the picture shows as a
// frame. A click or a drag asks for the span around that moment.

#include <QWidget>

#include <functional>
#include <vector>

namespace pirolex {

class OverviewStrip : public QWidget {
public:
    explicit OverviewStrip(QWidget* parent);

    // Levels in dB below full scale, equally spaced over `seconds`.
    void SetLoudness(std::vector<float> levelsDb, double seconds);
    const std::vector<float>& LoudnessDb() const { return levelsDb_; }
    void SetPasses(std::vector<double> heardS, int chosen);
    void SetSpan(double fromS, double toS);

    // The moment under column x of the strip.
    double SecondsAt(int x) const;
    int ColumnOf(double seconds) const;

    // A press or a drag with the left button, at that moment.
    std::function<void(double seconds)> OnSeek;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::vector<float> levelsDb_;
    double seconds_ = 0.0;
    std::vector<double> passes_;
    int chosen_ = -1;
    double spanFrom_ = 0.0;
    double spanTo_ = 0.0;
};

}  // namespace pirolex
