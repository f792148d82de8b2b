#pragma once
namespace util {
// Longest wait of a wait loop, in milliseconds.
inline constexpr int MAXARG = 16384;
// Sleeps ARG milliseconds through dossleep, then doubles ARG up to MAXARG.
void sleeper(int& ARG);
}  // namespace util
