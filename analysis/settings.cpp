#include "settings.h"

#include <iterator>

namespace pirolex {

namespace {
// The 2D picture's rows for the level picture too, so that it measures like the 2D one; 3D
// spreads half as many steps, 1D a quarter, as they always have.
constexpr PictureTraits kTraits[kPictureCount] = {
    {.lineSteps = 400, .timeUpwards = false, .bandDrag = true, .lineFilter = true},
    {.lineSteps = 800, .timeUpwards = true, .bandDrag = true, .lineFilter = true},
    {.lineSteps = 200, .timeUpwards = false, .bandDrag = false, .lineFilter = true},
    {.lineSteps = 800, .timeUpwards = true, .bandDrag = true, .lineFilter = false},
};
}  // namespace

const PictureTraits& TraitsOf(Picture picture) {
    const auto index = static_cast<size_t>(picture);
    return kTraits[index < std::size(kTraits) ? index : 1];
}

Settings StartupSettings() {
    Settings s{};
    s.picture = Picture::k2D;
    s.channel = Channel::kLeft;
    s.accuracy = Accuracy::kApproximate;
    s.iqPhase = false;
    s.filterMode = FilterMode::kConstantPoints;
    s.threshold = 20;
    s.pointsPerLine = 20;
    s.temperature = 15;
    s.fftExponent = kLargestTableExponent;
    return s;
}

}  // namespace pirolex
