#pragma once
// Plays a sound file to its end before returning, as the play command requires, without ever
// hanging: it also returns when there is no audio output, when the media backend reports an
// error, and at the latest after timeoutMs.

#include <QString>

namespace pirolex {

// The text for a machine without any audio output; the media backend has none of its own.
inline constexpr const char* kNoAudioOutput = "Kein Audio-Ausgabegerät gefunden";

// Returns the backend's message when playback failed, kNoAudioOutput without an output device,
// and an empty text after the file has played (or the time ran out).
QString PlayToEnd(const QString& path, int timeoutMs);

}  // namespace pirolex
