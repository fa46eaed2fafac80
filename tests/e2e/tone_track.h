#pragma once
// Reading a 2D spectrogram the way a person does: find the column of the engine tone's track in
// the lines of the first seconds (approaching) and of the last seconds (receding).

#include "main_window.h"

#include <QImage>

#include <cstdint>

namespace pirolex::test {

// The lines of a 2D pass whose blocks start within [fromSeconds, toSeconds) of the recording.
struct LineRange {
    int32_t first = 0;
    int32_t last = -1;
};
LineRange LinesBetween(const WindowState& state, double fromSeconds, double toSeconds);
// The number of lines a 2D pass draws for the stored recording.
int32_t LinesInPass(const WindowState& state);

// Where a person sees the tone in these lines: of the tracks that are present in most of the
// lines, the lowest one (the fundamental, the strongest tone of the engine), at the middle of its
// columns weighted by how often each is painted. A tone between two bins paints both, so the
// middle may fall between two columns; a click lands on the nearest one. -1 when there is none.
double FindToneCentre(const QImage& plot, const WindowState& state, LineRange lines);

}  // namespace pirolex::test
