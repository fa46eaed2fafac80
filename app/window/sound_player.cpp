#include "sound_player.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QEventLoop>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <climits>

namespace pirolex {

namespace {

// Waits for the end of the file. The local loop delivers the player's own events but no mouse
// or key input, so the window takes no input while the sound plays.
class PlaybackWait {
public:
    static constexpr qint64 kMarginMs = 5000;

    PlaybackWait(QMediaPlayer& player, int timeoutMs) {
        safety_.setSingleShot(true);
        QObject::connect(&safety_, &QTimer::timeout, &loop_, [this] { Finish(); });
        QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &loop_,
                         [this](QMediaPlayer::MediaStatus status) {
                             if (status == QMediaPlayer::EndOfMedia ||
                                 status == QMediaPlayer::InvalidMedia) {
                                 Finish();
                             }
                         });
        QObject::connect(&player, &QMediaPlayer::errorOccurred, &loop_,
                         [this](QMediaPlayer::Error, const QString& text) {
                             error_ = text.isEmpty() ? QStringLiteral("?") : text;
                             Finish();
                         });
        // The backend knows the real length once it has opened the file; the wait is then
        // measured from that moment.
        QObject::connect(&player, &QMediaPlayer::durationChanged, &loop_, [this](qint64 ms) {
            if (ms > 0) safety_.start(static_cast<int>(std::min<qint64>(ms + kMarginMs, INT_MAX)));
        });
        safety_.start(timeoutMs);
    }

    // Returns the error text, empty when the file played.
    QString Run() {
        if (!done_) loop_.exec(QEventLoop::ExcludeUserInputEvents);
        return error_;
    }

private:
    void Finish() {
        done_ = true;  // the end may come before Run starts the loop
        loop_.quit();
    }

    QEventLoop loop_;
    QTimer safety_;
    QString error_;
    bool done_ = false;
};

}  // namespace

QString PlayToEnd(const QString& path, int timeoutMs) {
    if (QMediaDevices::audioOutputs().isEmpty()) return QString::fromUtf8(kNoAudioOutput);
    QMediaPlayer player;
    QAudioOutput output;
    player.setAudioOutput(&output);
    PlaybackWait wait(player, timeoutMs);
    player.setSource(QUrl::fromLocalFile(path));
    player.play();
    const QString error = wait.Run();
    player.stop();
    return error;
}

}  // namespace pirolex
