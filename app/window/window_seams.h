#pragma once
// Everything the window does that would block on a person or a device: the file dialogs, message
// boxes, the print dialog, playback, the 1D animation's pause and ending the process; and what
// reads a device or a file's other formats. The program
// uses DesktopSeams(); tests hand in fakes, so no test opens a dialog, sleeps or needs a device.

#include "recording_file.h"
#include "sample_source.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QPrinter;
class QWidget;

namespace pirolex {

enum class MessageKind { Information, Error };

// Where "Liste speichern" writes, and whether as the plain CSV or the German spreadsheet's (the
// dialog's second file type, "CSV für Tabellenkalkulation (Semikolon)").
struct ListFileChoice {
    std::string path;
    bool german = false;
};

struct WindowSeams {
    // The open dialog: the chosen path, or nothing when the user cancels.
    std::function<std::optional<std::string>(QWidget* parent)> chooseFile;
    // The save dialog for the picture, offering suggestedName: the chosen path, or nothing when
    // the user cancels.
    std::function<std::optional<std::string>(QWidget* parent, const QString& suggestedName)>
        chooseSaveFile;
    // The save dialog for the list of passes (CSV), likewise, with the file type chosen.
    std::function<std::optional<ListFileChoice>(QWidget* parent, const QString& suggestedName)>
        chooseListFile;
    // The save dialog for a live take (WAV), likewise.
    std::function<std::optional<std::string>(QWidget* parent, const QString& suggestedName)>
        chooseTakeFile;
    std::function<void(QWidget* parent, MessageKind kind, const QString& text)> showMessage;
    // The print dialog: true when the user confirms; the printer is then set up.
    std::function<bool(QWidget* parent, QPrinter& printer)> choosePrinter;
    // Plays the file to its end; returns the platform's message when it cannot, else empty.
    // Gives up after timeoutMs whatever happens.
    std::function<QString(const QString& path, int timeoutMs)> play;
    std::function<void(int milliseconds)> pause;
    std::function<void()> exitProcess;
    // The sound inputs "Live" listens to: the microphones through Qt Multimedia, or a test's
    // take fed in chunks. None at all when it is not set.
    std::function<std::unique_ptr<InputDevices>()> inputDevices;
    // Reads the recordings that are not WAV files; none: they cannot be read.
    FileDecoder decoder = nullptr;
};

WindowSeams DesktopSeams();

// The endings of the recordings the open dialog offers and a drop accepts (lower case, no dot).
QStringList RecordingSuffixes();
// The open dialog's filters: "Aufnahmen (*.wav ...)" and "Alle Dateien (*)".
QStringList RecordingNameFilters();

}  // namespace pirolex
