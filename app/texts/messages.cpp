#include "messages.h"

#include "audio_decoder.h"
#include "checked_arithmetic.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <vector>

namespace pirolex::texts {

namespace {

constexpr int kNumberWidth = 5;

// With '.' whatever the locale; std::to_chars ignores it.
std::string Decimals(double value, int decimals) {
    if (value == 0.0) value = 0.0;  // no "-0.00"
    char buf[64];
    const auto result =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, result.ptr);
}

// Two decimals with '.', right-aligned in at least five characters, never cut. std::to_chars
// ignores the locale, which a German desktop would otherwise turn into a comma.
std::string Fixed2(double value) {
    std::string text = Decimals(value, 2);
    if (text.size() < kNumberWidth) text.insert(0, kNumberWidth - text.size(), ' ');
    return text;
}

const char* FixedText(ErrorCode code) {
    switch (code) {
    case ErrorCode::kReadPastEnd: return "Versuch hinter dem Dateiende zu lesen";
    case ErrorCode::kIntegerOverflow: return "Integerüberlauf";
    case ErrorCode::kFloatDivisionByZero: return "Gleitkommadivision durch Null";
    case ErrorCode::kInvalidFloatOperation: return "Ungültige Gleitkommaoperation";
    case ErrorCode::kRangeCheck: return "Fehler bei Bereichsprüfung";
    case ErrorCode::kFileNotFound: return "Datei nicht gefunden";
    case ErrorCode::kAccessDenied: return "Dateizugriff verweigert";
    case ErrorCode::kNotWav: return "Keine WAV-Datei";
    case ErrorCode::kNoFormatChunk: return "Kein Formatblock in der WAV-Datei";
    case ErrorCode::kNoDataChunk: return "Kein Datenblock in der WAV-Datei";
    case ErrorCode::kBadFormatChunk: return "Ungültiger Formatblock in der WAV-Datei";
    case ErrorCode::kUnknownFormat:
        return "Unbekanntes Dateiformat: weder eine Ton- noch eine Videodatei, die Pirolex lesen kann";
    case ErrorCode::kNoAudioStream: return "Keine Tonspur in der Datei";
    case ErrorCode::kCodecMissing:
        return "Dieses Tonformat kann Pirolex nicht lesen (Codec nicht vorhanden)";
    case ErrorCode::kDamagedFile: return "Datei beschädigt oder unvollständig";
    case ErrorCode::kTooLong: return "Aufnahme zu lang, um sie im Speicher zu halten";
    case ErrorCode::kCancelled: return "Laden abgebrochen";
    case ErrorCode::kPlaylist:
        return "Die Datei ist eine Wiedergabeliste, keine Tondatei: Pirolex öffnet keine Dateien "
               "oder Adressen, die darin genannt sind";
    case ErrorCode::kSessionDescription:
        return "Die Datei ist eine Sitzungsbeschreibung für einen Netzwerkstrom, keine Tondatei";
    case ErrorCode::kImageSequence: return "Die Datei beschreibt eine Bildfolge, keine Tondatei";
    case ErrorCode::kOutputIsInput:
        return "Die Ausgabe wäre die gelesene Datei selbst: Pirolex überschreibt nicht, was es liest";
    case ErrorCode::kWriteProtected: return "Datei ist schreibgeschützt";
    case ErrorCode::kNotRegularFile:
    case ErrorCode::kIoError:
    case ErrorCode::kUnsupportedFormat:
    case ErrorCode::kUnsupportedAudio: break;
    }
    return nullptr;
}

// The system's error numbers a user meets when a file is read or written, in words. The number
// stays in front, as the message has always given it.
const char* SystemErrorName(int error) {
    switch (error) {
    case ENOENT: return "Datei oder Ordner nicht vorhanden";
    case ENXIO: return "Gerät nicht erreichbar";
    case ENOMEM: return "Nicht genug Arbeitsspeicher";
    case EBUSY: return "Gerät oder Datei belegt";
    case EEXIST: return "Datei vorhanden";
    case ENODEV: return "Kein solches Gerät";
    case ENOTDIR: return "Ein Teil des Pfades ist kein Ordner";
    case EISDIR: return "Ist ein Ordner";
    case EINVAL: return "Ungültiges Argument";
    case ENFILE:
    case EMFILE: return "Zu viele offene Dateien";
    case ENOTTY: return "Kein passendes Gerät (ein Terminal oder Gerät statt einer Datei)";
    case ETXTBSY: return "Datei wird gerade ausgeführt";
    case EFBIG: return "Datei zu groß (Größengrenze für Dateien erreicht)";
    case ENOSPC: return "Kein Platz mehr auf dem Datenträger";
    case ESPIPE: return "Keine Datei, sondern ein Datenstrom";
    case EROFS: return "Datenträger nur lesbar";
    case EMLINK: return "Zu viele Verknüpfungen";
    case EPIPE: return "Gegenstelle geschlossen";
    case ENAMETOOLONG: return "Dateiname zu lang";
    case ELOOP: return "Zu viele Ebenen symbolischer Verknüpfungen (eine Verknüpfungsschleife)";
    case EOVERFLOW: return "Datei zu groß für diesen Zugriff";
    case EXDEV: return "Verschiedene Dateisysteme";
    case EDQUOT: return "Speicherkontingent auf dem Datenträger erschöpft";
    case ESTALE: return "Netzwerkdatei nicht mehr gültig";
    case ENOTCONN:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH: return "Netzwerklaufwerk nicht erreichbar";
    case EOPNOTSUPP: return "Vom Dateisystem nicht unterstützt";
    default: return nullptr;
    }
}

}  // namespace

