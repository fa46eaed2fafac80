#include "session_seams.h"

#include "audio_decoder.h"
#include "sound_player.h"

#include <QPrinter>
#include <QRegularExpression>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace pirolex::session {

WindowSeams SessionSeams::Make() {
    WindowSeams seams;
    seams.decoder = &DecodeFile;
    seams.chooseFile = [this](QWidget*) -> std::optional<std::string> {
        if (choices.empty()) return std::nullopt;
        std::optional<std::string> answer = std::move(choices.front());
        choices.pop_front();
        return answer;
    };
    seams.chooseSaveFile = [this](QWidget*,
                                  const QString& suggested) -> std::optional<std::string> {
        suggestedNames.push_back(suggested);
        if (!png) return std::nullopt;
        return png->string();
    };
    seams.chooseListFile = [](QWidget*, const QString&) -> std::optional<ListFileChoice> { return std::nullopt; };
    seams.showMessage = [this](QWidget*, MessageKind kind, const QString& text) {
        messages.push_back({kind, text});
    };
    seams.choosePrinter = [this](QWidget*, QPrinter& printer) {
        ++printDialogs;
        if (!pdf) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf->string()));
        return true;
    };
    seams.play = [this](const QString& path, int timeoutMs) {
        played.push_back(path);
        return realPlayer ? PlayToEnd(path, timeoutMs) : playResult;
    };
    seams.pause = [this](int) { ++pauses; };
    seams.exitProcess = [this] { ++exits; };
    return seams;
}

namespace {

// A message text with its numbers replaced by a pattern for any number.
QRegularExpression WithAnyNumbers(const std::string& sample) {
    QString pattern = QRegularExpression::escape(QString::fromStdString(sample));
    pattern.replace(QStringLiteral("0"), QStringLiteral("-?\\d+"));
    return QRegularExpression(QStringLiteral("\\A") + pattern + QStringLiteral("\\z"));
}

}  // namespace

bool IsProgramError(const QString& text) {
    static const char* const fixed[] = {
        "Versuch hinter dem Dateiende zu lesen", "Integerüberlauf",
        "Gleitkommadivision durch Null",         "Ungültige Gleitkommaoperation",
        "Fehler bei Bereichsprüfung",            "Datei nicht gefunden",
        "Dateizugriff verweigert",               "Keine WAV-Datei",
        "Kein Formatblock in der WAV-Datei",     "Kein Datenblock in der WAV-Datei",
        "Ungültiger Formatblock in der WAV-Datei",
    };
    static const QRegularExpression unsupported =
        WithAnyNumbers("Nicht unterstütztes WAV-Format (Formatkennung 0, 0 Bit)");
    static const QRegularExpression ioError = WithAnyNumbers("E/A-Fehler 0");
    const bool known = std::any_of(std::begin(fixed), std::end(fixed),
                                   [&](const char* t) { return text == QString::fromUtf8(t); });
    static const QRegularExpression namedIoError(QStringLiteral("\\AE/A-Fehler \\d+: [^\\n]+\\z"));
    return known || unsupported.match(text).hasMatch() || ioError.match(text).hasMatch() ||
           namedIoError.match(text).hasMatch();
}

FileSnapshot FileSnapshot::Take(const std::filesystem::path& path) {
    FileSnapshot snap;
    std::ifstream in(path, std::ios::binary);
    snap.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        snap.mtimeNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
        snap.ctimeNs = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
        snap.mode = st.st_mode;
    }
    return snap;
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace pirolex::session
