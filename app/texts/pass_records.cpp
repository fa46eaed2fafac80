#include "pass_records.h"

#include "messages.h"
#include "safe_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace pirolex::texts {

namespace {

// A field's value as both formats write it: a number (already formatted), a text, or nothing.
struct Field {
    const char* key;
    std::optional<std::string> number;
    std::optional<std::string> text;
    // A text with a decimal point in it ("1:24.3"), which the German variant writes with a comma.
    bool decimalText = false;
};

// Every column in its order with its German heading.
struct Column {
    const char* key;
    const char* german;
};

constexpr Column kColumns[] = {
    {"file", "Datei"},
    {"pass", "Vorbeiflug"},
    {"heard_s", "Gehört (s)"},
    {"kmh", "Geschwindigkeit (km/h)"},
    {"sigma_kmh", "Unsicherheit (km/h)"},
    {"f0_hz", "Ton in Ruhe (Hz)"},
    {"closest_s", "Nächster Punkt (s)"},
    {"distance_m", "Abstand (m)"},
    {"harmonic", "Harmonische"},
    {"approach_hz", "Anflug (Hz)"},
    {"recede_hz", "Abflug (Hz)"},
    {"refused", "Keine Messung"},
    {"reported_s", "Gemeldet (s)"},
    {"temp_c", "Temperatur (°C)"},
    {"recorded", "Aufgenommen"},
    {"heard", "Gehört (min:s)"},
    {"source", "Quelle"},
};

// Always with a decimal point; nothing where there is no finite number.
std::optional<std::string> Number(double value, int decimals) {
    if (!std::isfinite(value)) return std::nullopt;
    if (value == 0.0) value = 0.0;  // no "-0.000"
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, result.ptr);
}

// The shortest text that reads back as the same number: a temperature of 15 is "15", of 12.5 "12.5".
std::optional<std::string> ShortestNumber(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    if (value == 0.0) value = 0.0;
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

constexpr int kDecimals = 3;

std::string SourceText(PassSource source) {
    return source == PassSource::kTwoClicks ? "zwei Klicks" : "automatisch";
}

// Every column in its order, the unknown ones empty, so that the CSV rows line up with the header
// and the JSON objects leave them out.
std::vector<Field> Fields(const std::string& file, const FlybyPass* pass, AutoSpeedRefusal reason,
                          double topSpeedKmh, const PassColumns& columns, const TakeFacts& take) {
    std::vector<Field> fields;
    for (const Column& column : kColumns)
        if (columns.reportedS || std::string_view(column.key) != "reported_s")
            fields.push_back({column.key, std::nullopt, std::nullopt});
    fields[0].text = file;
    const auto field = [&](const char* key) -> Field& {
        return *std::find_if(fields.begin(), fields.end(),
                             [&](const Field& f) { return std::string_view(f.key) == key; });
    };
    const auto set = [&](const char* key, std::optional<std::string> number) { field(key).number = std::move(number); };
    set("temp_c", ShortestNumber(take.temperatureC));
    if (!take.recorded.empty()) field("recorded").text = take.recorded;
    if (!pass) {
        field("refused").text = RefusalText(reason, topSpeedKmh);
        // The search that found nothing was the automatic one.
        field("source").text = SourceText(PassSource::kAutomatic);
        return fields;
    }
    const AutoSpeed& s = pass->speed;
    set("pass", std::to_string(pass->number));
    set("heard_s", Number(pass->heardS, kDecimals));
    if (s.Answered()) {
        set("kmh", Number(s.speedKmh, kDecimals));
        set("sigma_kmh", Number(s.sigmaKmh, kDecimals));
        set("f0_hz", Number(s.restFrequencyHz, kDecimals));
        set("closest_s", Number(s.closestTimeS, kDecimals));
        set("distance_m", Number(s.closestDistanceM, kDecimals));
        set("harmonic", std::to_string(s.Harmonic()));
        set("approach_hz", Number(s.approachFrequencyHz, kDecimals));
        set("recede_hz", Number(s.recedeFrequencyHz, kDecimals));
    } else if (pass->clicked) {
        // Measured by two clicks where the fit refused: their speed and tones, no refusal.
        set("kmh", Number(pass->clicked->kmh, kDecimals));
        set("sigma_kmh", Number(pass->clicked->resolutionKmh, kDecimals));
        set("approach_hz", Number(pass->clicked->hzA, kDecimals));
        set("recede_hz", Number(pass->clicked->hzB, kDecimals));
    } else {
        field("refused").text = RefusalText(s.refusal, s.topSpeedKmh);
    }
    if (columns.reportedS) set("reported_s", Number(pass->reportedS, kDecimals));
    if (std::isfinite(pass->heardS)) {
        field("heard").text = PassTime(pass->heardS);
        field("heard").decimalText = true;
    }
    field("source").text = SourceText(pass->source);
    return fields;
}

std::string JsonLine(const std::vector<Field>& fields) {
    std::string out = "{";
    for (const Field& f : fields) {
        if (!f.number && !f.text) continue;
        if (out.size() > 1) out += ',';
        out += JsonString(f.key) + ':' + (f.number ? *f.number : JsonString(*f.text));
    }
    return out + "}\n";
}

// Quoted where a spreadsheet would otherwise split or trim it, and never a formula.
std::string CsvText(const std::string& raw) {
    const std::string text = NeutralisedCell(raw);
    const bool quote = text.find_first_of(",\"\r\n;") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

// The German variant's decimal comma.
std::string WithComma(std::string number) {
    std::replace(number.begin(), number.end(), '.', ',');
    return number;
}

std::string CsvLine(const std::vector<Field>& fields, bool german) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += german ? ';' : ',';
        const Field& f = fields[i];
        if (f.number) out += german ? WithComma(*f.number) : *f.number;
        else if (f.text) out += CsvText(german && f.decimalText ? WithComma(*f.text) : *f.text);
    }
    return out + '\n';
}

// Tells a spreadsheet that the file is UTF-8, so that "Gehört" and "°C" show as written.
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::string JsonString(const std::string& raw) {
    const std::string text = ValidUtf8(raw);
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char code[8];
                std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
                out += code;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string PassJsonLine(const std::string& file, const FlybyPass& pass, const PassColumns& columns,
                         const TakeFacts& take) {
    return JsonLine(Fields(file, &pass, AutoSpeedRefusal::kNone, 0.0, columns, take));
}

std::string NoPassJsonLine(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh,
                           const TakeFacts& take) {
    return JsonLine(Fields(file, nullptr, reason, topSpeedKmh, {}, take));
}

std::string PassCsvHeader(const PassColumns& columns) {
    std::string out = columns.german ? kByteOrderMark : "";
    bool first = true;
    for (const Column& column : kColumns) {
        if (!columns.reportedS && std::string_view(column.key) == "reported_s") continue;
        if (!first) out += columns.german ? ';' : ',';
        first = false;
        out += columns.german ? column.german : column.key;
    }
    out += '\n';
    return out;
}

std::string PassCsvRow(const std::string& file, const FlybyPass& pass, const PassColumns& columns,
                       const TakeFacts& take) {
    return CsvLine(Fields(file, &pass, AutoSpeedRefusal::kNone, 0.0, columns, take), columns.german);
}

std::string NoPassCsvRow(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh,
                         const PassColumns& columns, const TakeFacts& take) {
    return CsvLine(Fields(file, nullptr, reason, topSpeedKmh, columns, take), columns.german);
}

}  // namespace pirolex::texts
