#pragma once
// Work aside the GUI thread, run one job at a time: a decode the window waits for, or a pass
// search it does not wait for. One progress display ("Laden … 37 %", "Suche … 37 %") with
// "Abbrechen" beside it, and one way to cancel: the button or Esc.
//
// While the window waits (RunAndWait), nothing but "Abbrechen", Esc and closing the window
// reaches it, and the keys of the tool bar are off, so that no key opens a dialog the held input
// would leave waiting. While it does not wait (Start), the window goes on as usual; the job hands
// values to the window's thread through Post, and Done runs there once the job has ended.

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QLabel;
class QPushButton;
class QShortcut;
class QTimer;
class QWidget;

namespace pirolex {

// What a job sees of the window: whether to stop, and how far it has come.
class AsideTicket {
public:
    bool Cancelled() const { return cancel_; }
    void Progress(double fraction) { percent_ = static_cast<int>(fraction * 100.0); }
    // Runs `call` in the window's thread, unless the job is stopped first.
    void Post(std::function<void()> call);

    explicit AsideTicket(QObject* inbox) : inbox_(inbox) {}
    void RequestCancel() { cancel_ = true; }
    int Percent() const { return percent_; }

private:
    std::atomic<bool> cancel_{false};
    std::atomic<int> percent_{0};
    QObject* inbox_;
};

class AsideWork {
public:
    // The display: a caption with the percentage, the cancel button; keys are switched off while
    // the window waits.
    AsideWork(QWidget* window, QLabel* display, QPushButton* cancelButton, std::vector<QShortcut*> keys);
    ~AsideWork();
    AsideWork(const AsideWork&) = delete;
    AsideWork& operator=(const AsideWork&) = delete;

    // The job runs on its own thread while the window goes on; done(cancelled) runs in the
    // window's thread when it has ended. A job still running is stopped first.
    void Start(const QString& caption, std::function<void(AsideTicket&)> job, std::function<void(bool cancelled)> done);
    // The job runs on its own thread while the window waits for it, its input held back; true
    // unless it was cancelled. A job still running is stopped first.
    bool RunAndWait(const QString& caption, const std::function<void(AsideTicket&)>& job);
    bool Busy() const { return worker_.joinable(); }
    // Asks the job to stop; its done still runs.
    void Cancel();
    // Cancels the job and waits for its thread; its done and its posts are dropped.
    void Stop();

private:
    void Begin(const QString& caption, std::function<void(AsideTicket&)> job, std::function<void()> ended);
    void ShowProgress();
    void End();

    QWidget* window_;
    QLabel* display_;
    QPushButton* cancelButton_;
    std::vector<QShortcut*> keys_;
    QShortcut* escape_ = nullptr;
    std::unique_ptr<AsideTicket> ticket_;
    std::unique_ptr<QObject> inbox_;
    std::unique_ptr<QTimer> progress_;
    QString caption_;
    std::thread worker_;
};

}  // namespace pirolex
