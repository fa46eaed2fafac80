#pragma once
// Seams for a window that a test drives for a long time: nothing blocks, sleeps, plays or prints
// unless the test asks for it, and every message is kept for the checks.

#include "main_window.h"
#include "window_seams.h"

#include <QString>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pirolex::session {

struct SinkMessage {
    MessageKind kind;
    QString text;
};

struct SessionSeams {
    // Answers of the open dialog in order; once empty, the dialog is cancelled.
    std::deque<std::optional<std::string>> choices;
    std::vector<SinkMessage> messages;
    // The print dialog confirms and prints to this PDF file when set, else it is cancelled.
    std::optional<std::filesystem::path> pdf;
    int printDialogs = 0;
    // The picture's save dialog answers with this path when set, else it is cancelled.
    std::optional<std::filesystem::path> png;
    std::vector<QString> suggestedNames;
    // What the fake player answers; empty means the file played.
    QString playResult;
    std::vector<QString> played;
    // When set, the real player is used instead (only where there is no sound output).
    bool realPlayer = false;
    int pauses = 0;
    int exits = 0;

    WindowSeams Make();
};

// The errors the program itself reports: the run-time texts of its checked arithmetic, the
// reader's texts (with any format numbers) and the open errors. Anything else that reaches the
// message sink is a fault: an exception the program does not know it throws.
bool IsProgramError(const QString& text);

// What a write to a file would change: its bytes, modification and status-change times.
struct FileSnapshot {
    std::vector<char> bytes;
    long long mtimeNs = 0;
    long long ctimeNs = 0;
    unsigned mode = 0;

    static FileSnapshot Take(const std::filesystem::path& path);
    bool operator==(const FileSnapshot&) const = default;
};

// The names in a folder, sorted: a program that writes nothing leaves no new file behind.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

}  // namespace pirolex::session
