// The wall clock as the log shows it.
#include "libutil/wallclock.h"

#include <ctime>

#include "libutil/fortfmt.h"

namespace util {

WallTime wallNow() { return std::chrono::system_clock::now(); }

std::string utcText(WallTime t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm parts{};
    char text[32] = "(time unknown)";
    if (gmtime_r(&seconds, &parts) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string durationText(std::chrono::seconds d) {
    const long long total = d.count() < 0 ? 0 : d.count();
    return std::to_string(total / 3600) + ":" +
           fmt("(I2.2,':',I2.2)", {static_cast<int>(total / 60 % 60), static_cast<int>(total % 60)});
}

}  // namespace util
