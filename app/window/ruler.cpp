#include "ruler.h"

#include "rolling_picture.h"

#include "spectrogram_pass.h"
#include "spectrogram_renderer.h"
#include "time_axis.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace pirolex {

namespace {

constexpr int kFrequencyLabelSpacing = 56;  // pixels between two labels, "22000" and a gap
constexpr int kTimeLabelSpacing = 26;
constexpr int kLongTick = 5;
constexpr int kShortTick = 2;
constexpr int kUnitRoom = 22;  // the unit's own corner, kept free of labels

// The smallest of 1, 2, 5 x 10^k that is at least `least`.
double RoundStep(double least) {
    if (!(least > 0.0) || !std::isfinite(least)) return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(least)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * decade >= least * (1.0 - 1e-12)) return m * decade;
    return 10.0 * decade;
}

QString StepLabel(double value, double step) {
    const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    return QString::number(value, 'f', decimals);  // a decimal point in every language
}

struct Sample {
    int position;
    double value;
};

// A tick wherever the value, rising along the samples, reaches the next half step: at the first
// sample at or past it. Whole steps get a label.
std::vector<RulerTick> TicksAlong(const std::vector<Sample>& samples, double step) {
    std::vector<RulerTick> ticks;
    const double half = step / 2.0;
    const double eps = 1e-9;
    double previous = -1.0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double index = std::floor(samples[i].value / half + eps);
        const bool onMark = std::fabs(samples[i].value / half - index) < 1e-6;
        if ((i == 0 && onMark) || (i > 0 && index > previous)) {
            const double mark = index * half;
            const bool whole = std::fmod(index, 2.0) == 0.0;
            ticks.push_back({samples[i].position, whole ? StepLabel(mark, step) : QString()});
        }
        previous = index;
    }
    return ticks;
}

}  // namespace

std::vector<RulerTick> FrequencyTicks(const FrequencyAxis& axis, int width) {
    const int first = axis.PlotLeft();
    const int last = std::min(width - 1, axis.EndColumn());
    if (last - first < 2) return {};
    const auto hzAt = [&axis](int x) { return axis.HzAtColumn(x); };
    const double hzPerColumn = (hzAt(last) - hzAt(first)) / (last - first);
    const double step = RoundStep(hzPerColumn * kFrequencyLabelSpacing);
    std::vector<Sample> samples;
    for (int x = first; x <= last; ++x) samples.push_back({x, hzAt(x)});
    return TicksAlong(samples, step);
}

std::vector<RulerTick> TimeTicks(const PlotView& view, int height, const TimeAxis& time) {
    if (time.sampleRate <= 0 || time.lineStep <= 0 || view.yScale <= 0.0) return {};
    // Rows from the first line upwards, while a line's block lies in the recording.
    std::vector<Sample> samples;
    for (int y = std::min(LineRow(view, 1), height - 1); y >= 0; --y) {
        const int32_t line = LineAtRow(view, y);
        if (line < 1) continue;
        if (line > kMaxLines) break;
        if (!time.InRecording(line)) break;
        samples.push_back({y, time.Seconds(line)});
    }
    if (samples.size() < 2) return {};
    const double secondsPerRow =
        (samples.back().value - samples.front().value) / (samples.front().position - samples.back().position);
    return TicksAlong(samples, RoundStep(secondsPerRow * kTimeLabelSpacing));
}

std::vector<RulerTick> RollingFrequencyTicks(const RollingPicture& picture) {
    const int width = picture.Image().width();
    if (width < 3) return {};
    std::vector<Sample> samples;
    for (int x = 0; x < width; ++x) samples.push_back({x, picture.ColumnHz(x)});
    const double hzPerColumn = (picture.ColumnHz(width - 1) - picture.ColumnHz(0)) / (width - 1);
    return TicksAlong(samples, RoundStep(hzPerColumn * kFrequencyLabelSpacing));
}

std::vector<RulerTick> RollingTimeTicks(const RollingPicture& picture) {
    const int rows = static_cast<int>(std::min<int64_t>(picture.Image().height(), picture.LinesAdded()));
    if (rows < 2) return {};
    std::vector<Sample> samples;
    for (int y = 0; y < rows; ++y) samples.push_back({y, picture.SecondsBeforeNewest(y)});
    const double secondsPerRow = picture.SecondsBeforeNewest(1) - picture.SecondsBeforeNewest(0);
    return TicksAlong(samples, RoundStep(secondsPerRow * kTimeLabelSpacing));
}

Ruler::Ruler(Qt::Orientation orientation, const QString& unit, QWidget* parent)
    : QWidget(parent), orientation_(orientation), unit_(unit) {}

void Ruler::SetTicks(std::vector<RulerTick> ticks, bool unitAtEnd) {
    ticks_ = std::move(ticks);
    unitAtEnd_ = unitAtEnd;
    update();
}

void Ruler::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    if (orientation_ == Qt::Horizontal)
        PaintHorizontal(painter);
    else
        PaintVertical(painter);
}

// Ticks hang from the plot's lower edge; labels sit centred under them, the unit at the right.
void Ruler::PaintHorizontal(QPainter& painter) const {
    const QFontMetrics metrics = fontMetrics();
    const int unitLeft = width() - kUnitRoom;
    if (!ticks_.empty())
        painter.drawText(QRect(unitLeft, 0, kUnitRoom, height()), Qt::AlignRight | Qt::AlignBottom, unit_);
    for (const RulerTick& tick : ticks_) {
        const bool labelled = !tick.label.isEmpty();
        painter.drawLine(tick.position, 0, tick.position, labelled ? kLongTick : kShortTick);
        if (!labelled) continue;
        const int w = metrics.horizontalAdvance(tick.label);
        const int left = std::max(0, tick.position - w / 2);
        if (left + w >= unitLeft) continue;
        painter.drawText(QRect(left, kLongTick, w + 1, height() - kLongTick),
                         Qt::AlignLeft | Qt::AlignBottom, tick.label);
    }
}

// Ticks point at the plot's rows from its left; labels end just left of them, the unit in the
// corner where the values are largest, the other end free for a label right at the edge.
void Ruler::PaintVertical(QPainter& painter) const {
    const QFontMetrics metrics = fontMetrics();
    const int right = width() - 1;
    const int textHeight = metrics.height();
    const int unitTop = unitAtEnd_ ? height() - textHeight : 0;
    if (!ticks_.empty())
        painter.drawText(QRect(0, unitTop, right - kLongTick - 1, textHeight), Qt::AlignRight, unit_);
    for (const RulerTick& tick : ticks_) {
        const bool labelled = !tick.label.isEmpty();
        painter.drawLine(right - (labelled ? kLongTick : kShortTick), tick.position, right, tick.position);
        if (!labelled) continue;
        int top = tick.position - textHeight / 2;
        if (unitAtEnd_) {
            top = std::max(top, 0);
            if (top + textHeight > unitTop) continue;
        } else if (top < textHeight) {
            continue;
        }
        painter.drawText(QRect(0, top, right - kLongTick - 1, textHeight), Qt::AlignRight | Qt::AlignVCenter,
                         tick.label);
    }
}

}  // namespace pirolex
