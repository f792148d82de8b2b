// The formatter of the driver's quoted formats (literals, I, F, E, A, repeat counts).
#include "libutil/fortfmt.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <vector>

namespace util {
namespace {

// One edit descriptor of a format, after repeat counts have been expanded.
struct Item {
    enum class Kind { Literal, Integer, Fixed, Exponent, Text, Blanks };
    Kind kind = Kind::Literal;
    std::string literal;  // Literal: the text to print
    int width = 0;        // field width; for Blanks the number of blanks; -1: A without width
    int digits = -1;      // In.m: m (-1 when absent); Fw.d and Ew.d: d
};

[[noreturn]] void malformed(std::string_view format, const char* why) {
    throw std::invalid_argument("format " + std::string(format) + ": " + why);
}

// Reads a decimal number at text[pos], or -1 when none is there.
int readNumber(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) return -1;
    long value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = value * 10 + (text[pos] - '0');
        if (value > 1000) return 1001;  // far beyond any line; refused by the caller
        ++pos;
    }
    return static_cast<int>(value);
}

// The body of a quoted literal starting after its opening apostrophe; pos ends after the
// closing one. A doubled apostrophe stands for one.
std::string readLiteral(std::string_view format, std::size_t& pos) {
    std::string text;
    for (;;) {
        if (pos >= format.size()) malformed(format, "literal not closed");
        const char c = format[pos++];
        if (c != '\'') {
            text += c;
        } else if (pos < format.size() && format[pos] == '\'') {
            text += '\'';
            ++pos;
        } else {
            return text;
        }
    }
}

// One data or blank descriptor starting at its letter.
Item readDescriptor(std::string_view format, std::size_t& pos, int count) {
    Item item;
    const char letter =
        static_cast<char>(std::toupper(static_cast<unsigned char>(format[pos++])));
    switch (letter) {
        case 'X':
            item.kind = Item::Kind::Blanks;
            item.width = count < 0 ? 1 : count;
            return item;
        case 'A':
            item.kind = Item::Kind::Text;
            item.width = readNumber(format, pos);
            if (item.width == 0 || item.width > 1000) malformed(format, "bad A width");
            return item;
        case 'I':
        case 'F':
        case 'E':
            break;
        default:
            malformed(format, "unknown edit descriptor");
    }
    item.kind = letter == 'I'   ? Item::Kind::Integer
                : letter == 'F' ? Item::Kind::Fixed
                                : Item::Kind::Exponent;
    item.width = readNumber(format, pos);
    if (item.width < 1 || item.width > 1000) malformed(format, "missing or bad width");
    if (pos < format.size() && format[pos] == '.') {
        ++pos;
        item.digits = readNumber(format, pos);
        if (item.digits < 0 || item.digits > 1000) malformed(format, "missing digits");
    }
    if (letter != 'I' && item.digits < 0) malformed(format, "F and E need w.d");
    if (letter == 'E' && item.digits < 1) malformed(format, "E needs at least one digit");
    return item;
}

std::vector<Item> parse(std::string_view format) {
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < format.size() && format[pos] == ' ') ++pos;
    };
    skipBlanks();
    if (pos >= format.size() || format[pos] != '(') malformed(format, "no opening parenthesis");
    ++pos;
    std::vector<Item> items;
    for (;;) {
        while (pos < format.size() && (format[pos] == ' ' || format[pos] == ',')) ++pos;
        if (pos >= format.size()) malformed(format, "no closing parenthesis");
        if (format[pos] == ')') break;
        if (format[pos] == '\'') {
            ++pos;
            items.push_back({Item::Kind::Literal, readLiteral(format, pos), 0, -1});
            continue;
        }
        const int count = readNumber(format, pos);
        if (count == 0 || count > 1000) malformed(format, "bad repeat count");
        if (pos >= format.size()) malformed(format, "descriptor missing");
        const Item item = readDescriptor(format, pos, count);
        const int repeat = (item.kind == Item::Kind::Blanks || count < 0) ? 1 : count;
        items.insert(items.end(), static_cast<std::size_t>(repeat), item);
    }
    ++pos;
    skipBlanks();
    if (pos != format.size()) malformed(format, "text after the closing parenthesis");
    return items;
}

std::string rightAligned(const std::string& text, int width) {
    const auto w = static_cast<std::size_t>(width);
    if (text.size() > w) return std::string(w, '*');
    return std::string(w - text.size(), ' ') + text;
}

// printf into a std::string of whatever length the conversion needs. Fields are short: one
// conversion into a small buffer serves them, a longer one is converted again at its length.
template <typename... T>
std::string printed(const char* form, T... values) {
    std::array<char, 64> small{};
    const int n = std::snprintf(small.data(), small.size(), form, values...);
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) < small.size()) return std::string(small.data(), static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), form, values...);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string integerField(long long value, const Item& item) {
    // Magnitude as unsigned so that the most negative value has one too.
    const unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                  : static_cast<unsigned long long>(value);
    std::string digits = (item.digits == 0 && magnitude == 0) ? "" : printed("%llu", magnitude);
    if (item.digits > 0 && digits.size() < static_cast<std::size_t>(item.digits)) {
        digits.insert(0, static_cast<std::size_t>(item.digits) - digits.size(), '0');
    }
    return rightAligned(value < 0 ? "-" + digits : digits, item.width);
}

