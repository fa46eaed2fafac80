#include "pass_panel.h"

#include "live_texts.h"
#include "loudness_overview.h"
#include "messages.h"
#include "overview_strip.h"
#include "pass_records.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <fstream>

namespace pirolex {

namespace {

constexpr int kListGap = 8;          // between the plot and the list, and at the window's edge
constexpr int kCaptionTop = 52;      // the caption, on the speed label's row
constexpr int kButtonHeight = 24;
constexpr int kDetailsHeight = 52;  // three lines
constexpr int kStripGap = 8;         // between "Ausschnitt ab" and the strip
constexpr int kOverviewColumns = 1024;

// A row names its pass in full in its tool tip too: a refusal's reason or "zwei Klicks" is wider
// than the list.
QListWidgetItem* Row(const std::string& text) {
    auto* row = new QListWidgetItem(QString::fromStdString(text));
    row->setToolTip(row->text());
    return row;
}

}  // namespace

PassPanel::PassPanel(QWidget* window)
    : caption_(new QLabel(QString::fromUtf8(texts::kPassListCaption), window)),
      list_(new QListWidget(window)),
      saveButton_(new QPushButton(QString::fromUtf8(texts::kSavePassList), window)),
      takeButton_(new QPushButton(QString::fromUtf8(texts::kTakeClicks), window)),
      details_(new QLabel(window)),
      overview_(new OverviewStrip(window)) {
    caption_->adjustSize();
    list_->setToolTip(QStringLiteral("Vorbeiflug wählen: Ausschnitt, Kurve und Marken zeigen"));
    saveButton_->setToolTip(QStringLiteral("Die Vorbeiflüge als CSV-Datei speichern"));
    saveButton_->setEnabled(false);
    takeButton_->setToolTip(QStringLiteral(
        "Die Geschwindigkeit aus zwei Klicks (A im Anflug, B im Abflug) als Messung dieses Vorbeiflugs in die Liste übernehmen"));
    takeButton_->setEnabled(false);
    takeButton_->hide();
    details_->setWordWrap(true);
    details_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    overview_->setToolTip(QStringLiteral("Die ganze Aufnahme: klicken oder ziehen wählt den Ausschnitt"));
    overview_->hide();
    QObject::connect(list_, &QListWidget::currentRowChanged, list_, [this](int row) {
        if (rowChosen) rowChosen(row);
    });
    QObject::connect(saveButton_, &QPushButton::clicked, saveButton_, [this] {
        if (save) save();
    });
    QObject::connect(takeButton_, &QPushButton::clicked, takeButton_, [this] {
        if (take) take();
    });
    overview_->OnSeek = [this](double seconds) {
        if (seek) seek(seconds);
    };
}

double PassMoment(const FlybyPass& pass) { return pass.speed.Answered() ? pass.speed.closestTimeS : pass.heardS; }

PassTones TonesOf(const FlybyPass& pass) {
    if (pass.clicked) return {pass.clicked->hzA, pass.clicked->hzB};
    return {pass.speed.approachFrequencyHz, pass.speed.recedeFrequencyHz};
}

void ForgetTaken(FlybyPass& pass) {
    pass.clicked.reset();
    pass.source = PassSource::kAutomatic;
}

const FlybyPass* PassPanel::Chosen() const {
    return chosen_ >= 0 && chosen_ < static_cast<int>(passes_.size()) ? &passes_[static_cast<size_t>(chosen_)]
                                                                        : nullptr;
}

void PassPanel::Place(const QRect& plot, int bottom, const QRect& spanControls) {
    const int left = plot.right() + 1 + kListGap;
    const int width = std::max(kWidth - 2 * kListGap, 1);
    caption_->move(left, kCaptionTop);
    const int listHeight = std::max(bottom - plot.top() - kButtonHeight - kDetailsHeight - kListGap, kButtonHeight);
    list_->setGeometry(left, plot.top(), width, listHeight);
    details_->setGeometry(left, plot.top() + listHeight + kListGap / 2, width, kDetailsHeight);
    // In the details' place: a pass the fit refused has none.
    takeButton_->setGeometry(left, details_->y(), width, kButtonHeight);
    saveButton_->setGeometry(left, bottom + 1 - kButtonHeight, width, kButtonHeight);
    const int stripLeft = spanControls.right() + 1 + kStripGap;
    overview_->setGeometry(stripLeft, spanControls.y(), std::max(plot.right() + 1 - stripLeft, 1), spanControls.height());
}

void PassPanel::SetPasses(std::vector<FlybyPass> passes, int chosen) {
    passes_ = std::move(passes);
    chosen_ = chosen >= 0 && chosen < static_cast<int>(passes_.size()) ? chosen : -1;
    ShowRows();
}

void PassPanel::AddFound(const FlybyPass& pass) {
    const auto at = std::upper_bound(passes_.begin(), passes_.end(), pass.heardS,
                                     [](double heard, const FlybyPass& p) { return heard < p.heardS; });
    const int row = static_cast<int>(at - passes_.begin());
    passes_.insert(at, pass);
    if (chosen_ >= row) ++chosen_;
    const QSignalBlocker quiet(list_);
    list_->insertItem(row, Row(texts::PassListRow(pass)));
    ShowChosen();
}

void PassPanel::Choose(int index) {
    chosen_ = index >= 0 && index < static_cast<int>(passes_.size()) ? index : -1;
    const QSignalBlocker quiet(list_);
    list_->setCurrentRow(chosen_);
    ShowChosen();
}

void PassPanel::EnableTake(bool possible) { takeButton_->setEnabled(possible); }

bool PassPanel::TakeClicked(const FlybyPass::Clicked& clicked) {
    if (chosen_ < 0 || chosen_ >= static_cast<int>(passes_.size())) return false;
    FlybyPass& pass = passes_[static_cast<size_t>(chosen_)];
    if (!TakeClickedSpeed(pass, clicked)) return false;
    ShowRow(chosen_);
    return true;
}

bool PassPanel::RestoreTaken(double heardS, const std::optional<FlybyPass::Clicked>& before) {
    const auto found =
        std::find_if(passes_.begin(), passes_.end(), [heardS](const FlybyPass& p) { return p.heardS == heardS; });
    if (found == passes_.end()) return false;
    ForgetTaken(*found);
    if (before) TakeClickedSpeed(*found, *before);
    ShowRow(static_cast<int>(found - passes_.begin()));
    ShowChosen();
    return true;
}

void PassPanel::ShowRow(int index) {
    if (QListWidgetItem* row = list_->item(index)) {
        row->setText(QString::fromStdString(texts::PassListRow(passes_[static_cast<size_t>(index)])));
        row->setToolTip(row->text());
    }
}

void PassPanel::StartLive() {
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
    }
    saveButton_->setEnabled(false);
    takeButton_->hide();
    details_->clear();
    overview_->SetPasses({}, -1);
}

