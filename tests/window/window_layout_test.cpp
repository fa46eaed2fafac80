// Every control at its design place with its design values, and the state after start-up.
#include "branding.h"
#include "ruler.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>

namespace pirolex::testing {
namespace {

struct Placed {
    const char* name;
    QWidget* widget;
    QRect geometry;
    QString hint;
};

class LayoutTest : public WindowTest {};

TEST_F(LayoutTest, ControlsSitAtTheirDesignPlacesWithTheirHints) {
    Start();
    const WindowUi& ui = Ui();
    const Placed table[] = {
        {"ToolBar1", ui.ToolBar1, {0, 0, 1078, 33}, {}},
        {"KanalRadioGroup", ui.KanalRadioGroup, {16, 40, 89, 89}, "Auswahl der Tonspur"},
        {"GrafikRadio", ui.GrafikRadio, {112, 40, 89, 89}, "Grafikmodeauswahl"},
        {"Gauge1", ui.Gauge1, {544, 48, 321, 17}, {}},
        {"Image1", ui.Image1, {250, 74, 615, 271},
         "klicken zur Geschwindigkeitsmessung: linke Taste auf den Ton des Anflugs (A), rechte auf den des Abflugs (B)"},
        {"GenauRadioGroup", ui.GenauRadioGroup, {16, 136, 89, 73},
         "Genauigkeit der Grafikberechnung"},
        {"PCheckbox", ui.PCheckbox, {120, 144, 81, 25}, "Phase als Farbe anzeigen"},
        {"CFARCheckBox", ui.CFARCheckBox, {120, 176, 73, 25}, "Umschalten des Anzeigefilters"},
        {"GroupBox1", ui.GroupBox1, {16, 216, 185, 65}, {}},
        {"LimTrackBar", ui.LimTrackBar, {8, 16, 169, 25}, "LimitSchwelle"},
        {"GroupBox2", ui.GroupBox2, {16, 216, 185, 65}, {}},
        {"CFARTrackBar", ui.CFARTrackBar, {8, 16, 169, 25}, "Punkte pro Linie"},
        {"GroupBox3", ui.GroupBox3, {16, 288, 185, 65}, {}},
        {"TrackBar1", ui.TrackBar1, {8, 16, 169, 25}, "Auflösung der FFT"},
        {"SpinEdit1", ui.SpinEdit1, {120, 360, 64, 22}, "Lufttemperatur bei der Tonaufname"},
        // Added under the temperature, in the left column's free room above the status bar.
        {"TopSpeedEdit", ui.TopSpeedEdit, {120, 390, 81, 22},
         "Höchstgeschwindigkeit des Modells: schneller misst die Automatik nicht, zwei Klicks "
         "gelten dann als zweifelhaft"},
        {"StatusBar1", ui.StatusBar1, {0, 449 - 21, 1078, 21}, {}},
        // The rulers and the band's row hug the plot.
        {"TimeRuler", ui.TimeRuler, {210, 74, 40, 271}, {}},
        {"FrequencyRuler", ui.FrequencyRuler, {250, 345, 615, 18}, {}},
        {"BandRow", ui.BandRow, {250, 365, 615, 24}, {}},
        // The passes right of the plot, the overview under it right of "Ausschnitt ab".
        {"PassList", ui.PassList, {873, 74, 184, 230}, "Vorbeiflug wählen: Ausschnitt, Kurve und Marken zeigen"},
        {"SavePassListButton", ui.SavePassListButton, {873, 365, 184, 24}, "Die Vorbeiflüge als CSV-Datei speichern"},
    };
    for (const Placed& p : table) {
        EXPECT_EQ(p.widget->geometry(), p.geometry) << p.name;
        EXPECT_EQ(p.widget->toolTip(), p.hint) << p.name;
    }
    const std::pair<QLabel*, QPoint> labels[] = {
        {ui.Label1, {212, 48}}, {ui.LimLabel, {15, 44}}, {ui.CFARLabel, {19, 44}},
        {ui.FFTLabel, {20, 44}}, {ui.Label2, {24, 360}}, {ui.TopSpeedLabel, {24, 390}}};
    for (const auto& [label, place] : labels) EXPECT_EQ(label->pos(), place) << label->text().toStdString();
}

struct Button {
    const char* name;
    QToolButton* button;
    int x;
    QString hint;
    bool enabled;
};

TEST_F(LayoutTest, ToolButtonsInTheirOrderWithHintsAndStartStates) {
    Start();
    const WindowUi& ui = Ui();
    const Button table[] = {
        {"ToolButton1", ui.ToolButton1, 0, "WAV-File laden (Strg+O)", true},
        {"ToolButton2", ui.ToolButton2, 23, "Sound abspielen", false},
        {"ToolButton3", ui.ToolButton3, 46, "Berechnung der Grafik (F5)", false},
        {"ToolButton4", ui.ToolButton4, 69, "Drucken des Fensters (Strg+P)", false},
        {"ToolButton7", ui.ToolButton7, 92, "Grafik speichern (Strg+S)", false},
        {"ToolButton9", ui.ToolButton9, 115, "Automatisch messen", false},
        {"ToolButton10", ui.ToolButton10, 138, "Messung kopieren (Strg+C)", false},
        {"ToolButton8", ui.ToolButton8, 785, "Info (F1)", true},
        {"ToolButton5", ui.ToolButton5, 808, "Ende (Strg+Q)", true},
    };
    for (const Button& b : table) {
        EXPECT_EQ(b.button->x(), b.x) << b.name;
        EXPECT_EQ(b.button->parentWidget(), ui.ToolBar1) << b.name;
        EXPECT_EQ(b.button->toolTip(), b.hint) << b.name;
        EXPECT_EQ(b.button->isEnabled(), b.enabled) << b.name;
        EXPECT_FALSE(b.button->icon().isNull()) << b.name;
    }
}

struct Track {
    const char* name;
    QSlider* slider;
    int min, max, position, line, page;
};

TEST_F(LayoutTest, TrackBarsHaveTheirRangesStepsAndTicks) {
    Start();
    const WindowUi& ui = Ui();
    const Track table[] = {
        {"LimTrackBar", ui.LimTrackBar, 0, 30, 20, 5, 2},
        {"CFARTrackBar", ui.CFARTrackBar, 5, 50, 20, 1, 2},
        {"TrackBar1", ui.TrackBar1, 7, 14, 10, 1, 1},
    };
    for (const Track& t : table) {
        EXPECT_EQ(t.slider->orientation(), Qt::Horizontal) << t.name;
        EXPECT_EQ(t.slider->minimum(), t.min) << t.name;
        EXPECT_EQ(t.slider->maximum(), t.max) << t.name;
        EXPECT_EQ(t.slider->value(), t.position) << t.name;
        EXPECT_EQ(t.slider->singleStep(), t.line) << t.name;
        EXPECT_EQ(t.slider->pageStep(), t.page) << t.name;
        EXPECT_EQ(t.slider->tickPosition(), QSlider::TicksBelow) << t.name;
        EXPECT_EQ(t.slider->tickInterval(), 1) << t.name;
    }
}

struct Group {
    const char* name;
    RadioGroup* group;
    QString caption;
    QStringList items;
    int index;
};

TEST_F(LayoutTest, RadioGroupsHaveTheirCaptionsItemsAndIndices) {
    Start();
    const WindowUi& ui = Ui();
    const Group table[] = {
        {"KanalRadioGroup", ui.KanalRadioGroup, "Tonkanal", {"links", "rechts", "beide"}, 0},
        {"GrafikRadio", ui.GrafikRadio, "Grafikmode", {"3D", "2D", "1D", "Pegel"}, 1},
        {"GenauRadioGroup", ui.GenauRadioGroup, "Genauigkeit", {"norm", "fein"}, 0},
    };
    for (const Group& g : table) {
        EXPECT_EQ(g.group->title(), g.caption) << g.name;
        ASSERT_EQ(g.group->Count(), g.items.size()) << g.name;
        for (int i = 0; i < g.group->Count(); ++i) EXPECT_EQ(g.group->Button(i)->text(), g.items[i]);
        EXPECT_EQ(g.group->ItemIndex(), g.index) << g.name;
        EXPECT_TRUE(g.group->isEnabled()) << g.name;
    }
}

TEST_F(LayoutTest, CaptionsTextsAndVisibilityAfterStartUp) {
    Start();
    const WindowUi& ui = Ui();
    EXPECT_EQ(ui.PCheckbox->text(), "IQ-Phase");
    EXPECT_FALSE(ui.PCheckbox->isChecked());
    EXPECT_EQ(ui.CFARCheckBox->text(), "const. PPL");
    EXPECT_TRUE(ui.CFARCheckBox->isChecked());
    EXPECT_EQ(ui.GroupBox1->title(), "Schwellwert");
    EXPECT_EQ(ui.GroupBox2->title(), "Punkte pro Linie");
    EXPECT_EQ(ui.GroupBox3->title(), "FFT-Filter-Zahl");
    EXPECT_TRUE(ui.GroupBox1->isHidden());  // "const. PPL" is checked
    EXPECT_FALSE(ui.GroupBox2->isHidden());
    EXPECT_EQ(ui.Label1->text(), "Speed: ?");
    EXPECT_TRUE(ui.Label1->font().bold());
    EXPECT_TRUE(ui.Label1->font().underline());
    EXPECT_EQ(ui.Label1->font().pixelSize(), 13);
    EXPECT_EQ(ui.Label2->text(), "Lufttemperatur:");
    EXPECT_EQ(ui.Label2->font().pixelSize(), 13);
    EXPECT_EQ(Window().font().pixelSize(), 11);
    EXPECT_EQ(ui.FFTLabel->text(), "1024 FFT-Filter");
    EXPECT_TRUE(ui.Gauge1->isHidden());
    EXPECT_EQ(ui.Gauge1->Progress(), 0);
    EXPECT_EQ(ui.SpinEdit1->minimum(), -20);
    EXPECT_EQ(ui.SpinEdit1->maximum(), 40);
    EXPECT_EQ(ui.SpinEdit1->value(), 15);
    EXPECT_FALSE(ui.Image1->isHidden());
    EXPECT_EQ(Window().Parts().canvas.Width(), 615);
    EXPECT_EQ(Window().Parts().canvas.Height(), 271);
}

TEST_F(LayoutTest, BeforeStartUpTheWindowShowsItsDesignCaptionAndNoFile) {
    Create();
    EXPECT_EQ(Window().windowTitle(),
              QStringLiteral("Pirolex Stereo V2.1 (%1)").arg(kWebAddress));
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), "no file");
    EXPECT_EQ(OuterWidth(Window()), 1086);
    EXPECT_EQ(OuterHeight(Window()), 480);
    EXPECT_EQ(Window().width(), 1078);
    // The debounce timer runs from creation on.
    EXPECT_TRUE(Window().Parts().timer1.isActive());
    EXPECT_TRUE(Window().Parts().timer1.isSingleShot());
    EXPECT_EQ(Window().Parts().timer1.interval(), 250);
}

