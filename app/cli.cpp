#include "cli.h"

#include "analysis_state.h"
#include "effects.h"
#include "runtime_error.h"
#include "wav_reader.h"

#include <array>
#include <iostream>
#include <memory>
#include <string>

namespace pirolex {

namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusLoadFailed = 1;
constexpr int kStatusUsage = 2;
constexpr int kStatusWindow = -1;
constexpr int kPanelCount = 4;

constexpr const char* kUsage =
    "Pirolex misst die Fluggeschwindigkeit eines Modellflugzeugs aus einer WAV-Aufnahme.\n"
    "\n"
    "Aufruf:\n"
    "  pirolex               Fenster öffnen, die WAV-Datei im Dateidialog wählen\n"
    "  pirolex DATEI         Fenster öffnen und DATEI laden\n"
    "  pirolex info DATEI    DATEI lesen und ohne Fenster ausgeben, was die Statuszeile\n"
    "                        zeigen würde (Pfad, Samplerate, Samples, Dauer), dazu Kanäle,\n"
    "                        Bits pro Sample und Format\n"
    "  pirolex --help        diese Hilfe\n"
    "\n"
    "Rückgabewert von info: 0 gelesen, 1 Datei nicht lesbar (Grund auf stderr),\n"
    "2 Aufruf nicht verstanden.\n";

constexpr const char* kHint = " (pirolex --help zeigt die Aufrufe)";

// Collects the status panels the reader writes, as the window's status bar would show them.
class PanelRecorder : public Effects {
public:
    void StatusPanel(int index, const std::string& text) override {
        if (index >= 0 && index < kPanelCount) panels[index] = text;
    }
    std::array<std::string, kPanelCount> panels;
};

std::string FormatName(const WavInfo& info) {
    std::string name = info.sampleFormat == 3 ? "IEEE-Float" : "PCM";
    if (info.formatTag == 0xFFFE)
        name += " (WAVE_FORMAT_EXTENSIBLE, " + std::to_string(info.validBits) + " gültige Bit)";
    return name;
}

void PrintInfo(const PanelRecorder& recorder, const WavInfo& info, const AnalysisState& state,
               std::ostream& out) {
    for (const std::string& text : recorder.panels) out << text << '\n';
    out << "Kanäle: " << info.channels << '\n';
    out << "Bits pro Sample: " << info.bitsPerSample << '\n';
    out << "Format: " << FormatName(info) << '\n';
    out << "Gespeicherte Samples: " << state.StoredCount << '\n';
    if (info.truncated)
        out << "Datenblock unvollständig: " << info.dataSizeField
            << " Bytes angegeben, nur ganze vorhandene Samples gelesen\n";
}

int RunInfo(const std::string& path, std::ostream& out, std::ostream& err) {
    auto state = std::make_unique<AnalysisState>();  // the sample store is too big for the stack
    state->FileName = path;
    PanelRecorder recorder;
    recorder.panels[0] = path;
    try {
        const WavInfo info = OpenWavefile(*state, recorder);
        PrintInfo(recorder, info, *state, out);
        return kStatusOk;
    } catch (const RuntimeError& e) {
        err << e.what() << '\n';
        return kStatusLoadFailed;
    }
}

int UsageError(const std::string& text, std::ostream& err) {
    err << "pirolex: " << text << kHint << '\n';
    return kStatusUsage;
}

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

}  // namespace

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc <= 1) return kStatusWindow;
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        if (argc > 2) return UsageError("--help erwartet keine weiteren Argumente", err);
        out << kUsage;
        return kStatusOk;
    }
    if (first == "info") {
        if (argc < 3) return UsageError("info erwartet eine WAV-Datei", err);
        if (argc > 3) return UsageError("info erwartet genau eine WAV-Datei", err);
        return RunInfo(argv[2], out, err);
    }
    if (IsOption(first)) return UsageError("unbekannte Option „" + first + "“", err);
    if (argc == 2) return kStatusWindow;
    return UsageError("unbekannter Befehl „" + first + "“", err);
}

int RunCommandLine(int argc, char** argv) { return RunCommandLine(argc, argv, std::cout, std::cerr); }

}  // namespace pirolex
