#pragma once
// Every file the program writes (a picture, a list, a take) is written whole or not at all: into a
// new file beside the target, flushed to the medium, its size checked against what was handed in,
// and only then renamed over the target. A full disk, a file-size limit or a failing medium
// therefore leave the old file byte for byte and come back as a failure, never as a short file
// reported as saved.
//
// What it refuses before a byte is written: a folder, a device, pipe or socket, a link loop, a
// write-protected file (also for root, who could write it anyway), and the file a command or the
// window is reading, however it is named (device and inode compared, so links and hard links are
// seen through). A link to a file replaces the file it points to and keeps the link.
//
// The file keeps the old file's permissions and owner; a new file gets the usual 0666 less the
// umask. The temporary name is short and fixed in length, so any name the folder takes can be
// saved to.

#include "failure.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pirolex {

// Whether two paths name the same file (after links); false when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

class CheckedSave {
public:
    // Opens the temporary file for path, or says why path cannot be written. `inputs` are the
    // files being read, which the save must never replace.
    static std::variant<CheckedSave, Failure> Begin(const std::string& path,
                                                    const std::vector<std::string>& inputs = {});

    CheckedSave(CheckedSave&& other) noexcept;
    CheckedSave& operator=(CheckedSave&&) = delete;
    CheckedSave(const CheckedSave&) = delete;
    ~CheckedSave();  // removes the temporary file unless committed

    // Appends bytes; after the first failure it writes nothing more and Commit reports it.
    bool Write(const void* data, size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Flushes, checks and renames. After a failure the target is as it was and the temporary
    // file is gone.
    std::optional<Failure> Commit();

private:
    CheckedSave(int fd, std::string temporary, std::string target);
    void Discard();

    int fd_ = -1;
    std::string temporary_;
    std::string target_;
    int64_t written_ = 0;
    int error_ = 0;
};

// The whole file at once.
std::optional<Failure> SaveWholeFile(const std::string& path, std::string_view bytes,
                                     const std::vector<std::string>& inputs = {});

}  // namespace pirolex
