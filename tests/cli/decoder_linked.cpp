// These suites call the commands directly, without the program's entry, which would otherwise
// hand in the decoder it loads on demand; they link it instead.
#include "audio_decoder.h"
#include "recording_file.h"

namespace {
const bool kDecoderSet = (pirolex::SetFileDecoder(&pirolex::DecodeFile), true);
}  // namespace
