#pragma once
// The decoder of other formats as a module that `pirolex` loads only when a file needs it: the
// commands on WAV files (and `pirolex render` against sox) then start without FFmpeg's libraries.
// The module sits next to the program in the build folder and beside the window's module once
// installed.

#include "recording_file.h"

#define PIROLEX_DECODER_ENTRY PirolexDecodeFile

namespace pirolex {

inline constexpr const char* kDecoderModuleName = "pirolex-decoder.so";

// Loads the module on first use and decodes through it; kCodecMissing when it cannot be loaded.
DecodeResult DecodeWithModule(const std::string& path, const DecodeOptions& options);

}  // namespace pirolex
