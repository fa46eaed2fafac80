#include "plot_commands.h"

#include "markers.h"
#include "offscreen_plot.h"
#include "plot_png.h"
#include "runtime_error.h"

#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

#include <memory>
#include <ostream>
#include <thread>

namespace pirolex {

namespace {

constexpr const char* kHint = " (pirolex --help zeigt die Aufrufe)";

// The labels need Qt's fonts, and with them an application object. Unless the user chose a
// platform, it is the offscreen one, so no display is needed. An application that already
// exists (the tests') is used as it is.
class GuiForText {
public:
    GuiForText() {
        if (QCoreApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }

private:
    int argc_ = 1;
    char name_[8] = "pirolex";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

// The start-up values and the load, on a thread of their own: they need no Qt, and reading the
// recording takes about as long as Qt's start with its fonts, which the caller does meanwhile.
class BackgroundLoad {
public:
    explicit BackgroundLoad(const PlotRequest& request)
        : thread_([this, request] { Run(request); }) {}
    ~BackgroundLoad() {
        if (thread_.joinable()) thread_.join();
    }

    // Waits for the load: the session, or nothing when it failed, with the German reason on err.
    std::unique_ptr<Session> Take(std::ostream& err) {
        thread_.join();
        if (!session_) err << error_ << '\n';
        return std::move(session_);
    }

private:
    void Run(const PlotRequest& request) {
        try {
            std::unique_ptr<Session> session = StartSession(request);
            LoadRecording(*session, request.file);
            session_ = std::move(session);
        } catch (const std::exception& e) {
            error_ = e.what();
        }
    }

    std::unique_ptr<Session> session_;
    std::string error_;
    std::thread thread_;  // last: it starts once the members it writes exist
};

// Qt's first text reads the system's font configuration, about 5 ms of files parsed before a
// label can be drawn. Read on a thread of its own from the start, it overlaps Qt's start and the
// load; Qt then finds it done. Joined before the first text.
class FontConfigWarmUp {
public:
    FontConfigWarmUp() : thread_([] { FcInit(); }) {}
    ~FontConfigWarmUp() { Wait(); }
    void Wait() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

int Usage(const char* command, const std::string& problem, std::ostream& err) {
    err << "pirolex " << command << ": " << problem << kHint << '\n';
    return kStatusUsage;
}

// The plot bitmap with its font loaded, while the recording is still being read.
PlotCanvas PreparedBitmap(const PlotRequest& request, FontConfigWarmUp& fonts) {
    PlotCanvas canvas = MakePlotBitmap(request);
    fonts.Wait();
    canvas.LoadFont();
    return canvas;
}

void PrintMeasurement(const Session& session, const Measurement& m, std::ostream& out) {
    out << m.speedText << '\n';
    out << "Marke A: Spalte " << m.columnA << ", " << FrequencyLabel(session.state, m.columnA) << '\n';
    out << "Marke B: Spalte " << m.columnB << ", " << FrequencyLabel(session.state, m.columnB) << '\n';
}

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
    PlotRequest request;
    if (std::string problem = ParseRenderArgs(args, request); !problem.empty())
        return Usage("render", problem, err);
    FontConfigWarmUp fonts;
    BackgroundLoad load(request);
    GuiForText gui;
    PlotCanvas canvas = PreparedBitmap(request, fonts);
    const std::unique_ptr<Session> session = load.Take(err);
    if (!session) return kStatusFailed;
    if (std::string problem = CheckRenderAgainst(request, session->state.Channels); !problem.empty())
        return Usage("render", problem, err);
    try {
        DrawPlot(*session, canvas, request);
    } catch (const RuntimeError& e) {
        err << e.what() << '\n';
        return kStatusFailed;
    }
    const QString error = SavePlotPng(canvas, QString::fromStdString(request.output));
    if (error.isEmpty()) return kStatusOk;
    err << error.toStdString() << '\n';
    return kStatusFailed;
}

int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    PlotRequest request;
    if (std::string problem = ParseMeasureArgs(args, request); !problem.empty())
        return Usage("measure", problem, err);
    FontConfigWarmUp fonts;
    BackgroundLoad load(request);
    GuiForText gui;
    PlotCanvas canvas = PreparedBitmap(request, fonts);
    const std::unique_ptr<Session> session = load.Take(err);
    if (!session) return kStatusFailed;
    if (std::string problem = CheckMeasureAgainst(request, session->state.SampleRate); !problem.empty())
        return Usage("measure", problem, err);
    try {
        PrintMeasurement(*session, MeasureSpeed(*session, canvas, request), out);
    } catch (const RuntimeError& e) {
        err << e.what() << '\n';
        return kStatusFailed;
    }
    return kStatusOk;
}

Subcommands PlotSubcommands() {
    return {{"render", RunRender}, {"measure", RunMeasure}};
}

}  // namespace pirolex
