// A measurement that can be kept: the saved picture's record strip and text fields, the copied
// line, and the keys of the tool bar's commands.
#include "qt_german.h"
#include "wav_writer.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

namespace pirolex::testing {
namespace {

class KeepTest : public WindowTest {
protected:
    // The window shown and active, so that its keys reach it; both markers set.
    void StartMeasured(const std::string& wav) {
        Start({wav});
        Window().show();
        QApplication::setActiveWindow(&Window());
        QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(120, 60));
        QTest::mouseClick(Ui().Image1, Qt::RightButton, {}, QPoint(100, 60));
    }
    void TearDown() override {
        if (window_) window_->hide();
    }
};

bool IsHz(const QString& text) {
    return QRegularExpression(QStringLiteral("^\\d+\\.\\d Hz$")).match(text).hasMatch();
}

TEST_F(KeepTest, TheSavedPictureCarriesTheRecordBelowItAndInItsTextFields) {
    const std::string wav = StereoFile("keep_save.wav");
    StartMeasured(wav);
    Ui().SpinEdit1->setValue(-3);
    const std::string png = testwav::WriteTempFile({}, "keep_saved.png");
    QFile::remove(QString::fromStdString(png));
    fake_.saveChoices = {png};
    Ui().ToolButton7->click();
    ASSERT_TRUE(fake_.messages.empty());

    const QImage saved(QString::fromStdString(png), "png");
    const QImage& plot = Window().Parts().canvas.Image();
    ASSERT_EQ(saved.width(), plot.width());
    ASSERT_EQ(saved.height(), plot.height() + 53) << "three rows of the record";
    EXPECT_EQ(saved.copy(plot.rect()).convertToFormat(QImage::Format_RGB32),
              plot.convertToFormat(QImage::Format_RGB32))
        << "the picture above the strip is the plot, pixel for pixel";
    int ink = 0;
    for (int y = plot.height(); y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x) ink += (saved.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(ink, 200) << "the strip holds text";

    const QString speed = Ui().Label1->text().trimmed();
    ASSERT_TRUE(speed.startsWith(QStringLiteral("Geschwindigkeit: ")));
    EXPECT_EQ(saved.text(QStringLiteral("Messung")), speed);
    EXPECT_TRUE(IsHz(saved.text(QStringLiteral("Marke A")))) << saved.text("Marke A").toStdString();
    EXPECT_TRUE(IsHz(saved.text(QStringLiteral("Marke B"))));
    EXPECT_EQ(saved.text(QStringLiteral("Lufttemperatur")), QStringLiteral("-3 °C"));
    EXPECT_EQ(saved.text(QStringLiteral("Datei")), QStringLiteral("keep_save.wav"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$"))
                    .match(saved.text(QStringLiteral("Datum")))
                    .hasMatch());
}

TEST_F(KeepTest, CopyPutsTheMeasurementOnTheClipboardAsOneLine) {
    StartMeasured(StereoFile("keep_copy.wav"));
    QGuiApplication::clipboard()->clear();
    Ui().ToolButton10->click();
    const QString line = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(line.startsWith(Ui().Label1->text().trimmed() + QStringLiteral("; Marke A: ")))
        << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("; Lufttemperatur: 15 °C; Datei: keep_copy.wav; Datum: ")))
        << line.toStdString();
    EXPECT_FALSE(line.contains(QLatin1Char('\n')));
}

// Each key does what its button does; the keys of disabled buttons do nothing.
TEST_F(KeepTest, KeysRunTheirCommands) {
    struct Key {
        const char* name;
        QKeyCombination key;
        std::function<int()> count;
    };
    StartMeasured(StereoFile("keep_keys.wav"));
    fake_.printerSetup = nullptr;  // the print dialog is cancelled
    const Key keys[] = {
        {"Ctrl+O", Qt::CTRL | Qt::Key_O, [this] { return fake_.dialogs; }},
        {"Ctrl+S", Qt::CTRL | Qt::Key_S, [this] { return int(fake_.saveSuggestions.size()); }},
        {"Ctrl+P", Qt::CTRL | Qt::Key_P, [this] { return fake_.printDialogs; }},
        {"F5", QKeyCombination(Qt::Key_F5), [this] { return Window().Parts().recomputeRuns; }},
        {"F1", QKeyCombination(Qt::Key_F1), [this] { return int(fake_.messages.size()); }},
        {"Ctrl+Q", Qt::CTRL | Qt::Key_Q, [this] { return fake_.exits; }},
        {"Ctrl+C", Qt::CTRL | Qt::Key_C,
         [] { return QGuiApplication::clipboard()->text().isEmpty() ? 0 : 1; }},
    };
    QGuiApplication::clipboard()->clear();
    for (const Key& k : keys) {
        const int before = k.count();
        QTest::keyClick(Ui().Image1, k.key.key(), k.key.keyboardModifiers());
        EXPECT_EQ(k.count(), before + 1) << k.name;
    }
    // Without a recording the file commands are disabled, and so are their keys.
    fake_.choices = {std::string("/nonexistent/keep_keys.wav")};
    Window().ToolButton1Click();
    ASSERT_FALSE(Ui().ToolButton7->isEnabled());
    const size_t saves = fake_.saveSuggestions.size();
    QTest::keyClick(Ui().Image1, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fake_.saveSuggestions.size(), saves);
}

// Qt's own dialogs and their buttons speak German.
TEST(QtGermanTest, QtsOwnTextsAreGerman) {
    ASSERT_TRUE(InstallQtGerman(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("Datei&name:"));
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

}  // namespace
}  // namespace pirolex::testing
