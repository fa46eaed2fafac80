#include "microphone_module.h"

#include "module_path.h"

#include <dlfcn.h>

#include <filesystem>

#define PIROLEX_STRINGIFY2(x) #x
#define PIROLEX_STRINGIFY(x) PIROLEX_STRINGIFY2(x)

namespace pirolex {

namespace {

// The same signature on both sides; the module is built from the same sources and compiler.
using MicrophoneEntry = void (*)(std::unique_ptr<InputDevices>*);

std::unique_ptr<InputDevices> LoadInputs() {
    for (const auto& candidate : ModuleCandidates(kMicrophoneModuleName)) {
        if (!std::filesystem::exists(candidate)) continue;
        // Never closed: the devices' code runs until the process ends.
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) return nullptr;
        const auto entry =
            reinterpret_cast<MicrophoneEntry>(dlsym(module, PIROLEX_STRINGIFY(PIROLEX_MICROPHONE_ENTRY)));
        if (!entry) return nullptr;
        std::unique_ptr<InputDevices> inputs;
        entry(&inputs);
        return inputs;
    }
    return nullptr;
}

class ModuleInputs : public InputDevices {
public:
    std::vector<std::string> Names() override {
        Load();
        return inputs_ ? inputs_->Names() : std::vector<std::string>{};
    }
    std::unique_ptr<SampleSource> Open(const std::string& name) override {
        Load();
        return inputs_ ? inputs_->Open(name) : nullptr;
    }

private:
    void Load() {
        if (!tried_) inputs_ = LoadInputs();
        tried_ = true;
    }
    bool tried_ = false;
    std::unique_ptr<InputDevices> inputs_;
};

}  // namespace

std::unique_ptr<InputDevices> InputDevicesFromModule() { return std::make_unique<ModuleInputs>(); }

}  // namespace pirolex
