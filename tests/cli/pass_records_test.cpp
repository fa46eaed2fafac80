// The passes as kept: the JSON lines and the CSV rows, letter for letter.

#include "pass_records.h"
#include "safe_text.h"

#include "messages.h"

#include <gtest/gtest.h>

namespace pirolex {
namespace {

FlybyPass Measured() {
    FlybyPass pass;
    pass.number = 2;
    pass.heardS = 84.3;
    pass.reportedS = 86.25;
    AutoSpeed& s = pass.speed;
    s.refusal = AutoSpeedRefusal::kNone;
    s.speedKmh = 120.0004;
    s.sigmaKmh = 0.5;
    s.restFrequencyHz = 4000.0;
    s.closestTimeS = 84.27;
    s.closestDistanceM = 10.0;
    s.track.harmonic = 1;
    s.approachFrequencyHz = 4411.5;
    s.recedeFrequencyHz = 3662.1;
    return pass;
}

FlybyPass Refused() {
    FlybyPass pass;
    pass.number = 3;
    pass.source = PassSource::kTwoClicks;
    pass.heardS = 120.0;
    pass.speed.refusal = AutoSpeedRefusal::kAboveTopSpeed;
    pass.speed.topSpeedKmh = 100.0;
    return pass;
}

TEST(PassRecords, JsonOneObjectPerLine) {
    const texts::TakeFacts take{.temperatureC = 12.5, .recorded = "2024-05-01T10:20:30"};
    EXPECT_EQ(texts::PassJsonLine("a \"b\".wav", Measured(), {}, take),
              "{\"file\":\"a \\\"b\\\".wav\",\"pass\":2,\"heard_s\":84.300,\"kmh\":120.000,\"sigma_kmh\":0.500,"
              "\"f0_hz\":4000.000,\"closest_s\":84.270,\"distance_m\":10.000,\"harmonic\":1,"
              "\"approach_hz\":4411.500,\"recede_hz\":3662.100,\"temp_c\":12.5,\"recorded\":\"2024-05-01T10:20:30\","
              "\"heard\":\"1:24.3\",\"source\":\"automatisch\"}\n");
    EXPECT_EQ(texts::PassJsonLine("t.wav", Refused(), {.reportedS = true}, {.temperatureC = -3.0}),
              "{\"file\":\"t.wav\",\"pass\":3,\"heard_s\":120.000,"
              "\"refused\":\"keine Messung: die Geschwindigkeit läge über der Höchstgeschwindigkeit von 100 km/h\","
              "\"reported_s\":0.000,\"temp_c\":-3,\"heard\":\"2:00.0\",\"source\":\"zwei Klicks\"}\n");
    EXPECT_EQ(texts::NoPassJsonLine("wind.wav", AutoSpeedRefusal::kNoTone, 450.0, {.temperatureC = 15.0}),
              "{\"file\":\"wind.wav\",\"refused\":\"keine Messung: kein Motorton hebt sich lange genug aus dem "
              "Rauschen ab\",\"temp_c\":15,\"source\":\"automatisch\"}\n");
}

TEST(PassRecords, CsvRowsUnderOneHeader) {
    const texts::TakeFacts take{.temperatureC = 15.0, .recorded = "2024-05-01"};
    EXPECT_EQ(texts::PassCsvHeader({}),
              "file,pass,heard_s,kmh,sigma_kmh,f0_hz,closest_s,distance_m,harmonic,approach_hz,recede_hz,refused,"
              "temp_c,recorded,heard,source\n");
    EXPECT_EQ(texts::PassCsvHeader({.reportedS = true}),
              "file,pass,heard_s,kmh,sigma_kmh,f0_hz,closest_s,distance_m,harmonic,approach_hz,recede_hz,refused,"
              "reported_s,temp_c,recorded,heard,source\n");
    EXPECT_EQ(texts::PassCsvRow("Flug, 2.wav", Measured(), {.reportedS = true}, take),
              "\"Flug, 2.wav\",2,84.300,120.000,0.500,4000.000,84.270,10.000,1,4411.500,3662.100,,86.250,"
              "15,2024-05-01,1:24.3,automatisch\n");
    EXPECT_EQ(texts::PassCsvRow("t.wav", Refused(), {}, take),
              "t.wav,3,120.000,,,,,,,,,keine Messung: die Geschwindigkeit läge über der Höchstgeschwindigkeit von "
              "100 km/h,15,2024-05-01,2:00.0,zwei Klicks\n");
    EXPECT_EQ(texts::NoPassCsvRow("say \"hi\".wav", AutoSpeedRefusal::kSilence, 450.0, {}, {.temperatureC = 15.0}),
              "\"say \"\"hi\"\".wav\",,,,,,,,,,,keine Messung: die Aufnahme ist stumm,15,,,automatisch\n");
}

// A file name a spreadsheet would run as a formula is kept as text, quoted as any other.
TEST(PassRecords, CsvCellsAreNeverFormulas) {
    const std::pair<std::string, std::string> cases[] = {
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"=1+2.wav", "'=1+2.wav"},
        {"+SUM(1;2).wav", "\"'+SUM(1;2).wav\""},
        {"@SUM(A1).wav", "'@SUM(A1).wav"},
        {"-2+3.wav", "'-2+3.wav"},
        {"\tx.wav", "'\tx.wav"},
        {"\rx.wav", "\"'\rx.wav\""},
        {"a=b.wav", "a=b.wav"},
    };
    for (const auto& [name, cell] : cases)
        EXPECT_EQ(texts::NoPassCsvRow(name, AutoSpeedRefusal::kSilence, 450.0, {}, {.temperatureC = 15.0}),
                  cell + ",,,,,,,,,,,keine Messung: die Aufnahme ist stumm,15,,,automatisch\n")
            << name;
}

// Bytes that are no UTF-8 become U+FFFD, one for each; well-formed text stays as it is.
TEST(PassRecords, JsonIsValidUtf8) {
    const std::string fffd = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xe9.wav", "caf" + fffd + ".wav"},        // Latin-1
        {"\xff\xfe", fffd + fffd},                      // no lead byte at all
        {"\xc0\xaf", fffd + fffd},                      // an overlong "/"
        {"\xed\xa0\x80", fffd + fffd + fffd},           // a surrogate
        {"\xe2\x82", fffd + fffd},                      // cut short
        {"\xf4\x90\x80\x80", fffd + fffd + fffd + fffd},  // beyond U+10FFFF
        {"Flug über Wiese \xe2\x82\xac \xf0\x9f\x9b\xa9.wav", "Flug über Wiese \xe2\x82\xac \xf0\x9f\x9b\xa9.wav"},
    };
    for (const auto& [name, text] : cases)
        EXPECT_EQ(texts::NoPassJsonLine(name, AutoSpeedRefusal::kSilence, 450.0, {.temperatureC = 15.0}),
                  "{\"file\":\"" + text + "\",\"refused\":\"keine Messung: die Aufnahme ist stumm\",\"temp_c\":15,\"source\":\"automatisch\"}\n")
            << name;
}

