// "Hilfe": the guide's sections, the button and the key that open it beside the window while F1
// keeps showing "Info".
#include "help_window.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>

namespace pirolex::testing {
namespace {

QStringList Headings(const QTextDocument& document) {
    QStringList headings;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0) headings << block.text();
    return headings;
}

HelpWindow* OpenHelp(QWidget& window) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* help = dynamic_cast<HelpWindow*>(top); help && help->parent() == &window && help->isVisible())
            return help;
    return nullptr;
}

TEST(HelpWindow, TheGuideHasItsSectionsInOrder) {
    const HelpWindow help;
    EXPECT_EQ(Headings(*help.Text()->document()),
              QStringList({"Einen Vorbeiflug aufnehmen", "Automatisch messen", "Mit zwei Klicks messen",
                           "Die Liste der Vorbeiflüge", "Live zuhören", "„zweifelhaft“", "„keine Messung“"}));
    const QString text = help.Text()->toPlainText();
    for (const char* words : {"linken Maustaste auf den Ton des Anflugs", "rechten Maustaste auf den Ton des Abflugs",
                              "Spitze suchen", "größere FFT", "Wind", "die Aufnahme ist stumm",
                              "der Ton springt von einer Harmonischen zur anderen",
                              "die tiefen Töne fehlen auf einer Seite des Vorbeiflugs"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(words))) << words;
}

class HelpTest : public WindowTest {};

TEST_F(HelpTest, TheButtonAndUmschaltF1OpenTheGuideAndF1StaysInfo) {
    Start({});
    Window().show();
    QApplication::setActiveWindow(&Window());
    const size_t messages = fake_.messages.size();
    QTest::keyClick(Ui().Image1, Qt::Key_F1);
    EXPECT_EQ(fake_.messages.size(), messages + 1) << "Info";
    EXPECT_EQ(OpenHelp(Window()), nullptr);
    QTest::keyClick(Ui().Image1, Qt::Key_F1, Qt::ShiftModifier);
    HelpWindow* help = OpenHelp(Window());
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isWindow());
    // PIROLEX_HELP_SHOT=PATH keeps a picture of the guide, to look at.
    if (const QString shot = qEnvironmentVariable("PIROLEX_HELP_SHOT"); !shot.isEmpty()) help->grab().save(shot);
    help->close();
    Ui().HelpButton->click();
    EXPECT_EQ(OpenHelp(Window()), help) << "the same guide again";
    EXPECT_EQ(fake_.messages.size(), messages + 1) << "no message box on the way";
    help->close();
    Window().hide();
}

}  // namespace
}  // namespace pirolex::testing
