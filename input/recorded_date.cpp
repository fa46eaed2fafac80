#include "recorded_date.h"

#include "recording_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <sys/stat.h>

namespace pirolex {

namespace {

constexpr size_t kChunkHeaderSize = 8;
// More text than any recorder writes as a date; a longer ICRD is skipped unread beyond this.
constexpr uint32_t kLongestDateText = 64;
// The broadcast extension: description (256), originator (32), its reference (32), then the
// origination date (10, "yyyy-mm-dd") and time (8, "hh:mm:ss").
constexpr uint32_t kBextDateOffset = 320;
constexpr uint32_t kBextDateTimeSize = 18;
// Nested lists deeper than this are no INFO list a recorder writes; they are skipped.
constexpr int kDeepestList = 4;

uint32_t U32At(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

bool TagIs(const uint8_t* tag, const char* name) { return std::equal(tag, tag + 4, name); }

bool ReadAll(ByteSource& src, uint8_t* dst, size_t n) {
    size_t got = 0;
    while (got < n) {
        const size_t step = src.Read(dst + got, n - got);
        if (step == 0) return false;
        got += step;
    }
    return true;
}

// Reads `size` bytes of a chunk body, keeping the first `keep` of them.
bool ReadBody(ByteSource& src, uint64_t size, uint32_t keep, std::string& kept) {
    kept.assign(static_cast<size_t>(std::min<uint64_t>(size, keep)), '\0');
    if (!ReadAll(src, reinterpret_cast<uint8_t*>(kept.data()), kept.size())) return false;
    return src.Skip(size - kept.size()) == size - kept.size();
}

// RIFF keeps every chunk at an even offset.
uint64_t Padded(uint32_t size) { return uint64_t{size} + (size % 2); }

// What the chunks say of the date, as found so far.
struct FoundDates {
    std::optional<std::string> created;  // ICRD
    std::optional<std::string> origination;  // bext
};

// Walks `size` bytes of chunks (size unknown: to the end of the file).
void WalkChunks(ByteSource& src, std::optional<uint64_t> size, int depth, FoundDates& found) {
    uint64_t walked = 0;
    while (!size || walked + kChunkHeaderSize <= *size) {
        uint8_t header[kChunkHeaderSize];
        if (!ReadAll(src, header, kChunkHeaderSize)) return;
        const uint32_t body = U32At(header + 4);
        walked += kChunkHeaderSize + Padded(body);
        std::string text;
        if (TagIs(header, "LIST") && body >= 4 && depth < kDeepestList) {
            uint8_t kind[4];
            if (!ReadAll(src, kind, 4)) return;
            const uint64_t rest = Padded(body) - 4;
            if (TagIs(kind, "INFO")) {
                // A list that claims more than the file holds ends the walk with it.
                WalkChunks(src, rest, depth + 1, found);
                continue;
            }
            if (src.Skip(rest) != rest) return;
        } else if (TagIs(header, "ICRD") && depth > 0) {
            if (!ReadBody(src, Padded(body), std::min(body, kLongestDateText), text)) return;
            if (!found.created) found.created = text.substr(0, text.find('\0'));
        } else if (TagIs(header, "bext") && depth == 0) {
            if (!ReadBody(src, Padded(body), std::min(body, kBextDateOffset + kBextDateTimeSize), text)) return;
            if (text.size() == kBextDateOffset + kBextDateTimeSize && !found.origination)
                found.origination = text.substr(kBextDateOffset, 10) + ' ' + text.substr(kBextDateOffset + 10, 8);
        } else if (src.Skip(Padded(body)) != Padded(body)) {
            return;  // the file ends inside the chunk: nothing more to find
        }
    }
    // A list's last bytes too few for a chunk: passed over, so the walk goes on after the list.
    if (size && walked < *size) src.Skip(*size - walked);
}

// Reads `count` digits at text[pos]; none where they are not all digits.
std::optional<int> Digits(const std::string& text, size_t& pos, size_t count) {
    if (pos + count > text.size()) return std::nullopt;
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    pos += count;
    return value;
}

bool Separator(const std::string& text, size_t& pos, std::string_view allowed) {
    if (pos >= text.size() || allowed.find(text[pos]) == std::string_view::npos) return false;
    ++pos;
    return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

std::string TwoDigits(int value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// The time after a date (" 10:20", "T10:20:30.5Z", "10-20-30+0200"): "T10:20[:30][zone]"; none
// where it is not one.
std::optional<std::string> IsoTimeOfDay(const std::string& text, size_t pos) {
    constexpr std::string_view kTimeSeparators = ":.-";
    const std::optional<int> hour = Digits(text, pos, 2);
    if (!hour || *hour > 23 || !Separator(text, pos, kTimeSeparators)) return std::nullopt;
    const std::optional<int> minute = Digits(text, pos, 2);
    if (!minute || *minute > 59) return std::nullopt;
    std::string out = 'T' + TwoDigits(*hour) + ':' + TwoDigits(*minute);
    if (size_t at = pos; Separator(text, at, kTimeSeparators)) {
        const std::optional<int> second = Digits(text, at, 2);
        if (!second || *second > 60) return std::nullopt;
        out += ':' + TwoDigits(*second);
        pos = at;
        // Fractions of a second say nothing a logbook needs.
        if (Separator(text, at, ".,") && at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
            pos = at;
        }
    }
    if (pos < text.size() && (text[pos] == 'Z' || text[pos] == 'z')) {
        out += 'Z';
        ++pos;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        const char sign = text[pos++];
        const std::optional<int> zoneHours = Digits(text, pos, 2);
        Separator(text, pos, ":");
        const std::optional<int> zoneMinutes = Digits(text, pos, 2);
        if (!zoneHours || !zoneMinutes || *zoneHours > 14 || *zoneMinutes > 59) return std::nullopt;
        out += sign + TwoDigits(*zoneHours) + ':' + TwoDigits(*zoneMinutes);
    }
    if (pos != text.size()) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> IsoDate(const std::string& raw) {
    // Recorders pad with blanks and NULs.
    const size_t end = raw.find_last_not_of(std::string(" \t\r\n\0", 5));
    const std::string text = end == std::string::npos ? std::string() : raw.substr(0, end + 1);
    constexpr std::string_view kDateSeparators = "-:/._";
    size_t pos = 0;
    const std::optional<int> year = Digits(text, pos, 4);
    if (!year || !Separator(text, pos, kDateSeparators)) return std::nullopt;
    const std::optional<int> month = Digits(text, pos, 2);
    if (!month || !Separator(text, pos, kDateSeparators)) return std::nullopt;
    const std::optional<int> day = Digits(text, pos, 2);
    // Zeros are a field left empty, and a year before recorders is a clock never set.
    if (!day || *year < 1970 || *year > 2999 || *month < 1 || *month > 12 || *day < 1 ||
        *day > DaysIn(*year, *month))
        return std::nullopt;
    std::string out = std::to_string(*year) + '-' + TwoDigits(*month) + '-' + TwoDigits(*day);
    if (pos == text.size()) return out;
    if (!Separator(text, pos, " Tt_")) return std::nullopt;
    const std::optional<std::string> time = IsoTimeOfDay(text, pos);
    if (!time) return std::nullopt;
    return out + *time;
}

std::optional<std::string> WavRecordedDate(ByteSource& source) {
    uint8_t riff[12];
    if (!ReadAll(source, riff, sizeof riff) || !TagIs(riff, "RIFF") || !TagIs(riff + 8, "WAVE"))
        return std::nullopt;
    FoundDates found;
    WalkChunks(source, std::nullopt, 0, found);
    for (const std::optional<std::string>& text : {found.created, found.origination})
        if (text)
            if (std::optional<std::string> date = IsoDate(*text)) return date;
    return std::nullopt;
}

std::string LocalIsoTime(std::time_t moment) {
    std::tm local{};
    if (!localtime_r(&moment, &local)) return {};
    char text[40];
    if (std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local) == 0) return {};
    std::string out = text;
    // strftime writes the offset as +0100; ISO 8601's extended form has the colon.
    if (out.size() >= 5) out.insert(out.size() - 2, 1, ':');
    return out;
}

std::string RecordedDate(const std::string& path, const std::string& containerDate) {
    std::optional<std::string> date;
    try {
        if (IsWavPath(path)) {
            FileSource source(path);
            date = WavRecordedDate(source);
        } else {
            date = IsoDate(containerDate);
        }
    } catch (...) {
        // A file that cannot be read again still has a modification time, if anything.
    }
    if (date) return *date;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return LocalIsoTime(status.st_mtime);
}

}  // namespace pirolex
