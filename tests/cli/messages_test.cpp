// The table of German texts: every failure's message, the status panels, the captions, and the
// speed label as the two markers' columns give it.

#include "frequency_axis.h"
#include "messages.h"

#include <gtest/gtest.h>

namespace pirolex {
namespace {

TEST(Messages, EveryFailureHasItsText) {
    const std::pair<Failure, const char*> cases[] = {
        {Failure(ErrorCode::kReadPastEnd), "Versuch hinter dem Dateiende zu lesen"},
        {Failure(ErrorCode::kIntegerOverflow), "Integerüberlauf"},
        {Failure(ErrorCode::kFloatDivisionByZero), "Gleitkommadivision durch Null"},
        {Failure(ErrorCode::kInvalidFloatOperation), "Ungültige Gleitkommaoperation"},
        {Failure(ErrorCode::kRangeCheck), "Fehler bei Bereichsprüfung"},
        {Failure(ErrorCode::kFileNotFound), "Datei nicht gefunden"},
        {Failure(ErrorCode::kAccessDenied), "Dateizugriff verweigert"},
        {Failure(ErrorCode::kIoError, 5), "E/A-Fehler 5"},
        // The numbers a user meets on a save, named.
        {Failure(ErrorCode::kIoError, 40),
         "E/A-Fehler 40: Zu viele Ebenen symbolischer Verknüpfungen (eine Verknüpfungsschleife)"},
        {Failure(ErrorCode::kIoError, 6), "E/A-Fehler 6: Gerät nicht erreichbar"},
        {Failure(ErrorCode::kIoError, 36), "E/A-Fehler 36: Dateiname zu lang"},
        {Failure(ErrorCode::kIoError, 28), "E/A-Fehler 28: Kein Platz mehr auf dem Datenträger"},
        {Failure(ErrorCode::kIoError, 21), "E/A-Fehler 21: Ist ein Ordner"},
        {Failure(ErrorCode::kOutputIsInput),
         "Die Ausgabe wäre die gelesene Datei selbst: Pirolex überschreibt nicht, was es liest"},
        {Failure(ErrorCode::kNotWav), "Keine WAV-Datei"},
        {Failure(ErrorCode::kNoFormatChunk), "Kein Formatblock in der WAV-Datei"},
        {Failure(ErrorCode::kNoDataChunk), "Kein Datenblock in der WAV-Datei"},
        {Failure(ErrorCode::kBadFormatChunk), "Ungültiger Formatblock in der WAV-Datei"},
        {Failure(ErrorCode::kUnsupportedFormat, 85, 0),
         "Nicht unterstütztes WAV-Format (Formatkennung 85, 0 Bit)"},
    };
    for (const auto& [failure, text] : cases) EXPECT_EQ(texts::ErrorText(failure), text) << failure.what();
}

TEST(Messages, PanelsAndCaptions) {
    EXPECT_EQ(texts::SampleRatePanel(44100), "44100 Hz Samplerate");
    EXPECT_EQ(texts::FrameCountPanel(1000000), "1000000 Samples");
    EXPECT_EQ(texts::FilterCountPanel(256), "256 Filter");
    EXPECT_EQ(texts::FftSizeLabel(128), "128 FFT-Filter");
    EXPECT_EQ(texts::LimitCaption(-3), "Limit : -3");
    EXPECT_EQ(texts::KeepCaption({10, 40}), "CFAR : 10 .. 40");
    EXPECT_EQ(texts::ShortRecordingNotice(512), "Aufnahme kürzer als ein FFT-Block (512 Samples)");
    EXPECT_EQ(texts::PngWriteError("/x/y.png", Failure(ErrorCode::kWriteProtected)),
              "Grafik konnte nicht gespeichert werden: /x/y.png (Datei ist schreibgeschützt)");
}

TEST(Messages, DurationHasOneDecimalInAtLeastFourCharacters) {
    const struct {
        int64_t frames;
        int32_t rate;
        const char* text;
    } cases[] = {
        {220500, 44100, " 5.0 s"}, {661500, 44100, "15.0 s"}, {0, 8000, " 0.0 s"},
        {1000000, 44100, "22.7 s"}, {99, 1000, " 0.1 s"},   {44, 1000, " 0.0 s"},
        {700000, 1, "700000.0 s"}, {2147483647, 1, "2147483647.0 s"},
    };
    for (const auto& c : cases) EXPECT_EQ(texts::DurationPanel(c.frames, c.rate), c.text) << c.frames;
}

// The speed label for two marker columns of the design plot (XScale 1, 44100 Hz): two decimals in
// fields of at least five characters; the resolution is one FFT bin where a bin is wider than a
// plot unit.
TEST(Messages, SpeedLabelFromTwoMarkedColumns) {
    const struct {
        int columnA, columnB, temperature, stride;
        double xScale;
        const char* text;
    } cases[] = {
        {110, 100, 15, 1, 1.0, "Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "},
        {100, 110, 15, 1, 1.0, "Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "},
        {100, 100, 15, 1, 1.0, "Geschwindigkeit:  0.00 km/h (± 6.80 km/h) "},
        // Marker A on the zero column: v = c, so these show the speed of sound itself.
        {10, 110, -20, 1, 1.0, "Geschwindigkeit: 1147.29 km/h (±11.47 km/h) "},
        {10, 110, 40, 1, 1.0, "Geschwindigkeit: 1276.03 km/h (±12.76 km/h) "},
        // A marker left of the zero column counts with its negative position.
        {5, 105, 15, 1, 1.0, "Geschwindigkeit: 1360.04 km/h (±13.60 km/h) "},
        // Plot units, so the XScale cancels.
        {210, 190, 15, 1, 2.0, "Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "},
        {110, 100, 15, 2, 1.0, "Geschwindigkeit: 64.42 km/h (±12.88 km/h) "},
        {110, 100, 15, 8, 1.0, "Geschwindigkeit: 64.42 km/h (±51.54 km/h) "},
        // The bundled sample's two tones, 4822.8 and 3961.6 Hz, at FFT size 128.
        {122, 102, 15, 8, 1.0, "Geschwindigkeit: 120.00 km/h (±48.00 km/h) "},
        // Frequencies that add up to 0 Hz give no speed.
        {5, 15, 15, 1, 1.0, "Geschwindigkeit: keine (Marken ergeben keine Frequenz über 0 Hz)"},
        {10, 10, 15, 1, 1.0, "Geschwindigkeit: keine (Marken ergeben keine Frequenz über 0 Hz)"},
    };
    for (const auto& c : cases) {
        const FrequencyAxis axis(44100, c.stride, 10, c.xScale);
        const FrequencyAxis::MarkedPair marked = axis.Marked(c.columnA, c.columnB);
        EXPECT_EQ(texts::SpeedText(SpeedFromFrequencies(marked.halfDifferenceHz, marked.meanHz,
                                                        axis.ResolutionHz(), c.temperature)),
                  c.text)
            << c.columnA << " " << c.columnB;
    }
    const FrequencyAxis noRate(0, 1, 10, 1.0);  // left behind by a failed load
    const FrequencyAxis::MarkedPair marked = noRate.Marked(100, 110);
    EXPECT_FALSE(SpeedFromFrequencies(marked.halfDifferenceHz, marked.meanHz, noRate.ResolutionHz(), 15));
}

}  // namespace
}  // namespace pirolex
