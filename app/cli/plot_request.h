#pragma once
// What `pirolex render` and `pirolex measure` are asked to do: the window's control settings,
// the window size, the file, and for measure the two frequencies and the temperature. The parsers check every option
// and say in one line what is wrong and which values are allowed. No Qt here.

#include "plot_view.h"
#include "recording.h"
#include "settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pirolex {

struct PlotRequest {
    std::string file;
    std::string output;          // render: the PNG to write
    Settings settings = StartupSettings();  // unless an option says otherwise
    int outerWidth = kDesignOuterWidth;
    int outerHeight = kDesignOuterHeight;
    double frequencyA = 0.0;     // measure: Hz for marker A (left button)
    double frequencyB = 0.0;     // measure: Hz for marker B (right button)
    // measure: move both markers to the tones' own frequencies, read at full precision in the
    // picture's first (A) and last (B) 15 % of lines.
    bool snap = false;
    // measure --snap: the moments (s from the recording's start) A and B were clicked at, as in
    // the window: the snap reads the line nearest it and five on either side instead of the
    // first or last 15 % of lines.
    std::optional<double> atA;
    std::optional<double> atB;
    // render: the record's strip below the picture and its PNG text fields (file, temperature,
    // date, and with --a and --b the markers and their speed).
    bool caption = false;
    // Where the pictures' span of a long recording starts, in seconds; none: the window's
    // default around the loudest moment.
    std::optional<double> start;
    // How long that span is, in seconds (2 up to the recording's length); none: kMaxFrames.
    std::optional<double> length;
};

// Both return an empty string when the arguments (those after the command's name) are usable,
// else one line naming the problem and the allowed values.
std::string ParseRenderArgs(const std::vector<std::string>& args, PlotRequest& request);
std::string ParseMeasureArgs(const std::vector<std::string>& args, PlotRequest& request);

// The checks that need the loaded recording (its channels and sample rate); same contract.
std::string CheckRenderAgainst(const PlotRequest& request, int channels);
std::string CheckMeasureAgainst(const PlotRequest& request, int channels, int32_t sampleRate);
// --band against the recording's rate: the band must end at or below half of it.
std::string CheckBandAgainst(const PlotRequest& request, int32_t sampleRate);
// --length and --start against the recording's length: the span must lie inside it.
std::string CheckStartAgainst(const PlotRequest& request, const Recording& recording);
// --at-a and --at-b against the recording and the span its picture shows: the moments must lie
// in both. firstFrame and frames: the span.
std::string CheckClickTimesAgainst(const PlotRequest& request, const Recording& recording,
                                   int64_t firstFrame, int64_t frames);

}  // namespace pirolex
