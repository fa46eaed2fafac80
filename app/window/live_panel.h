#pragma once
// Listening live: the tool button "Live", the input to listen to (a list where there is a
// choice), the level meter in the status bar, "Aufnahme speichern", the listener and the rolling
// picture. It hands up each line, each pass and the end of the take as values; what listening
// leaves is a StoppedTake (the recording and its passes), which the window adopts as any loaded
// recording.

#include "live_listener.h"
#include "rolling_picture.h"

#include <QSize>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QProgressBar;
class QPushButton;
class QToolButton;
class QWidget;

namespace pirolex {

class InputDevices;
class PanelStatusBar;
class RollingPicture;

class LivePanel {
public:
    // The button and the input list in the tool bar, the meter in the status bar; the inputs
    // handed in (none: the button stays off and says why).
    LivePanel(QToolButton* button, QWidget* toolBar, PanelStatusBar* status, std::unique_ptr<InputDevices> inputs);
    ~LivePanel();

    QToolButton* Button() const { return button_; }
    QComboBox* InputBox() const { return inputBox_; }
    QProgressBar* LevelMeter() const { return levelMeter_; }
    QPushButton* SaveTakeButton() const { return saveTake_; }

    bool HasInput() const;
    bool Listening() const { return listener_ != nullptr; }
    const RollingPicture* Rolling() const { return rolling_.get(); }

    // Starts on the chosen input with a rolling picture of the plot's size; false when the input
    // cannot be opened.
    bool Start(double temperatureC, QSize plot);
    // Stops and hands over the take.
    StoppedTake Stop();
    // The plot changed its size: the rolling picture starts anew at the new one.
    void Resize(QSize plot);
    // The take so far as WAV, while listening.
    std::optional<Failure> Save(const std::string& path);
    // "Aufnahme speichern" usable while there is a take to write: listening, or `takeShown`.
    void ShowSave(bool takeShown);

    std::function<void()> lineAdded;
    std::function<void(const FlybyPass& pass)> passHeard;
    std::function<void(bool lost, double seconds)> ended;

private:
    QToolButton* button_;
    QComboBox* inputBox_;
    QProgressBar* levelMeter_;
    QPushButton* saveTake_;
    PanelStatusBar* status_;
    std::unique_ptr<InputDevices> inputs_;
    std::unique_ptr<LiveListener> listener_;
    std::unique_ptr<RollingPicture> rolling_;
    RollingLayout layout_;
};

}  // namespace pirolex
