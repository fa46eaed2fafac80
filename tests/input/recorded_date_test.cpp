// When a recording was made: a WAV file's own date wherever its chunks keep it, dates as
// recorders write them, and the modification time where the file says nothing.

#include "recorded_date.h"
#include "time_zone_fixture.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include <utime.h>

namespace pirolex {
namespace {

std::vector<uint8_t> Text(const std::string& text, size_t size) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(size, 0);
    return bytes;
}

// An INFO list: each entry a chunk of its own; the name's odd size leaves a pad byte.
std::vector<uint8_t> InfoList(const std::string& created) {
    testwav::Bytes list;
    list.Tag("INFO").Chunk("INAM", Text("Flug", 5)).Chunk("ICRD", Text(created, created.size() + 1));
    return list.data;
}

std::vector<uint8_t> Bext(const std::string& date, const std::string& time) {
    std::vector<uint8_t> body(602, 0);
    std::copy(date.begin(), date.end(), body.begin() + 320);
    std::copy(time.begin(), time.end(), body.begin() + 330);
    return body;
}

// "RIFF", the chunks before the sound, fmt and data, the chunks after it.
std::vector<uint8_t> Wav(const std::vector<std::pair<const char*, std::vector<uint8_t>>>& before,
                         const std::vector<std::pair<const char*, std::vector<uint8_t>>>& after) {
    testwav::Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE");
    for (const auto& [tag, body] : before) b.Chunk(tag, body);
    b.Chunk("fmt ", testwav::FmtBody({.bits = 16, .channels = 1, .rate = 8000}));
    b.Chunk("data", std::vector<uint8_t>(7, 1));  // odd: a pad byte before what follows
    for (const auto& [tag, body] : after) b.Chunk(tag, body);
    b.FixRiffSize();
    return b.data;
}

TEST(RecordedDate, AWavFilesOwnDateWhereverItsChunksKeepIt) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::optional<std::string> date;
    } cases[] = {
        {"INFO after the sound", Wav({}, {{"LIST", InfoList("2024-05-01 10:20:30")}}), "2024-05-01T10:20:30"},
        {"broadcast extension first", Wav({{"bext", Bext("2023-11-02", "07:08:09")}}, {}), "2023-11-02T07:08:09"},
        {"INFO before bext", Wav({{"bext", Bext("2023-11-02", "07:08:09")}}, {{"LIST", InfoList("2024-05-01")}}),
         "2024-05-01"},
        {"an INFO text that is no date, bext to fall back on",
         Wav({{"LIST", InfoList("Sonntag")}, {"bext", Bext("2022_01_31", "23-59-58")}}, {}), "2022-01-31T23:59:58"},
        {"fields left empty", Wav({{"bext", Bext("0000-00-00", "00:00:00")}}, {}), std::nullopt},
        {"nothing but sound", Wav({}, {}), std::nullopt},
        {"a list longer than the file", Wav({}, {{"LIST", InfoList("2024-05-01")}}), std::nullopt},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = c.bytes;
        if (std::string(c.what) == "a list longer than the file") bytes.resize(bytes.size() - 12);
        MemorySource source(bytes.data(), bytes.size());
        EXPECT_EQ(WavRecordedDate(source), c.date) << c.what;
    }
}

TEST(RecordedDate, DatesAsRecordersWriteThemInIso8601) {
    const struct {
        std::string text;
        std::optional<std::string> iso;
    } cases[] = {
        {"2024-05-01", "2024-05-01"},
        {"2024:05:01 10:20:30", "2024-05-01T10:20:30"},
        {"2024-05-01T08:20:30.000000Z", "2024-05-01T08:20:30Z"},
        {"2024-05-01T10:20+0200", "2024-05-01T10:20+02:00"},
        {std::string("2024-02-29 \0\0", 13), "2024-02-29"},
        {"2023-02-29", std::nullopt},
        {"2024-05-01 24:00", std::nullopt},
        {"2024-05-01 (Sonntag)", std::nullopt},
        {"1904-01-01", std::nullopt},
        {"01.05.2024", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(IsoDate(c.text), c.iso) << c.text;
}

using CentralEuropeanTime = testtz::InTimeZone<testtz::kCentralEurope>;

// Summer and winter, each with its offset from UTC.
TEST_F(CentralEuropeanTime, WithoutADateTheFilesModificationTime) {
    const std::string path = testwav::WriteTempFile(Wav({}, {}), "undated.wav");
    const std::string other = testwav::WriteTempFile({1, 2, 3}, "undated.m4a");
    const struct {
        std::time_t written;
        const char* local;
    } cases[] = {{1714558830, "2024-05-01T12:20:30+02:00"}, {1704103200, "2024-01-01T11:00:00+01:00"}};
    for (const auto& c : cases) {
        const utimbuf times{c.written, c.written};
        ASSERT_EQ(utime(path.c_str(), &times), 0);
        ASSERT_EQ(utime(other.c_str(), &times), 0);
        EXPECT_EQ(RecordedDate(path), c.local);
        // A container's date is taken as it says; one that is none is no reason to guess.
        EXPECT_EQ(RecordedDate(other, "2024-05-01T08:20:30.000000Z"), "2024-05-01T08:20:30Z");
        EXPECT_EQ(RecordedDate(other, "gestern"), c.local);
    }
    const std::string dated = testwav::WriteTempFile(Wav({}, {{"LIST", InfoList("2021-07-04")}}), "dated.wav");
    EXPECT_EQ(RecordedDate(dated), "2021-07-04");
    EXPECT_EQ(RecordedDate("/nonexistent/x.wav"), "");
}

}  // namespace
}  // namespace pirolex