std::string ErrorText(const Failure& failure) {
    switch (failure.Code()) {
    case ErrorCode::kIoError: {
        std::string text = "E/A-Fehler " + std::to_string(failure.Detail());
        if (const char* name = SystemErrorName(failure.Detail())) text += std::string(": ") + name;
        return text;
    }
    case ErrorCode::kNotRegularFile:
        return failure.Detail() == 1 ? "Ein Ordner, keine gewöhnliche Datei"
                                     : "Keine gewöhnliche Datei (ein Gerät, eine Pipe oder ein Socket)";
    case ErrorCode::kUnsupportedFormat:
        return "Nicht unterstütztes WAV-Format (Formatkennung " + std::to_string(failure.Detail()) +
               ", " + std::to_string(failure.Detail2()) + " Bit)";
    case ErrorCode::kUnsupportedAudio:
        return "Tonspur mit " + std::to_string(failure.Detail()) + " Kanälen bei " +
               std::to_string(failure.Detail2()) + " Hz kann Pirolex nicht lesen (höchstens " +
               std::to_string(kMaxDecodedChannels) + " Kanäle und " +
               std::to_string(kMaxDecodedSampleRate) + " Hz)";
    default: return FixedText(failure.Code());
    }
}

std::string SampleRatePanel(int32_t sampleRate) { return std::to_string(sampleRate) + " Hz Samplerate"; }

std::string FrameCountPanel(int64_t frames) { return std::to_string(frames) + " Samples"; }

std::string DurationPanel(int64_t frames, int32_t sampleRate) {
    const double seconds = CheckedDiv(static_cast<double>(frames), static_cast<double>(sampleRate));
    char text[64];
    std::snprintf(text, sizeof text, "%4.1f s", seconds);
    return text;
}

std::string FilterCountPanel(int32_t fftSize) { return std::to_string(fftSize) + " Filter"; }

std::string SpanPanel(int64_t firstFrame, int64_t frames, int32_t sampleRate) {
    const double rate = static_cast<double>(sampleRate);
    char text[96];
    std::snprintf(text, sizeof text, "Ausschnitt %.1f-%.1f s", static_cast<double>(firstFrame) / rate,
                  static_cast<double>(firstFrame + frames) / rate);
    return text;
}

std::string FftSizeLabel(int32_t fftSize) { return std::to_string(fftSize) + " FFT-Filter"; }

namespace {
constexpr const char* kPictureNames[kPictureCount] = {"3D", "2D", "1D", "Pegel"};
}  // namespace

const char* PictureName(Picture picture) {
    const auto index = static_cast<size_t>(picture);
    return index < std::size(kPictureNames) ? kPictureNames[index] : "";
}

std::optional<Picture> PictureNamed(const std::string& name) {
    for (int32_t i = 0; i < kPictureCount; ++i) {
        std::string lower = kPictureNames[i];
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == kPictureNames[i] || name == lower) return static_cast<Picture>(i);
    }
    return std::nullopt;
}

std::string PictureNameList() {
    std::string list;
    for (int32_t i = 0; i < kPictureCount; ++i)
        list += std::string(i == 0 ? "" : i + 1 == kPictureCount ? " und " : ", ") + kPictureNames[i];
    return list;
}

