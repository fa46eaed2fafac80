#pragma once
// A folder of files a test binary makes, named after the process and removed when it ends.
// Header only.
//
//   static const testsupport::WorkFolder folder("pirolex_decoder_");
//   Make(folder.Path() / "tone.flac");

#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace testsupport {

class WorkFolder {
public:
    explicit WorkFolder(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace testsupport
