#pragma once
// One fuzz input taken the whole way, as the window takes a file: load the bytes, then draw the
// recording once in each picture at the smallest FFT size on a small off-screen canvas. The
// libFuzzer entry and the regression suite that replays old findings share it, so a finding
// reproduces in an ordinary test build.
//
// The canvas draws its labels with QPainter: a QGuiApplication must exist before the first call.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pirolex::fuzz {

inline constexpr int kPictures = 3;  // 3D, 2D, 1D

struct ModeOutcome {
    int32_t lines = 0;  // lines the last channel pass handed to the renderer
    std::string error;  // the German text that ended this recompute, empty if none
};

struct Outcome {
    bool loaded = false;
    std::string loadError;  // why the reader refused the bytes, empty if it took them
    // A load must leave counts that every later reader of the store can trust.
    bool consistent = true;
    std::array<ModeOutcome, kPictures> modes;  // 3D, 2D, 1D
};

// Never throws Failure: the program's own errors are outcomes. Anything else (a crash, a
// sanitizer report, another exception) is a finding.
Outcome RunOneInput(const uint8_t* data, size_t size);

}  // namespace pirolex::fuzz
