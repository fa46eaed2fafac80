#include "plot_commands.h"

#include "checked_save.h"
#include "clicked_pair.h"
#include "cli.h"
#include "measurement_record.h"
#include "messages.h"
#include "offscreen_plot.h"
#include "picture_span.h"
#include "plot_png.h"
#include "record_png.h"

#include <QDateTime>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <thread>
#include <new>

namespace pirolex {

namespace {


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

// The start-up work that needs no Qt, on two threads of its own while the caller starts Qt: the
// system's font configuration, which Qt's first text would otherwise read itself (about 5 ms of
// files parsed before a label can be drawn), and the load. Two threads,
// not one after the other on a single one: measured, that was the faster order on two cores.
class BackgroundStart {
public:
    BackgroundStart(const PlotRequest& request, FileDecoder decoder)
        : fonts_([] { FcInit(); }), load_([this, request, decoder] { Load(request, decoder); }) {}
    ~BackgroundStart() {
        WaitForFonts();
        if (load_.joinable()) load_.join();
    }

    // Before the first text; Qt then finds the configuration read.
    void WaitForFonts() {
        if (fonts_.joinable()) fonts_.join();
    }

    // Waits for the load: the recording, or nothing when it failed, with the German reason on err.
    std::unique_ptr<OffscreenPlot> Take(std::ostream& err) {
        load_.join();
        if (!plot_) err << error_ << '\n';
        return std::move(plot_);
    }

private:
    void Load(const PlotRequest& request, FileDecoder decoder) {
        try {
            plot_ = LoadPlot(request, decoder);
        } catch (const Failure& failure) {
            error_ = texts::ErrorText(failure);
        } catch (const std::bad_alloc&) {
            error_ = texts::ErrorText(Failure(ErrorCode::kTooLong));
        } catch (const std::exception& e) {
            error_ = e.what();
        }
    }

