// Loading a recording that takes a while, and the span a long recording shows: other formats are
// decoded on a thread of their own while the window keeps painting its progress bar; Esc, the
// button "Abbrechen" or closing the window cancel, and nothing else the user does reaches the
// window meanwhile. A recording longer than a picture holds gets the control "Ausschnitt ab".
#include "main_window.h"

#include "messages.h"
#include "picture_samples.h"
#include "picture_span.h"
#include "recording_file.h"
#include "input_hold.h"
#include "widgets.h"

#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <thread>

namespace pirolex {

namespace {

constexpr int kProgressIntervalMs = 50;
constexpr int kSpanLabelIndent = 2;  // from the plot's left edge
constexpr int kSpanEditIndent = 80;
constexpr int kSpanBelowRow = 4;  // the spin box's top, below the band's row
constexpr int kSpanLengthGap = 8;  // between "Ausschnitt ab" and "Länge"
constexpr int kSpanLengthWidth = 72;
constexpr int kCancelWidth = 75;
constexpr int kCancelGap = 6;  // between the button and the progress bar

// A shortcut is no widget's input, so the guard does not see it: a key that opened a dialog
// during the load would leave it waiting for input the guard keeps away. The keys are off until
// the load ends, however it ends; Ctrl+Q, which ends the program, stays.
class KeysOff {
public:
    explicit KeysOff(const std::vector<QShortcut*>& keys) : keys_(keys) {
        for (QShortcut* key : keys_) key->setEnabled(false);
    }
    ~KeysOff() {
        for (QShortcut* key : keys_) key->setEnabled(true);
    }
    KeysOff(const KeysOff&) = delete;
    KeysOff& operator=(const KeysOff&) = delete;

private:
    const std::vector<QShortcut*>& keys_;
};

}  // namespace

// WAV files are read as they always were, in one go; they need no decoding.
RecordingFile TPirolex::ReadWithProgress(const std::string& path) {
    if (IsWavPath(path)) return ReadRecordingFile(path);
    std::atomic<bool> cancel{false};
    std::atomic<int> percent{0};
    RecordingFile file;
    QEventLoop loop;
    // A debounce that falls due would redraw the old recording while the new one loads.
    const int due = timer1_.isActive() ? timer1_.remainingTime() : -1;
    timer1_.stop();
    InputHold guard(ui_.CancelButton, cancel);
    const KeysOff keysOff(commandKeys_);
    const QMetaObject::Connection cancelled =
        connect(ui_.CancelButton, &QPushButton::clicked, this, [&cancel] { cancel = true; });
    ui_.Gauge1->SetProgress(0);
    ui_.Gauge1->show();
    ui_.CancelButton->show();
    QTimer progress;
    connect(&progress, &QTimer::timeout, this, [this, &percent] {
        ui_.Gauge1->SetProgress(percent);
        ui_.Gauge1->repaint();
    });
    progress.start(kProgressIntervalMs);
    std::thread worker([&] {
        try {
            file = ReadRecordingFile(path, [&](double fraction) {
                percent = static_cast<int>(fraction * 100.0);
                return !cancel;
            });
        } catch (const std::bad_alloc&) {
            file.error = Failure(ErrorCode::kTooLong);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // The loop also ends when the program is told to quit (Ctrl+Q): the decode stops rather than
    // keeping the program alive until it is done.
    cancel = true;
    worker.join();
    progress.stop();
    disconnect(cancelled);
    ui_.CancelButton->hide();
    ui_.Gauge1->hide();
    if (!file.Ok() && due >= 0) timer1_.start(due);
    return file;
}

void TPirolex::BuildSpanControls() {
    ui_.SpanLabel = new QLabel(QString::fromUtf8(texts::kSpanCaption), this);
    ui_.SpanLabel->adjustSize();
    ui_.SpanEdit = new TypedDoubleSpinBox(this);
    ui_.SpanEdit->resize(80, 22);
    ui_.SpanEdit->setLocale(QLocale::c());  // "42.5", as every number the window shows
    ui_.SpanEdit->setDecimals(1);
    ui_.SpanEdit->setSingleStep(0.1);
    ui_.SpanEdit->setSuffix(QStringLiteral(" s"));
    // Typed digits count once the entry is done, not at every key.
    ui_.SpanEdit->setKeyboardTracking(false);
    ui_.SpanEdit->setToolTip(QString::fromUtf8(texts::kSpanHint));
    ui_.SpanLabel->setToolTip(ui_.SpanEdit->toolTip());
    ui_.SpanLabel->hide();
    ui_.SpanEdit->hide();
    connect(ui_.SpanEdit, &QDoubleSpinBox::valueChanged, this, [this] { SpanEditChange(); });

    ui_.SpanLengthLabel = new QLabel(QStringLiteral("Länge"), this);
    ui_.SpanLengthLabel->adjustSize();
    ui_.SpanLengthEdit = new TypedDoubleSpinBox(this);
    ui_.SpanLengthEdit->resize(kSpanLengthWidth, 22);
    ui_.SpanLengthEdit->setLocale(QLocale::c());
    ui_.SpanLengthEdit->setDecimals(1);
    ui_.SpanLengthEdit->setSingleStep(1.0);
    ui_.SpanLengthEdit->setSuffix(QStringLiteral(" s"));
    ui_.SpanLengthEdit->setKeyboardTracking(false);
    ui_.SpanLengthEdit->setToolTip(QStringLiteral("Länge des Ausschnitts, den die Grafik zeigt (Strg+Mausrad)"));
    ui_.SpanLengthLabel->setToolTip(ui_.SpanLengthEdit->toolTip());
    ui_.SpanLengthLabel->hide();
    ui_.SpanLengthEdit->hide();
    connect(ui_.SpanLengthEdit, &QDoubleSpinBox::valueChanged, this, [this] { SpanLengthEditChange(); });

    ui_.CancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    ui_.CancelButton->setToolTip(QStringLiteral("Laden abbrechen (Esc)"));
    ui_.CancelButton->hide();
    PlaceLoadControls();
}

// The span's control under the band's row, which follows the plot's height; the cancel button
// left of the progress bar, which follows the window's width.
void TPirolex::PlaceLoadControls() {
    const int top = ui_.BandRow->geometry().bottom() + 1 + kSpanBelowRow;
    const int left = ui_.Image1->x();
    ui_.SpanEdit->move(left + kSpanEditIndent, top);
    ui_.SpanLabel->move(left + kSpanLabelIndent,
                        top + (ui_.SpanEdit->height() - ui_.SpanLabel->height()) / 2);
    const int lengthLabelLeft = ui_.SpanEdit->geometry().right() + 1 + kSpanLengthGap;
    ui_.SpanLengthLabel->move(lengthLabelLeft, top + (ui_.SpanEdit->height() - ui_.SpanLengthLabel->height()) / 2);
    ui_.SpanLengthEdit->move(lengthLabelLeft + ui_.SpanLengthLabel->width() + 4, top);
    ui_.CancelButton->setGeometry(ui_.Gauge1->x() - kCancelGap - kCancelWidth, ui_.Gauge1->y() - 2,
                                  kCancelWidth, ui_.Gauge1->height() + 4);
}

// After a load: for a long recording the control shows, its range the recording's, its value
// the session's span (around the loudest moment); without its handler, as the load recomputes
// itself.
void TPirolex::ShowSpanControl() {
    const PictureSession& session = state_->session;
    const Recording& recording = session.GetRecording();
    const bool needed = NeedsSpan(recording, session.SpanFrames());
    const QSignalBlocker quiet(ui_.SpanEdit);
    ui_.SpanEdit->setRange(0.0, LatestSpanStart(recording, session.SpanFrames()));
    ui_.SpanEdit->setValue(session.SpanStartSeconds());
    ui_.SpanLabel->setVisible(needed);
    ui_.SpanEdit->setVisible(needed);
    // "Länge" from 2 s up to the whole recording, once there is more than 2 s to choose from.
    const bool zoomable = recording.Seconds() > kShortestSpanSeconds;
    const QSignalBlocker quietLength(ui_.SpanLengthEdit);
    ui_.SpanLengthEdit->setRange(kShortestSpanSeconds, std::max(kShortestSpanSeconds, std::ceil(recording.Seconds() * 10.0) / 10.0));
    ui_.SpanLengthEdit->setValue(static_cast<double>(ShownFrames(recording, session.SpanFrames())) /
                                 std::max(recording.sampleRate, 1));
    ui_.SpanLengthLabel->setVisible(zoomable);
    ui_.SpanLengthEdit->setVisible(zoomable);
}

// Panel 4: the filter count, and after it the span when the picture shows only part.
void TPirolex::ShowFilterPanel() {
    const WindowState& state = *state_;
    const Recording& recording = state.session.GetRecording();
    std::string text = texts::FilterCountPanel(state.filterCount);
    if (NeedsSpan(recording, state.session.SpanFrames()))
        text += ", " + texts::SpanPanel(state.session.SpanFirst(), state.session.SpanFrames(), recording.sampleRate);
    ui_.StatusBar1->SetPanelText(4, QString::fromStdString(text));
}

void TPirolex::SpanEditChange() {
    state_->session.SetSpanStart(ui_.SpanEdit->value());
    trigger();
}

// A new length keeps the middle of what is shown where it was, as far as the recording allows.
void TPirolex::SpanLengthEditChange() {
    PictureSession& session = state_->session;
    const Recording& recording = session.GetRecording();
    if (!state_->fileLoaded || recording.sampleRate <= 0) return;
    const double rate = recording.sampleRate;
    const double middle = (static_cast<double>(session.SpanFirst()) +
                           static_cast<double>(ShownFrames(recording, session.SpanFrames())) / 2) / rate;
    session.SetSpanLength(ui_.SpanLengthEdit->value());
    const double shown = static_cast<double>(ShownFrames(recording, session.SpanFrames())) / rate;
    session.SetSpanStart(std::clamp(std::round((middle - shown / 2) * 10.0) / 10.0, 0.0,
                                    LatestSpanStart(recording, session.SpanFrames())));
    ShowSpanControl();
    trigger();
}

// Strg and the wheel over the plot: a notch makes the span a fifth shorter (away from the user)
// or longer.
void TPirolex::Image1ZoomWheel(int notches) {
    if (!state_->fileLoaded || !ui_.SpanLengthEdit->isVisible()) return;
    constexpr double kNotchFactor = 1.25;
    ui_.SpanLengthEdit->setValue(ui_.SpanLengthEdit->value() * std::pow(kNotchFactor, -notches));
}

}  // namespace pirolex