TEST_F(LayoutTest, StartUpSetsTheStateAndOpensTheDialogOnce) {
    Start();
    const WindowState& s = State();
    EXPECT_EQ(fake_.dialogs, 1);
    EXPECT_EQ(s.session.CurrentSettings().picture, Picture::k2D);
    EXPECT_FALSE(s.fileLoaded);
    EXPECT_EQ(s.session.CurrentSettings().fftExponent, 10);
    EXPECT_EQ(s.session.CurrentSettings().FftMask(), 1023);
    EXPECT_EQ(s.session.CurrentSettings().TableStride(), 1);
    EXPECT_EQ(s.filterCount, 1024);
    EXPECT_EQ(s.session.LineStep(), 0);
    // The cancelled dialog leaves the design caption, and panel 0 the FFT size's handler's text;
    // the FFT size is shown.
    EXPECT_EQ(Window().windowTitle(), DesignCaption());
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), "1024 Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), "1024 Filter");
    EXPECT_TRUE(fake_.messages.empty());
}

TEST_F(LayoutTest, StartUpCentresTheWindowOnTheScreen) {
    Start();
    const QRect screen = Window().screen()->geometry();
    EXPECT_EQ(Window().x(), screen.left() + (screen.width() - 1086) / 2);
    EXPECT_EQ(Window().y(), screen.top() + (screen.height() - 480) / 2);
}

}  // namespace
}  // namespace pirolex::testing
