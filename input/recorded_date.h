#pragma once
// When a recording was made, for a logbook: an ISO 8601 text from what the file says of itself,
// else from when the file was last written. Only the file itself is read; a date that cannot be
// understood is no date, so the next source is asked rather than a guess written down.
//
//   std::string when = pirolex::RecordedDate(path, file.decodedInfo.creationTime);
//   // "2024-05-01T10:20:30" (recorder's own clock), "2024-05-01T08:20:30Z" (container, UTC),
//   // "2026-12-09T18:01:02+01:00" (the file's modification time, local)

#include "wav_reader.h"

#include <ctime>
#include <optional>
#include <string>

namespace pirolex {

// A WAV file's own date: the LIST/INFO "ICRD" text, else the broadcast extension's ("bext")
// origination date and time. Walks the whole chunk list, before and after the sound, reading
// nothing but chunk headers and those two chunks.
std::optional<std::string> WavRecordedDate(ByteSource& source);

// A date as recorders and containers write it ("2024-05-01", "2024:05:01 10:20:30",
// "2024-05-01T08:20:30.000000Z") in ISO 8601 ("2024-05-01", "2024-05-01T10:20:30",
// "2024-05-01T08:20:30Z"); none where the text is not a plausible date.
std::optional<std::string> IsoDate(const std::string& text);

// A moment as local time with its offset from UTC: "2026-12-09T18:01:02+01:00".
std::string LocalIsoTime(std::time_t moment);

// The recording's date: for a WAV path its own date; else containerDate (the decoder's
// "creation_time"), when it is one; else the file's modification time. Empty when the file cannot
// be looked at at all.
std::string RecordedDate(const std::string& path, const std::string& containerDate = {});

}  // namespace pirolex
