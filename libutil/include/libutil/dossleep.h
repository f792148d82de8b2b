// dossleep: a wait of the service layer through the library's replaceable sleep.
#pragma once
namespace util {
// Suspends the calling thread for the given milliseconds through the library's replaceable
// sleep; always returns 0.
int dossleep(int milliseconds);
}  // namespace util
