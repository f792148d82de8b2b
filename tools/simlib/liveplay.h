// Plays the upstream program for a simulated day: the side files written at once, then
// the input's records (and those of the forward-scan and variance files) one at a time at
// a chosen interval, each followed by the counts in the upstream status file, so that
// vorncalv in real-time mode can follow the day as it would follow QUINT or MOBLEX.
#pragma once

#include <ostream>
#include <string>

#include "simlib/dayplan.h"

namespace vornsim {

inline constexpr int MaxIntervalMs = 3600 * 1000;
inline constexpr const char* RealTimeAnswers = "REALTIME.TXT";

// The upstream status file of a day whose files hold `count` records each: one 80-byte
// record per file (input, forward-scan, variance), its name blank-padded to 75 characters
// and the count right-aligned in 5.
std::string liveStatusText(const DayPlan& day, int count);

// The nine console answers of a real-time run in the day's directory.
std::string realTimeAnswers(const DayPlan& day);

// Plays the day in dir: prepares the directory as writeDay does, writes the side files,
// the answers of a real-time run (REALTIME.TXT), the three spectral files without records
// and the status file with counts 0; then, every intervalMs milliseconds (through the
// replaceable sleep), writes the next record of each spectral file and after it the
// status file's counts, each record rewritten in place as the upstream program does.
// Reports each step on out. Failure: WriteError.
void playDay(const DayPlan& day, const std::string& dir, int intervalMs, std::ostream& out);

}  // namespace vornsim
