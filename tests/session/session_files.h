#pragma once
// The recordings a session loads: good files of every format the reader takes (FLAC and MP3 too
// when the ffmpeg command is there to make them), at lengths that
// keep a recompute quick, edge lengths around one FFT block, and broken files with the error
// each one must give. All are written by the test into a folder of its own.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pirolex::session {

enum class WavKind {
    Good,        // loads; frames and rate as given
    Broken,      // opens but fails to parse with the given error
    Unopenable,  // fails the open test: no message, "!! file load ERROR !!"
    Long,        // loads like a good one, but decodes long enough to be cancelled first
};

struct WavCase {
    std::string name;
    std::filesystem::path path;
    WavKind kind = WavKind::Good;
    int32_t frames = 0;  // SampleCount after the load
    int32_t rate = 0;
    bool stereo = false;
    std::string error;  // the parse error of a broken file
};

// A fresh folder under the system temp folder, removed with everything in it at the end (write
// permission is given back first, so read-only parts go too).
class TempFolder {
public:
    explicit TempFolder(const std::string& stem);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A short two-channel flyby: an engine tone that falls as the aircraft passes.
std::vector<uint8_t> FlybyWav(int bits, int channels, uint32_t rate, size_t frames);

// Writes every case into folder and returns them.
std::vector<WavCase> WriteSessionFiles(const std::filesystem::path& folder);

}  // namespace pirolex::session
