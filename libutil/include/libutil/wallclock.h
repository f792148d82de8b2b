// The wall clock as the log shows it: dates and times in UTC, durations as hours, minutes
// and seconds.
#pragma once

#include <chrono>
#include <string>

namespace util {

using WallTime = std::chrono::system_clock::time_point;

// The current wall-clock time.
WallTime wallNow();

// "YYYY-MM-DD HH:MM:SS UTC".
std::string utcText(WallTime t);

// A duration as "H:MM:SS" (hours without limit; a negative one counts as 0).
std::string durationText(std::chrono::seconds d);

}  // namespace util
