#pragma once
// The machine's sound inputs through Qt Multimedia (QMediaDevices, QAudioSource): the one piece
// of the live stream that needs Qt, kept out of the core. Each device is a SampleSource that
// hands over what Qt captured, 16-bit per channel, whatever format the device delivers.
//
// A QCoreApplication is made on first use where the program has none.

#include "sample_source.h"

#include <memory>

namespace pirolex {

std::unique_ptr<InputDevices> SystemInputDevices();

}  // namespace pirolex