    std::unique_ptr<OffscreenPlot> plot_;
    std::string error_;
    std::thread fonts_;
    std::thread load_;  // last: it starts once the members it writes exist
};

int Usage(const char* command, const std::string& problem, std::ostream& err) {
    err << "pirolex " << command << ": " << problem << kUsageHint << '\n';
    return kStatusUsage;
}

// The plot bitmap with its font loaded, while the recording is still being read.
PlotCanvas PreparedBitmap(const PlotRequest& request, BackgroundStart& start) {
    PlotCanvas canvas = MakePlotBitmap(request);
    start.WaitForFonts();
    canvas.LoadFont();
    return canvas;
}

// A pair whose buttons were swapped has no speed, and says so: the command failed.
int PairStatus(double hzA, double hzB) {
    return DoubtsAbout(hzA, hzB, std::nullopt, 0, false, false).swapped ? kStatusFailed : kStatusOk;
}

int PrintMeasurement(const Measurement& m, const PlotRequest& request, std::ostream& out) {
    out << m.speedLine << '\n';
    out << "Marke A: Spalte " << m.columnA << ", " << m.labelA << '\n';
    out << "Marke B: Spalte " << m.columnB << ", " << m.labelB << '\n';
    return PairStatus(request.frequencyA, request.frequencyB);
}

// The speed and both tones; a marker without a tone gives no speed rather than a wrong one.
int PrintSnapped(const SnappedMeasurement& m, const PlotRequest& request, std::ostream& out,
                 std::ostream& err) {
    if (!m.a || !m.b) {
        if (!m.a) err << texts::NoToneText('A', request.frequencyA, request.atA, m.lineA) << '\n';
        if (!m.b) err << texts::NoToneText('B', request.frequencyB, request.atB, m.lineB) << '\n';
        return kStatusFailed;
    }
    out << m.speedLine << '\n';
    out << texts::SnappedToneLine('A', m.a->hz, m.a->spreadHz) << '\n';
    out << texts::SnappedToneLine('B', m.b->hz, m.b->spreadHz) << '\n';
    return PairStatus(m.a->hz, m.b->hz);
}

// What the command line knows of a measurement: the file, the temperature, the date, and with
// both frequencies the markers and their speed.
texts::RecordValues Record(OffscreenPlot& plot, const PlotCanvas& canvas,
                           const PlotRequest& request) {
    texts::RecordValues values;
    if (request.frequencyA > 0.0 && request.frequencyB > 0.0) {
        values.speedLine = MeasureSpeed(plot, canvas, request).speedLine;
        values.source = texts::kSourceClicks;
        values.hzA = request.frequencyA;
        values.hzB = request.frequencyB;
    }
    values.temperature = plot.session.Temperature();
    values.fileName = std::filesystem::path(request.file).filename().string();
    values.date =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    return values;
}

// The picture as render writes it: bare, or with the record's strip and text fields.
std::optional<Failure> WriteRendered(OffscreenPlot& plot, const PlotCanvas& canvas, const PlotRequest& request) {
    const QString path = QString::fromStdString(request.output);
    if (!request.caption) return WritePlotPng(canvas, path, {request.file});
    return WriteRecordPng(canvas.Image(), Record(plot, canvas, request), path, {request.file});
}

// The notice the window would show in its speed label, on the error stream.
void ReportShortRecording(bool tooShort, const PlotRequest& request, std::ostream& err) {
    if (tooShort) err << texts::ShortRecordingNotice(request.settings.FftSize()) << '\n';
}

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err, FileDecoder decoder) {
    PlotRequest request;
    if (std::string problem = ParseRenderArgs(args, request); !problem.empty())
        return Usage("render", problem, err);
    // Before the work: the picture would only be refused at the end.
    if (SameFile(request.output, request.file)) {
        err << texts::PngWriteError(request.output, Failure(ErrorCode::kOutputIsInput)) << '\n';
        return kStatusFailed;
    }
    BackgroundStart start(request, decoder);
    GuiForText gui;
    PlotCanvas canvas = PreparedBitmap(request, start);
    const std::unique_ptr<OffscreenPlot> plot = start.Take(err);
    if (!plot) return kStatusFailed;
    if (std::string problem = CheckRenderAgainst(request, plot->channels); !problem.empty())
        return Usage("render", problem, err);
    if (std::string problem = CheckStartAgainst(request, plot->session.GetRecording()); !problem.empty())
        return Usage("render", problem, err);
    if (std::string problem = CheckBandAgainst(request, plot->session.GetRecording().sampleRate); !problem.empty())
        return Usage("render", problem, err);
    if (request.frequencyA > 0.0) {
        if (std::string problem =
                CheckMeasureAgainst(request, plot->channels, plot->session.GetRecording().sampleRate);
            !problem.empty())
            return Usage("render", problem, err);
    }
    try {
        ReportShortRecording(DrawPlot(*plot, canvas, request), request, err);
    } catch (const Failure& failure) {
        err << texts::ErrorText(failure) << '\n';
        return kStatusFailed;
    }
    const std::optional<Failure> failure = WriteRendered(*plot, canvas, request);
    if (!failure) return kStatusOk;
    err << texts::PngWriteError(request.output, *failure) << '\n';
    return kStatusFailed;
}

int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileDecoder decoder) {
    PlotRequest request;
    if (std::string problem = ParseMeasureArgs(args, request); !problem.empty())
        return Usage("measure", problem, err);
    BackgroundStart start(request, decoder);
    GuiForText gui;
    PlotCanvas canvas = PreparedBitmap(request, start);
    const std::unique_ptr<OffscreenPlot> plot = start.Take(err);
    if (!plot) return kStatusFailed;
    if (std::string problem =
            CheckMeasureAgainst(request, plot->channels, plot->session.GetRecording().sampleRate);
        !problem.empty())
        return Usage("measure", problem, err);
    if (std::string problem = CheckStartAgainst(request, plot->session.GetRecording()); !problem.empty())
        return Usage("measure", problem, err);
    if (std::string problem = CheckClickTimesAgainst(request, plot->session.GetRecording(), plot->session.SpanFirst(),
                                                     ShownFrames(plot->session.GetRecording(), plot->session.SpanFrames()));
        !problem.empty())
        return Usage("measure", problem, err);
    try {
        // The 2D picture first, as the window has drawn it before the user clicks in it.
        ReportShortRecording(DrawPlot(*plot, canvas, request), request, err);
        if (!request.snap) {
            return PrintMeasurement(MeasureSpeed(*plot, canvas, request), request, out);
        }
        return PrintSnapped(MeasureSnapped(*plot, request), request, out, err);
    } catch (const Failure& failure) {
        err << texts::ErrorText(failure) << '\n';
        return kStatusFailed;
    }
    return kStatusOk;
}

Subcommands PlotSubcommands(FileDecoder decoder) {
    using Args = const std::vector<std::string>&;
    return {{"render", [decoder](Args args, std::ostream& out, std::ostream& err) { return RunRender(args, out, err, decoder); }},
            {"measure", [decoder](Args args, std::ostream& out, std::ostream& err) { return RunMeasure(args, out, err, decoder); }}};
}

}  // namespace pirolex