void PassPanel::AddLive(const std::string& clock, const FlybyPass& pass) {
    list_->addItem(Row(texts::LivePassListRow(clock, pass)));
    list_->scrollToBottom();
}

// One row per pass; the chosen one selected without running the list's handler.
void PassPanel::ShowRows() {
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const FlybyPass& pass : passes_) list_->addItem(Row(texts::PassListRow(pass)));
        list_->setCurrentRow(chosen_);
    }
    ShowChosen();
}

// The chosen pass's details under the list and its tick on the strip.
void PassPanel::ShowChosen() {
    saveButton_->setEnabled(!passes_.empty());
    const FlybyPass* chosen = Chosen();
    details_->setText(chosen && chosen->speed.Answered() ? QString::fromStdString(texts::AutoSpeedDetails(chosen->speed))
                                                          : QString());
    takeButton_->setVisible(chosen && !chosen->speed.Answered());
    if (!chosen) {
        const QSignalBlocker quiet(list_);
        list_->setCurrentRow(-1);
        list_->clearSelection();
    }
    std::vector<double> heard;
    for (const FlybyPass& pass : passes_) heard.push_back(pass.heardS);
    overview_->SetPasses(std::move(heard), chosen_);
    if (chosenShown) chosenShown();
}

void PassPanel::ShowLoudness(const Recording& recording) {
    overview_->SetLoudness(LoudnessOverview(recording, kOverviewColumns), recording.Seconds());
}

void PassPanel::ShowSpan(bool visible, double fromS, double toS) {
    overview_->setVisible(visible);
    if (visible) overview_->SetSpan(fromS, toS);
}

std::string PassPanel::Csv(const std::string& recordingName, const texts::PassColumns& columns,
                           const texts::TakeFacts& take) const {
    std::string csv = texts::PassCsvHeader(columns);
    for (const FlybyPass& pass : passes_) csv += texts::PassCsvRow(recordingName, pass, columns, take);
    return csv;
}

}  // namespace pirolex
