// pirolex_startup_bench: the window's start-up with a recording given, as `pirolex FILE` runs it,
// timed from the start of the process to the pictures the plot shows. A recompute may show its
// picture in steps; per recompute that showed something, the times of its first and its last
// picture, and the last of all, the final picture. One start-up per process, so run it several
// times:
//   for i in 1 2 3 4 5; do QT_QPA_PLATFORM=offscreen ./build/bench/pirolex_startup_bench samples/flyby-120kmh.wav; done

#include "main_window.h"
#include "widgets.h"
#include "window_seams.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Long after the debounce (250 ms) could have drawn again.
constexpr int kWatchMs = 1500;

struct Shown {
    double ms;
    int recompute;  // the window's count of recomputes at the time
};

// Notes each new picture the plot paints.
class PictureWatch : public QObject {
public:
    PictureWatch(pirolex::TPirolex& window, Clock::time_point start)
        : window_(window), image_(window.Ui().Image1), start_(start) {}
    const std::vector<Shown>& Pictures() const { return pictures_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == image_ && event->type() == QEvent::Paint &&
            image_->Picture().cacheKey() != lastKey_) {
            lastKey_ = image_->Picture().cacheKey();
            const std::chrono::duration<double, std::milli> at = Clock::now() - start_;
            pictures_.push_back({at.count(), window_.Parts().recomputeRuns});
        }
        return false;
    }

private:
    pirolex::TPirolex& window_;
    const pirolex::PlotImage* image_;
    Clock::time_point start_;
    qint64 lastKey_ = 0;
    std::vector<Shown> pictures_;
};

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point start = Clock::now();
    if (argc != 2) {
        std::fprintf(stderr, "usage: pirolex_startup_bench FILE\n");
        return 2;
    }
    QApplication app(argc, argv);
    pirolex::TPirolex window(pirolex::DesktopSeams());
    PictureWatch watch(window, start);
    window.Ui().Image1->installEventFilter(&watch);
    window.show();
    window.FormCreate(std::string(argv[1]));
    QTimer::singleShot(kWatchMs, &app, &QCoreApplication::quit);
    app.exec();

    const std::vector<Shown>& shown = watch.Pictures();
    int draws = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (i > 0 && shown[i].recompute == shown[i - 1].recompute) continue;
        size_t last = i;
        while (last + 1 < shown.size() && shown[last + 1].recompute == shown[i].recompute) ++last;
        std::printf("draw %d: %.0f-%.0f ms (%zu pictures); ", ++draws, shown[i].ms, shown[last].ms,
                    last - i + 1);
    }
    std::printf("final picture %.0f ms\n", shown.empty() ? 0.0 : shown.back().ms);
    return 0;
}
