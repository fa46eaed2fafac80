#pragma once
// The sound inputs as a module that `pirolex` loads only when `pirolex live` asks for a device:
// Qt Multimedia and the sound server's libraries would cost every other command's start.

#include "sample_source.h"

#include <memory>

#define PIROLEX_MICROPHONE_ENTRY PirolexInputDevices

namespace pirolex {

inline constexpr const char* kMicrophoneModuleName = "pirolex-microphone.so";

// The inputs, loading the module on the first question; no device at all when it cannot be
// loaded.
std::unique_ptr<InputDevices> InputDevicesFromModule();

}  // namespace pirolex
