// Fixed-length text helpers: blank padding, trimming and in-place termination of names.
#include "libutil/fixedtext.h"

#include <algorithm>

namespace util {

std::string pad(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, std::min(text.size(), width)));
    out.resize(width, ' ');
    return out;
}

std::string_view trim(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\0')) --n;
    return text.substr(0, n);
}

void terminateName(std::string& name, std::size_t width, WhenFull full) {
    name = pad(name, width);
    if (width == 0) return;
    const std::size_t last = name.find_last_not_of(' ');
    if (last == std::string::npos) {
        name[0] = '\0';
        return;
    }
    if (name[last] == '\0') return;
    if (last + 1 < width) {
        name[last + 1] = '\0';
    } else if (full == WhenFull::cutByOne) {
        name[last] = '\0';
    }
}

void overlay(std::string& target, std::size_t pos, std::string_view text) {
    if (pos >= target.size()) return;
    const std::size_t n = std::min(text.size(), target.size() - pos);
    target.replace(pos, n, text.substr(0, n));
}

}  // namespace util
