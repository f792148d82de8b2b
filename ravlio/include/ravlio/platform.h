/* Platform hooks of the RAVLIO library: sleeping, named events and file length.
 *
 * Every wait in the whole system (library and calibration program) sleeps through
 * RAVLIOsleepMilliseconds, which calls a replaceable function. Tests install a recorder
 * with RAVLIOsetSleepFunction so that wait loops run instantly and their waits can be
 * checked; a program never changes it.
 */
#ifndef RAVLIO_PLATFORM_H
#define RAVLIO_PLATFORM_H

#include <sys/types.h>
#include <sys/uio.h>

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

/* ---- Data and status-file I/O ------------------------------------------------------------
 *
 * The calls that put records and new files on disk (the RGD writer's records and preamble,
 * the status files' records) go through the functions below, which make the system call
 * unless a fault function is installed. Tests install one to make a chosen call move fewer
 * bytes than asked or fail with a chosen errno (a full disk, a failed fsync or rename) and
 * check that nothing partial is left that a reader would count; a program never installs
 * one, and without it these are the plain system calls. */

/* The kinds of call a fault function is asked about. */
typedef enum RAVLIOIoCall { RAVLIO_IO_READ, RAVLIO_IO_WRITE, RAVLIO_IO_FSYNC, RAVLIO_IO_RENAME } RAVLIOIoCall;

/* Decides the fate of one call before it is made, given its kind and the bytes it would
 * move (0 for fsync and rename): 0 lets it run; a negative value -e makes it fail with errno
 * e without being made; for reads and writes a positive n below the byte count makes it move
 * only its first n bytes (a short transfer). */
typedef long (*RAVLIOIoFaultFunction)(RAVLIOIoCall call, size_t bytes);

/* Installs fn as the fault function and returns the one it replaces; null removes it. */
RAVLIOIoFaultFunction RAVLIOsetIoFaultFunction(RAVLIOIoFaultFunction fn);

/* The fate the installed fault function gives a call (0 without one); see above. For code
 * that writes through a C stream and can only fail the whole write. */
long RAVLIOioFault(RAVLIOIoCall call, size_t bytes);

/* pread, pwrite, pwritev, fsync and rename through the fault function. pwritev asks it once,
 * with the bytes of all count blocks; a short transfer moves the first bytes in block order. */
ssize_t RAVLIOpread(int fd, void* buffer, size_t bytes, off_t offset);
ssize_t RAVLIOpwrite(int fd, const void* buffer, size_t bytes, off_t offset);
ssize_t RAVLIOpwritev(int fd, const struct iovec* blocks, int count, off_t offset);
int RAVLIOfsync(int fd);
int RAVLIOrename(const char* from, const char* to);

/* fdatasync through the fault function (asked as RAVLIO_IO_FSYNC): the data of the file
 * and what is needed to read it back (its length) on the disk. */
int RAVLIOfdatasync(int fd);

/* Makes the entries of the directory that holds path durable (an fsync of the directory,
 * asked as RAVLIO_IO_FSYNC), so that a rename or link into it survives a power cut.
 * 0 on success, also where the file system has no such sync (EINVAL); -1 with errno set
 * otherwise. */
int RAVLIOsyncParentDirectory(const char* path);

/* ---- Following the calls ---------------------------------------------------------------
 *
 * A test that models what a power cut keeps (a crash simulator) needs to know what reached
 * the system's cache and what was made durable: which descriptor each write went to and with
 * which bytes, which descriptor each sync covered, which names each rename moved. An observer
 * installed here is told of every write, fsync (also fdatasync and the directory syncs of
 * RAVLIOsyncParentDirectory) and rename above once it has been made; reads and calls the fault
 * function failed are not reported. A program never installs one. */

/* One call made. */
typedef struct RAVLIOIoEvent {
    RAVLIOIoCall call;          /* RAVLIO_IO_WRITE, RAVLIO_IO_FSYNC or RAVLIO_IO_RENAME */
    int fd;                     /* the descriptor written or synced; -1 for a rename */
    off_t offset;               /* a write: the file offset of its first byte */
    const struct iovec* blocks; /* a write: the bytes it was asked to move, in order */
    int count;                  /* a write: the number of blocks */
    ssize_t result;             /* what the call returned: bytes moved (a write), 0, or -1 */
    const char* from;           /* a rename: the old name and the new one */
    const char* to;
} RAVLIOIoEvent;

/* Told of one call made; the event and what it points to live only during the call. An
 * observer in C++ may end the run by throwing: the callers above unwind, as from any error
 * of theirs. */
typedef void (*RAVLIOIoObserverFunction)(const RAVLIOIoEvent* event);

/* Installs fn as the observer and returns the one it replaces; null removes it. */
RAVLIOIoObserverFunction RAVLIOsetIoObserverFunction(RAVLIOIoObserverFunction fn);

#ifdef __cplusplus
}
#endif

#endif
