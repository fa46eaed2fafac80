#pragma once
// Every German text the window and the command line make from the core's codes and numbers, in
// one table: error messages, the status panels, the filter captions, the speed label and the
// notices about the picture. Numbers are written with a decimal point whatever the locale.

#include "auto_speed.h"
#include "clicked_pair.h"
#include "doppler_speed.h"
#include "failure.h"
#include "line_filter.h"
#include "pass_finder.h"
#include "settings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pirolex::texts {

// The message box's text for a failure, e.g. "Datei nicht gefunden",
// "Nicht unterstütztes WAV-Format (Formatkennung 85, 0 Bit)", "E/A-Fehler 21: Ist ein Ordner" or
// "Keine Tonspur in der Datei".
std::string ErrorText(const Failure& failure);

// Status bar: panel 0 holds the file name or one of these, panels 1 to 3 the recording's rate,
// frames and length, panel 4 the FFT size.
inline constexpr const char* kNoFile = "no file";
inline constexpr const char* kLoadError = "!! file load ERROR !!";
std::string SampleRatePanel(int32_t sampleRate);    // "44100 Hz Samplerate"
std::string FrameCountPanel(int64_t frames);        // "441000 Samples"
// Seconds with one decimal, right-aligned in at least 4 characters, then " s".
std::string DurationPanel(int64_t frames, int32_t sampleRate);
std::string FilterCountPanel(int32_t fftSize);      // "1024 Filter"
std::string FftSizeLabel(int32_t fftSize);          // "1024 FFT-Filter"
// The span of a long recording the pictures show, from its first frame on, seconds with one
// decimal: "Ausschnitt 42.3-56.9 s". The window adds it to panel 4, after the filter count.
std::string SpanPanel(int64_t firstFrame, int64_t frames, int32_t sampleRate);
// The caption of the control that chooses the span's start, and its tool tip.
inline constexpr const char* kSpanCaption = "Ausschnitt ab";
inline constexpr const char* kSpanHint = "Beginn des Ausschnitts, den die Grafik zeigt (Sekunden)";

// The pictures' names as the radio group "Grafikmode" and `--mode` give them, in the order of
// Picture: "3D", "2D", "1D", "Pegel".
const char* PictureName(Picture picture);
// The picture a name stands for, also in lower case ("2d", "pegel"); none for any other text.
std::optional<Picture> PictureNamed(const std::string& name);
// The names joined as an option's allowed values: "3D, 2D, 1D und Pegel".
std::string PictureNameList();
// The level picture's controls: its group's caption, "Dynamik" (the dB range the colours span)
// and "Verstärkung" (how far below full scale the top colour lies), each with its tool tip.
inline constexpr const char* kLevelCaption = "Farbskala (dB)";
inline constexpr const char* kLevelRangeName = "Dynamik";
inline constexpr const char* kLevelRangeHint = "Pegelbereich der Farbskala in dB";
inline constexpr const char* kLevelGainName = "Verstärkung";
inline constexpr const char* kLevelGainHint = "Verstärkung in dB: hebt leise Aufnahmen in die Farben";

// The captions under the filter's track bars: "Limit : 20", "CFAR : 10 .. 40".
std::string LimitCaption(int32_t limit);
std::string KeepCaption(KeepRange range);

// The speed label before anything is measured.
inline constexpr const char* kSpeedUnknown = "Speed: ?";
// "Geschwindigkeit: 120.00 km/h (± 6.00 km/h) ", or that the markers give none.
std::string SpeedText(const std::optional<DopplerSpeed>& speed);
// The automatic measurement: the speed line as SpeedText writes it, with sigma as the "±", or
// "keine Messung: " and why not.
std::string AutoSpeedText(const AutoSpeed& result);
// Where a speed came from, as the window's label, the saved strip and the copied line name it.
inline constexpr const char* kSourceClicks = "zwei Klicks";
inline constexpr const char* kSourceAutomatic = "automatisch gemessen";
// The window's label for the automatic measurement: AutoSpeedText, and after an answer its
// source: "Geschwindigkeit: 120.00 km/h (± 0.06 km/h) – automatisch gemessen".
std::string WindowAutoSpeedText(const AutoSpeed& result);
// Two markers' speed: SpeedText's line as it has always been, and when something about the
// clicks makes the number doubtful, why, in short: "Geschwindigkeit: 511.01 km/h (± 0.08 km/h) –
// zweifelhaft: mehr als höchstens 450 km/h, B näher an 0.5×A als an A"; with A below B no number:
// "Geschwindigkeit: keine – zweifelhaft: A tiefer als B (Tasten vertauscht?)".
std::string ClickedSpeedText(const std::optional<DopplerSpeed>& speed, const ClickDoubts& doubts,
                             int32_t maxSpeedKmh);
