#pragma once
// A real, really small file system for the saves: a 64 KiB tmpfs mounted on a fresh folder,
// filled up to a few bytes. Mounting needs root (CI runs as root); elsewhere Mounted() is false
// and the test skips with Why(). Header only.
//
//   testsupport::SmallDisk disk("pirolex_full_");
//   if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
//   disk.Put("old.png", old);
//   disk.FillLeaving(4096);

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace testsupport {

class SmallDisk {
public:
    explicit SmallDisk(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
        if (::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") == 0)
            mounted_ = true;
        else
            why_ = std::string("no small file system to fill: mounting a tmpfs needs root (") +
                   std::strerror(errno) + ")";
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Why() const { return why_; }
    const std::filesystem::path& Path() const { return path_; }

    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    // A filler file takes all the space, then gives back `free` bytes (whole pages).
    void FillLeaving(off_t free) const {
        const std::string filler = (path_ / "filler").string();
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string page(4096, 'f');
        off_t size = 0;
        for (ssize_t n; (n = ::write(fd, page.data(), page.size())) > 0;) size += n;
        if (::ftruncate(fd, size > free ? size - free : 0) != 0) size = 0;
        ::close(fd);
    }

private:
    std::filesystem::path path_;
    bool mounted_ = false;
    std::string why_;
};

}  // namespace testsupport