// NaN and infinities in a real field: the longest spelling that fits.
std::string nonFinite(double value, int width) {
    if (std::isnan(value)) return rightAligned("NaN", width);
    if (value > 0) return rightAligned(width >= 8 ? "Infinity" : "Inf", width);
    return rightAligned(width >= 9 ? "-Infinity" : "-Inf", width);
}

// sign + body in width columns; a leading "0." may give up its zero to fit.
std::string realField(bool negative, std::string body, int width) {
    const auto w = static_cast<std::size_t>(width);
    if ((negative ? 1U : 0U) + body.size() > w && body.size() > 1 && body[0] == '0' &&
        body[1] == '.') {
        body.erase(0, 1);
    }
    return rightAligned(negative ? "-" + body : body, width);
}

std::string fixedField(double value, const Item& item) {
    if (!std::isfinite(value)) return nonFinite(value, item.width);
    std::string body = printed("%.*f", item.digits, std::fabs(value));
    if (item.digits == 0) body += '.';
    // A value that rounds to zero prints without a minus sign.
    const bool zero = body.find_first_not_of("0.") == std::string::npos;
    return realField(value < 0 && !zero, body, item.width);
}

std::string exponentField(double value, const Item& item) {
    if (!std::isfinite(value)) return nonFinite(value, item.width);
    std::string digits(static_cast<std::size_t>(item.digits), '0');
    int exponent = 0;
    if (value != 0.0) {
        // d significant digits as d.ddd e+x, read as 0.dddd times ten to the x+1.
        const std::string e = printed("%.*e", item.digits - 1, std::fabs(value));
        const std::size_t mark = e.find('e');
        digits = e.substr(0, mark);
        if (digits.size() > 1) digits.erase(1, 1);
        exponent = std::atoi(e.c_str() + mark + 1) + 1;
    }
    const int magnitude = std::abs(exponent);
    if (magnitude > 999) return std::string(static_cast<std::size_t>(item.width), '*');
    const char sign = exponent < 0 ? '-' : '+';
    const std::string tail = magnitude <= 99 ? printed("E%c%02d", sign, magnitude)
                                             : printed("%c%03d", sign, magnitude);
    return realField(value < 0, "0." + digits + tail, item.width);
}

std::string textField(std::string_view text, const Item& item) {
    if (item.width < 0) return std::string(text);
    const auto w = static_cast<std::size_t>(item.width);
    if (text.size() >= w) return std::string(text.substr(0, w));
    return std::string(w - text.size(), ' ') + std::string(text);
}

[[noreturn]] void wrongType(std::string_view format) {
    malformed(format, "value of the wrong type for its descriptor");
}

double realValue(const FmtArg& arg, std::string_view format) {
    if (const auto* d = std::get_if<double>(&arg.value())) return *d;
    if (const auto* i = std::get_if<long long>(&arg.value())) return static_cast<double>(*i);
    wrongType(format);
}

std::string field(const Item& item, const FmtArg& arg, std::string_view format) {
    switch (item.kind) {
        case Item::Kind::Integer:
            if (const auto* i = std::get_if<long long>(&arg.value())) return integerField(*i, item);
            wrongType(format);
        case Item::Kind::Fixed:
            return fixedField(realValue(arg, format), item);
        case Item::Kind::Exponent:
            return exponentField(realValue(arg, format), item);
        case Item::Kind::Text:
            if (const auto* s = std::get_if<std::string_view>(&arg.value())) {
                return textField(*s, item);
            }
            wrongType(format);
        default:
            break;
    }
    return {};
}

std::string freeItem(const FmtArg& arg) {
    if (const auto* s = std::get_if<std::string_view>(&arg.value())) return std::string(*s);
    if (const auto* i = std::get_if<long long>(&arg.value())) return printed("%lld", *i);
    const double v = std::get<double>(arg.value());
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    std::string text = printed("%.7G", v);
    if (text.find_first_of(".E") == std::string::npos) text += ".0";
    return text;
}

}  // namespace

std::string fmt(std::string_view format, std::initializer_list<FmtArg> args) {
    const std::vector<Item> items = parse(format);
    std::string line;
    auto next = args.begin();
    for (const Item& item : items) {
        if (item.kind == Item::Kind::Literal) {
            line += item.literal;
        } else if (item.kind == Item::Kind::Blanks) {
            line.append(static_cast<std::size_t>(item.width), ' ');
        } else {
            if (next == args.end()) return line;
            line += field(item, *next++, format);
        }
    }
    if (next != args.end()) malformed(format, "more values than items");
    return line;
}

std::string freefmt(std::initializer_list<FmtArg> items) {
    std::string line;
    for (const FmtArg& item : items) {
        // Items are separated by a blank, unless the text before already ends in one.
        if (line.empty() || line.back() != ' ') line += ' ';
        line += freeItem(item);
    }
    if (line.empty()) line = " ";
    return line;
}

}  // namespace util
