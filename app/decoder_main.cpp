// The decoder module's entry point (see decoder_module.h).

#include "audio_decoder.h"
#include "decoder_module.h"

extern "C" __attribute__((visibility("default"))) void PIROLEX_DECODER_ENTRY(
    const std::string* path, const pirolex::DecodeOptions* options, pirolex::DecodeResult* result) {
    *result = pirolex::DecodeFile(*path, *options);
}
