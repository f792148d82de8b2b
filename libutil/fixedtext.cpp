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

std::size_t nulTerminate(char* buf, std::size_t width) {
    if (buf == nullptr || width == 0) return 0;
    std::size_t n = trim(std::string_view(buf, width)).size();
    if (n == width) --n;  // no room after the text: the NUL takes its last character
    buf[n] = '\0';
    return n;
}

void overlay(std::string& target, std::size_t pos, std::string_view text) {
    if (pos >= target.size()) return;
    const std::size_t n = std::min(text.size(), target.size() - pos);
    target.replace(pos, n, text.substr(0, n));
}

}  // namespace util
