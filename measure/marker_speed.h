#pragma once
// Two markers' speed: which formula a pair of markers takes, and what makes it doubtful. The
// window's label, its cursor readout, `pirolex measure` and the record all take it from here.
//
// Clicks made in one frame keep the column arithmetic the speed label has always used, so their
// digits stay the same however the picture changes afterwards; snapped tones take their spreads;
// clicks whose tones were snapped take the slope of their tones into account (clicked_pair.h).

#include "clicked_pair.h"
#include "doppler_speed.h"
#include "frequency_axis.h"
#include "tone_snap.h"

#include <cstdint>
#include <optional>

namespace pirolex {

// What the speed needs of one marker.
struct MarkerReading {
    double hz = 0.0;
    std::optional<double> spreadHz;          // snapped onto a tone: how far its peak wandered
    std::optional<SnappedTone> clickedTone;  // a click's snap as found
    bool snapMissed = false;                 // the snap was asked for and found no tone
    int32_t column = 0;                      // the column it was placed on ...
    FrequencyAxis axis;                      // ... in the picture of that moment
};

// The speed of the pair at an air temperature; none where the tones give none. sameColumns:
// both markers were placed in pictures that put every frequency on the same column.
std::optional<DopplerSpeed> MarkerPairSpeed(const MarkerReading& a, const MarkerReading& b, bool sameColumns,
                                            double temperature);

// The pair's whole measurement: the speed and what makes it doubtful (above the top speed, B on
// another harmonic than A, a click the snap could not place, the buttons swapped).
struct MarkerMeasurement {
    std::optional<DopplerSpeed> speed;
    ClickDoubts doubts;
    int32_t topSpeedKmh = 0;
};
MarkerMeasurement MeasureMarkerPair(const MarkerReading& a, const MarkerReading& b, bool sameColumns,
                                    double temperature, int32_t topSpeedKmh);

}  // namespace pirolex
