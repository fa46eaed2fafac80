#include "cli.h"

#include "auto_command.h"
#include "option_parser.h"
#include "messages.h"
#include "picture_samples.h"
#include "recording_file.h"
#include "safe_text.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>

namespace pirolex {

namespace {

constexpr const char* kUsage =
    "Pirolex misst die Fluggeschwindigkeit eines Modellflugzeugs aus einer Tonaufnahme:\n"
    "WAV, FLAC, MP3, M4A/AAC, Ogg/Opus oder die Tonspur eines Videos (MP4, MOV, MKV).\n"
    "\n"
    "Aufruf:\n"
    "  pirolex               Fenster öffnen, die Aufnahme im Dateidialog wählen\n"
    "  pirolex DATEI         Fenster öffnen und DATEI laden\n"
    "  pirolex info DATEI    DATEI lesen und ohne Fenster ausgeben, was die Statuszeile\n"
    "                        zeigen würde (Pfad, Samplerate, Samples, Dauer), dazu Kanäle,\n"
    "                        Bits pro Sample und Format, bei anderen Formaten als WAV\n"
    "                        Kanäle, Codec und Container\n"
    "  pirolex render DATEI -o BILD.png [Optionen]\n"
    "                        das Spektrogramm ohne Fenster berechnen und als PNG speichern,\n"
    "                        Pixel für Pixel das Bild, das das Fenster mit diesen\n"
    "                        Einstellungen zeigt (1D: das Bild der letzten Linie)\n"
    "      --mode 3D|2D|1D|Pegel        Grafikmode (2D); Pegel: wie 2D, jeder Frequenzpunkt\n"
    "                                   mit seinem Pegel in dB auf einer Farbskala\n"
    "      --fft 128|256|512|1024|2048|4096|8192|16384\n"
    "                                   FFT-Filter-Zahl (1024); die großen trennen tiefe\n"
    "                                   Töne, eine Linie hört dann länger (16384 bei\n"
    "                                   48 kHz: 0.34 s)\n"
    "      --channel links|rechts|beide Tonkanal (links); rechts und beide nur bei Stereo\n"
    "      --fein                       Genauigkeit \"fein\" statt \"norm\"\n"
    "      --iq                         IQ-Phase als Farbe\n"
    "      --threshold 0..30            fester Schwellwert statt const. PPL\n"
    "      --points 5..50               Punkte pro Linie bei const. PPL (20)\n"
    "      --size BREITExHÖHE           Fenstergröße mit Rahmen, 300x200 bis 4096x4096\n"
    "                                   (846x438; die Grafik ist 231 schmaler, 167 niedriger)\n"
    "      --start SEKUNDEN             Beginn des Ausschnitts einer Aufnahme, die länger ist,\n"
    "                                   als die Grafik fasst (700000 Samples); ohne: um die\n"
    "                                   lauteste Stelle, wie im Fenster\n"
    "      --length SEKUNDEN            Länge des Ausschnitts, 2 bis zur Länge der Aufnahme\n"
    "                                   (ohne: 700000 Samples); die Linien verteilen sich\n"
    "                                   über ihn wie sonst\n"
    "      --band VON-BIS               nur das Frequenzband VON bis BIS Hz zeigen, z. B.\n"
    "                                   300-900; darin auch die tiefsten Töne (ohne: 0 Hz\n"
    "                                   bis zur halben Samplerate)\n"
    "      --range 20..150              Pegel: Dynamik, die gezeigten dB (90)\n"
    "      --gain 0..60                 Pegel: Verstärkung in dB (ohne: automatisch, oben der\n"
    "                                   lauteste Punkt)\n"
    "      --caption [--a HZ --b HZ] [--temp T]\n"
    "                                   unter der Grafik die Zeilen, die \"Grafik speichern\"\n"
    "                                   im Fenster darunter setzt, und dieselben Werte als\n"
    "                                   Textfelder des PNG: Datei, Lufttemperatur T (15) und\n"
    "                                   Datum, mit --a und --b die Marken und ihre\n"
    "                                   Geschwindigkeit wie bei measure\n"
    "  pirolex measure DATEI --a HZ --b HZ [--temp T] [Optionen]\n"
    "                        Marke A (Anflug) und B (Abflug) in die Spalten der 2D-Grafik\n"
    "                        setzen, deren Frequenz HZ am nächsten liegt, und ausgeben, was\n"
    "                        das Fenster anzeigt: die Geschwindigkeit, dann beide Spalten\n"
    "                        mit ihrer Frequenz; HZ über 0 bis zur halben Samplerate,\n"
    "                        T Lufttemperatur -20..40 auf Zehntel (15).\n"
    "                        Optionen wie bei render außer\n"
    "                        -o und --mode: --fft, --channel, --fein, --iq, --threshold,\n"
    "                        --points, --size, --start, --length, --band; gemessen wird in der Grafik, die das Fenster\n"
    "                        mit diesen Einstellungen zeigt, und die FFT-Filter-Zahl\n"
    "                        bestimmt die Auflösung (±) mit\n"
    "      --snap                       Spitze suchen: A und B auf den Ton selbst setzen, den\n"
    "                                   stärksten innerhalb von etwa zwei FFT-Filtern um HZ,\n"
    "                                   genau aus der Aufnahme gelesen (A in den ersten, B in\n"
    "                                   den letzten 15 % der Linien der 2D-Grafik); ausgegeben\n"
    "                                   werden die Geschwindigkeit, deren ± aus der Streuung\n"
    "                                   beider Töne folgt, und beide Töne auf 0.1 Hz mit ihrer\n"
    "                                   Streuung. Kein Ton: kein Ergebnis, Rückgabewert 1\n"
    "      --at-a SEKUNDEN, --at-b SEKUNDEN\n"
    "                                   mit --snap: A (B) wie ein Klick im Fenster zu dieser\n"
    "                                   Zeit ab Beginn der Aufnahme setzen: gesucht wird in\n"
    "                                   der Linie dort und fünf auf jeder Seite statt in den\n"
    "                                   ersten (letzten) 15 %; die Geschwindigkeit rechnet\n"
    "                                   mit dem, was jedem Ton bis zu seinem Wert fern vom\n"
    "                                   Vorbeiflug noch fehlt, und das ± enthält es\n"
    "  pirolex auto DATEI... [--temp T] [--max-kmh V] [--json | --csv | --csv-de]\n"
    "                        jeden Vorbeiflug automatisch finden und messen: für jede\n"
    "                        DATEI ihr Name, dann je Vorbeiflug seine Nummer und wann er\n"
    "                        zu hören ist (Vorbeiflug 3 bei 1:24.3), die Geschwindigkeit\n"
    "                        mit ihrer Unsicherheit (±) wie im Fenster und der Ton, der\n"
    "                        nächste Punkt und der Abstand, oder warum er keine Messung\n"
    "                        ergibt; ohne Vorbeiflug eine Zeile, warum es keine Messung gibt;\n"
    "                        T Lufttemperatur -20..40 (15), auch mit Nachkommastellen;\n"
    "                        V Höchstgeschwindigkeit in km/h 10..2000 (450): schneller\n"
    "                        ergibt keine Messung;\n"
    "                        --json: eine JSON-Zeile je Vorbeiflug; --csv: eine Kopfzeile,\n"
    "                        dann eine Zeile je Vorbeiflug aller Dateien; beide mit\n"
    "                        Temperatur, Aufnahmezeit, m:ss.s und Quelle; --csv-de: so für\n"
    "                        eine deutsche Tabellenkalkulation (deutsche Spaltennamen, ;\n"
    "                        zwischen den Feldern, Dezimalkomma). Mehrere Dateien\n"
    "                        werden gleichzeitig auf allen Kernen gemessen\n"
    "  pirolex live [--device NAME] [--temp T] [--max-kmh V] [--json] [--seconds N]\n"
    "               [--save AUFNAHME.wav]\n"
    "                        am Mikrofon zuhören und jeden Vorbeiflug ausgeben, sobald er\n"
    "                        gemessen ist: eine Zeile je Vorbeiflug (--json: ein Objekt wie\n"
    "                        bei auto, dazu reported_s, die Zeit im Strom, zu der er gemeldet\n"
    "                        wurde); NAME ein Eingang aus --list-devices (ohne: der\n"
    "                        voreingestellte); N Sekunden zuhören (ohne: bis Strg+C)\n"
    "      --list-devices               die Eingänge, der voreingestellte zuerst\n"
    "      --from DATEI [--speedup K]   DATEI statt des Mikrofons durch denselben Strom\n"
    "                                   spielen, in Echtzeit oder K-mal schneller\n"
    "      --save AUFNAHME.wav          am Ende das Gehörte (höchstens die letzten 30\n"
    "                                   Minuten) als WAV speichern, auch wenn der\n"
    "                                   Eingang verloren geht\n"
    "  pirolex --help        diese Hilfe\n"
    "  --                    beendet die Optionen: was folgt, ist eine Aufnahme, auch ein\n"
    "                        Name, der mit - beginnt (render -o p.png -- -x.wav)\n"
    "\n"
    "Beispiele:\n"
    "  pirolex render samples/flyby-120kmh.wav -o flyby.png --channel links --fft 512\n"
    "  pirolex measure samples/flyby-120kmh.wav --a 4822.8 --b 3961.6 --temp 15\n"
    "  pirolex measure samples/flyby-120kmh.wav --a 4822.8 --b 3961.6 --fft 128\n"
    "  pirolex measure samples/flyby-120kmh.wav --a 4822.8 --b 3961.6 --snap\n"
    "  pirolex measure samples/flyby-120kmh.wav --a 4790 --b 3990 --snap --at-a 3 --at-b 7\n"
    "  pirolex auto samples/flyby-120kmh.wav --temp 15\n"
    "  pirolex live --from samples/flyby-120kmh.wav --speedup 10\n"
    "\n"
    "Rückgabewert: 0 erledigt, 1 Datei nicht lesbar, Bild nicht schreibbar, bei --snap\n"
    "kein Ton gefunden, bei live kein Mikrofon oder der Eingang verloren (Grund auf stderr),\n"
    "2 Aufruf nicht verstanden (eine Zeile auf stderr).\n";


std::string FormatName(const WavInfo& info) {
    std::string name = info.sampleFormat == 3 ? "IEEE-Float" : "PCM";
    if (info.formatTag == 0xFFFE)
        name += " (WAVE_FORMAT_EXTENSIBLE, " + std::to_string(info.validBits) + " gültige Bit)";
    return name;
}

// The status bar's panels 0 to 3 as the window would show them, then the format: for WAV files
// as the header states it, for the others the codec and the container the decoder found.
void PrintInfo(const std::string& path, const RecordingFile& file, std::ostream& out) {
    const WavInfo& info = file.wav;
    const int64_t frames = file.recording.FrameCount();
    out << texts::TerminalSafe(path) << '\n';
    out << texts::SampleRatePanel(file.recording.sampleRate) << '\n';
    out << texts::FrameCountPanel(frames) << '\n';
    out << texts::DurationPanel(frames, file.recording.sampleRate) << '\n';
    if (file.decoded) {
        const DecodeInfo& decoded = file.decodedInfo;
        out << "Kanäle: " << file.recording.ChannelCount() << '\n';
        out << "Codec: " << decoded.codec << " (" << decoded.codecName << ")\n";
        out << "Container: " << decoded.container << " (" << decoded.containerName << ")\n";
        out << "Gespeicherte Samples: " << std::min<int64_t>(frames, kMaxFrames) << '\n';
        if (decoded.damaged)
            out << "Datei beschädigt oder unvollständig: alles Lesbare gelesen\n";
        return;
    }
    out << "Kanäle: " << info.channels << '\n';
    out << "Bits pro Sample: " << info.bitsPerSample << '\n';
    out << "Format: " << FormatName(info) << '\n';
    out << "Gespeicherte Samples: " << std::min<int64_t>(frames, kMaxFrames) << '\n';
    if (info.truncated)
        out << "Datenblock unvollständig: " << info.dataSizeField
            << " Bytes angegeben, nur ganze vorhandene Samples gelesen\n";
}

int RunInfo(const std::string& path, FileDecoder decoder, std::ostream& out, std::ostream& err) {
    const RecordingFile file = ReadRecordingFile(path, decoder);
    if (!file.Ok()) {
        err << texts::ErrorText(*file.error) << '\n';
        return kStatusFailed;
    }
    PrintInfo(path, file, out);
    return kStatusOk;
}

int UsageError(const std::string& text, std::ostream& err) {
    err << "pirolex: " << text << kUsageHint << '\n';
    return kStatusUsage;
}

}  // namespace

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

bool IsExistingFile(const std::string& arg) {
    std::error_code error;
    return std::filesystem::is_regular_file(arg, error);
}

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err, FileDecoder decoder,
                   const Subcommands& more) {
    if (argc <= 1) return kStatusWindow;
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        if (argc > 2) return UsageError("--help erwartet keine weiteren Argumente", err);
        out << kUsage;
        return kStatusOk;
    }
    if (first == "info") {
        CommandArgs parsed;
        ParseCommandArgs(std::vector<std::string>(argv + 2, argv + argc), {}, FileCount::kMany, parsed);
        if (parsed.files.empty()) return UsageError("info erwartet eine Aufnahme", err);
        if (parsed.files.size() > 1) return UsageError("info erwartet genau eine Aufnahme", err);
        return RunInfo(parsed.files.front(), decoder, out, err);
    }
    if (first == "auto") return RunAuto(std::vector<std::string>(argv + 2, argv + argc), out, err, decoder);
    if (const auto command = more.find(first); command != more.end())
        return command->second(std::vector<std::string>(argv + 2, argv + argc), out, err);
    // The window's one file: a name that begins with a dash where such a file exists, or any
    // name after "--", as for every command.
    if (first == kEndOfOptions && argc == 3) return kStatusWindow;
    if (IsOption(first) && !(argc == 2 && IsExistingFile(first)))
        return UsageError("unbekannte Option „" + first + "“", err);
    if (argc == 2) return kStatusWindow;
    return UsageError("unbekannter Befehl „" + first + "“", err);
}

void DropEndOfOptions(int& argc, char** argv) {
    if (argc < 3 || std::string(argv[1]) != kEndOfOptions) return;
    for (int i = 1; i < argc; ++i) argv[i] = argv[i + 1];
    --argc;
}

}  // namespace pirolex
