#include "settings.h"

namespace pirolex {

Settings StartupSettings() {
    Settings s{};
    s.picture = Picture::k2D;
    s.channel = Channel::kLeft;
    s.accuracy = Accuracy::kNorm;
    s.iqPhase = false;
    s.filterMode = FilterMode::kConstantPoints;
    s.threshold = 20;
    s.pointsPerLine = 20;
    s.temperature = 15;
    s.fftExponent = kLargestFftExponent;
    return s;
}

}  // namespace pirolex
