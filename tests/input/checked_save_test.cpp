// The one checked save every file goes through: a failure never leaves a cut or lost file, and a
// save never replaces what it must not.
#include "checked_save.h"
#include "small_disk.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pirolex {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

mode_t Mode(const fs::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

size_t Entries(const fs::path& folder) { return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {})); }

const std::string kOld = "the old file, byte for byte";
const std::string kNew(20000, 'n');

// Each case builds one target beside an old file "in.wav" the command reads.
TEST(CheckedSave, RefusesWhatItMustNotReplace) {
    const testsupport::WorkFolder folder("pirolex_refused_");
    const fs::path in = folder.Path() / "in.wav";
    const struct {
        const char* name;
        void (*make)(const fs::path& target, const fs::path& in);
        ErrorCode code;
        int detail;
    } cases[] = {
        {"the input itself", [](const fs::path&, const fs::path&) {}, ErrorCode::kOutputIsInput, 0},
        {"link to input", [](const fs::path& t, const fs::path& i) { fs::create_symlink(i, t); },
         ErrorCode::kOutputIsInput, 0},
        {"hard link", [](const fs::path& t, const fs::path& i) { fs::create_hard_link(i, t); },
         ErrorCode::kOutputIsInput, 0},
        {"folder", [](const fs::path& t, const fs::path&) { fs::create_directory(t); }, ErrorCode::kNotRegularFile, 1},
        {"device", [](const fs::path& t, const fs::path&) { fs::create_symlink("/dev/null", t); },
         ErrorCode::kNotRegularFile, 0},
        {"link loop", [](const fs::path& t, const fs::path&) { fs::create_symlink(t, t); }, ErrorCode::kIoError, ELOOP},
        {"write-protected",
         [](const fs::path& t, const fs::path&) {
             Put(t, kOld);
             fs::permissions(t, fs::perms::owner_read | fs::perms::group_read);
         },
         ErrorCode::kWriteProtected, 0},
    };
    for (const auto& c : cases) {
        Put(in, kOld);
        const fs::path target = std::string(c.name) == "the input itself" ? in : folder.Path() / c.name;
        c.make(target, in);
        const size_t before = Entries(folder.Path());
        const std::optional<Failure> failure = SaveWholeFile(target.string(), kNew, {in.string()});
        ASSERT_TRUE(failure.has_value()) << c.name;
        EXPECT_EQ(failure->Code(), c.code) << c.name << ": " << failure->what();
        EXPECT_EQ(failure->Detail(), c.detail) << c.name;
        EXPECT_EQ(Read(in), kOld) << c.name;
        EXPECT_EQ(Entries(folder.Path()), before) << c.name << ": a temporary file stayed";
    }
    EXPECT_EQ(Read(folder.Path() / "write-protected"), kOld);
}

TEST(CheckedSave, ALinkKeepsPointingAtTheSavedFile) {
    const testsupport::WorkFolder folder("pirolex_link_");
    Put(folder.Path() / "real.png", kOld);
    fs::create_symlink("real.png", folder.Path() / "link.png");
    ASSERT_FALSE(SaveWholeFile((folder.Path() / "link.png").string(), kNew).has_value());
    EXPECT_TRUE(fs::is_symlink(folder.Path() / "link.png"));
    EXPECT_EQ(Read(folder.Path() / "real.png"), kNew);
}

// The longest name the folder takes is still saved: the temporary name does not grow with it.
TEST(CheckedSave, TheLongestNameIsSaved) {
    const testsupport::WorkFolder folder("pirolex_long_");
    const fs::path target = folder.Path() / (std::string(251, 'a') + ".wav");
    ASSERT_FALSE(SaveWholeFile(target.string(), kNew).has_value());
    EXPECT_EQ(Read(target), kNew);
    EXPECT_EQ(Entries(folder.Path()), 1u);
}

TEST(CheckedSave, KeepsTheOldModeAndGivesANewFileTheUmask) {
    const testsupport::WorkFolder folder("pirolex_mode_");
    const mode_t umask = ::umask(077);
    const fs::path fresh = folder.Path() / "fresh.wav";
    const std::optional<Failure> freshFailure = SaveWholeFile(fresh.string(), kNew);
    ::umask(022);
    const fs::path shared = folder.Path() / "shared.wav";
    Put(shared, kOld);
    ::chmod(shared.c_str(), 0664);
    const std::optional<Failure> sharedFailure = SaveWholeFile(shared.string(), kNew);
    ::umask(umask);
    ASSERT_FALSE(freshFailure.has_value());
    ASSERT_FALSE(sharedFailure.has_value());
    EXPECT_EQ(Mode(fresh), 0600u);
    EXPECT_EQ(Mode(shared), 0664u);
}

// Past the limit the kernel would end the process with SIGXFSZ, leaving its temporary file.
TEST(CheckedSave, AFileSizeLimitLeavesTheOldFileAndNoTemporaryOne) {
    const testsupport::WorkFolder folder("pirolex_fsize_");
    const fs::path target = folder.Path() / "take.wav";
    Put(target, kOld);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<Failure> failure = SaveWholeFile(target.string(), kNew);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Detail(), EFBIG);
    EXPECT_EQ(Read(target), kOld);
    EXPECT_EQ(Entries(folder.Path()), 1u);
}

// A really full disk, with nothing and with a page or two left: never a short file.
TEST(CheckedSave, AFullDiskKeepsTheOldFile) {
    for (off_t free : {0, 4096, 8192}) {
        testsupport::SmallDisk disk("pirolex_full_");
        if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
        disk.Put("old.png", kOld);
        disk.FillLeaving(free);
        const std::optional<Failure> failure = SaveWholeFile((disk.Path() / "old.png").string(), kNew);
        ASSERT_TRUE(failure.has_value()) << free;
        EXPECT_EQ(failure->Detail(), ENOSPC) << free;
        EXPECT_EQ(disk.Read("old.png"), kOld) << free;
        EXPECT_EQ(disk.Names().size(), 2u) << free << ": a temporary file stayed";
    }
}

}  // namespace
}  // namespace pirolex
