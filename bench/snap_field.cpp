// Two snapped clicks on recordings other people made: for each recording of MANIFEST.tsv in the
// folder whose kind names a tone and that has a truth, the pass is where the recording is
// loudest (a roadside pass a few metres off), its tones the strongest 200-1200 Hz peak in 0.7 s
// around 2 s before it and the strongest a little below that after it, as a person reads them off
// a zoomed spectrum; the clicks are made as `pirolex measure --snap --at-a --at-b` makes them, 2 s
// before and 2 s after the pass, half an FFT bin of the picture beside either tone. Prints a
// row per recording and click side (truth, speed, "±", error, whether the truth is inside the
// "±") and the summary the field asks of the snap: the median error, the share within 3 % and
// the share whose "±" holds the truth and is at most 5 % of the speed.
//
//   pirolex_snap_field [FOLDER=/work/shared/field] [FFT=1024] [SECONDS=2]

#include "audio_decoder.h"
#include "doppler_speed.h"
#include "field_pass.h"
#include "clicked_pair.h"
#include "offscreen_plot.h"
#include "spectrogram_pass.h"
#include "time_axis.h"
#include "recording_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace pirolex;
using field::FallSecond;
using field::Median;
using field::StrongestHz;

struct Row {
    std::string file;
    double truthKmh = 0;
};

std::vector<Row> ToneRows(const std::filesystem::path& folder) {
    std::vector<Row> rows;
    std::ifstream manifest(folder / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // the heading
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string file, truth, kind;
        std::getline(fields, file, '\t');
        std::getline(fields, truth, '\t');
        std::getline(fields, kind, '\t');
        if (kind.find("tone") == std::string::npos || truth.empty()) continue;
        rows.push_back({file, std::strtod(truth.c_str(), nullptr)});
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : "/work/shared/field";
    const int exponent = argc > 2 ? static_cast<int>(std::log2(std::strtod(argv[2], nullptr))) : 10;
    const double away = argc > 3 ? std::strtod(argv[3], nullptr) : 2.0;
    const std::vector<Row> rows = ToneRows(folder);
    if (rows.empty()) {
        std::printf("no recordings with a tone and a truth in %s\n", folder.c_str());
        return 0;
    }
    std::vector<double> errors;
    int within3 = 0, honest = 0, clicks = 0;
    std::printf("| file                     | truth | pass s | side | A Hz (±)          | B Hz (±)          | speed ± km/h     | error   | inside |\n");
    std::printf("|--------------------------|-------|--------|------|-------------------|-------------------|------------------|---------|--------|\n");
    for (const Row& row : rows) {
        PlotRequest request;
        request.file = (folder / row.file).string();
        request.settings.fftExponent = exponent;
        RecordingFile file = ReadRecordingFile(request.file, &DecodeFile);
        if (!file.Ok()) continue;
        const double heard = FallSecond(file.recording);
        const double approachHz = StrongestHz(file.recording, heard - away, 200, 1200);
        const double recedeHz = StrongestHz(file.recording, heard + away, 0.85 * approachHz, 0.995 * approachHz);
        const double halfBin = 0.5 * file.recording.sampleRate / request.settings.FftSize();
        const Recording& recording = file.recording;
        const int32_t fftSize = request.settings.FftSize();
        const int32_t step = LineStep(Picture::k2D, recording.FrameCount(), fftSize - 1);
        int32_t lines = 0;
        while (lines < kMaxLines && LineFirstFrame(lines + 1, step, 0) + fftSize + 2 <= recording.FrameCount()) ++lines;
        const TimeAxis time{recording.sampleRate, fftSize, step, 0, lines};
        // As the window's click and `measure --snap --at-a/--at-b` snap.
        const auto snapAt = [&](double seconds, double hz) {
            const int32_t snapFrames = SnapBlockFrames(fftSize, hz, recording.sampleRate);
            return SnapToTone(recording, Channel::kLeft, fftSize, hz,
                              BlocksAroundLine(time.NearestLine(seconds), lines, step, 0, snapFrames));
        };
        for (const double side : {-1.0, 1.0}) {
            SnappedMeasurement m;
            m.a = snapAt(heard - away, approachHz + side * halfBin);
            m.b = snapAt(heard + away, recedeHz - side * halfBin);
            if (m.a && m.b) m.speed = SpeedFromClickedTones(*m.a, *m.b, request.settings.temperature);
            ++clicks;
            std::printf("| %-24s | %5.1f | %6.2f | %4s |", row.file.c_str(), row.truthKmh, heard,
                        side < 0 ? "low" : "high");
            for (const auto& tone : {m.a, m.b}) {
                if (tone)
                    std::printf(" %7.2f (%6.2f)  |", tone->hz, tone->spreadHz);
                else
                    std::printf(" %17s |", "keiner");
            }
            if (!m.speed) {
                std::printf(" %16s | %7s | %6s |\n", "keine", "", "");
                continue;
            }
            const double error = 100 * std::fabs(m.speed->kmh - row.truthKmh) / row.truthKmh;
            const bool inside = std::fabs(m.speed->kmh - row.truthKmh) <= m.speed->resolutionKmh &&
                                m.speed->resolutionKmh <= 0.05 * m.speed->kmh;
            errors.push_back(error);
            within3 += error <= 3.0;
            honest += inside;
            std::printf(" %7.2f ± %6.2f | %6.2f%% | %6s |\n", m.speed->kmh, m.speed->resolutionKmh, error,
                        inside ? "yes" : "no");
        }
    }
    std::printf("\n%d clicked pairs, FFT size %d, clicks %.1f s either side: %zu answered, median error %.2f %%, "
                "%d within 3 %%, %d with the truth inside a \"±\" of at most 5 %%\n",
                clicks, 1 << exponent, away, errors.size(), Median(errors), within3, honest);
    return 0;
}
