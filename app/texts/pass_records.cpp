#include "pass_records.h"

#include "messages.h"

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
};

// Always with a decimal point; nothing where there is no finite number.
std::optional<std::string> Number(double value, int decimals) {
    if (!std::isfinite(value)) return std::nullopt;
    if (value == 0.0) value = 0.0;  // no "-0.000"
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, result.ptr);
}

constexpr int kDecimals = 3;

// Every column in its order, the unknown ones empty, so that the CSV rows line up with the header
// and the JSON objects leave them out.
std::vector<Field> Fields(const std::string& file, const FlybyPass* pass, AutoSpeedRefusal reason,
                          double topSpeedKmh, const PassColumns& columns) {
    std::vector<Field> fields;
    for (const char* key : {"file", "pass", "heard_s", "kmh", "sigma_kmh", "f0_hz", "closest_s", "distance_m",
                            "harmonic", "approach_hz", "recede_hz", "refused", "reported_s"})
        if (columns.reportedS || std::string_view(key) != "reported_s") fields.push_back({key, std::nullopt, std::nullopt});
    fields[0].text = file;
    const auto set = [&](const char* key, std::optional<std::string> number) {
        for (Field& f : fields)
            if (std::string_view(f.key) == key) f.number = std::move(number);
    };
    if (!pass) {
        fields[11].text = RefusalText(reason, topSpeedKmh);
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
        fields[11].text = RefusalText(s.refusal, s.topSpeedKmh);
    }
    if (columns.reportedS) set("reported_s", Number(pass->reportedS, kDecimals));
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

// Quoted where a spreadsheet would otherwise split or trim it.
std::string CsvText(const std::string& text) {
    const bool quote = text.find_first_of(",\"\r\n;") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

std::string CsvLine(const std::vector<Field>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        if (fields[i].number) out += *fields[i].number;
        else if (fields[i].text) out += CsvText(*fields[i].text);
    }
    return out + '\n';
}

}  // namespace

std::string JsonString(const std::string& text) {
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

std::string PassJsonLine(const std::string& file, const FlybyPass& pass, const PassColumns& columns) {
    return JsonLine(Fields(file, &pass, AutoSpeedRefusal::kNone, 0.0, columns));
}

std::string NoPassJsonLine(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh) {
    return JsonLine(Fields(file, nullptr, reason, topSpeedKmh, {}));
}

std::string PassCsvHeader(const PassColumns& columns) {
    std::string out;
    for (const Field& f : Fields({}, nullptr, AutoSpeedRefusal::kNone, 0.0, columns)) {
        if (!out.empty()) out += ',';
        out += f.key;
    }
    out += '\n';
    return out;
}

std::string PassCsvRow(const std::string& file, const FlybyPass& pass, const PassColumns& columns) {
    return CsvLine(Fields(file, &pass, AutoSpeedRefusal::kNone, 0.0, columns));
}

std::string NoPassCsvRow(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh,
                         const PassColumns& columns) {
    return CsvLine(Fields(file, nullptr, reason, topSpeedKmh, columns));
}

}  // namespace pirolex::texts
