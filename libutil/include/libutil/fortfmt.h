// Formatted lines in the driver's quoted formats, such as
//   "(' OUTPUT REC.NO.',I6,' AT',F10.5)"
// Understood edit descriptors: apostrophe-quoted literals (a doubled apostrophe stands for
// one), In, In.m, Fw.d, Ew.d, A and Aw, nX (n blanks), and a repeat count before an item
// (2I5, 4F8.2). Items are separated by commas or blanks. A value too wide for its field
// prints as w asterisks.
//   In.m  at least m digits, zero-padded (I6.6 of 93005 is "093005"); I3.0 of 0 is blanks.
//   Fw.d  d decimals, rounded; Fw.0 keeps the point ("123456."); "0." loses its zero only
//         when the field is too narrow for it; a value that rounds to zero has no minus.
//   Ew.d  0.dddd with the exponent of ten as E+xx ("  0.1234E+03" for E12.4 of 123.4),
//         as +xxx without the E beyond 99.
//   NaN and infinities print as "NaN", "Infinity"/"Inf" (with "-" when negative).
//   Aw    a longer text is cut to w characters, a shorter one right-aligned.
// Integers are accepted by F and E; reals are refused by I and numbers by A.
// Values are consumed in order; the line ends at the first data item without a value
// (literals before it are still printed).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace util {

// One value for a formatted or free-format line.
class FmtArg {
public:
    FmtArg(int v) : value_(static_cast<long long>(v)) {}
    FmtArg(long v) : value_(static_cast<long long>(v)) {}
    FmtArg(long long v) : value_(v) {}
    FmtArg(float v) : value_(static_cast<double>(v)) {}
    FmtArg(double v) : value_(v) {}
    FmtArg(const char* v) : value_(std::string_view(v)) {}
    FmtArg(std::string_view v) : value_(v) {}
    FmtArg(const std::string& v) : value_(std::string_view(v)) {}
    // A single character has no text to point at and would otherwise print as its code:
    // pass std::string(1, c) instead.
    FmtArg(char) = delete;

    const std::variant<long long, double, std::string_view>& value() const { return value_; }

private:
    std::variant<long long, double, std::string_view> value_;
};

// The line built from a quoted format and its values. A malformed format throws
// std::invalid_argument (a programming error, never caused by input data).
std::string fmt(std::string_view format, std::initializer_list<FmtArg> args = {});

// A free-format line: one leading blank, items separated by one blank, except that no blank
// is added after a text that already ends in one ("Opening NEW log file " and a name give
// " Opening NEW log file X.LOG"). Texts print as they are; integers in decimal; reals in a
// short general form of 7 significant digits that always shows it is a real ("3.0",
// "1.234568E+08").
std::string freefmt(std::initializer_list<FmtArg> items);

}  // namespace util
