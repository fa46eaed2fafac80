// A recording is only ever read. A file marked read-only and a file in a read-only folder go
// through load, recompute, play, print and picture saving (both to files elsewhere), a reload and
// a drop onto the window, and come out with the same bytes, times and mode, and with no new file
// beside them. Root ignores the permission bits, so the comparison itself is the check; the bits
// are set all the same, as a user would have them.
#include "session_files.h"
#include "session_seams.h"

#include "sound_player.h"
#include "widgets.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QRadioButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace pirolex::session {
namespace {

namespace fs = std::filesystem;

struct ReadOnlyCase {
    const char* name;
    const char* folder;  // below the test's folder
    fs::perms filePerms;
    fs::perms folderPerms;
};

void PrintTo(const ReadOnlyCase& c, std::ostream* os) { *os << c.name; }

class NothingWritten : public ::testing::TestWithParam<ReadOnlyCase> {};

constexpr fs::perms kReadOnlyFile =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kReadOnlyFolder =
    kReadOnlyFile | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
constexpr fs::perms kWritableFile = kReadOnlyFile | fs::perms::owner_write;
constexpr fs::perms kWritableFolder = kReadOnlyFolder | fs::perms::owner_write;

TEST_P(NothingWritten, EveryCommandLeavesTheRecordingAsItWas) {
    const ReadOnlyCase& c = GetParam();
    TempFolder root("pirolex_readonly");
    TempFolder printouts("pirolex_printouts");
    const fs::path folder = root.Path() / c.folder;
    fs::create_directories(folder);
    const fs::path wav = folder / "flyby.wav";
    WriteFile(wav, FlybyWav(16, 2, 22050, 20000));
    fs::permissions(wav, c.filePerms);
    fs::permissions(folder, c.folderPerms);
    const FileSnapshot before = FileSnapshot::Take(wav);
    const std::vector<std::string> entries = FolderEntries(folder);
    ASSERT_FALSE(before.bytes.empty());

    SessionSeams seams;
    seams.choices = {wav.string()};
    // The real player where it cannot make a sound; the stand-in elsewhere.
    seams.realPlayer = QMediaDevices::audioOutputs().isEmpty();
    seams.pdf = printouts.Path() / "window.pdf";
    seams.png = printouts.Path() / "plot.png";
    auto window = std::make_unique<TPirolex>(seams.Make());
    window->FormCreate();
    ASSERT_TRUE(window->State().fileLoaded) << c.name;
    ASSERT_TRUE(seams.messages.empty()) << seams.messages.front().text.toStdString();

    const WindowUi& ui = window->Ui();
    ui.ToolButton3->click();                 // recompute
    ui.KanalRadioGroup->Button(2)->click();  // both channels
    ui.GrafikRadio->Button(2)->click();      // 1D
    window->Image1MouseDown(Qt::LeftButton, 120, 100);
    ui.ToolButton2->click();     // play
    ui.ToolButton4->click();     // print
    ui.ToolButton7->click();     // save the picture
    window->ToolButton1Click();  // a cancelled dialog loads the same file again
    window->FormDropFiles(wav.string());
    window->Timer1Timer();

    EXPECT_EQ(seams.played.size(), 1u);
    EXPECT_EQ(seams.printDialogs, 1);
    EXPECT_GT(fs::file_size(*seams.pdf), 0u) << "the printout";
    EXPECT_GT(fs::file_size(*seams.png), 0u) << "the picture";
    ASSERT_EQ(seams.suggestedNames.size(), 1u);
    EXPECT_NE(seams.suggestedNames[0].toStdString(), wav.string()) << "never over the recording";
    for (const SinkMessage& m : seams.messages)
        EXPECT_EQ(m.text, QString::fromUtf8(kNoAudioOutput)) << "only the missing sound output";
    EXPECT_TRUE(window->State().fileLoaded);

    const FileSnapshot after = FileSnapshot::Take(wav);
    EXPECT_TRUE(after.bytes == before.bytes) << c.name << ": bytes changed";
    EXPECT_EQ(after.mtimeNs, before.mtimeNs) << c.name << ": modification time changed";
    EXPECT_EQ(after.ctimeNs, before.ctimeNs) << c.name << ": status change time changed";
    EXPECT_EQ(after.mode, before.mode) << c.name << ": mode changed";
    EXPECT_EQ(FolderEntries(folder), entries) << c.name << ": files appeared beside the recording";
}

INSTANTIATE_TEST_SUITE_P(Recordings, NothingWritten,
                         ::testing::Values(ReadOnlyCase{"read-only file", "plain", kReadOnlyFile,
                                                        kWritableFolder},
                                           ReadOnlyCase{"file in a read-only folder", "locked",
                                                        kWritableFile, kReadOnlyFolder}),
                         [](const ::testing::TestParamInfo<ReadOnlyCase>& info) {
                             return std::string(info.param.folder);
                         });

}  // namespace
}  // namespace pirolex::session