// Why the automatic measurement gives no speed, in a sentence for the user; above the top speed,
// with the top speed it was measured with.
std::string RefusalText(AutoSpeedRefusal refusal, double topSpeedKmh = kDefaultTopSpeedKmh);
// The automatic measurement's details: "Ton f0: 4000.00 Hz (Harmonische 1), nächster Punkt bei
// 6.00 s, Abstand 10.00 m".
std::string AutoSpeedDetails(const AutoSpeed& result);
// A pass of a take, numbered, at the time it is heard: "Vorbeiflug 3 bei 1:24.3".
std::string PassHeading(int number, double heardS);
// When a pass is heard, minutes, seconds and tenths: "1:24.3".
std::string PassTime(double heardS);
// A row of the window's list "Vorbeiflüge": the time and the speed with its sigma, "1:24.3
// 123.4 ± 1.2 km/h", or the time and why the pass was not measured.
std::string PassListRow(const FlybyPass& pass);
// In the speed label when a search ends with the span moved away from every pass it found:
// "3 Vorbeiflüge gefunden: einen in der Liste wählen".
std::string ChoosePassNotice(int count);
// The row's part after the time: "123.4 ± 1.2 km/h", "61.2 ± 1.4 km/h – zwei Klicks" where the
// user's clicks measured a pass the automatic fit refused, or why the pass was not measured.
std::string PassOutcome(const FlybyPass& pass);
// The pass in the kept record: "3 bei 1:24.3".
std::string PassRecordText(const FlybyPass& pass);
inline constexpr const char* kPassListCaption = "Vorbeiflüge";
inline constexpr const char* kSavePassList = "Liste speichern";
// The button that takes two clicks' speed as the measurement of a pass the fit refused.
inline constexpr const char* kTakeClicks = "als Messung übernehmen";
// "Liste konnte nicht gespeichert werden: PATH (E/A-Fehler 28: Kein Platz mehr auf dem
// Datenträger)", the failure's text in brackets.
std::string PassListWriteError(const std::string& path, const Failure& failure);
// Why a picture shows its frame alone: "Aufnahme kürzer als ein FFT-Block (1024 Samples)".
std::string ShortRecordingNotice(int32_t fftSize);
// The plot's tooltip in the 2D picture, where clicks measure.
// Which button places which marker, after the words the plot's hint has always had.
inline constexpr const char* kMeasureHint =
    "klicken zur Geschwindigkeitsmessung: linke Taste auf den Ton des Anflugs (A), rechte auf den des Abflugs (B)";
// A marker snapped to a tone is labelled with its frequency to a tenth of a hertz: "4822.8 Hz".
std::string SnappedMarkerLabel(double hz);
// The readout under the cursor in the 2D picture: the frequency there and, on the picture's
// lines, the time from the recording's start: "4822.8 Hz  3.21 s".
std::string CursorReadout(double hz, std::optional<double> seconds);
// Appended to the readout while marker A is set: the speed a right click there would give,
// "B: 64.42 km/h", or "B: keine".
std::string CursorSpeed(const std::optional<DopplerSpeed>& speed);

// "Grafik konnte nicht gespeichert werden: PATH (Datei ist schreibgeschützt)", the failure's
// text in brackets.
std::string PngWriteError(const std::string& path, const Failure& failure);

// A marker snapped to its tone on the command line, the tone and its spread to a tenth of a
// hertz: "Marke A: 4822.8 Hz (±0.3 Hz)".
std::string SnappedToneLine(char marker, double hz, double spreadHz);
// Why a snapped measurement gives no speed: "Marke A: kein Ton nahe 3000 Hz im Anflug (erste 15 %
// der Linien), keine Geschwindigkeit"; B looks in the recede, the last 15 %. With the moment
// the marker was asked for (--at-a, --at-b): "Marke A: kein Ton nahe 3000 Hz bei 4.5 s (Linie
// 41 und fünf auf jeder Seite), keine Geschwindigkeit".
std::string NoToneText(char marker, double clickedHz, std::optional<double> atSeconds = std::nullopt,
                       int32_t line = 0);

}  // namespace pirolex::texts
