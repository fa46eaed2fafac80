#pragma once
// The rulers beside the plot: frequency below it (every picture), time in seconds at its left
// (2D only). They are widgets of their own, so the plot bitmap stays what the pictures draw;
// their ticks come from the same axis and rows the pictures are drawn with, so they follow the
// picture's geometry wherever it goes.

#include "frequency_axis.h"
#include "time_axis.h"
#include "plot_view.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace pirolex {

// A tick at a pixel along the ruler: a column of the plot (frequency) or a row (time). Ticks
// without a label are the short ones between two labelled ones.
struct RulerTick {
    int position = 0;
    QString label;
};

// Ticks at round frequencies across the plot's columns 0 .. width - 1, labelled in hertz.
std::vector<RulerTick> FrequencyTicks(const FrequencyAxis& axis, int width);

// Ticks at round times (seconds from the recording's start, at the centre of a line's block, as
// the readout and the snap count them) along the rows of the 2D picture that hold a line,
// labelled in seconds.
std::vector<RulerTick> TimeTicks(const PlotView& view, int height, const TimeAxis& time);

class RollingPicture;

// Ticks at round frequencies across the rolling picture's columns, labelled in hertz.
std::vector<RulerTick> RollingFrequencyTicks(const RollingPicture& picture);

// Ticks at round times before the newest line along the rows of the rolling picture that hold a
// line, 0 at the top row, labelled in seconds.
std::vector<RulerTick> RollingTimeTicks(const RollingPicture& picture);

class Ruler : public QWidget {
public:
    Ruler(Qt::Orientation orientation, const QString& unit, QWidget* parent);
    const std::vector<RulerTick>& Ticks() const { return ticks_; }
    // unitAtEnd: the unit at the ruler's far end (the bottom), where a rolling ruler's values are
    // largest; else at its start.
    void SetTicks(std::vector<RulerTick> ticks, bool unitAtEnd = false);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintHorizontal(class QPainter& painter) const;
    void PaintVertical(class QPainter& painter) const;

    Qt::Orientation orientation_;
    QString unit_;
    std::vector<RulerTick> ticks_;
    bool unitAtEnd_ = false;
};

}  // namespace pirolex
