// A console that holds what is written until it is flushed, as standard output redirected to
// a file or a pipe does; `shown` is what a reader of that file could see.
#pragma once

#include <streambuf>
#include <string>

namespace testsupport {

class HeldConsole : public std::streambuf {
public:
    std::string held;
    std::string shown;

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) held += traits_type::to_char_type(c);
        return traits_type::not_eof(c);
    }
    int sync() override {
        shown += held;
        held.clear();
        return 0;
    }
};

}  // namespace testsupport
