#include "measurement_record.h"

#include <cmath>
#include <cstdio>

namespace pirolex::texts {

namespace {

constexpr const char* kFieldGap = "   ";

std::string Hz(double hz) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f Hz", hz);
    return text;
}

// As the field shows it: a whole degree without a decimal ("15 °C"), else in tenths ("22.5 °C").
std::string Celsius(double temperature) {
    const double tenths = std::round(temperature * 10.0);
    char text[48];
    if (std::fmod(tenths, 10.0) == 0.0)
        std::snprintf(text, sizeof text, "%.0f °C", tenths / 10.0 + 0.0);
    else
        std::snprintf(text, sizeof text, "%.1f °C", tenths / 10.0);
    return text;
}

// The speed line without the blank the label keeps at its end.
std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string Labelled(const RecordField& field) {
    return field.key + ": " + field.value;
}

}  // namespace

std::vector<RecordField> RecordFields(const RecordValues& values) {
    std::vector<RecordField> fields;
    if (!Trimmed(values.speedLine).empty()) fields.push_back({"Messung", Trimmed(values.speedLine)});
    if (values.hzA) fields.push_back({"Marke A", Hz(*values.hzA)});
    if (values.hzB) fields.push_back({"Marke B", Hz(*values.hzB)});
    if (!values.source.empty()) fields.push_back({"Quelle", values.source});
    if (!values.pass.empty()) fields.push_back({"Vorbeiflug", values.pass});
    if (values.temperature)
        fields.push_back({"Lufttemperatur", Celsius(*values.temperature)});
    if (!values.fileName.empty()) fields.push_back({"Datei", values.fileName});
    if (!values.date.empty()) fields.push_back({"Datum", values.date});
    return fields;
}

std::vector<std::string> RecordRows(const RecordValues& values) {
    std::vector<std::string> rows(3);
    for (const RecordField& field : RecordFields(values)) {
        if (field.key == "Messung" || field.key == "Quelle" || field.key == "Vorbeiflug") {
            // The source and the pass beside the speed they name.
            rows[0] += (rows[0].empty() ? "" : kFieldGap) + (field.key == "Messung" ? field.value : Labelled(field));
            continue;
        }
        std::string& row = field.key == "Datei" || field.key == "Datum" ? rows[2] : rows[1];
        row += (row.empty() ? "" : kFieldGap) + Labelled(field);
    }
    return rows;
}

std::string RecordLine(const RecordValues& values) {
    std::string line;
    for (const RecordField& field : RecordFields(values)) {
        if (!line.empty()) line += "; ";
        line += field.key == "Messung" ? field.value : Labelled(field);
    }
    return line;
}

}  // namespace pirolex::texts
