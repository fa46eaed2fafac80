// The real-file corpus through the same path as the fuzzer: every file the reader takes is drawn
// in all three pictures without an error. Runs under the sanitizers in the checked build, so a
// stray read anywhere between the reader and the canvas shows up on files from the wild too.
// Without the corpus folder the test skips itself.

#include "fuzz_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace pirolex::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RealFiles, EveryLoadedFileDrawsInEveryPicture) {
    const fs::path dir = PIROLEX_CORPUS_DIR;
    if (!fs::exists(dir / "MANIFEST.tsv")) GTEST_SKIP() << "no corpus at " << dir;
    int loaded = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".wav") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<uint8_t> bytes = ReadBytes(entry.path());
        const Outcome outcome = RunOneInput(bytes.data(), bytes.size());
        if (!outcome.loaded) {
            EXPECT_NE(outcome.loadError, "");
            continue;
        }
        ++loaded;
        EXPECT_TRUE(outcome.consistent);
        for (int picture = 0; picture < kPictures; ++picture)
            EXPECT_EQ(outcome.modes[picture].error, "") << "picture " << picture << " (3D, 2D, 1D)";
    }
    EXPECT_GT(loaded, 0);
}

}  // namespace
}  // namespace pirolex::fuzz
