#include "plot_commands.h"

#include "markers.h"
#include "offscreen_plot.h"
#include "plot_png.h"
#include "runtime_error.h"

#include <QGuiApplication>

#include <memory>
#include <ostream>

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

int Usage(const char* command, const std::string& problem, std::ostream& err) {
    err << "pirolex " << command << ": " << problem << kHint << '\n';
    return kStatusUsage;
}

// Start-up values and the load, before any Qt: a bad file is reported without it.
std::unique_ptr<Session> Load(const PlotRequest& request, std::ostream& err) {
    std::unique_ptr<Session> session = StartSession(request);
    try {
        LoadRecording(*session, request.file);
    } catch (const RuntimeError& e) {
        err << e.what() << '\n';
        return nullptr;
    }
    return session;
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
    std::unique_ptr<Session> session = Load(request, err);
    if (!session) return kStatusFailed;
    if (std::string problem = CheckRenderAgainst(request, session->state.Channels); !problem.empty())
        return Usage("render", problem, err);
    GuiForText gui;
    PlotCanvas canvas = MakePlotBitmap(request);
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
    std::unique_ptr<Session> session = Load(request, err);
    if (!session) return kStatusFailed;
    if (std::string problem = CheckMeasureAgainst(request, session->state.SampleRate); !problem.empty())
        return Usage("measure", problem, err);
    GuiForText gui;
    PlotCanvas canvas = MakePlotBitmap(request);
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
