// Mending texts into netCDF names.
#include "convertlib/ncnames.h"

namespace convert {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 character that starts text (a byte beyond ASCII),
// or 0 when it is not one (a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
size_t utf8Length(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else return 0;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (!isContinuation(byte(i))) return 0;
    return length;
}

bool isAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// "/", control characters and bytes that are not UTF-8 made "_".
std::string replaceForbidden(std::string_view text) {
    std::string name;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t n = utf8Length(text.substr(i));
            name += n == 0 ? std::string("_") : std::string(text.substr(i, n));
            i += n == 0 ? 1 : n;
            continue;
        }
        name += c < 0x20 || c == 0x7F || c == '/' ? '_' : static_cast<char>(c);
        ++i;
    }
    return name;
}

std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// text cut to at most limit bytes at the start of a character, without spaces at its end.
std::string cutTo(std::string_view text, size_t limit) {
    if (text.size() > limit) {
        size_t end = limit;
        while (end > 0 && isContinuation(static_cast<unsigned char>(text[end]))) --end;
        text = text.substr(0, end);
    }
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

std::string netcdfName(std::string_view text) {
    const std::string replaced = replaceForbidden(text);
    std::string name(trimSpaces(replaced));
    if (name.empty()) return name;
    const unsigned char first = static_cast<unsigned char>(name[0]);
    if (first < 0x80 && !isAsciiAlnum(name[0]) && name[0] != '_') name = "v" + name;
    return cutTo(name, MaxNameBytes);
}

std::string numberedName(std::string_view name, int n) {
    const std::string suffix = "_v" + std::to_string(n);
    return cutTo(name, MaxNameBytes - suffix.size()) + suffix;
}

}  // namespace convert
