#include "window_seams.h"

#include "audio_decoder.h"
#include "microphone.h"

#include "branding.h"
#include "sound_player.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QEventLoop>
#include <QTimer>


namespace pirolex {

namespace {

std::optional<std::string> ChooseWavFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Sounddatei"));
    // The dialog accepts any name, existing or not: the load's open test reports a bad one.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(RecordingNameFilters());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> ChooseFileToSave(QWidget* parent, const QString& title, const QString& filter,
                                            const QString& suffix, const QString& suggestedName) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> ChoosePngFile(QWidget* parent, const QString& suggestedName) {
    return ChooseFileToSave(parent, QStringLiteral("Grafik speichern"), QStringLiteral("PNG-Grafik (*.png)"),
                            QStringLiteral("png"), suggestedName);
}

std::optional<ListFileChoice> ChooseCsvFile(QWidget* parent, const QString& suggestedName) {
    const QString german = QString::fromUtf8("CSV für Tabellenkalkulation (Semikolon) (*.csv)");
    QFileDialog dialog(parent, QStringLiteral("Liste speichern"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("CSV-Datei (*.csv)"), german});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ListFileChoice{dialog.selectedFiles().front().toStdString(), dialog.selectedNameFilter() == german};
}

std::optional<std::string> ChooseTakeFile(QWidget* parent, const QString& suggestedName) {
    return ChooseFileToSave(parent, QStringLiteral("Aufnahme speichern"), QStringLiteral("WAV-Datei (*.wav)"),
                            QStringLiteral("wav"), suggestedName);
}

void ShowMessageBox(QWidget* parent, MessageKind kind, const QString& text) {
    const QString title = QString::fromUtf8(kProgramTitle);
    if (kind == MessageKind::Error) {
        QMessageBox::critical(parent, title, text);
    } else {
        QMessageBox::information(parent, title, text);
    }
}

bool ChoosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

WindowSeams DesktopSeams() {
    WindowSeams seams;
    seams.chooseFile = ChooseWavFile;
    seams.chooseSaveFile = ChoosePngFile;
    seams.chooseListFile = ChooseCsvFile;
    seams.chooseTakeFile = ChooseTakeFile;
    seams.showMessage = ShowMessageBox;
    seams.choosePrinter = ChoosePrinter;
    seams.play = PlayToEnd;
    // The window keeps painting and hears its input while the 1D animation waits.
    seams.pause = [](int ms) {
        QEventLoop wait;
        QTimer::singleShot(ms, &wait, &QEventLoop::quit);
        wait.exec();
    };
    seams.exitProcess = [] { QCoreApplication::exit(0); };
    seams.inputDevices = SystemInputDevices;
    // The window's module carries the decoder itself (the program loads it with the window).
    seams.decoder = &DecodeFile;
    return seams;
}

QStringList RecordingSuffixes() {
    return {QStringLiteral("wav"), QStringLiteral("flac"), QStringLiteral("mp3"),
            QStringLiteral("m4a"), QStringLiteral("aac"),  QStringLiteral("ogg"),
            QStringLiteral("opus"), QStringLiteral("mp4"), QStringLiteral("mov"),
            QStringLiteral("mkv")};
}

QStringList RecordingNameFilters() {
    QStringList patterns;
    for (const QString& suffix : RecordingSuffixes()) patterns << QStringLiteral("*.") + suffix;
    return {QStringLiteral("Aufnahmen (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'),
            QStringLiteral("Alle Dateien (*)")};
}

}  // namespace pirolex
