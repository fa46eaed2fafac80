// Real recordings made by other people (a folder with MANIFEST.tsv: file, truth in km/h where
// known, kind, ...): every file through the pass search that `pirolex auto` runs, and through two
// snapped clicks 2 s either side of the pass at the picture's default FFT size, as a person
// clicks the approach and the recede tone in the window. Prints a table per file and pass (truth,
// answer, sigma, error, tone, reason) and a summary of the tone passes (kind "car-tone").
//
// The clicks: the pass is where the brightest line steps down (field_pass.h); the approach click
// lands on the strongest line between 200 and 1200 Hz around its moment, the recede click on the
// strongest a little below that, as a person reads them off a zoomed spectrum; the snap reads
// the rest.
//
//   pirolex_field_accuracy [FOLDER=/work/shared/field] [TEMPERATURE=15]

#include "audio_decoder.h"
#include "auto_speed.h"
#include "clicked_pair.h"
#include "field_pass.h"
#include "messages.h"
#include "pass_finder.h"
#include "recording_file.h"
#include "spectrogram_pass.h"
#include "time_axis.h"
#include "tone_snap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace pirolex;

constexpr int32_t kDefaultFft = 1024;
constexpr double kClickSeconds = 2.0;
constexpr double kLowestClickHz = 200.0, kHighestClickHz = 1200.0;

struct Entry {
    std::string file, kind;
    std::optional<double> truthKmh;
};

std::vector<Entry> ReadManifest(const std::filesystem::path& folder) {
    std::vector<Entry> entries;
    std::ifstream in(folder / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream row(line);
        for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
        if (fields.size() < 3) continue;
        Entry e{fields[0], fields[2], std::nullopt};
        if (!fields[1].empty()) e.truthKmh = std::stod(fields[1]);
        entries.push_back(e);
    }
    return entries;
}

std::optional<DopplerSpeed> SnappedClicks(const Recording& recording, double passS, double temperature) {
    const int32_t step = LineStep(Picture::k2D, recording.FrameCount(), kDefaultFft - 1);
    int32_t lines = 0;
    while (lines < kMaxLines && LineFirstFrame(lines + 1, step, 0) + kDefaultFft + 2 <= recording.FrameCount())
        ++lines;
    const TimeAxis axis{recording.sampleRate, kDefaultFft, step, 0, lines};
    auto snapAt = [&](double seconds, double clickHz) -> std::optional<SnappedTone> {
        const int32_t line = axis.NearestLine(seconds);
        return SnapToTone(recording, Channel::kLeft, kDefaultFft, clickHz,
                          BlocksAroundLine(line, lines, step, 0, SnapBlockFrames(kDefaultFft, clickHz, recording.sampleRate)));
    };
    const double approachHz = field::StrongestHz(recording, passS - kClickSeconds, kLowestClickHz, kHighestClickHz);
    const double recedeHz = field::StrongestHz(recording, passS + kClickSeconds, 0.85 * approachHz, 0.995 * approachHz);
    const auto a = snapAt(passS - kClickSeconds, approachHz);
    const auto b = snapAt(passS + kClickSeconds, recedeHz);
    if (!a || !b) return std::nullopt;
    return SpeedFromClickedTones(*a, *b, temperature);
}

std::string ErrorPercent(std::optional<double> truth, double answer) {
    if (!truth || *truth <= 0.0) return "–";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f %%", 100.0 * (answer - *truth) / *truth);
    return text;
}

struct Tally {
    int passes = 0, answered = 0, within3 = 0, over5 = 0;
    void Add(std::optional<double> truth, std::optional<double> answer) {
        ++passes;
        if (!answer || !truth) return;
        ++answered;
        const double error = std::fabs(*answer - *truth) / *truth;
        within3 += error <= 0.03;
        over5 += error > 0.05;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : "/work/shared/field";
    const double temperature = argc > 2 ? std::atof(argv[2]) : 15.0;
    if (!std::filesystem::exists(folder / "MANIFEST.tsv")) {
        std::printf("no recordings at %s: nothing to measure\n", folder.c_str());
        return 0;
    }
    std::printf("| file | truth | auto | σ | error | tone | reason | snap 2 s | snap error |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    Tally autoTones, snapTones;
    int wildlyOff = 0;
    for (const Entry& e : ReadManifest(folder)) {
        const RecordingFile file = ReadRecordingFile((folder / e.file).string(), &DecodeFile);
        if (!file.Ok()) {
            std::printf("| %s | unreadable |\n", e.file.c_str());
            continue;
        }
        const std::string truth = e.truthKmh ? std::to_string(static_cast<int>(*e.truthKmh)) : "–";
        const PassSearch search = FindPasses(file.recording, temperature);
        const std::optional<DopplerSpeed> snap = SnappedClicks(file.recording, field::FallSecond(file.recording), temperature);
        char snapText[48] = "keine";
        if (snap) std::snprintf(snapText, sizeof snapText, "%.1f ± %.1f", snap->kmh, snap->resolutionKmh);
        const std::string snapError = snap ? ErrorPercent(e.truthKmh, snap->kmh) : "–";
        const bool tonePass = e.kind == "car-tone";
        if (tonePass) snapTones.Add(e.truthKmh, snap ? std::optional(snap->kmh) : std::nullopt);
        if (search.passes.empty()) {
            std::printf("| %s | %s | – | – | – | – | %s | %s | %s |\n", e.file.c_str(), truth.c_str(),
                        texts::RefusalText(search.noPassReason).c_str(), snapText, snapError.c_str());
            if (tonePass) autoTones.Add(e.truthKmh, std::nullopt);
            continue;
        }
        for (const FlybyPass& pass : search.passes) {
            const AutoSpeed& s = pass.speed;
            if (!s.Answered()) {
                std::printf("| %s #%d @%.1f s | %s | – | – | – | – | %s | %s | %s |\n", e.file.c_str(), pass.number,
                            pass.heardS, truth.c_str(), texts::RefusalText(s.refusal).c_str(), snapText,
                            snapError.c_str());
                if (tonePass) autoTones.Add(e.truthKmh, std::nullopt);
                continue;
            }
            std::printf("| %s #%d @%.1f s | %s | %.1f | %.1f | %s | f0 %.1f Hz, H%d, %.1f m | | %s | %s |\n",
                        e.file.c_str(), pass.number, pass.heardS, truth.c_str(), s.speedKmh, s.sigmaKmh,
                        ErrorPercent(e.truthKmh, s.speedKmh).c_str(), s.restFrequencyHz, s.Harmonic(),
                        s.closestDistanceM, snapText, snapError.c_str());
            if (tonePass) autoTones.Add(e.truthKmh, s.speedKmh);
            // A speed for a source that stands still (truth 0) is as wrong as one a quarter off.
            if (e.truthKmh && std::fabs(s.speedKmh - *e.truthKmh) > 0.25 * *e.truthKmh)
                ++wildlyOff;
        }
    }
    std::printf("\ntone passes, auto: %d, answered %d, within 3 %% %d, more than 5 %% off %d\n", autoTones.passes,
                autoTones.answered, autoTones.within3, autoTones.over5);
    std::printf("tone passes, snap 2 s: %d, answered %d, within 3 %% %d, more than 5 %% off %d\n", snapTones.passes,
                snapTones.answered, snapTones.within3, snapTones.over5);
    std::printf("answers more than 25 %% off a known truth: %d\n", wildlyOff);
    return 0;
}