std::string LimitCaption(int32_t limit) { return "Limit : " + std::to_string(limit); }

std::string KeepCaption(KeepRange range) {
    return "CFAR : " + std::to_string(range.low) + " .. " + std::to_string(range.high);
}

std::string SpeedText(const std::optional<DopplerSpeed>& speed) {
    if (!speed) return "Geschwindigkeit: keine (Marken ergeben keine Frequenz über 0 Hz)";
    return "Geschwindigkeit: " + Fixed2(speed->kmh) + " km/h " + "(±" + Fixed2(speed->resolutionKmh) +
           " km/h) ";
}

std::string SnappedMarkerLabel(double hz) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f Hz", hz);
    return text;
}

std::string CursorReadout(double hz, std::optional<double> seconds) {
    char text[80];
    if (seconds)
        std::snprintf(text, sizeof text, "%.1f Hz  %.2f s", hz, *seconds);
    else
        std::snprintf(text, sizeof text, "%.1f Hz", hz);
    return text;
}

std::string CursorSpeed(const std::optional<DopplerSpeed>& speed) {
    if (!speed) return "B: keine";
    return "B: " + Fixed2(speed->kmh) + " km/h";
}

std::string AutoSpeedText(const AutoSpeed& result) {
    if (!result.Answered()) return RefusalText(result.refusal, result.topSpeedKmh);
    return SpeedText(DopplerSpeed{result.speedKmh, result.sigmaKmh});
}

std::string WindowAutoSpeedText(const AutoSpeed& result) {
    if (!result.Answered()) return AutoSpeedText(result);
    return AutoSpeedText(result) + "– " + kSourceAutomatic;
}

std::string ClickedSpeedText(const std::optional<DopplerSpeed>& speed, const ClickDoubts& doubts,
                             int32_t maxSpeedKmh) {
    // Swapped buttons give a negative speed, or once corrected a plausible wrong one: no number.
    std::string text = doubts.swapped ? "Geschwindigkeit: keine " : SpeedText(speed);
    if ((!speed && !doubts.swapped) || !doubts.Any()) return text;
    std::vector<std::string> reasons;
    if (doubts.swapped) reasons.push_back("A tiefer als B (Tasten vertauscht?)");
    if (doubts.aboveTopSpeed) reasons.push_back("mehr als höchstens " + std::to_string(maxSpeedKmh) + " km/h");
    if (doubts.guideOfA) {
        char multiple[16];
        const auto end = std::to_chars(multiple, multiple + sizeof multiple, *doubts.guideOfA).ptr;
        reasons.push_back("B näher an " + std::string(multiple, end) + "×A als an A");
    }
    if (doubts.unplacedA && doubts.unplacedB)
        reasons.push_back("A und B nicht auf einem Ton");
    else if (doubts.unplacedA || doubts.unplacedB)
        reasons.push_back(std::string(doubts.unplacedA ? "A" : "B") + " nicht auf einem Ton");
    text += "– zweifelhaft: ";
    for (size_t i = 0; i < reasons.size(); ++i) text += (i > 0 ? ", " : "") + reasons[i];
    return text;
}

std::string RefusalText(AutoSpeedRefusal refusal, double topSpeedKmh) {
    const char* reason = "";
    switch (refusal) {
    case AutoSpeedRefusal::kNone: return {};
    case AutoSpeedRefusal::kNoSamples: reason = "die Aufnahme enthält keine Samples"; break;
    case AutoSpeedRefusal::kTooShort: reason = "die Aufnahme ist zu kurz für einen Vorbeiflug"; break;
    case AutoSpeedRefusal::kSilence: reason = "die Aufnahme ist stumm"; break;
    case AutoSpeedRefusal::kNoTone:
        reason = "kein Motorton hebt sich lange genug aus dem Rauschen ab";
        break;
    case AutoSpeedRefusal::kNoPass:
        reason = "der Ton bleibt gleich hoch, es fliegt nichts vorbei";
        break;
    case AutoSpeedRefusal::kHalfPass:
        reason = "nur der Anflug oder nur der Abflug ist in der Aufnahme";
        break;
    case AutoSpeedRefusal::kNoFall:
        reason = "Anflug und Abflug sind zu hören, der Tonabfall beim Vorbeiflug nicht";
        break;
    case AutoSpeedRefusal::kNoFit: reason = "der Tonverlauf passt zu keinem Vorbeiflug"; break;
    case AutoSpeedRefusal::kUnphysical:
        reason = "der Tonverlauf ergäbe eine unmögliche Geschwindigkeit oder Entfernung";
        break;
    case AutoSpeedRefusal::kUncertain: reason = "die Geschwindigkeit wäre zu ungenau"; break;
    case AutoSpeedRefusal::kAboveTopSpeed:
        return "keine Messung: die Geschwindigkeit läge über der Höchstgeschwindigkeit von " +
               Decimals(topSpeedKmh, 0) + " km/h";
    case AutoSpeedRefusal::kHarmonicChange:
        reason = "der Ton springt von einer Harmonischen zur anderen";
        break;
    case AutoSpeedRefusal::kBandMissing:
        reason = "die tiefen Töne fehlen auf einer Seite des Vorbeiflugs";
        break;
    }
    return std::string("keine Messung: ") + reason;
}

