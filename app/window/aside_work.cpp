#include "aside_work.h"

#include "input_hold.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include <new>

namespace pirolex {

namespace {

constexpr int kProgressIntervalMs = 50;

// A shortcut is no widget's input, so the held input does not see it: a key that opened a dialog
// while the window waits would leave the dialog waiting for input that is held back. The keys
// are off until the wait ends, however it ends; Ctrl+Q, which ends the program, stays.
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

void AsideTicket::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(inbox_, std::move(call), Qt::QueuedConnection);
}

AsideWork::AsideWork(QWidget* window, QLabel* display, QPushButton* cancelButton, std::vector<QShortcut*> keys)
    : window_(window), display_(display), cancelButton_(cancelButton), keys_(std::move(keys)) {
    QObject::connect(cancelButton_, &QPushButton::clicked, window_, [this] { Cancel(); });
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), window_);
    escape_->setEnabled(false);
    QObject::connect(escape_, &QShortcut::activated, window_, [this] { Cancel(); });
}

AsideWork::~AsideWork() { Stop(); }

void AsideWork::Begin(const QString& caption, std::function<void(AsideTicket&)> job, std::function<void()> ended) {
    Stop();
    caption_ = caption;
    inbox_ = std::make_unique<QObject>();
    ticket_ = std::make_unique<AsideTicket>(inbox_.get());
    progress_ = std::make_unique<QTimer>();
    QObject::connect(progress_.get(), &QTimer::timeout, window_, [this] { ShowProgress(); });
    progress_->start(kProgressIntervalMs);
    ShowProgress();
    display_->show();
    cancelButton_->show();
    escape_->setEnabled(true);
    AsideTicket* ticket = ticket_.get();
    QObject* inbox = inbox_.get();
    worker_ = std::thread([job = std::move(job), ended = std::move(ended), ticket, inbox] {
        job(*ticket);
        QMetaObject::invokeMethod(inbox, ended, Qt::QueuedConnection);
    });
}

void AsideWork::ShowProgress() {
    if (!ticket_) return;
    display_->setText(caption_ + QStringLiteral(" … %1 %").arg(ticket_->Percent()));
}

void AsideWork::Start(const QString& caption, std::function<void(AsideTicket&)> job,
                      std::function<void(bool cancelled)> done) {
    Begin(caption, std::move(job), [this, done = std::move(done)] {
        const bool cancelled = ticket_->Cancelled();
        End();
        done(cancelled);
    });
}

bool AsideWork::RunAndWait(const QString& caption, const std::function<void(AsideTicket&)>& job) {
    QEventLoop loop;
    bool finished = false;
    Begin(caption, job, [&loop, &finished] {
        finished = true;
        loop.quit();
    });
    bool cancelled = false;
    {
        std::atomic<bool> asked{false};
        const InputHold hold(cancelButton_, asked);
        const KeysOff keysOff(keys_);
        QTimer relay;  // the held input's cancel (Esc, closing the window) reaches the job
        QObject::connect(&relay, &QTimer::timeout, window_, [&] {
            if (asked) Cancel();
        });
        relay.start(kProgressIntervalMs / 2);
        if (!finished) loop.exec();
        // The loop also ends when the program is told to quit (Ctrl+Q): the job stops rather
        // than keeping the program alive until it is done. A cancel asked for while the job was
        // ending counts too, though the relay had no turn to pass it on.
        if (!finished || asked) Cancel();
        cancelled = ticket_ && ticket_->Cancelled();
    }
    Stop();
    return !cancelled;
}

void AsideWork::Cancel() {
    if (ticket_) ticket_->RequestCancel();
}

void AsideWork::Stop() {
    if (!worker_.joinable()) return;
    ticket_->RequestCancel();
    worker_.join();
    End();
}

void AsideWork::End() {
    if (worker_.joinable()) worker_.join();
    // Calls still queued for this job go with its inbox, which may be the one running this.
    if (inbox_) {
        QCoreApplication::removePostedEvents(inbox_.get());
        inbox_.release()->deleteLater();
    }
    progress_.reset();
    ticket_.reset();
    display_->hide();
    cancelButton_->hide();
    escape_->setEnabled(false);
}

}  // namespace pirolex
