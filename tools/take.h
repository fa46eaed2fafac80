#pragma once
// A take at the field: minutes of recording with the model flying circuits (a straight pass by
// the microphone, a turn far away, back again), or with sounds but no pass at all: an engine
// idling on the bench, mains hum, wind, voices. Each pass is made as flyby::Samples makes a
// single fly-by, over the stretch of the take until halfway to the passes before and after it,
// where the model is far away; the background noise runs through the whole take.
//
//   const Take take = RandomTake({.seed = 3, .seconds = 180, .field = true});
//   std::vector<std::vector<int16_t>> pcm = TakeChannels(take);  // take.passes: the truth

#include "flyby.h"

#include <cstdint>
#include <vector>

namespace pirolex::flyby {

enum class TakeSound : uint8_t {
    kIdle,    // an engine on the bench: a steady tone with harmonics, its rpm wobbling
    kHum,     // the mains: 50 Hz and its harmonics
    kWind,    // low broadband noise in gusts
    kVoices,  // people talking: harmonic syllables of 0.1..0.5 s with gliding pitch
};

struct Take {
    int sampleRate = 44100;
    int channels = 1;
    double seconds = 120.0;
    double temperature = 15.0;
    double noiseLevel = 0.003;  // RMS of the background noise, relative to full scale
    uint32_t seed = 1;
    // The passes, each a fly-by whose passSeconds is when the model is nearest, in seconds of the
    // take; its rate, channels, temperature, length and background noise are the take's.
    std::vector<Params> passes;
    std::vector<TakeSound> sounds;
    double clicksPerSecond = 0.0;
    double handlingPerSecond = 0.0;
};

// The take per channel as 16-bit samples.
std::vector<std::vector<int16_t>> TakeChannels(const Take& take);
// A canonical 16-bit PCM WAV file of it.
std::vector<uint8_t> TakeWav(const Take& take);

struct TakeShape {
    uint32_t seed = 1;
    double seconds = 180.0;
    int sampleRate = 44100;
    int channels = 1;
    // Circuits as recorded at the field: a burst at most passes, harmonics changing balance along
    // the pass, level swings, clicks and handling noise, more background noise.
    bool field = false;
};

// Circuits: a pass every 18..40 s at 60..250 km/h, 4..60 m away, with engine tones of
// 300..6000 Hz and a slow rpm wobble.
Take RandomTake(const TakeShape& shape);
// The same length of one sound and no pass.
Take PasslessTake(TakeSound sound, const TakeShape& shape);

}  // namespace pirolex::flyby
