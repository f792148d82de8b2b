// Formatted lines in the driver's quoted formats, such as
//   "(' OUTPUT REC.NO.',I6,' AT',F10.5)"
// Understood edit descriptors: apostrophe-quoted literals (a doubled apostrophe stands for
// one), In, In.m, Fw.d, Ew.d, A and Aw, nX (n blanks), and a repeat count before an item
// (2I5, 4F8.2). A value too wide for its field prints as w asterisks. Items are consumed
// in order; a format with more items than values stops at the first item without a value.
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

    const std::variant<long long, double, std::string_view>& value() const { return value_; }

private:
    std::variant<long long, double, std::string_view> value_;
};

// The line built from a quoted format and its values. A malformed format throws
// std::invalid_argument (a programming error, never caused by input data).
std::string fmt(std::string_view format, std::initializer_list<FmtArg> args = {});

// A free-format line: one leading blank, items separated by one blank. Texts print as
// they are; integers in decimal; reals in a short general form.
std::string freefmt(std::initializer_list<FmtArg> items);

}  // namespace util
