#include "auto_command.h"

#include "auto_speed.h"
#include "cli.h"
#include "messages.h"
#include "option_parser.h"
#include "pass_finder.h"
#include "pass_records.h"
#include "recording_file.h"
#include "safe_text.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <new>
#include <optional>
#include <ostream>
#include <thread>

#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pirolex {

namespace {

constexpr double kDefaultTemperature = 15.0;

struct AutoRequest {
    std::vector<std::string> files;
    double temperature = kDefaultTemperature;
    double topSpeedKmh = kDefaultTopSpeedKmh;
    bool json = false;
    bool csv = false;
    bool csvGerman = false;  // the German spreadsheet's variant of the CSV
};

// Empty when the arguments were understood, else the one line that says why not.
std::string ParseAutoArgs(const std::vector<std::string>& args, AutoRequest& request) {
    const std::vector<CommandOption> options = {
        {"--temp", AllowedNumbers(kTemperatureRange), NumberIn(kTemperatureRange, request.temperature),
         RangeText(kTemperatureRange)},
        {"--max-kmh", AllowedNumbers(kTopSpeedRange), NumberIn(kTopSpeedRange, request.topSpeedKmh),
         RangeText(kTopSpeedRange)},
        {"--json", "", [&](const std::string&) { return request.json = true; }, {}, true},
        {"--csv", "", [&](const std::string&) { return request.csv = true; }, {}, true},
        {"--csv-de", "", [&](const std::string&) { return request.csvGerman = true; }, {}, true},
    };
    CommandArgs parsed;
    if (std::string problem = ParseCommandArgs(args, options, FileCount::kMany, parsed); !problem.empty())
        return problem;
    request.files = std::move(parsed.files);
    if (int(request.json) + int(request.csv) + int(request.csvGerman) > 1)
        return "--json, --csv und --csv-de schließen einander aus";
    if (request.files.empty())
        return "auto erwartet mindestens eine Datei: auto DATEI... [--temp T] [--max-kmh V]";
    return {};
}

// What one file gave: its passes, or why it could not be read.
struct FileResult {
    std::optional<PassSearch> search;
    std::string readError;
    texts::TakeFacts take;
};

FileResult MeasureFile(const std::string& path, FileDecoder decoder, double temperature, double topSpeedKmh) {
    FileResult result;
    result.take.temperatureC = temperature;
    try {
        const RecordingFile file = ReadRecordingFile(path, decoder);
        if (!file.Ok()) {
            result.readError = texts::ErrorText(*file.error);
            return result;
        }
        result.take.recorded = file.recorded;
        result.search = FindPasses(file.recording, temperature, topSpeedKmh);
    } catch (const Failure& failure) {
        result.readError = texts::ErrorText(failure);
    } catch (const std::bad_alloc&) {
        result.readError = texts::ErrorText(Failure(ErrorCode::kTooLong));
    } catch (const std::exception& error) {
        result.readError = error.what();
    }
    return result;
}

void PrintJson(const std::string& path, const FileResult& result, double topSpeedKmh, std::ostream& out) {
    if (!result.search) {
        out << "{\"file\":" << texts::JsonString(path) << ",\"error\":" << texts::JsonString(result.readError) << "}\n";
        return;
    }
    if (result.search->passes.empty())
        out << texts::NoPassJsonLine(path, result.search->noPassReason, topSpeedKmh, result.take);
    for (const FlybyPass& pass : result.search->passes) out << texts::PassJsonLine(path, pass, {}, result.take);
}

void PrintCsv(const std::string& path, const FileResult& result, double topSpeedKmh,
              const texts::PassColumns& columns, std::ostream& out) {
    if (!result.search) return;
    if (result.search->passes.empty())
        out << texts::NoPassCsvRow(path, result.search->noPassReason, topSpeedKmh, columns, result.take);
    for (const FlybyPass& pass : result.search->passes) out << texts::PassCsvRow(path, pass, columns, result.take);
}

void PrintText(const std::string& path, const FileResult& result, double topSpeedKmh, std::ostream& out,
               std::ostream& err) {
    if (!result.search) {
        err << texts::TerminalSafe(path) << ": " << result.readError << '\n';
        return;
    }
    out << texts::TerminalSafe(path) << '\n';
    if (result.search->passes.empty()) out << texts::RefusalText(result.search->noPassReason, topSpeedKmh) << '\n';
    for (const FlybyPass& pass : result.search->passes) {
        out << texts::PassHeading(pass.number, pass.heardS) << '\n' << texts::AutoSpeedText(pass.speed) << '\n';
        if (pass.speed.Answered()) out << texts::AutoSpeedDetails(pass.speed) << '\n';
    }
}

// Memory the batch may fill with recordings at once: half of what the system has free when it
// starts, so that long files are measured fewer at a time instead of driving the machine into
// swap or the program into an allocation failure.
int64_t BatchMemoryBudget() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    int64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib >> unit)
        if (key == "MemAvailable:") return kib * 1024 / 2;
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? static_cast<int64_t>(pages) * pageSize / 2 : int64_t{1} << 31;
}

