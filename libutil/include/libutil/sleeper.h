// sleeper: one step of the doubling wait of every wait loop.
#pragma once
namespace util {
// First wait of every wait loop, in milliseconds; also where a loop handed a non-positive
// wait resumes, so that such a loop still backs off instead of spinning.
inline constexpr int INIARG = 1024;
// Longest wait of a wait loop, in milliseconds.
inline constexpr int MAXARG = 16384;
// Flushes the console (so that the line saying why the caller waits is seen during the wait),
// sleeps ARG milliseconds through dossleep, then doubles ARG up to MAXARG: a wait loop that
// starts at 1024 waits 1024, 2048, 4096, 8192, 16384, 16384, ... A non-positive ARG does
// not sleep and becomes 1024, so a loop handed 0 still backs off instead of spinning.
void sleeper(int& ARG);
}  // namespace util
