// The measurement kept beyond the window: the record under a saved or printed picture, the PNG's
// text fields and the line the copy command puts on the clipboard.
#include "main_window.h"

#include "caption_strip.h"
#include "messages.h"
#include "widgets.h"

#include <QClipboard>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>

namespace pirolex {

namespace {

QStringList Rows(const texts::RecordValues& values) {
    QStringList rows;
    for (const std::string& row : texts::RecordRows(values)) rows << QString::fromStdString(row);
    return rows;
}

}  // namespace

// The one reader of the measurement for everything that keeps it: numbers from the session, the
// words made from them here, never read back from the label.
texts::RecordValues TPirolex::MeasurementRecord() const {
    const WindowState& state = *state_;
    const PictureSession& session = state.session;
    const std::optional<PlacedMarker>& markerA = session.Marker(MarkerSide::kA);
    const std::optional<PlacedMarker>& markerB = session.Marker(MarkerSide::kB);
    texts::RecordValues values;
    values.speedLine = MeasurementText();
    if (state.autoSpeed)
        values.source = texts::kSourceAutomatic;
    else if (markerA && markerB)
        values.source = texts::kSourceClicks;
    if (markerA) values.hzA = markerA->hz;
    if (markerB) values.hzB = markerB->hz;
    values.temperature = session.Temperature();
    values.fileName = QFileInfo(QString::fromStdString(state.fileName)).fileName().toStdString();
    values.date =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    return values;
}

QImage TPirolex::RecordedPicture() const {
    return WithCaptionStrip(canvas_.Image(), Rows(MeasurementRecord()));
}

PngText TPirolex::RecordTextFields() const {
    PngText fields;
    for (const texts::RecordField& field : texts::RecordFields(MeasurementRecord()))
        fields.emplace_back(QString::fromStdString(field.key), QString::fromStdString(field.value));
    fields.emplace_back(QStringLiteral("Software"), QStringLiteral("Pirolex"));
    return fields;
}

QStringList TPirolex::RecordRows() const {
    return Rows(MeasurementRecord());
}

void TPirolex::ToolButton10Click() {
    Guard([this] {
        if (!state_->fileLoaded) return;
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(texts::RecordLine(MeasurementRecord())));
    });
}

}  // namespace pirolex
