#pragma once
// The engine tone's frequency over time: the strongest harmonic ridge through the salience
// (a Viterbi path on which the tone may fall fast but rise only slowly, as a pass makes it),
// refined per frame to a fraction of a bin from the peaks of its harmonics, with stray points
// and short fragments removed.

#include "full_spectrogram.h"

#include <cstdint>
#include <vector>

namespace pirolex {

struct ToneTrack {
    // One entry per frame in which the tone was heard, in time order.
    std::vector<double> times;        // s, the frame's centre
    std::vector<double> frequencies;  // Hz, of harmonic `harmonic`
    std::vector<double> snrDb;        // dB above the noise floor, of the harmonic heard best
    std::vector<double> levelDb;      // the power of the loudest harmonic heard, dB
    // Which harmonic the frequencies are of: the one heard best, counted from the lowest member
    // of the tone's harmonic series that was heard at all (1 = that one itself).
    int harmonic = 0;
    // A tone heard at one pitch nearly all the time (a hum, or an engine that does not pass),
    // which the track leaves out; 0 when there is none.
    double steadyHz = 0.0;

    size_t Size() const { return times.size(); }
};

// An empty track when no tone stands out. Takes the spectrogram by value: moved in, its memory
// is reused.
ToneTrack TrackTone(FullSpectrogram spectrogram);

}  // namespace pirolex
