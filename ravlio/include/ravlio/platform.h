/* Platform hooks of the RAVLIO library: sleeping, named events and file length.
 *
 * Every wait in the whole system (library and calibration program) sleeps through
 * RAVLIOsleepMilliseconds, which calls a replaceable function. Tests install a recorder
 * with RAVLIOsetSleepFunction so that wait loops run instantly and their waits can be
 * checked; a program never changes it.
 */
#ifndef RAVLIO_PLATFORM_H
#define RAVLIO_PLATFORM_H

#ifdef __cplusplus
extern "C" {
#endif

/* A sleep function: suspends the calling thread for the given number of milliseconds. */
typedef void (*RAVLIOSleepFunction)(int milliseconds);

/* Installs fn as the sleep function and returns the one it replaces. A null fn restores
 * the real sleep of the operating system. */
RAVLIOSleepFunction RAVLIOsetSleepFunction(RAVLIOSleepFunction fn);

/* Sleeps the given number of milliseconds through the installed sleep function.
 * Zero or negative values return at once without calling it. */
void RAVLIOsleepMilliseconds(int milliseconds);

/* Waits at most maxwait milliseconds for the named event and returns the time waited in
 * milliseconds (0 when maxwait is not positive). No event is ever signalled in this system,
 * so it sleeps the whole time through RAVLIOsleepMilliseconds. */
int syssleep(const char* event, int maxwait);

/* Signals the named event. Events are not shared between processes here: it does nothing. */
void sysevent(const char* event);

/* Current length in bytes of the open file with descriptor fnum, or -1 when the descriptor
 * is not open. Lengths beyond the 32-bit range are reported as the largest 32-bit value. */
int _FileLength(int fnum);

#ifdef __cplusplus
}
#endif

#endif
