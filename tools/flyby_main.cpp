// pirolex-flyby: writes a synthetic fly-by recording to try the program with.
//   pirolex-flyby --speed 120 --temp 15 -o flyby.wav
#include "flyby.h"
#include "take.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {

const char* const kUsage =
    "usage: pirolex-flyby [options] -o FILE.wav\n"
    "  --speed KMH       flying speed in km/h (default 120)\n"
    "  --temp C          air temperature in degrees Celsius (default 15)\n"
    "  --rate HZ         sample rate (default 44100)\n"
    "  --channels N      1 or 2 (default 1)\n"
    "  --seconds S       length of the recording (default 12, at most 700000 frames)\n"
    "  --distance M      closest distance to the microphone in metres (default 10)\n"
    "  --freq HZ         engine tone as emitted (default 4000), with two weaker harmonics\n"
    "  --noise LEVEL     noise RMS relative to full scale (default 0.003)\n"
    "  --peak LEVEL      tone level at the closest point relative to full scale (default 0.8)\n"
    "  --seed N          noise seed (default 1)\n"
    "  --pass S          when the source is nearest, s from the start (default: the middle)\n"
    "what a recording in the field has besides the tone (all off by default):\n"
    "  --burst DB        broadband burst at the pass, DB over the background noise\n"
    "  --burst-seconds S its length (default 1.5)\n"
    "  --burst-hz HZ     the frequency it reaches (default 4000)\n"
    "  --tilt-before DB  harmonic k louder by (k - 1) DB far before the pass (-3: the second\n"
    "  --tilt-after DB   harmonic 3 dB under the fundamental), and far after it\n"
    "  --level-swing DB  level swinging by up to DB, once in --swing-hz (default 0.3)\n"
    "  --clicks N        clicks per second\n"
    "  --handling N      handling thumps per second\n"
    "  -o FILE           where to write the WAV file\n"
    "a take of minutes instead of one fly-by (--seconds, --rate, --channels, --seed apply):\n"
    "  --take KIND       circuits: a pass every 18..40 s at random speeds, distances and tones;\n"
    "                    field: the same with bursts, harmonics changing balance, level swings,\n"
    "                    clicks and handling; idle, hum, wind, voices: that sound, no pass.\n"
    "                    Prints each pass: when it is heard and its speed\n";

bool ParseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size();
}

// Returns false with a message on the first bad argument.
bool Parse(int argc, char** argv, pirolex::flyby::Params& p, std::string& output, std::string& take) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-h" || option == "--help") return false;
        if (i + 1 >= argc) {
            std::cerr << "pirolex-flyby: " << option << " needs a value\n";
            return false;
        }
        const std::string text = argv[++i];
        if (option == "-o") {
            output = text;
            continue;
        }
        if (option == "--take") {
            take = text;
            continue;
        }
        double value = 0;
        if (!ParseNumber(text, value)) {
            std::cerr << "pirolex-flyby: not a number for " << option << ": " << text << "\n";
            return false;
        }
        if (option == "--speed") p.speedKmh = value;
        else if (option == "--temp") p.temperature = value;
        else if (option == "--rate") p.sampleRate = static_cast<int>(value);
        else if (option == "--channels") p.channels = static_cast<int>(value);
        else if (option == "--seconds") p.seconds = value;
        else if (option == "--distance") p.closestDistance = value;
        else if (option == "--freq") p.baseFrequency = value;
        else if (option == "--noise") p.noiseLevel = value;
        else if (option == "--seed") p.seed = static_cast<uint32_t>(value);
        else if (option == "--pass") p.passSeconds = value;
        else if (option == "--peak") p.peakLevel = value;
        else if (option == "--burst") p.burstDb = value;
        else if (option == "--burst-seconds") p.burstSeconds = value;
        else if (option == "--burst-hz") p.burstHz = value;
        else if (option == "--tilt-before") p.tiltBeforeDb = value;
        else if (option == "--tilt-after") p.tiltAfterDb = value;
        else if (option == "--level-swing") p.levelSwingDb = value;
        else if (option == "--swing-hz") p.levelSwingHz = value;
        else if (option == "--clicks") p.clicksPerSecond = value;
        else if (option == "--handling") p.handlingPerSecond = value;
        else {
            std::cerr << "pirolex-flyby: unknown option " << option << "\n";
            return false;
        }
    }
    if (output.empty()) std::cerr << "pirolex-flyby: no output file (-o)\n";
    return !output.empty();
}

int WriteTake(const std::string& kind, const pirolex::flyby::Params& p, const std::string& output) {
    namespace flyby = pirolex::flyby;
    const flyby::TakeShape shape{p.seed, p.seconds, p.sampleRate, p.channels, kind == "field"};
    flyby::Take take;
    if (kind == "circuits" || kind == "field") take = flyby::RandomTake(shape);
    else if (kind == "idle") take = flyby::PasslessTake(flyby::TakeSound::kIdle, shape);
    else if (kind == "hum") take = flyby::PasslessTake(flyby::TakeSound::kHum, shape);
    else if (kind == "wind") take = flyby::PasslessTake(flyby::TakeSound::kWind, shape);
    else if (kind == "voices") take = flyby::PasslessTake(flyby::TakeSound::kVoices, shape);
    else {
        std::cerr << "pirolex-flyby: --take is circuits, field, idle, hum, wind or voices\n";
        return 2;
    }
    take.temperature = p.temperature;
    if (!(p.seconds > 0.0) || (p.channels != 1 && p.channels != 2) || p.sampleRate < 8000) {
        std::cerr << "pirolex-flyby: a take needs a length, 1 or 2 channels and a rate of 8000 Hz or more\n";
        return 2;
    }
    const std::vector<uint8_t> wav = flyby::TakeWav(take);
    std::ofstream file(output, std::ios::binary);
    file.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    if (!file) {
        std::cerr << "pirolex-flyby: cannot write " << output << "\n";
        return 1;
    }
    std::printf("%s: %zu passes in %.0f s\n", output.c_str(), take.passes.size(), take.seconds);
    for (const flyby::Params& pass : take.passes)
        std::printf("  heard at %8.2f s: %6.1f km/h, %5.1f m, tone %6.1f Hz\n",
                    pass.passSeconds.value_or(0.0) + pass.closestDistance / flyby::SoundSpeed(take.temperature),
                    pass.speedKmh, pass.closestDistance, pass.baseFrequency);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    pirolex::flyby::Params p;
    std::string output, take;
    if (!Parse(argc, argv, p, output, take)) {
        std::cerr << kUsage;
        return 2;
    }
    if (!take.empty()) return WriteTake(take, p, output);
    const std::string problem = pirolex::flyby::Validate(p);
    if (!problem.empty()) {
        std::cerr << "pirolex-flyby: " << problem << "\n";
        return 2;
    }
    const std::vector<uint8_t> wav = pirolex::flyby::MakeWav(p);
    std::ofstream file(output, std::ios::binary);
    file.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    if (!file) {
        std::cerr << "pirolex-flyby: cannot write " << output << "\n";
        return 1;
    }
    std::printf("%s: %.1f km/h at %.1f C, tone %.1f Hz heard as %.1f Hz approaching, %.1f Hz receding\n",
                output.c_str(), p.speedKmh, p.temperature, p.baseFrequency,
                pirolex::flyby::ApproachFrequency(p), pirolex::flyby::RecedeFrequency(p));
    return 0;
}
