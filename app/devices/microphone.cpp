#include "microphone.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

namespace pirolex {

namespace {

// A running device delivers every few tens of milliseconds; this long without a byte, it is gone
// even where the system did not say so.
constexpr std::chrono::seconds kSilentDeviceTimeout{5};
// The stream handles mono and stereo; a device with more channels is heard on its first two.
constexpr int kMaxChannels = 2;

void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "pirolex";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    new QCoreApplication(argc, argv);
}

QList<QAudioDevice> InputsDefaultFirst() {
    QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const QAudioDevice preferred = QMediaDevices::defaultAudioInput();
    std::stable_partition(inputs.begin(), inputs.end(), [&](const QAudioDevice& d) { return d == preferred; });
    return inputs;
}

// The format asked of the device: its own rate, at most two channels, 16-bit where it offers it.
QAudioFormat ChosenFormat(const QAudioDevice& device) {
    QAudioFormat format = device.preferredFormat();
    format.setChannelCount(std::clamp(format.channelCount(), 1, kMaxChannels));
    QAudioFormat int16 = format;
    int16.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(int16)) return int16;
    if (!device.isFormatSupported(format)) format = device.preferredFormat();
    return format;
}

int16_t ToInt16(const char* sample, QAudioFormat::SampleFormat format) {
    switch (format) {
    case QAudioFormat::UInt8: return static_cast<int16_t>((static_cast<uint8_t>(*sample) - 128) * 256);
    case QAudioFormat::Int16: {
        int16_t v;
        std::memcpy(&v, sample, sizeof v);
        return v;
    }
    case QAudioFormat::Int32: {
        int32_t v;
        std::memcpy(&v, sample, sizeof v);
        return static_cast<int16_t>(v >> 16);
    }
    case QAudioFormat::Float: {
        float v;
        std::memcpy(&v, sample, sizeof v);
        return static_cast<int16_t>(std::clamp(v * 32768.0f, -32768.0f, 32767.0f));
    }
    default: return 0;
    }
}

// One device listened to on a thread of its own, whose event loop runs Qt's capture; Pull waits
// for what that thread queued.
class Microphone : public SampleSource {
public:
    explicit Microphone(const QAudioDevice& device) : device_(device), format_(ChosenFormat(device)) {
        channels_ = std::min(format_.channelCount(), kMaxChannels);
        context_.moveToThread(&thread_);
        thread_.start();
        QMetaObject::invokeMethod(&context_, [this] { Start(); }, Qt::BlockingQueuedConnection);
    }

    ~Microphone() override {
        QMetaObject::invokeMethod(&context_, [this] { Stop(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

    int32_t SampleRate() const override { return format_.sampleRate(); }
    int32_t ChannelCount() const override { return channels_; }

    SourceState Pull(int64_t maxFrames, SourceBlock& block) override {
        std::unique_lock lock(mutex_);
        const bool arrived = arrived_.wait_for(lock, kSilentDeviceTimeout, [&] { return !queue_.empty() || lost_; });
        block.channels.assign(static_cast<size_t>(channels_), {});
        if (queue_.empty()) {
            block.channels.clear();
            return lost_ || !arrived ? SourceState::kLost : SourceState::kEnded;
        }
        const size_t frames = std::min<size_t>(queue_.size() / static_cast<size_t>(channels_),
                                               static_cast<size_t>(std::max<int64_t>(maxFrames, 1)));
        for (auto& channel : block.channels) channel.reserve(frames);
        for (size_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels_; ++c) {
                block.channels[static_cast<size_t>(c)].push_back(queue_.front());
                queue_.pop_front();
            }
        return SourceState::kFrames;
    }

private:
    // On the device's thread.
    void Start() {
        audio_ = new QAudioSource(device_, format_, &context_);
        devices_ = new QMediaDevices(&context_);
        QObject::connect(audio_, &QAudioSource::stateChanged, &context_, [this](QAudio::State state) {
            if (state == QAudio::StoppedState && audio_->error() != QAudio::NoError) Lose();
        });
        QObject::connect(devices_, &QMediaDevices::audioInputsChanged, &context_, [this] {
            if (!QMediaDevices::audioInputs().contains(device_)) Lose();
        });
        io_ = audio_->start();
        if (!io_) {
            Lose();
            return;
        }
        QObject::connect(io_, &QIODevice::readyRead, &context_, [this] { Read(); });
    }

    void Stop() {
        if (audio_) audio_->stop();
        delete audio_;
        delete devices_;
        audio_ = nullptr;
        devices_ = nullptr;
    }

    void Read() {
        const QByteArray bytes = io_->readAll();
        const int sampleBytes = format_.bytesPerSample();
        const int frameBytes = format_.bytesPerFrame();
        if (sampleBytes <= 0 || frameBytes <= 0) return;
        pendingBytes_.append(bytes);
        const qsizetype frames = pendingBytes_.size() / frameBytes;
        {
            const std::lock_guard lock(mutex_);
            for (qsizetype f = 0; f < frames; ++f)
                for (int c = 0; c < channels_; ++c)
                    queue_.push_back(ToInt16(pendingBytes_.constData() + f * frameBytes + c * sampleBytes,
                                             format_.sampleFormat()));
        }
        pendingBytes_.remove(0, frames * frameBytes);
        arrived_.notify_all();
    }

    void Lose() {
        {
            const std::lock_guard lock(mutex_);
            lost_ = true;
        }
        arrived_.notify_all();
    }

    QAudioDevice device_;
    QAudioFormat format_;
    int channels_ = 1;
    QThread thread_;
    QObject context_;
    QAudioSource* audio_ = nullptr;
    QMediaDevices* devices_ = nullptr;
    QIODevice* io_ = nullptr;
    QByteArray pendingBytes_;

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<int16_t> queue_;
    bool lost_ = false;
};

class QtInputDevices : public InputDevices {
public:
    std::vector<std::string> Names() override {
        EnsureApplication();
        std::vector<std::string> names;
        for (const QAudioDevice& device : InputsDefaultFirst()) names.push_back(device.description().toStdString());
        return names;
    }

    std::unique_ptr<SampleSource> Open(const std::string& name) override {
        EnsureApplication();
        for (const QAudioDevice& device : InputsDefaultFirst()) {
            if (device.description().toStdString() != name) continue;
            // A device that names no usable format cannot be listened to.
            const QAudioFormat format = ChosenFormat(device);
            if (!format.isValid() || format.sampleRate() <= 0) return nullptr;
            return std::make_unique<Microphone>(device);
        }
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<InputDevices> SystemInputDevices() { return std::make_unique<QtInputDevices>(); }

}  // namespace pirolex
