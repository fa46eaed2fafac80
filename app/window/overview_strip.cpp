#include "overview_strip.h"

#include "loudness_overview.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

// The levels drawn: 60 dB from the top of the strip down; a take's quiet stretches lie below.
constexpr float kShownRangeDb = 60.0f;
const QColor kLevelColour(150, 150, 150);
const QColor kPassColour(0, 0, 255);
const QColor kChosenColour(255, 0, 0);

}  // namespace

OverviewStrip::OverviewStrip(QWidget* parent) : QWidget(parent) {
    setMouseTracking(false);
    setCursor(Qt::PointingHandCursor);
}

void OverviewStrip::SetLoudness(std::vector<float> levelsDb, double seconds) {
    levelsDb_ = std::move(levelsDb);
    seconds_ = seconds;
    update();
}

void OverviewStrip::SetPasses(std::vector<double> heardS, int chosen) {
    passes_ = std::move(heardS);
    chosen_ = chosen;
    update();
}

void OverviewStrip::SetSpan(double fromS, double toS) {
    spanFrom_ = fromS;
    spanTo_ = toS;
    update();
}

double OverviewStrip::SecondsAt(int x) const {
    if (width() <= 1) return 0.0;
    return std::clamp(static_cast<double>(x) / (width() - 1), 0.0, 1.0) * seconds_;
}

int OverviewStrip::ColumnOf(double seconds) const {
    if (seconds_ <= 0.0) return 0;
    return static_cast<int>(std::lround(seconds / seconds_ * (width() - 1)));
}

void OverviewStrip::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int h = height();
    const int n = static_cast<int>(levelsDb_.size());
    painter.setPen(kLevelColour);
    for (int x = 0; x < width() && n > 0; ++x) {
        const float db = levelsDb_[static_cast<size_t>(std::min(n - 1, x * n / std::max(width(), 1)))];
        const float share = std::clamp((db + kShownRangeDb) / kShownRangeDb, 0.0f, 1.0f);
        const int bar = static_cast<int>(std::lround(share * (h - 2)));
        if (bar > 0) painter.drawLine(x, h - 1, x, h - bar);
    }
    for (size_t i = 0; i < passes_.size(); ++i) {
        const bool chosen = static_cast<int>(i) == chosen_;
        painter.setPen(QPen(chosen ? kChosenColour : kPassColour, chosen ? 3 : 2));
        const int x = ColumnOf(passes_[i]);
        painter.drawLine(x, 0, x, h - 1);
    }
    if (spanTo_ > spanFrom_) {
        painter.setPen(QPen(Qt::black, 1));
        const int left = ColumnOf(spanFrom_), right = ColumnOf(spanTo_);
        painter.drawRect(left, 0, std::max(right - left, 1), h - 1);
    }
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(0, 0, width() - 1, h - 1);
}

void OverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnSeek) OnSeek(SecondsAt(event->position().toPoint().x()));
}

void OverviewStrip::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && OnSeek) OnSeek(SecondsAt(event->position().toPoint().x()));
}

}  // namespace pirolex
