#pragma once
// A window built with fake seams: the open and save dialogs answer from queues, message boxes,
// print dialogs, playback, pauses and exits are recorded instead of shown or performed.

#include "main_window.h"
#include "measurement_panel.h"
#include "pass_panel.h"
#include "search_wait.h"
#include "window_seams.h"

#include <gtest/gtest.h>

#include <QString>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pirolex::testing {

struct Message {
    MessageKind kind;
    QString text;
};

struct FakeSeams {
    // Answers of the open dialog in order; once empty, the dialog is cancelled.
    std::deque<std::optional<std::string>> choices;
    int dialogs = 0;
    // Answers of the save dialog in order; once empty, it is cancelled. The names it offered.
    std::deque<std::optional<std::string>> saveChoices;
    std::vector<QString> saveSuggestions;
    // The list's save dialog: its second file type, the German spreadsheet's, chosen.
    bool listGerman = false;
    std::vector<Message> messages;
    // The print dialog: set up the printer and confirm, or leave empty to cancel.
    std::function<void(QPrinter&)> printerSetup;
    int printDialogs = 0;
    std::vector<std::pair<QString, int>> played;  // path and time-out
    QString playResult;
    std::vector<int> pauses;
    // What the user does while the 1D animation waits: called with the pause's number, from 1.
    std::function<void(int)> duringPause;
    int exits = 0;
    // The sound inputs "Live" finds; none when unset.
    std::function<std::unique_ptr<InputDevices>()> inputs;

    WindowSeams Make();
    std::vector<QString> Errors() const;
};

class WindowTest : public ::testing::Test {
protected:
    // Builds the window without starting it.
    TPirolex& Create();
    // Builds it and runs start-up with the given answers of the open dialog.
    TPirolex& Start(std::deque<std::optional<std::string>> choices = {});
    // Runs the load command with one answer of the open dialog.
    void Load(std::optional<std::string> choice);
    // Until the pass search started by a click has ended and shows its result.
    void WaitForSearch() { EXPECT_TRUE(testsupport::WaitForSearch(*window_)) << "the search did not end"; }

    TPirolex& Window() { return *window_; }
    const WindowUi& Ui() { return window_->Ui(); }
    WindowState& State() { return window_->State(); }

    FakeSeams fake_;
    std::unique_ptr<TPirolex> window_;
};

// Short WAV files written for the tests.
std::string StereoFile(const std::string& name, uint32_t rate = 8000, size_t frames = 4000);
std::string MonoFile(const std::string& name, uint32_t rate = 8000, size_t frames = 4000);

}  // namespace pirolex::testing
