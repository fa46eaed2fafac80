#include "window_fixture.h"

#include "audio_decoder.h"
#include "wav_writer.h"

#include <cmath>

namespace pirolex::testing {

WindowSeams FakeSeams::Make() {
    WindowSeams seams;
    seams.decoder = &DecodeFile;
    seams.chooseFile = [this](QWidget*) -> std::optional<std::string> {
        ++dialogs;
        if (choices.empty()) return std::nullopt;
        std::optional<std::string> answer = choices.front();
        choices.pop_front();
        return answer;
    };
    seams.chooseSaveFile = [this](QWidget*, const QString& suggested) -> std::optional<std::string> {
        saveSuggestions.push_back(suggested);
        if (saveChoices.empty()) return std::nullopt;
        std::optional<std::string> answer = saveChoices.front();
        saveChoices.pop_front();
        return answer;
    };
    seams.chooseListFile = [this](QWidget*, const QString& suggested) -> std::optional<ListFileChoice> {
        saveSuggestions.push_back(suggested);
        if (saveChoices.empty()) return std::nullopt;
        std::optional<std::string> answer = saveChoices.front();
        saveChoices.pop_front();
        if (!answer) return std::nullopt;
        return ListFileChoice{*answer, listGerman};
    };
    seams.chooseTakeFile = seams.chooseSaveFile;
    seams.inputDevices = [this] { return inputs ? inputs() : nullptr; };
    seams.showMessage = [this](QWidget*, MessageKind kind, const QString& text) {
        messages.push_back({kind, text});
    };
    seams.choosePrinter = [this](QWidget*, QPrinter& printer) {
        ++printDialogs;
        if (!printerSetup) return false;
        printerSetup(printer);
        return true;
    };
    seams.play = [this](const QString& path, int timeoutMs) {
        played.emplace_back(path, timeoutMs);
        return playResult;
    };
    seams.pause = [this](int ms) {
        pauses.push_back(ms);
        if (duringPause) duringPause(static_cast<int>(pauses.size()));
    };
    seams.exitProcess = [this] { ++exits; };
    return seams;
}

std::vector<QString> FakeSeams::Errors() const {
    std::vector<QString> texts;
    for (const Message& m : messages) {
        if (m.kind == MessageKind::Error) texts.push_back(m.text);
    }
    return texts;
}

TPirolex& WindowTest::Create() {
    window_ = std::make_unique<TPirolex>(fake_.Make());
    return *window_;
}

TPirolex& WindowTest::Start(std::deque<std::optional<std::string>> choices) {
    fake_.choices = std::move(choices);
    Create();
    window_->FormCreate();
    return *window_;
}

void WindowTest::Load(std::optional<std::string> choice) {
    fake_.choices = {std::move(choice)};
    window_->ToolButton1Click();
}

namespace {

// A steady tone per channel, so every spectrogram line has a peak to draw.
double Tone(size_t frame, int channel, uint32_t rate) {
    const double f = channel == 0 ? 1000.0 : 1500.0;
    return 12000.0 * std::sin(2.0 * M_PI * f * static_cast<double>(frame) / rate);
}

}  // namespace

std::string StereoFile(const std::string& name, uint32_t rate, size_t frames) {
    const testwav::Format format{.bits = 16, .channels = 2, .rate = rate};
    return testwav::WriteTempFile(
        testwav::MakeWavFn(format, frames, [rate](size_t i, int c) { return Tone(i, c, rate); }),
        name);
}

std::string MonoFile(const std::string& name, uint32_t rate, size_t frames) {
    const testwav::Format format{.bits = 16, .channels = 1, .rate = rate};
    return testwav::WriteTempFile(
        testwav::MakeWavFn(format, frames, [rate](size_t i, int c) { return Tone(i, c, rate); }),
        name);
}

}  // namespace pirolex::testing
