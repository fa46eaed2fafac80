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
#include <QLabel>

#include <type_traits>

namespace pirolex {

namespace {

QStringList Rows(const texts::RecordValues& values) {
    QStringList rows;
    for (const std::string& row : texts::RecordRows(values)) rows << QString::fromStdString(row);
    return rows;
}

// A marker's frequency, whether the window keeps it as a plot column (0: not placed) or as a
// placed frequency.
template <typename Marker>
std::optional<double> MarkerHz(const Marker& marker, const FrequencyAxis& axis) {
    if constexpr (std::is_integral_v<Marker>) {
        if (marker > 0) return axis.HzAtColumn(marker);
        return std::nullopt;
    } else {
        if (marker) return marker->hz;
        return std::nullopt;
    }
}

}  // namespace

// The one reader of the markers for everything that keeps a measurement.
texts::RecordValues TPirolex::MeasurementRecord() const {
    const WindowState& state = *state_;
    texts::RecordValues values;
    values.speedLine = ui_.Label1->text().toStdString();
    if (values.speedLine == texts::kSpeedUnknown) values.speedLine.clear();
    if (state.fileLoaded && state.recording.sampleRate > 0) {
        const FrequencyAxis axis = AxisFor(state.recording, state.settings, state.view);
        values.hzA = MarkerHz(state.markerA, axis);
        values.hzB = MarkerHz(state.markerB, axis);
    }
    values.temperature = ui_.SpinEdit1->value();
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