TEST(PassRecords, TerminalTextShowsControlsEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb\r\tc.wav", "a\\nb\\r\\tc.wav"},
        {"\x1b]0;owned\x07.wav", "\\e]0;owned\\x07.wav"},
        {"\x7f\xc2\x9b" "31m", "\\x7f\\u009b31m"},
        {"caf\xe9", "caf\\xe9"},
        {"Flug über\\Wiese.wav", "Flug über\\Wiese.wav"},
    };
    for (const auto& [name, text] : cases) EXPECT_EQ(texts::TerminalSafe(name), text) << text;
}

// A pass the fit refused, measured by two clicks and taken into the list: the row shows the
// clicked speed marked as such, the list writes it with the clicked tones and no refusal; an
// automatic answer is not overwritten, nor is a pass given no speed.
TEST(PassRecords, ClickedSpeedTakenForARefusedPass) {
    FlybyPass pass = Refused();
    const FlybyPass::Clicked clicked{61.23, 1.41, 525.7, 476.2};
    ASSERT_TRUE(TakeClickedSpeed(pass, clicked));
    EXPECT_EQ(texts::PassListRow(pass), "2:00.0  61.2 ± 1.4 km/h – zwei Klicks");
    EXPECT_EQ(texts::PassJsonLine("t.wav", pass, {}, {.temperatureC = 15.0}),
              "{\"file\":\"t.wav\",\"pass\":3,\"heard_s\":120.000,\"kmh\":61.230,\"sigma_kmh\":1.410,"
              "\"approach_hz\":525.700,\"recede_hz\":476.200,\"temp_c\":15,\"heard\":\"2:00.0\","
              "\"source\":\"zwei Klicks\"}\n");
    EXPECT_EQ(texts::PassCsvRow("t.wav", pass, {}, {.temperatureC = 15.0}),
              "t.wav,3,120.000,61.230,1.410,,,,,525.700,476.200,,15,,2:00.0,zwei Klicks\n");

    FlybyPass answered = Measured();
    EXPECT_FALSE(TakeClickedSpeed(answered, clicked));
    EXPECT_EQ(texts::PassOutcome(answered), "120.0 ± 0.5 km/h");
    FlybyPass again = Refused();
    EXPECT_FALSE(TakeClickedSpeed(again, {-61.2, 1.4, 476.2, 525.7}));
    EXPECT_FALSE(again.clicked);
}

}  // namespace
}  // namespace pirolex