std::string AutoSpeedDetails(const AutoSpeed& result) {
    return "Ton f0: " + Decimals(result.restFrequencyHz, 2) + " Hz (Harmonische " +
           std::to_string(result.Harmonic()) + "), nächster Punkt bei " +
           Decimals(result.closestTimeS, 2) + " s, Abstand " + Decimals(result.closestDistanceM, 2) +
           " m";
}

std::string PassTime(double heardS) {
    const auto tenths = std::llround(std::max(0.0, heardS) * 10.0);
    const long long minutes = tenths / 600, rest = tenths % 600;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld.%lld", minutes, rest / 10, rest % 10);
    return text;
}

std::string PassHeading(int number, double heardS) {
    return "Vorbeiflug " + std::to_string(number) + " bei " + PassTime(heardS);
}

std::string PassOutcome(const FlybyPass& pass) {
    const AutoSpeed& speed = pass.speed;
    if (pass.clicked)
        return Decimals(pass.clicked->kmh, 1) + " ± " + Decimals(pass.clicked->resolutionKmh, 1) + " km/h – " +
               kSourceClicks;
    if (!speed.Answered()) return RefusalText(speed.refusal, speed.topSpeedKmh);
    return Decimals(speed.speedKmh, 1) + " ± " + Decimals(speed.sigmaKmh, 1) + " km/h";
}

std::string PassListRow(const FlybyPass& pass) { return PassTime(pass.heardS) + "  " + PassOutcome(pass); }

std::string ChoosePassNotice(int count) {
    return std::to_string(count) + " Vorbeiflüge gefunden: einen in der Liste wählen";
}

std::string PassRecordText(const FlybyPass& pass) {
    return std::to_string(pass.number) + " bei " + PassTime(pass.heardS);
}

std::string PassListWriteError(const std::string& path, const Failure& failure) {
    return "Liste konnte nicht gespeichert werden: " + path + " (" + ErrorText(failure) + ")";
}

std::string ShortRecordingNotice(int32_t fftSize) {
    return "Aufnahme kürzer als ein FFT-Block (" + std::to_string(fftSize) + " Samples)";
}

std::string PngWriteError(const std::string& path, const Failure& failure) {
    return "Grafik konnte nicht gespeichert werden: " + path + " (" + ErrorText(failure) + ")";
}

// The spread is rounded up: a "±" shown smaller than it is would promise too much.
std::string SnappedToneLine(char marker, double hz, double spreadHz) {
    return std::string("Marke ") + marker + ": " + Decimals(hz, 1) + " Hz (±" +
           Decimals(std::ceil(spreadHz * 10) / 10, 1) + " Hz)";
}

std::string NoToneText(char marker, double clickedHz, std::optional<double> atSeconds, int32_t line) {
    char hz[32];
    const auto end = std::to_chars(hz, hz + sizeof hz, clickedHz).ptr;
    std::string where = marker == 'A' ? " im Anflug (erste 15 % der Linien)" : " im Abflug (letzte 15 % der Linien)";
    if (atSeconds) {
        char at[32];
        const auto atEnd = std::to_chars(at, at + sizeof at, *atSeconds).ptr;
        where = " bei " + std::string(at, atEnd) + " s (Linie " + std::to_string(line) +
                " und fünf auf jeder Seite)";
    }
    return std::string("Marke ") + marker + ": kein Ton nahe " + std::string(hz, end) + " Hz" + where +
           ", keine Geschwindigkeit";
}

}  // namespace pirolex::texts
