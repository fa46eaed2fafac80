// "Grafik speichern" through an injected save dialog, and files dropped onto the window.
#include "small_disk.h"
#include "wav_writer.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>

namespace pirolex::testing {
namespace {

// A fresh, not yet existing path in the temp folder.
std::string FreshPath(const std::string& name) {
    const std::string path = testwav::WriteTempFile({}, name);
    QFile::remove(QString::fromStdString(path));
    return path;
}

bool SamePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
    return true;
}

class SaveTest : public WindowTest {};

TEST_F(SaveTest, TheButtonWritesPlotBitmapWithItsMarkersAsPng) {
    const std::string wav = StereoFile("save_source.wav");
    Start({wav});
    ASSERT_TRUE(Ui().ToolButton7->isEnabled());
    Window().show();
    QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(120, 60));  // a marker is saved too
    const std::string png = FreshPath("saved_plot.png");
    fake_.saveChoices = {png};
    Ui().ToolButton7->click();
    Window().hide();

    ASSERT_EQ(fake_.saveSuggestions.size(), 1u);
    EXPECT_EQ(fake_.saveSuggestions[0].toStdString(), wav.substr(0, wav.size() - 4) + ".png");
    EXPECT_TRUE(fake_.messages.empty());
    const QImage saved(QString::fromStdString(png), "png");
    ASSERT_FALSE(saved.isNull());
    // The record's strip below it: see window_keep_test.cpp.
    EXPECT_TRUE(SamePixels(saved.copy(Window().Parts().canvas.Image().rect()), Window().Parts().canvas.Image()));
    // The marker's line is dashed: eight rows hold a dash.
    int dash = 0;
    for (int y = 96; y < 104; ++y) dash += Window().Parts().canvas.Pixel(120, y) == 0x008000u;
    EXPECT_GT(dash, 0) << "the marker line is in the picture";
}

// The dialog's answer is taken as it is: a name without the ending still gets a PNG.
TEST_F(SaveTest, ANameWithoutEndingStillGetsAPng) {
    Start({StereoFile("save_noext.wav")});
    const std::string path = FreshPath("saved_plot_without_ending");
    fake_.saveChoices = {path};
    Window().ToolButton7Click();
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(SaveTest, CancelledOrWithoutAFileNothingIsWritten) {
    Start();
    EXPECT_FALSE(Ui().ToolButton7->isEnabled());
    Window().ToolButton7Click();  // even when called directly: no file, no dialog
    EXPECT_TRUE(fake_.saveSuggestions.empty());

    Load(StereoFile("save_cancel.wav"));
    Window().ToolButton7Click();  // the dialog answers "cancel"
    EXPECT_EQ(fake_.saveSuggestions.size(), 1u);
    EXPECT_TRUE(fake_.messages.empty());
}

TEST_F(SaveTest, AFailedWriteIsReportedWithThePath) {
    Start({StereoFile("save_fail.wav")});
    fake_.saveChoices = {std::string("/nonexistent/pirolex/plot.png")};
    Window().ToolButton7Click();
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0].toStdString(),
              "Grafik konnte nicht gespeichert werden: /nonexistent/pirolex/plot.png "
              "(E/A-Fehler 2: Datei oder Ordner nicht vorhanden)");
}

// "Grafik speichern" onto a really full disk, and onto the recording it shows.
TEST_F(SaveTest, AFullDiskOrTheRecordingItselfKeepsTheOldFileAndSaysWhy) {
    const std::string wav = StereoFile("save_over.wav");
    Start({wav});
    QFile recording(QString::fromStdString(wav));
    ASSERT_TRUE(recording.open(QIODevice::ReadOnly));
    const QByteArray sound = recording.readAll();
    fake_.saveChoices = {wav};
    Window().ToolButton7Click();
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0].toStdString(),
              "Grafik konnte nicht gespeichert werden: " + wav +
                  " (Die Ausgabe wäre die gelesene Datei selbst: Pirolex überschreibt nicht, was es liest)");
    recording.seek(0);
    EXPECT_EQ(recording.readAll(), sound);

    testsupport::SmallDisk disk("pirolex_window_full_");
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
    disk.Put("old.png", "an old picture");
    disk.FillLeaving(4096);
    const std::string png = (disk.Path() / "old.png").string();
    fake_.saveChoices = {png};
    Window().ToolButton7Click();
    ASSERT_EQ(fake_.Errors().size(), 2u);
    EXPECT_EQ(fake_.Errors()[1].toStdString(), "Grafik konnte nicht gespeichert werden: " + png +
                                                   " (E/A-Fehler 28: Kein Platz mehr auf dem Datenträger)");
    EXPECT_EQ(disk.Read("old.png"), "an old picture");
    EXPECT_EQ(disk.Names().size(), 2u) << "a temporary file stayed";
}

