#include "marker_speed.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

// A marker's resolution in plain hertz. The axis states it in the hertz of its unit, which over
// the whole band are half hertz; the speed only takes ratios, so that only matters where the
// frequencies come from elsewhere.
double PlainResolutionHz(const FrequencyAxis& axis) {
    const double hzPerUnit = (axis.HighHz() - axis.LowHz()) / 512.0;
    return axis.ResolutionHz() / axis.UnitHz() * hzPerUnit;
}

}  // namespace

std::optional<DopplerSpeed> MarkerPairSpeed(const MarkerReading& a, const MarkerReading& b, bool sameColumns,
                                            double temperature) {
    if (a.clickedTone && b.clickedTone) return SpeedFromClickedTones(*a.clickedTone, *b.clickedTone, temperature);
    if (a.spreadHz && b.spreadHz) return SpeedFromSnapped(a.hz, *a.spreadHz, b.hz, *b.spreadHz, temperature);
    if (!a.spreadHz && !b.spreadHz && sameColumns) {
        const FrequencyAxis::MarkedPair marked = a.axis.Marked(a.column, b.column);
        const double resolution = std::max(a.axis.ResolutionHz(), b.axis.ResolutionHz());
        return SpeedFromFrequencies(marked.halfDifferenceHz, marked.meanHz, resolution, temperature);
    }
    double resolution = 0.0;
    for (const MarkerReading* m : {&a, &b})
        resolution = std::max(resolution, m->spreadHz ? *m->spreadHz : PlainResolutionHz(m->axis));
    return SpeedFromFrequencies(std::fabs(a.hz - b.hz) / 2, (a.hz + b.hz) / 2, resolution, temperature);
}

MarkerMeasurement MeasureMarkerPair(const MarkerReading& a, const MarkerReading& b, bool sameColumns,
                                    double temperature, int32_t topSpeedKmh) {
    MarkerMeasurement m;
    m.speed = MarkerPairSpeed(a, b, sameColumns, temperature);
    m.topSpeedKmh = topSpeedKmh;
    m.doubts = DoubtsAbout(a.hz, b.hz, m.speed ? std::optional<double>(m.speed->kmh) : std::nullopt, topSpeedKmh,
                           a.snapMissed, b.snapMissed);
    return m;
}

}  // namespace pirolex
