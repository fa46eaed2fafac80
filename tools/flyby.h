#pragma once
// A synthetic fly-by recording: an engine tone with harmonics, emitted by a source that flies
// along a straight line past the microphone at constant speed, as the microphone hears it: each
// received sample at time t carries what the source emitted at tau with t = tau + r(tau) / c, so
// the propagation delay and with it the Doppler shift come out of the geometry itself. The level
// falls as 1 / r, and some Gaussian noise is added. Standard library only, so tests, benchmarks
// and the command-line tool can all use it.
//
//   pirolex::flyby::Params p;
//   p.speedKmh = 120;
//   std::vector<uint8_t> wav = pirolex::flyby::MakeWav(p);  // a complete 16-bit PCM file

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pirolex::flyby {

struct Params {
    double speedKmh = 120.0;
    double closestDistance = 10.0;  // metres, at the middle of the recording
    double temperature = 15.0;      // degrees Celsius, sets the speed of sound
    int sampleRate = 44100;
    int channels = 1;               // 2: two microphones 0.3 m apart along the flight line
    double seconds = 12.0;
    double baseFrequency = 4000.0;  // Hz, emitted (the engine's tone as the pilot hears it)
    // Amplitude of harmonic 1, 2, 3, ... relative to each other.
    std::vector<double> harmonics = {1.0, 0.4, 0.2};
    double noiseLevel = 0.003;      // RMS of the noise, relative to full scale
    double peakLevel = 0.8;         // tone level at the closest point, relative to full scale
    uint32_t seed = 1;
    // When the source is nearest the microphone, in seconds of emission time; the middle of
    // the recording when unset. It may lie outside the recording: then only half a pass or
    // none is heard.
    std::optional<double> passSeconds;
    // A slow change of the engine's rpm: every harmonic's frequency times
    // 1 + rpmWobble * sin(2 pi wobbleHz tau). Real engines do not hold their rpm exactly.
    double rpmWobble = 0.0;
    double wobbleHz = 0.5;
    // A recorder's anti-alias filter: harmonics that would reach the Nyquist frequency while
    // approaching are left out instead of folding back into the recording.
    bool dropAliasedHarmonics = false;
    // What a recording in the field has besides the tone, each off by default.
    // A broadband burst where the pass is heard (wind, tyres, propeller wash): noise burstDb over
    // the background below burstHz, swelling and fading over burstSeconds around the moment the
    // sound of the closest point arrives. 0 dB: none.
    double burstDb = 0.0;
    double burstSeconds = 1.5;
    double burstHz = 4000.0;
    // The harmonics' balance changing with the angle: harmonic k (1-based) is (k - 1) * tilt dB
    // louder than `harmonics` says, the tilt going from tiltBeforeDb far before the pass to
    // tiltAfterDb far after it along the cosine of the angle. -3 and -25 put a second harmonic of
    // the fundamental's amplitude 3 dB under it before the pass and 25 dB under it after.
    double tiltBeforeDb = 0.0;
    double tiltAfterDb = 0.0;
    // The recorder's level (or the source's loudness) swinging by up to levelSwingDb at
    // levelSwingHz.
    double levelSwingDb = 0.0;
    double levelSwingHz = 0.3;
    // Clicks (a few samples at up to clickLevel of full scale) and handling noise (low thumps of
    // a tenth of a second under 150 Hz), each at a mean rate per second, at random times.
    double clicksPerSecond = 0.0;
    double clickLevel = 0.5;
    double handlingPerSecond = 0.0;
    double handlingLevel = 0.2;
    // The program keeps only 700000 frames of a recording, so a file longer than that would not
    // show what it was made for; measurements on the samples themselves may go longer.
    bool limitToProgramFrames = true;
};

// The program's own formula for the speed of sound in air, in m/s.
double SoundSpeed(double temperature);

// The frequency of harmonic h heard far before (approaching) and far after (receding) the
// pass: f h c / (c -+ v).
double ApproachFrequency(const Params& p, int harmonic = 1);
double RecedeFrequency(const Params& p, int harmonic = 1);

// When the sound from the closest point reaches the microphone(s), s from the start: where the
// pitch crosses its middle and the burst is loudest.
double HeardPassSeconds(const Params& p);

// Frames of the recording, interleaved by channel, in [-1, 1].
std::vector<double> Samples(const Params& p);

// The recording per channel as 16-bit samples, quantised as MakeWav writes them.
std::vector<std::vector<int16_t>> PcmChannels(const Params& p);

// A canonical 16-bit PCM WAV file of the recording. Throws std::invalid_argument for
// parameters that cannot make one (no frames, the speed of sound reached, ...).
std::vector<uint8_t> MakeWav(const Params& p);
// The 44 bytes before the samples of a canonical 16-bit PCM WAV file.
std::vector<uint8_t> PcmWavHeader(int channels, int sampleRate, uint32_t dataBytes);

// Checks the parameters; returns an empty string when they are usable, else why not.
std::string Validate(const Params& p);

}  // namespace pirolex::flyby
