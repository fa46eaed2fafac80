#include "record_png.h"

#include "caption_strip.h"
#include "plot_png.h"

namespace pirolex {

QStringList RecordRowsOf(const texts::RecordValues& record) {
    QStringList rows;
    for (const std::string& row : texts::RecordRows(record)) rows << QString::fromStdString(row);
    return rows;
}

std::optional<Failure> WriteRecordPng(const QImage& picture, const texts::RecordValues& record, const QString& path,
                                      const std::vector<std::string>& inputs) {
    PngText fields;
    for (const texts::RecordField& field : texts::RecordFields(record))
        fields.emplace_back(QString::fromStdString(field.key), QString::fromStdString(field.value));
    fields.emplace_back(QStringLiteral("Software"), QStringLiteral("Pirolex"));
    return WritePng(WithCaptionStrip(picture, RecordRowsOf(record)), path, fields, inputs);
}

}  // namespace pirolex
