// What the record reader and writer share: terminated names, shown names, error messages.
#include "libutil/recbridge.h"

#include <algorithm>
#include <ostream>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/logmsg.h"
#include "ravlio/fortjkt.h"

namespace util::recbridge {

std::string_view shownName(const std::string& name) {
    const std::string_view n(name.data(), std::min(name.size(), TEXTLEN));
    return n.substr(0, n.find('\0'));
}

std::string lastErrorText(int handle) {
    char buffer[ERRLEN + 1];
    const int size = static_cast<int>(sizeof buffer);
    slerr_(&handle, buffer, &size);
    return std::string(trim(buffer));
}

std::string message(std::string_view text) { return pad(text, TEXTLEN); }

void progress(std::initializer_list<FmtArg> items) { conout() << freefmt(items) << '\n'; }

std::string reportLibraryError(int handle) {
    std::string text = lastErrorText(handle);
    progress({"ZARFLastError Message:"});
    progress({text});
    return text;
}

void reportTry(int tries) { progress({"       -- last try was number", tries}); }

void logLine(std::string_view line) {
    if (logOpen()) logmsg(0, "", line);
}

}  // namespace util::recbridge
