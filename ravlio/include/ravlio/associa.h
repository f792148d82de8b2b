/* Association dictionary (integer identifier -> opaque pointer) and byte-order helpers.
 *
 * An Associations dictionary has a fixed number of buckets; the bucket of an identifier
 * is the identifier taken as 32-bit unsigned modulo the bucket count, and each bucket is
 * an array kept in ascending unsigned id order and searched by binary search (so a
 * negative identifier sorts after every positive one). The dictionary owns its bucket
 * arrays; the values belong to the caller and are never freed by it.
 *
 * Running out of memory while registering or in a bulk lookup stops the process with an
 * assertion report naming the module, the function and the failed allocation; there are
 * no error returns. Not thread-safe.
 */
#ifndef RAVLIO_ASSOCIA_H
#define RAVLIO_ASSOCIA_H

#ifdef __cplusplus
extern "C" {
#endif

/* One association. */
typedef struct anItem {
    unsigned id;  /* the identifier, taken as 32-bit unsigned */
    void* value;  /* not owned */
} anItem;

typedef struct Associations {
    unsigned numberOfBuckets; /* fixed at creation */
    anItem** bucket;          /* numberOfBuckets arrays, each in ascending id order */
    unsigned* bucketDepth;    /* number of items in each bucket */
    int N;                    /* total number of items registered */
} Associations;

/* Creates an empty dictionary with numBuckets buckets (29 when numBuckets <= 0).
 * The caller owns it and frees it with ASSOCdestroy. */
Associations* ASSOCcreate(int numBuckets);

/* Frees the bucket arrays and the dictionary (never the values). Null is ignored. */
void ASSOCdestroy(Associations* it);

/* The process-wide dictionary (29 buckets), created on the first call; never freed. */
Associations* globalAssocia(void);

/* Registers value under id. An id already present gets the new value and the count stays.
 * Returns the total item count N. */
int ASSOCregisterItem(Associations* it, int id, void* value);

/* Registers N items (ids[i] -> values[i]) in one step; returns the new item count, or 0
 * when N <= 0 (nothing registered). No duplicate check is made: an id registered twice
 * this way is held twice and a lookup finds either, so register each id once. */
int ASSOCregisterManyItems(Associations* it, int N, const int* ids, void* const* values);

/* The value registered under id, or null when absent (a null value looks absent). */
void* ASSOClookup(const Associations* it, int id);

/* Looks up N identifiers: results[i] receives the value of ids[i] (null when absent).
 * Returns the number found. For long request lists (N >= N(dictionary)/4 + buckets) a
 * merge strategy is used which leaves the identifiers not found negated in ids; short
 * lists leave ids unchanged. */
int ASSOClookupMany(const Associations* it, int N, int* ids, void** results);

/* Host byte order: 1 on a big-endian host, 0 on a little-endian host. Set by skippy. */
extern int big_endian;

/* Sets big_endian from the host byte order. */
void skippy(void);

/* Reverses, in place, the byte order of each consecutive group of `grouping` bytes over
 * `size` bytes. A group (or trailing partial group) of 4 or 8 bytes is reversed, of 2 or 3
 * bytes has its first two bytes exchanged; any other length is left unchanged. */
void slappy(void* buffer, int size, int grouping);

/* Lower-cases, in place, every upper-case letter of the NUL-terminated text; returns 0.
 * A null text is ignored. */
int strlwr(char* text);

#ifdef __cplusplus
}
#endif

#endif