class DropTest : public WindowTest {
protected:
    static QMimeData* Files(const std::vector<QString>& urls) {
        auto* mime = new QMimeData;
        QList<QUrl> list;
        for (const QString& u : urls) list.push_back(u.startsWith('/') ? QUrl::fromLocalFile(u) : QUrl(u));
        mime->setUrls(list);
        return mime;
    }

    // Sends a drag entering the window, then the drop, each starting in the state opposite to
    // the expected one, so only the window's handlers decide. Then runs the queued load.
    void DragAndDrop(QMimeData* mime, bool expectAccepted) {
        const std::unique_ptr<QMimeData> owned(mime);
        QDragEnterEvent enter(QPoint(400, 200), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(!expectAccepted);
        QCoreApplication::sendEvent(&Window(), &enter);
        EXPECT_EQ(enter.isAccepted(), expectAccepted) << "drag enter";
        // Qt passes a drop on only after an accepted drag; handing it to the window directly
        // shows that the drop handler refuses on its own as well.
        QDropEvent drop(QPointF(400, 200), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(!expectAccepted);
        static_cast<QObject&>(Window()).event(&drop);
        EXPECT_EQ(drop.isAccepted(), expectAccepted) << "drop";
        QCoreApplication::processEvents();
    }
};

TEST_F(DropTest, ADroppedWavFileLoadsAsIfChosenInTheDialog) {
    Start();
    EXPECT_TRUE(Window().acceptDrops());
    const int dialogs = fake_.dialogs;
    const int runs = Window().Parts().recomputeRuns;
    const std::string wav = StereoFile("dropped.wav");
    DragAndDrop(Files({QString::fromStdString(wav)}), true);
    EXPECT_EQ(State().fileName, wav);
    EXPECT_TRUE(State().fileLoaded);
    EXPECT_EQ(State().session.GetRecording().sampleRate, 8000);
    EXPECT_EQ(Ui().StatusBar1->PanelText(0).toStdString(), wav);
    EXPECT_EQ(Window().windowTitle().toStdString(), "Pirolex  " + wav);
    EXPECT_TRUE(Ui().ToolButton7->isEnabled());
    EXPECT_EQ(Window().Parts().recomputeRuns, runs + 1);
    EXPECT_EQ(fake_.dialogs, dialogs) << "no open dialog";
}

// Only the name decides, as in the dialog; what is in the file is the load's business, with the
// load's own reports.
TEST_F(DropTest, ABrokenOrMissingWavFileFailsTheWayTheDialogsChoiceWould) {
    Start();
    const std::string song = testwav::WriteTempFile({'M', 'T', 'h', 'd', 0, 0, 0, 6}, "song.WAV");
    DragAndDrop(Files({QString::fromStdString(song)}), true);
    EXPECT_EQ(State().fileName, song);
    EXPECT_FALSE(State().fileLoaded);
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0].toStdString(), "Keine WAV-Datei");

    DragAndDrop(Files({QStringLiteral("/nonexistent/pirolex/gone.wav")}), true);
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), QStringLiteral("!! file load ERROR !!"));
}

TEST_F(DropTest, EverythingElseIsRefusedAndLoadsNothing) {
    const std::string wav = StereoFile("refused.wav");
    const QString local = QString::fromStdString(wav);
    const QString txt = QString::fromStdString(testwav::WriteTempFile({1, 2, 3}, "notes.txt"));
    struct Case {
        const char* what;
        QMimeData* mime;
    };
    auto* text = new QMimeData;
    text->setText(local);
    const Case table[] = {
        {"another file type", Files({txt})},
        {"two WAV files", Files({local, local})},
        {"a remote WAV", Files({QStringLiteral("https://example.org/flyby.wav")})},
        {"a path as text", text},
        {"nothing", new QMimeData},
    };
    Start();
    const int runs = Window().Parts().recomputeRuns;
    for (const Case& c : table) {
        SCOPED_TRACE(c.what);
        DragAndDrop(c.mime, false);
        EXPECT_TRUE(State().fileName.empty());
        EXPECT_FALSE(State().fileLoaded);
    }
    EXPECT_EQ(Window().Parts().recomputeRuns, runs);
    EXPECT_TRUE(fake_.messages.empty());
}

}  // namespace
}  // namespace pirolex::testing
