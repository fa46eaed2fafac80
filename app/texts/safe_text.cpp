#include "safe_text.h"

#include <cstdint>
#include <cstdio>

namespace pirolex::texts {

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0 where the byte there starts none
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, or cut short).
size_t SequenceLength(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return i < text.size() ? static_cast<uint8_t>(text[i]) : uint8_t{0}; };
    const uint8_t lead = byte(at);
    const auto continuation = [&](size_t i, uint8_t low = 0x80, uint8_t high = 0xBF) {
        return at + i < text.size() && byte(at + i) >= low && byte(at + i) <= high;
    };
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong form
        const uint8_t high = lead == 0xED ? 0x9F : 0xBF;  // no surrogate
        return continuation(1, low, high) && continuation(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uint8_t low = lead == 0xF0 ? 0x90 : 0x80;
        const uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;  // up to U+10FFFF
        return continuation(1, low, high) && continuation(2) && continuation(3) ? 4 : 0;
    }
    return 0;
}

constexpr const char* kReplacement = "\xEF\xBF\xBD";

std::string Escaped(const char* format, unsigned value) {
    char code[12];
    std::snprintf(code, sizeof code, format, value);
    return code;
}

}  // namespace

std::string ValidUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = SequenceLength(text, at);
        if (length == 0) {
            out += kReplacement;
            ++at;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

std::string TerminalSafe(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<uint8_t>(text[at]);
        const size_t length = SequenceLength(text, at);
        if (length == 0) {
            out += Escaped("\\x%02x", lead);
            ++at;
            continue;
        }
        if (lead == '\n') out += "\\n";
        else if (lead == '\r') out += "\\r";
        else if (lead == '\t') out += "\\t";
        else if (lead == 0x1B) out += "\\e";
        else if (lead < 0x20 || lead == 0x7F) out += Escaped("\\x%02x", lead);
        // U+0080 to U+009F: C1 controls, which some terminals obey as escape sequences.
        else if (lead == 0xC2 && static_cast<uint8_t>(text[at + 1]) < 0xA0)
            out += Escaped("\\u%04x", static_cast<uint8_t>(text[at + 1]));
        else out.append(text, at, length);
        at += length;
    }
    return out;
}

std::string NeutralisedCell(const std::string& text) {
    if (text.empty()) return text;
    switch (text.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r': return "'" + text;
    default: return text;
    }
}

}  // namespace pirolex::texts
