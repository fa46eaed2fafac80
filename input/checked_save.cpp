#include "checked_save.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pirolex {

namespace {

Failure WriteFailure(int error) {
    if (error == EACCES || error == EPERM) return Failure(ErrorCode::kAccessDenied);
    return Failure(ErrorCode::kIoError, error != 0 ? error : EIO);
}

// The file a link points to, through any number of links; the path itself when it is none, does
// not exist yet, or is a link to nothing (which the save then replaces).
std::variant<std::string, Failure> Resolved(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        if (errno == ENOENT) return path;
        return WriteFailure(errno);
    }
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// Why the file now at target may not be replaced, if it may not.
std::optional<Failure> Refusal(const std::string& target, const struct stat& old,
                               const std::vector<std::string>& inputs) {
    if (S_ISDIR(old.st_mode)) return Failure(ErrorCode::kNotRegularFile, 1);
    if (!S_ISREG(old.st_mode)) return Failure(ErrorCode::kNotRegularFile, 0);
    for (const std::string& input : inputs) {
        struct stat read {};
        if (::stat(input.c_str(), &read) == 0 && read.st_dev == old.st_dev && read.st_ino == old.st_ino)
            return Failure(ErrorCode::kOutputIsInput);
    }
    // Root may write anything, but a file without a write bit was protected on purpose.
    if ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
        return Failure(ErrorCode::kWriteProtected);
    return std::nullopt;
}

// A short name of fixed length, so that a target name at the folder's limit is still saved.
std::string TemporaryName(const std::filesystem::path& folder) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".pirolex-";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return (folder / name).string();
}

// The soft file-size limit: beyond it the kernel would stop the process with SIGXFSZ and leave
// the temporary file behind.
int64_t FileSizeLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return INT64_MAX;
    return static_cast<int64_t>(limit.rlim_cur);
}

// The folder's entry of the renamed file reaches the medium too; a folder that cannot be synced
// (some network file systems) has still got the file.
void SyncFolder(const std::string& target) {
    std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::variant<CheckedSave, Failure> CheckedSave::Begin(const std::string& path, const std::vector<std::string>& inputs) {
    if (path.empty()) return Failure(ErrorCode::kFileNotFound);
    std::variant<std::string, Failure> resolved = Resolved(path);
    if (auto* failure = std::get_if<Failure>(&resolved)) return *failure;
    const std::string target = std::get<std::string>(std::move(resolved));

    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (!replacing && errno != ENOENT) return WriteFailure(errno);
    if (replacing) {
        if (std::optional<Failure> refusal = Refusal(target, old, inputs)) return *refusal;
    }
    std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (folder.empty()) folder = ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temporary = TemporaryName(folder);
        // 0666 and the kernel takes the umask off, as for any new file.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return WriteFailure(errno);
        if (replacing) {
            ::fchmod(fd, old.st_mode & 07777);
            // Only root can give a file away; for anyone else the owner is already theirs.
            if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
                if (::fchown(fd, old.st_uid, old.st_gid) != 0) ::fchmod(fd, old.st_mode & 0777);
        }
        return CheckedSave(fd, std::move(temporary), target);
    }
    return WriteFailure(EEXIST);
}

CheckedSave::CheckedSave(int fd, std::string temporary, std::string target)
    : fd_(fd), temporary_(std::move(temporary)), target_(std::move(target)) {}

CheckedSave::CheckedSave(CheckedSave&& other) noexcept
    : fd_(other.fd_),
      temporary_(std::move(other.temporary_)),
      target_(std::move(other.target_)),
      written_(other.written_),
      error_(other.error_) {
    other.fd_ = -1;
    other.temporary_.clear();
}

CheckedSave::~CheckedSave() { Discard(); }

void CheckedSave::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool CheckedSave::Write(const void* data, size_t size) {
    if (error_ != 0 || fd_ < 0) return false;
    if (static_cast<int64_t>(size) > FileSizeLimit() - written_) {
        error_ = EFBIG;
        return false;
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t done = ::write(fd_, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            error_ = done < 0 ? errno : ENOSPC;
            return false;
        }
        bytes += done;
        size -= static_cast<size_t>(done);
        written_ += done;
    }
    return true;
}

std::optional<Failure> CheckedSave::Commit() {
    if (fd_ < 0 && error_ == 0) error_ = EBADF;
    // What the medium holds, not what the calls said: a file system may accept a write and fail
    // it at the flush.
    if (error_ == 0 && ::fsync(fd_) != 0) error_ = errno;
    struct stat written {};
    if (error_ == 0 && ::fstat(fd_, &written) != 0) error_ = errno;
    if (error_ == 0 && written.st_size != written_) error_ = ENOSPC;
    if (error_ == 0) {
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed != 0) error_ = errno;
    }
    if (error_ == 0 && std::rename(temporary_.c_str(), target_.c_str()) != 0) error_ = errno;
    if (error_ != 0) {
        Discard();
        return WriteFailure(error_);
    }
    temporary_.clear();
    SyncFolder(target_);
    return std::nullopt;
}

std::optional<Failure> SaveWholeFile(const std::string& path, std::string_view bytes,
                                     const std::vector<std::string>& inputs) {
    std::variant<CheckedSave, Failure> save = CheckedSave::Begin(path, inputs);
    if (auto* failure = std::get_if<Failure>(&save)) return *failure;
    CheckedSave& file = std::get<CheckedSave>(save);
    file.Write(bytes);
    return file.Commit();
}

}  // namespace pirolex
