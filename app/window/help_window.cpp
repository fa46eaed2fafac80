#include "help_window.h"

#include "auto_speed.h"
#include "branding.h"
#include "messages.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace pirolex {

namespace {

constexpr int kWidth = 620;
constexpr int kHeight = 640;

// What to try after each refusal of the automatic measurement; its own sentence says what was
// wrong.
struct RefusalAdvice {
    AutoSpeedRefusal refusal;
    const char* advice;
};

constexpr RefusalAdvice kRefusalAdvice[] = {
    {AutoSpeedRefusal::kNoSamples, "Eine andere Datei laden; diese enthält keinen Ton."},
    {AutoSpeedRefusal::kTooShort, "Länger aufnehmen: einige Sekunden vor und nach dem Vorbeiflug."},
    {AutoSpeedRefusal::kSilence, "Den Eingang und seinen Pegel prüfen, dann neu aufnehmen."},
    {AutoSpeedRefusal::kNoTone,
     "Näher an der Bahn aufnehmen, das Mikrofon vor Wind schützen; oder mit zwei Klicks messen."},
    {AutoSpeedRefusal::kNoPass, "Die Aufnahme muss das Flugzeug kommen und gehen hören."},
    {AutoSpeedRefusal::kHalfPass, "Früher beginnen und länger aufnehmen, damit Anflug und Abflug darin sind."},
    {AutoSpeedRefusal::kNoFall,
     "Im Bild nachsehen: oft überdeckt ein Geräusch den Abfall. Mit zwei Klicks messen."},
    {AutoSpeedRefusal::kNoFit,
     "Gleichmäßig und gerade vorbeifliegen, mit gleichbleibender Drehzahl; oder mit zwei Klicks messen."},
    {AutoSpeedRefusal::kUnphysical, "Mit zwei Klicks messen und das Ergebnis prüfen."},
    {AutoSpeedRefusal::kUncertain, "Näher und mit gleichbleibender Drehzahl vorbeifliegen."},
    {AutoSpeedRefusal::kAboveTopSpeed,
     "„höchstens“ unter der Temperatur höher stellen, wenn das Flugzeug wirklich so schnell ist."},
    {AutoSpeedRefusal::kHarmonicChange,
     "Mit zwei Klicks auf einer Linie messen, die im Bild durchgehend zu sehen ist."},
    {AutoSpeedRefusal::kBandMissing,
     "Mit zwei Klicks auf einer Linie messen, die vor und nach dem Vorbeiflug zu sehen ist."},
};

QString Paragraph(const char* text) { return QStringLiteral("<p>") + QString::fromUtf8(text) + QStringLiteral("</p>"); }

QString Heading(const char* text) { return QStringLiteral("<h2>") + QString::fromUtf8(text) + QStringLiteral("</h2>"); }

QString RefusalList() {
    QString list = QStringLiteral("<ul>");
    for (const RefusalAdvice& item : kRefusalAdvice) {
        // The sentence as the window shows it, without its "keine Messung: " that the heading says.
        QString reason = QString::fromStdString(texts::RefusalText(item.refusal, kDefaultTopSpeedKmh));
        reason.remove(0, reason.indexOf(QLatin1Char(':')) + 2);
        list += QStringLiteral("<li><i>") + reason.toHtmlEscaped() + QStringLiteral("</i>: ") +
                QString::fromUtf8(item.advice) + QStringLiteral("</li>");
    }
    return list + QStringLiteral("</ul>");
}

QString Guide() {
    QString html;
    html += Heading("Einen Vorbeiflug aufnehmen");
    html += Paragraph(
        "Nah an der Bahn stehen, so dass das Flugzeug in wenigen Metern Abstand gerade und mit "
        "gleichbleibender Drehzahl vorbeifliegt. Einige Sekunden vor dem Vorbeiflug beginnen und "
        "einige Sekunden danach aufhören: Anflug und Abflug müssen zu hören sein. Das Mikrofon vor "
        "Wind schützen (Windschutz, Körper als Schatten); Wind am Mikrofon überdeckt den Motorton. "
        "Die „Lufttemperatur“ eintragen, jede Geschwindigkeit hängt von ihr ab.");
    html += Heading("Automatisch messen");
    html += Paragraph(
        "Die Aufnahme laden (Strg+O) und „Automatisch messen“ drücken. Pirolex sucht jeden "
        "Vorbeiflug, folgt dem Motorton, passt den Tonverlauf eines Vorbeiflugs an und zeigt die "
        "Geschwindigkeit mit ihrer Unsicherheit (±), die Kurve im Bild und die Marken A und B. Wo "
        "das nicht sicher geht, gibt es keine Messung statt einer falschen. Band und FFT-Größe "
        "folgen dem gefundenen Ton, bis „von“ und „bis“ von Hand gesetzt werden; „Band um den Ton“ "
        "lässt sie wieder folgen, ohne automatische Messung den Marken A und B oder dem gewählten "
        "Vorbeiflug. „Kurve“ blendet die angepasste Kurve aus, um die Spur darunter "
        "zu sehen.");
    html += Heading("Mit zwei Klicks messen");
    html += Paragraph(
        "Im 2D-Bild mit der <b>linken</b> Maustaste auf den Ton des <b>Anflugs</b> klicken (der "
        "höhere Ton vor dem Vorbeiflug, Marke A), mit der <b>rechten</b> Maustaste auf den Ton des "
        "<b>Abflugs</b> (der tiefere danach, Marke B). Mit „Spitze suchen“ springt jede Marke auf "
        "die Frequenz des Tons unter dem Klick, auf 0.1 Hz genau. Strg+Z nimmt den letzten Schritt "
        "zurück: eine Marke, eine Messung oder „als Messung übernehmen“, in der Reihenfolge, in der "
        "sie gemacht wurden.");
    html += Paragraph(
        "Tiefe Töne (große Motoren, langsame Drehzahl): mit „von“ und „bis“ nur das Band des Tons "
        "zeigen, z. B. 100 bis 600 Hz, und mit dem Regler eine größere FFT wählen, damit die Linien "
        "fein genug getrennt sind. „ganzes Band“ zeigt wieder alles.");
    html += Paragraph(
        "„Länge“ sagt, wie viele Sekunden die Grafik zeigt (2 bis zur ganzen Aufnahme), "
        "„Ausschnitt ab“, von wo an. Strg und das Mausrad über dem Bild machen den Ausschnitt "
        "kürzer oder länger, das Mausrad allein verschiebt ihn.");
    html += Heading("Die Liste der Vorbeiflüge");
    html += Paragraph(
        "Jeder gefundene Vorbeiflug steht mit seiner Zeit und Geschwindigkeit unter "
        "„Vorbeiflüge“. Ein Klick zeigt ihn im Bild. Hat die Automatik einen Vorbeiflug nicht "
        "gemessen, ihn wählen, mit zwei Klicks messen und „als Messung übernehmen“: die Zeile zeigt "
        "dann die Geschwindigkeit mit „zwei Klicks“. „Liste speichern“ schreibt die Liste als "
        "CSV-Datei, mit Temperatur, Aufnahmezeit und Quelle der Messung; der zweite Dateityp "
        "„CSV für Tabellenkalkulation (Semikolon)“ ist für eine deutsche Tabellenkalkulation "
        "(Semikolon, Dezimalkomma).");
    html += Heading("Live zuhören");
    html += Paragraph(
        "„Live“ (Strg+L) hört am gewählten Eingang zu und misst jeden Vorbeiflug, sobald er "
        "vorbei ist. Nach dem Anhalten steht die Aufnahme im Fenster; „Aufnahme speichern“ "
        "schreibt sie als WAV-Datei.");
    html += Heading("„zweifelhaft“");
    html += Paragraph(
        "Hinter einer Messung mit zwei Klicks steht „zweifelhaft“, wenn etwas nicht passt: die "
        "Geschwindigkeit liegt über „höchstens“, B liegt näher an einem Vielfachen von A als an A "
        "selbst (wahrscheinlich die falsche Linie, eine andere Harmonische), oder eine Marke liegt "
        "nicht auf einem Ton. Die Marken prüfen und neu setzen.");
    html += Heading("„keine Messung“");
    html += Paragraph("Die automatische Messung sagt, warum sie keine Geschwindigkeit angibt:");
    html += RefusalList();
    return html;
}

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setWindowTitle(QString::fromUtf8(kProgramTitle) + QStringLiteral(" – Hilfe"));
    resize(kWidth, kHeight);
    text_ = new QTextBrowser(this);
    text_->setOpenLinks(false);
    text_->setHtml(Guide());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
}

}  // namespace pirolex
