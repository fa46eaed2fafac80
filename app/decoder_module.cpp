#include "decoder_module.h"

#include "module_path.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#define PIROLEX_STRINGIFY2(x) #x
#define PIROLEX_STRINGIFY(x) PIROLEX_STRINGIFY2(x)

namespace pirolex {

namespace {

// The same signature on both sides; the module is built from the same sources and compiler.
using DecoderEntry = void (*)(const std::string*, const DecodeOptions*, DecodeResult*);

DecoderEntry LoadEntry() {
    for (const auto& candidate : ModuleCandidates(kDecoderModuleName)) {
        if (!std::filesystem::exists(candidate)) continue;
        // Never closed: the entry is used until the process ends.
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) return nullptr;
        return reinterpret_cast<DecoderEntry>(dlsym(module, PIROLEX_STRINGIFY(PIROLEX_DECODER_ENTRY)));
    }
    return nullptr;
}

}  // namespace

DecodeResult DecodeWithModule(const std::string& path, const DecodeOptions& options) {
    static std::once_flag once;
    static DecoderEntry entry = nullptr;
    std::call_once(once, [] { entry = LoadEntry(); });
    DecodeResult result;
    if (!entry) {
        result.error = DecodeError::kCodecMissing;
        return result;
    }
    entry(&path, &options, &result);
    return result;
}

}  // namespace pirolex
