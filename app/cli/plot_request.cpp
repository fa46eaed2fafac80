#include "plot_request.h"

#include "cli.h"
#include "messages.h"
#include "option_parser.h"
#include "picture_samples.h"
#include "picture_span.h"

#include <charconv>
#include <cmath>
#include <set>

namespace pirolex {

namespace {

constexpr int kMaxSide = 4096;

using Apply = std::string (*)(const std::string& value, PlotRequest& request);

// One option: its name, what it takes ("" for a switch) and how it sets the request.
struct Option {
    const char* name;
    std::string allowed;
    Apply apply;
};

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool ParseDouble(const std::string& text, double& value) { return ReadNumber(text, value); }

// Index of value in names, or -1.
int IndexOf(const std::string& value, std::initializer_list<const char*> names) {
    int i = 0;
    for (const char* name : names) {
        if (value == name) return i;
        ++i;
    }
    return -1;
}

std::string IntInRange(const std::string& value, int min, int max, int& target) {
    int n = 0;
    if (!ParseInt(value, n) || n < min || n > max) return "bad";
    target = n;
    return {};
}

std::string SetMode(const std::string& value, PlotRequest& r) {
    const std::optional<Picture> picture = texts::PictureNamed(value);
    if (!picture) return "bad";
    r.settings.picture = *picture;
    return {};
}

std::string SetFFT(const std::string& value, PlotRequest& r) {
    int size = 0;
    if (!ParseInt(value, size)) return "bad";
    for (int32_t exponent = kSmallestFftExponent; exponent <= kLargestFftExponent; ++exponent) {
        if (size != int32_t{1} << exponent) continue;
        r.settings.fftExponent = exponent;
        return {};
    }
    return "bad";
}

// "128, 256, 512, 1024, 2048, 4096, 8192 und 16384": the sizes the window's control offers.
std::string FftSizes() {
    std::string sizes;
    for (int32_t exponent = kSmallestFftExponent; exponent <= kLargestFftExponent; ++exponent) {
        if (exponent > kSmallestFftExponent) sizes += exponent == kLargestFftExponent ? " und " : ", ";
        sizes += std::to_string(int32_t{1} << exponent);
    }
    return sizes;
}

std::string SetChannel(const std::string& value, PlotRequest& r) {
    const int i = IndexOf(value, {"links", "rechts", "beide"});
    if (i < 0) return "bad";
    r.settings.channel = static_cast<Channel>(i);
    return {};
}

std::string SetThreshold(const std::string& value, PlotRequest& r) {
    r.settings.filterMode = FilterMode::kThreshold;
    return IntInRange(value, 0, 30, r.settings.threshold);
}

std::string SetLevelRange(const std::string& value, PlotRequest& r) {
    return IntInRange(value, kLowestLevelRangeDb, kHighestLevelRangeDb, r.settings.levelRangeDb);
}

// A gain given is the user's own: the automatic level steps aside.
std::string SetLevelGain(const std::string& value, PlotRequest& r) {
    r.settings.levelAutomatic = false;
    return IntInRange(value, 0, kHighestLevelGainDb, r.settings.levelGainDb);
}

std::string SetPoints(const std::string& value, PlotRequest& r) {
    r.settings.filterMode = FilterMode::kConstantPoints;
    return IntInRange(value, 5, 50, r.settings.pointsPerLine);
}

std::string SetTemperature(const std::string& value, PlotRequest& r) {
    double celsius = 0.0;
    if (!ReadNumberIn(value, kTemperatureRange, celsius)) return "bad";
    // Tenths, as the window's field takes them.
    r.settings.temperature = std::round(celsius * 10.0) / 10.0;
    return {};
}

std::string SetSize(const std::string& value, PlotRequest& r) {
    const size_t x = value.find_first_of("xX");
    int w = 0, h = 0;
    if (x == std::string::npos || !ParseInt(value.substr(0, x), w) ||
        !ParseInt(value.substr(x + 1), h))
        return "bad";
    if (w < kMinOuterWidth || w > kMaxSide || h < kMinOuterHeight || h > kMaxSide) return "bad";
    r.outerWidth = w;
    r.outerHeight = h;
    return {};
}

std::string PositiveHz(const std::string& value, double& target) {
    double hz = 0.0;
    if (!ParseDouble(value, hz) || hz <= 0.0) return "bad";
    target = hz;
    return {};
}

std::string SetA(const std::string& value, PlotRequest& r) { return PositiveHz(value, r.frequencyA); }
std::string SetB(const std::string& value, PlotRequest& r) { return PositiveHz(value, r.frequencyB); }

std::string Seconds(const std::string& value, std::optional<double>& target) {
    double seconds = 0.0;
    if (!ParseDouble(value, seconds) || seconds < 0.0) return "bad";
    target = seconds;
    return {};
}

std::string SetAtA(const std::string& value, PlotRequest& r) { return Seconds(value, r.atA); }
std::string SetAtB(const std::string& value, PlotRequest& r) { return Seconds(value, r.atB); }

std::string SetStart(const std::string& value, PlotRequest& r) {
    double seconds = 0.0;
    if (!ParseDouble(value, seconds) || seconds < 0.0) return "bad";
    r.start = seconds;
    return {};
}

std::string SetLength(const std::string& value, PlotRequest& r) {
    double seconds = 0.0;
    if (!ParseDouble(value, seconds) || seconds < kShortestSpanSeconds) return "bad";
    r.length = seconds;
    return {};
}

// FROM-TO in hertz, 0 <= FROM and at least the narrowest band apart, as the window takes them; the
// top is checked against the recording's rate once it is read.
std::string SetBand(const std::string& value, PlotRequest& r) {
    const size_t dash = value.find('-', 1);
    double low = 0.0, high = 0.0;
    if (dash == std::string::npos || !ParseDouble(value.substr(0, dash), low) ||
        !ParseDouble(value.substr(dash + 1), high) || !BandWideEnough(low, high))
        return "bad";
    r.settings.bandLowHz = low;
    r.settings.bandHighHz = high;
    return {};
}

std::string SetOutput(const std::string& value, PlotRequest& r) {
    if (value.empty()) return "bad";
    r.output = value;
    return {};
}

std::string SetFein(const std::string&, PlotRequest& r) {
    r.settings.accuracy = Accuracy::kExact;
    return {};
}

std::string SetIQ(const std::string&, PlotRequest& r) {
    r.settings.iqPhase = true;
    return {};
}

std::string SetSnap(const std::string&, PlotRequest& r) {
    r.snap = true;
    return {};
}

std::string SetCaption(const std::string&, PlotRequest& r) {
    r.caption = true;
    return {};
}

// The settings that change the picture, apart from the picture mode. Measure takes them all, so
// it measures on the very picture that render draws and the window shows with them.
const Option kFFT = {"--fft", FftSizes(), SetFFT};
const std::string kTemperatures = AllowedNumbers(kTemperatureRange) + " (auf Zehntel)";
const Option kChannel = {"--channel", "links, rechts und beide", SetChannel};
const Option kFein = {"--fein", "", SetFein};
const Option kIQ = {"--iq", "", SetIQ};
const Option kThreshold = {"--threshold", "die ganzen Zahlen 0..30", SetThreshold};
const Option kPoints = {"--points", "die ganzen Zahlen 5..50", SetPoints};
const Option kSize = {"--size", "BREITExHÖHE von 300x200 bis 4096x4096", SetSize};
const Option kBand = {"--band", "VON-BIS in Hz mit 0 ≤ VON < BIS, mindestens " + std::to_string(static_cast<int>(kNarrowestBandHz)) +
                                " Hz breit, z. B. 300-900", SetBand};
// "Dynamik" and "Verstärkung" of the level picture.
const Option kLevelRange = {"--range", "die ganzen Zahlen 20..150 (dB)", SetLevelRange};
const Option kLevelGain = {"--gain", "die ganzen Zahlen 0..60 (dB)", SetLevelGain};
const Option kStart = {"--start", "Sekunden ab 0 (Beginn des Ausschnitts einer langen Aufnahme)",
                       SetStart};
const Option kLength = {"--length", "Sekunden ab 2 bis zur Länge der Aufnahme (Länge des Ausschnitts)",
                        SetLength};

const std::string kModeNames = texts::PictureNameList();

const std::vector<Option> kRenderOptions = {
    {"-o", "ein Dateiname für das PNG-Bild", SetOutput},
    {"--mode", kModeNames, SetMode},
    kFFT, kChannel, kFein, kIQ, kThreshold, kPoints, kSize, kStart, kLength, kBand, kLevelRange, kLevelGain,
    {"--caption", "", SetCaption},
    {"--a", "Frequenzen in Hz über 0", SetA},
    {"--b", "Frequenzen in Hz über 0", SetB},
    {"--temp", kTemperatures, SetTemperature},
};

const std::vector<Option> kMeasureOptions = {
    {"--a", "Frequenzen in Hz über 0", SetA},
    {"--b", "Frequenzen in Hz über 0", SetB},
    {"--temp", "Zahlen von -20 bis 40 (auf Zehntel)", SetTemperature},
    {"--snap", "", SetSnap},
    kFFT, kChannel, kFein, kIQ, kThreshold, kPoints, kSize, kStart, kLength, kBand,
    {"--at-a", "Sekunden ab 0 bis zum Ende der Aufnahme (wann A geklickt wird)", SetAtA},
    {"--at-b", "Sekunden ab 0 bis zum Ende der Aufnahme (wann B geklickt wird)", SetAtB},
};

// The shortest text that reads back as the same number: 4430, 4430.5, 22050.
std::string Number(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Reads args into request through the table; seen collects the options given. Empty when all
// were usable.
std::string ParseArgs(const std::vector<std::string>& args, const std::vector<Option>& options,
                      PlotRequest& request, std::set<std::string>& seen) {
    std::vector<CommandOption> table;
    for (const Option& o : options)
        table.push_back({o.name, o.allowed,
                         [&request, apply = o.apply](const std::string& value) {
                             return apply(value, request).empty();
                         },
                         {}});
    CommandArgs parsed;
    std::string problem = ParseCommandArgs(args, table, FileCount::kOne, parsed);
    if (!parsed.files.empty()) request.file = parsed.files.front();
    seen = std::move(parsed.seen);
    return problem;
}

// The two filter settings belong to one check box: one of them or neither.
std::string OneFilter(const std::set<std::string>& seen) {
    if (seen.count("--threshold") && seen.count("--points"))
        return "--threshold und --points schließen sich aus: --threshold 0..30 für den festen "
               "Schwellwert oder --points 5..50 für const. PPL";
    return {};
}

}  // namespace

std::string ParseRenderArgs(const std::vector<std::string>& args, PlotRequest& request) {
    std::set<std::string> seen;
    if (std::string problem = ParseArgs(args, kRenderOptions, request, seen); !problem.empty())
        return problem;
    if (std::string problem = OneFilter(seen); !problem.empty()) return problem;
    if (request.file.empty()) return "render erwartet eine Aufnahme: render DATEI -o BILD.png";
    if (request.output.empty()) return "render erwartet -o BILD.png";
    const bool a = seen.count("--a") > 0, b = seen.count("--b") > 0;
    if (!request.caption && (a || b || seen.count("--temp")))
        return "--a, --b und --temp gehören bei render zu --caption";
    if (a != b) return "--caption nimmt --a und --b zusammen oder keins von beiden";
    return {};
}

std::string ParseMeasureArgs(const std::vector<std::string>& args, PlotRequest& request) {
    std::set<std::string> seen;
    if (std::string problem = ParseArgs(args, kMeasureOptions, request, seen); !problem.empty())
        return problem;
    if (std::string problem = OneFilter(seen); !problem.empty()) return problem;
    if (request.file.empty()) return "measure erwartet eine Aufnahme: measure DATEI --a HZ --b HZ";
    if (!seen.count("--a") || !seen.count("--b"))
        return "measure erwartet --a HZ und --b HZ, Frequenzen in Hz über 0";
    if ((request.atA || request.atB) && !request.snap)
        return "--at-a und --at-b gehören zu --snap: sie sagen, wo die Spitze gesucht wird";
    return {};
}

std::string CheckRenderAgainst(const PlotRequest& request, int channels) {
    if (request.settings.channel == Channel::kLeft || channels == 2) return {};
    static const char* const kNames[] = {"links", "rechts", "beide"};
    return std::string("--channel ") + kNames[static_cast<int>(request.settings.channel)] + ": " +
           request.file +
           " hat nicht zwei Kanäle, erlaubt ist nur links";
}

std::string CheckMeasureAgainst(const PlotRequest& request, int channels, int32_t sampleRate) {
    if (std::string problem = CheckRenderAgainst(request, channels); !problem.empty()) return problem;
    if (std::string problem = CheckBandAgainst(request, sampleRate); !problem.empty()) return problem;
    const double top = sampleRate / 2.0;
    for (const auto& [name, hz] : {std::pair{"--a", request.frequencyA}, {"--b", request.frequencyB}}) {
        if (hz > top)
            return std::string(name) + " " + Number(hz) + ": erlaubt sind Frequenzen über 0 bis " +
                   Number(top) + " Hz, die halbe Samplerate von " + request.file;
        const Settings& s = request.settings;
        if (s.BandZoomed() && (hz < s.bandLowHz || hz > s.bandHighHz))
            return std::string(name) + " " + Number(hz) + ": erlaubt sind Frequenzen im Band --band " +
                   Number(s.bandLowHz) + "-" + Number(s.bandHighHz);
    }
    return {};
}

std::string CheckClickTimesAgainst(const PlotRequest& request, const Recording& recording,
                                   int64_t firstFrame, int64_t frames) {
    const double rate = recording.sampleRate;
    if (!(rate > 0)) return {};
    const double length = static_cast<double>(recording.FrameCount()) / rate;
    const double from = static_cast<double>(firstFrame) / rate;
    const double to = static_cast<double>(firstFrame + frames) / rate;
    for (const auto& [name, at] : {std::pair{"--at-a", request.atA}, {"--at-b", request.atB}}) {
        if (!at) continue;
        const std::string given = std::string(name) + " " + Number(*at) + ": ";
        if (*at > length)
            return given + "erlaubt sind 0 bis " + Number(length) + " Sekunden, die Länge von " +
                   request.file;
        if (*at < from || *at > to)
            return given + "erlaubt sind " + Number(from) + " bis " + Number(to) +
                   " Sekunden, der Ausschnitt, den die Grafik zeigt (--start wählt ihn)";
    }
    return {};
}

std::string CheckBandAgainst(const PlotRequest& request, int32_t sampleRate) {
    const Settings& s = request.settings;
    if (!s.BandZoomed() || BandRange(sampleRate).Holds(s.bandHighHz)) return {};
    return "--band " + Number(s.bandLowHz) + "-" + Number(s.bandHighHz) +
           ": erlaubt sind Frequenzen bis " + Number(BandRange(sampleRate).highest) +
           " Hz, die halbe Samplerate von " + request.file;
}

// A span as long as asked cannot be longer than the recording; one of 2 s shows the whole of a
// shorter recording.
std::string CheckLengthAgainst(const PlotRequest& request, const Recording& recording) {
    if (!request.length || recording.sampleRate <= 0) return {};
    // The length to a tenth, as the window's field shows it, so that its value is always allowed.
    const double longest = std::max(kShortestSpanSeconds, std::ceil(recording.Seconds() * 10.0) / 10.0);
    if (*request.length <= longest) return {};
    return "--length " + Number(*request.length) + ": erlaubt sind 2 bis " + Number(longest) +
           " Sekunden, die Länge von " + request.file;
}

std::string CheckStartAgainst(const PlotRequest& request, const Recording& recording) {
    if (std::string problem = CheckLengthAgainst(request, recording); !problem.empty()) return problem;
    if (!request.start) return {};
    const int64_t span = request.length ? SpanFramesFor(recording, *request.length) : kMaxFrames;
    const std::string given = "--start " + Number(*request.start) + ": ";
    if (!NeedsSpan(recording, span)) {
        if (*request.start == 0.0) return {};
        return given + request.file + " passt ganz in die Grafik (höchstens " +
               std::to_string(span) + " Samples), erlaubt ist nur 0";
    }
    const double latest =
        static_cast<double>(recording.FrameCount() - span) / recording.sampleRate;
    if (*request.start <= latest) return {};
    return given + "erlaubt sind 0 bis " + Number(LatestSpanStart(recording, span)) +
           " Sekunden, damit der Ausschnitt von " + std::to_string(span) +
           " Samples in " + request.file + " liegt";
}

}  // namespace pirolex