// Bytes a file's measurement may take: its samples, and as much again for the spectra and the
// track that the measurement works on.
int64_t MeasurementBytes(const std::string& path, FileDecoder decoder) {
    return 2 * RecordingBytesBound(path, decoder);
}

// What the running measurements hold of the budget. A file waits until its share fits; a file
// larger than the whole budget runs alone.
class MemoryBudget {
public:
    explicit MemoryBudget(int64_t bytes) : budget_(bytes) {}
    void Take(int64_t bytes) {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return inUse_ == 0 || inUse_ + bytes <= budget_; });
        inUse_ += bytes;
    }
    void Give(int64_t bytes) {
        const std::lock_guard lock(mutex_);
        inUse_ -= bytes;
        freed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    const int64_t budget_;
    int64_t inUse_ = 0;
};

// The files on all cores, each worker taking the next file not yet taken, as many at once as
// the memory budget allows; the results are handed to `report` in the order of the files, each
// as soon as it and all before it are done.
template <class Report>
void MeasureAll(const AutoRequest& request, FileDecoder decoder, Report report) {
    const size_t count = request.files.size();
    std::vector<FileResult> results(count);
    std::vector<char> done(count, 0);
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    MemoryBudget budget(BatchMemoryBudget());
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t workerCount = std::min(cores, count);
    auto work = [&] {
        for (size_t i = next++; i < count; i = next++) {
            // A file measured alone needs no share: its header is not read twice for nothing.
            const int64_t bytes = workerCount > 1 ? MeasurementBytes(request.files[i], decoder) : 0;
            budget.Take(bytes);
            FileResult result = MeasureFile(request.files[i], decoder, request.temperature, request.topSpeedKmh);
            budget.Give(bytes);
            const std::lock_guard lock(mutex);
            results[i] = std::move(result);
            done[i] = 1;
            finished.notify_all();
        }
    };
    std::vector<std::jthread> workers;
    for (size_t w = 0; w < workerCount; ++w) workers.emplace_back(work);
    for (size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done[i] != 0; });
        FileResult result = std::move(results[i]);
        lock.unlock();
        report(request.files[i], result);
    }
}

}  // namespace

// Each pass of a take is measured on spectra of tens of megabytes, made and freed again; glibc
// would give every one back to the system and fault it in anew (a third of the time of a long
// take). Kept, the next pass reuses the memory.
void KeepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

int RunAuto(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileDecoder decoder) {
    KeepFreedMemory();
    AutoRequest request;
    if (std::string problem = ParseAutoArgs(args, request); !problem.empty()) {
        err << "pirolex auto: " << problem << kUsageHint << '\n';
        return kStatusUsage;
    }
    int status = kStatusOk;
    const texts::PassColumns columns{.german = request.csvGerman};
    const bool csv = request.csv || request.csvGerman;
    if (csv) out << texts::PassCsvHeader(columns);
    MeasureAll(request, decoder, [&](const std::string& path, const FileResult& result) {
        if (!result.search) status = kStatusFailed;
        if (request.json || csv) {
            if (request.json) PrintJson(path, result, request.topSpeedKmh, out);
            else PrintCsv(path, result, request.topSpeedKmh, columns, out);
            if (!result.search) err << texts::TerminalSafe(path) << ": " << result.readError << '\n';
        } else {
            PrintText(path, result, request.topSpeedKmh, out, err);
        }
        out.flush();
    });
    return status;
}

}  // namespace pirolex
