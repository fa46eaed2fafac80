// The seed corpus and the fuzz harness: every seed reaches the part of the reader it was made
// for, and every recording the reader takes is drawn in all three pictures without an error.

#include "fuzz_harness.h"
#include "fuzz_seeds.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <ostream>
#include <set>

namespace pirolex::fuzz {

// The test list shows the seed's name, not its bytes (found by argument lookup, so it lives
// beside Seed's namespace rather than in the unnamed one).
void PrintTo(const Seed& seed, std::ostream* os) { *os << seed.name; }

namespace {

// The fuzzer runs with -max_len=65536; a longer seed would reach it cut short.
constexpr size_t kMaxSeedBytes = 65536;

// Why each refused seed is refused: a seed that fails an earlier check than its own would never
// lead the fuzzer to the check it stands for.
const std::map<std::string, std::string>& RejectionTexts() {
    static const std::map<std::string, std::string> texts = {
        {"reject-not-riff", "Keine WAV-Datei"},
        {"reject-no-fmt", "Kein Formatblock in der WAV-Datei"},
        {"reject-no-data", "Kein Datenblock in der WAV-Datei"},
        {"reject-unsupported-tag", "Nicht unterstütztes WAV-Format (Formatkennung 2, 4 Bit)"},
        {"reject-pcm12-in-one-byte", "Nicht unterstütztes WAV-Format (Formatkennung 1, 12 Bit)"},
        {"reject-bad-block-align", "Ungültiger Formatblock in der WAV-Datei"},
        {"reject-zero-rate", "Ungültiger Formatblock in der WAV-Datei"},
        {"reject-short-extensible", "Ungültiger Formatblock in der WAV-Datei"},
        {"reject-header-cut-short", "Versuch hinter dem Dateiende zu lesen"},
    };
    return texts;
}

class SeedTest : public ::testing::TestWithParam<Seed> {};

TEST_P(SeedTest, LoadsAndDrawsOrIsRefusedForItsReason) {
    const Seed& seed = GetParam();
    ASSERT_LE(seed.bytes.size(), kMaxSeedBytes);
    const Outcome outcome = RunOneInput(seed.bytes.data(), seed.bytes.size());
    if (!seed.accepted) {
        EXPECT_FALSE(outcome.loaded);
        ASSERT_EQ(RejectionTexts().count(seed.name), 1u) << "no expected text for " << seed.name;
        EXPECT_EQ(outcome.loadError, RejectionTexts().at(seed.name));
        return;
    }
    ASSERT_TRUE(outcome.loaded) << outcome.loadError;
    EXPECT_TRUE(outcome.consistent);
    for (int mode = 0; mode < kPictures; ++mode) {
        const ModeOutcome& m = outcome.modes[mode];
        EXPECT_EQ(m.error, "") << "picture " << mode;
        EXPECT_GT(m.lines, 0) << "picture " << mode;
    }
}

std::string SeedName(const ::testing::TestParamInfo<Seed>& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, SeedTest, ::testing::ValuesIn(FuzzSeeds()), SeedName);

TEST(SeedCorpus, NamesAreUniqueAndCoverBothOutcomes) {
    std::set<std::string> names;
    int accepted = 0;
    for (const Seed& seed : FuzzSeeds()) {
        EXPECT_TRUE(names.insert(seed.name).second) << seed.name;
        accepted += seed.accepted;
    }
    EXPECT_EQ(names.size() - accepted, RejectionTexts().size());
}

// Each picture takes its own line step: 1D spaces its lines widest, 2D closest, so on a
// recording long enough for a step above zero the line counts must differ in that order.
TEST(FuzzHarness, EachPictureGetsItsOwnLineStep) {
    for (const Seed& seed : FuzzSeeds()) {
        if (seed.name != "pcm16-stereo-long") continue;
        const Outcome outcome = RunOneInput(seed.bytes.data(), seed.bytes.size());
        ASSERT_TRUE(outcome.loaded);
        EXPECT_LT(outcome.modes[2].lines, outcome.modes[0].lines);
        EXPECT_LT(outcome.modes[0].lines, outcome.modes[1].lines);
        return;
    }
    FAIL() << "the long seed is missing";
}

}  // namespace
}  // namespace pirolex::fuzz
