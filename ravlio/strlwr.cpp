// In-place lower-casing of a text, used by the text-format drivers.
#include "ravlio/associa.h"

#include <cctype>

extern "C" int strlwr(char* text) {
    if (text == nullptr) return 0;
    for (char* c = text; *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (std::isupper(byte) != 0) *c = static_cast<char>(std::tolower(byte));
    }
    return 0;
}
