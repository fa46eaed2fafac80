// Displays that agree with what the window holds after a load in 1D and after failed loads, and
// the 1D animation that answers while it runs.
#include "branding.h"
#include "wav_writer.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <functional>

namespace pirolex::testing {
namespace {

std::string Missing() {
    return (std::filesystem::temp_directory_path() / "pirolex_no_such_folder" / "gone.wav").string();
}

std::string Unreadable() {
    testwav::Bytes cut;
    cut.Tag("RIFF").U32(100).Tag("WAVE").Tag("fmt ").U32(16).U16(1);
    return testwav::WriteTempFile(cut.data, "states_cut.wav");
}

class StatesTest : public WindowTest {
protected:
    void TearDown() override {
        if (window_) window_->hide();
    }
};

TEST_F(StatesTest, CaptionAndPictureModeAgreeWithWhatIsShown) {
    const std::string good = StereoFile("states_good.wav");
    const std::string other = MonoFile("states_other.wav");
    struct Case {
        const char* name;
        std::function<void()> steps;
        QString title;
        int mode;  // the radio group's index and the picture drawn
        bool loaded;
    };
    const QString goodTitle = QStringLiteral("Pirolex  ") + QString::fromStdString(good);
    const Case table[] = {
        {"1D chosen before the first load", [&] {
             Ui().GrafikRadio->SetItemIndex(2);
             Load(good);
         }, goodTitle, 2, true},
        {"a missing file after a recording", [&] {
             Load(good);
             Load(Missing());
         }, goodTitle, 1, false},
        {"an unreadable file after a recording", [&] {
             Load(good);
             Load(Unreadable());
         }, goodTitle, 1, false},
        {"a missing file after an unreadable one", [&] {
             Load(other);
             Load(good);
             Load(Unreadable());
             Load(Missing());
         }, goodTitle, 1, false},
        {"a missing file first", [&] { Load(Missing()); }, DesignCaption(), 1,
         false},
    };
    for (const Case& c : table) {
        Start();
        c.steps();
        EXPECT_EQ(Window().windowTitle(), c.title) << c.name;
        EXPECT_EQ(Ui().GrafikRadio->ItemIndex(), c.mode) << c.name;
        EXPECT_EQ(int(State().session.CurrentSettings().picture), c.mode) << c.name;
        EXPECT_EQ(State().fileLoaded, c.loaded) << c.name;
        if (!c.loaded) {
            EXPECT_EQ(Ui().StatusBar1->PanelText(0), QStringLiteral("!! file load ERROR !!")) << c.name;
        }
    }
}

TEST_F(StatesTest, AMissingFileOnTheCommandLineIsReportedInABox) {
    Create();
    Window().FormCreate(Missing());
    EXPECT_EQ(fake_.dialogs, 0);
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0], QStringLiteral("Datei nicht gefunden"));
    EXPECT_FALSE(State().fileLoaded);
}

// The user acts at the animation's third wait; what follows, and the picture it ends with.
TEST_F(StatesTest, TheAnimationAnswersAClickOnThePictureAndEndAndDropsTheRest) {
    const std::string file = StereoFile("states_animation.wav");
    const auto animate = [&](std::function<void()> act) {
        Start({file});
        Window().show();
        QApplication::setActiveWindow(&Window());
        fake_.pauses.clear();
        fake_.duringPause = [act](int pause) {
            if (pause == 3 && act) act();
        };
        Ui().GrafikRadio->SetItemIndex(2);
        fake_.duringPause = nullptr;
    };
    animate(nullptr);
    const size_t allPauses = fake_.pauses.size();
    ASSERT_GT(allPauses, 10u);
    const QImage whole = Window().Parts().canvas.Image();
    const int runs = Window().Parts().recomputeRuns;

    struct Case {
        const char* name;
        std::function<void()> act;
        size_t pauses;
        int exits;
    };
    const Case table[] = {
        {"a click on the picture", [this] {
             QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(100, 100));
         }, 3, 0},
        {"Ende", [this] { QTest::mouseClick(Ui().ToolButton5, Qt::LeftButton); }, 3, 1},
        {"Ctrl+Q", [this] { QTest::keyClick(Ui().Image1, Qt::Key_Q, Qt::ControlModifier); },
         3, 1},
        {"a click on 2D", [this] {
             QTest::mouseClick(Ui().GrafikRadio->Button(1), Qt::LeftButton);
         }, allPauses, 0},
        {"F5", [this] { QTest::keyClick(Ui().Image1, Qt::Key_F5); }, allPauses, 0},
    };
    for (const Case& c : table) {
        fake_.exits = 0;
        animate([this, &c] { c.act(); });
        EXPECT_EQ(fake_.pauses.size(), c.pauses) << c.name;
        EXPECT_EQ(fake_.exits, c.exits) << c.name;
        // Nothing the user did meanwhile comes afterwards: the 1D picture stands, drawn whole.
        EXPECT_EQ(Ui().GrafikRadio->ItemIndex(), 2) << c.name;
        EXPECT_EQ(Window().Parts().recomputeRuns, runs) << c.name;
        EXPECT_EQ(Window().Parts().canvas.Image(), whole) << c.name;
    }
}

}  // namespace
}  // namespace pirolex::testing
