// The passes as kept: the JSON lines and the CSV rows, letter for letter.

#include "pass_records.h"

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
    pass.heardS = 120.0;
    pass.speed.refusal = AutoSpeedRefusal::kAboveTopSpeed;
    pass.speed.topSpeedKmh = 100.0;
    return pass;
}

TEST(PassRecords, JsonOneObjectPerLine) {
    EXPECT_EQ(texts::PassJsonLine("a \"b\".wav", Measured(), {}),
              "{\"file\":\"a \\\"b\\\".wav\",\"pass\":2,\"heard_s\":84.300,\"kmh\":120.000,\"sigma_kmh\":0.500,"
              "\"f0_hz\":4000.000,\"closest_s\":84.270,\"distance_m\":10.000,\"harmonic\":1,"
              "\"approach_hz\":4411.500,\"recede_hz\":3662.100}\n");
    EXPECT_EQ(texts::PassJsonLine("t.wav", Refused(), {.reportedS = true}),
              "{\"file\":\"t.wav\",\"pass\":3,\"heard_s\":120.000,"
              "\"refused\":\"keine Messung: die Geschwindigkeit läge über der Höchstgeschwindigkeit von 100 km/h\",\"reported_s\":0.000}\n");
    EXPECT_EQ(texts::NoPassJsonLine("wind.wav", AutoSpeedRefusal::kNoTone, 450.0),
              "{\"file\":\"wind.wav\",\"refused\":\"keine Messung: kein Motorton hebt sich lange genug aus dem "
              "Rauschen ab\"}\n");
}

TEST(PassRecords, CsvRowsUnderOneHeader) {
    EXPECT_EQ(texts::PassCsvHeader({}),
              "file,pass,heard_s,kmh,sigma_kmh,f0_hz,closest_s,distance_m,harmonic,approach_hz,recede_hz,refused\n");
    EXPECT_EQ(texts::PassCsvHeader({.reportedS = true}),
              "file,pass,heard_s,kmh,sigma_kmh,f0_hz,closest_s,distance_m,harmonic,approach_hz,recede_hz,refused,"
              "reported_s\n");
    EXPECT_EQ(texts::PassCsvRow("Flug, 2.wav", Measured(), {.reportedS = true}),
              "\"Flug, 2.wav\",2,84.300,120.000,0.500,4000.000,84.270,10.000,1,4411.500,3662.100,,86.250\n");
    EXPECT_EQ(texts::PassCsvRow("t.wav", Refused(), {}),
              "t.wav,3,120.000,,,,,,,,,keine Messung: die Geschwindigkeit läge über der Höchstgeschwindigkeit von 100 km/h\n");
    EXPECT_EQ(texts::NoPassCsvRow("say \"hi\".wav", AutoSpeedRefusal::kSilence, 450.0, {}),
              "\"say \"\"hi\"\".wav\",,,,,,,,,,,keine Messung: die Aufnahme ist stumm\n");
}

// A pass the fit refused, measured by two clicks and taken into the list: the row shows the
// clicked speed marked as such, the list writes it with the clicked tones and no refusal; an
// automatic answer is not overwritten, nor is a pass given no speed.
TEST(PassRecords, ClickedSpeedTakenForARefusedPass) {
    FlybyPass pass = Refused();
    const FlybyPass::Clicked clicked{61.23, 1.41, 525.7, 476.2};
    ASSERT_TRUE(TakeClickedSpeed(pass, clicked));
    EXPECT_EQ(texts::PassListRow(pass), "2:00.0  61.2 ± 1.4 km/h – zwei Klicks");
    EXPECT_EQ(texts::PassJsonLine("t.wav", pass, {}),
              "{\"file\":\"t.wav\",\"pass\":3,\"heard_s\":120.000,\"kmh\":61.230,\"sigma_kmh\":1.410,"
              "\"approach_hz\":525.700,\"recede_hz\":476.200}\n");
    EXPECT_EQ(texts::PassCsvRow("t.wav", pass, {}), "t.wav,3,120.000,61.230,1.410,,,,,525.700,476.200,\n");

    FlybyPass answered = Measured();
    EXPECT_FALSE(TakeClickedSpeed(answered, clicked));
    EXPECT_EQ(texts::PassOutcome(answered), "120.0 ± 0.5 km/h");
    FlybyPass again = Refused();
    EXPECT_FALSE(TakeClickedSpeed(again, {-61.2, 1.4, 476.2, 525.7}));
    EXPECT_FALSE(again.clicked);
}

}  // namespace
}  // namespace pirolex
