// Association dictionary: integer identifiers to opaque pointers, in hash buckets of
// sorted arrays.
#include "ravlio/associa.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int kDefaultBuckets = 29;

// The dictionary with the storage behind its public fields: bucket[b] and bucketDepth[b]
// always mirror items[b] (refreshed after every change of that bucket).
struct Dictionary : Associations {
    std::vector<std::vector<anItem>> items;
    std::vector<anItem*> bucketViews;
    std::vector<unsigned> depths;
};

// Work record of the bulk lookup: one per request.
struct lookupper {
    unsigned id;      // the requested identifier
    unsigned aisle;   // its bucket
    std::size_t index;  // its position in the request list
};

// Running out of memory leaves the dictionary unusable: stop like a failed assertion,
// naming where it happened.
[[noreturn]] void allocationFailed(const char* function, const char* allocation) {
    std::fprintf(stderr, "Assertion failed: %s, module associa, function %s\n", allocation, function);
    std::abort();
}

Dictionary& impl(Associations* it) { return *static_cast<Dictionary*>(it); }
const Dictionary& impl(const Associations* it) { return *static_cast<const Dictionary*>(it); }

unsigned bucketOf(const Associations* it, unsigned id) { return id % it->numberOfBuckets; }

void refreshView(Dictionary& dict, unsigned b) {
    dict.bucketViews[b] = dict.items[b].data();
    dict.depths[b] = static_cast<unsigned>(dict.items[b].size());
}

bool byId(const anItem& a, const anItem& b) { return a.id < b.id; }

// Position of the first item of the bucket whose id is not smaller than id.
std::vector<anItem>::const_iterator firstNotBelow(const std::vector<anItem>& bucket, unsigned id) {
    return std::lower_bound(bucket.begin(), bucket.end(), anItem{id, nullptr}, byId);
}

// Places a new item in its sorted position (the caller has checked it is absent).
void insertItem(Dictionary& dict, unsigned b, std::vector<anItem>::const_iterator at, anItem item) {
    try {
        dict.items[b].insert(at, item);
    } catch (const std::bad_alloc&) {
        allocationFailed("insertItem", "*list");
    }
    refreshView(dict, b);
}

void* lookupOne(const Associations* it, unsigned id) {
    const std::vector<anItem>& bucket = impl(it).items[bucketOf(it, id)];
    auto found = firstNotBelow(bucket, id);
    return found != bucket.end() && found->id == id ? found->value : nullptr;
}

int lookupEach(const Associations* it, std::size_t count, const int* ids, void** results) {
    int found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        results[i] = lookupOne(it, static_cast<unsigned>(ids[i]));
        if (results[i] != nullptr) ++found;
    }
    return found;
}

// Merge strategy for long request lists: requests are grouped by bucket and sorted, then
// each bucket's items and requests are walked together once. Requests not found are left
// negated in ids; found ones get their identifier back.
int lookupMerged(const Associations* it, std::size_t count, int* ids, void** results) {
    std::vector<lookupper> lu;
    try {
        lu.reserve(count);
    } catch (const std::bad_alloc&) {
        allocationFailed("ASSOClookupMany", "lu");
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto id = static_cast<unsigned>(ids[i]);
        results[i] = nullptr;
        lu.push_back({id, bucketOf(it, id), i});
        ids[i] = static_cast<int>(0U - id);
    }
    std::sort(lu.begin(), lu.end(), [](const lookupper& a, const lookupper& b) {
        return a.aisle != b.aisle ? a.aisle < b.aisle : a.id < b.id;
    });
    int found = 0;
    const Dictionary& dict = impl(it);
    std::size_t request = 0;
    while (request < lu.size()) {
        const std::vector<anItem>& bucket = dict.items[lu[request].aisle];
        const unsigned aisle = lu[request].aisle;
        std::size_t item = 0;
        for (; request < lu.size() && lu[request].aisle == aisle; ++request) {
            while (item < bucket.size() && bucket[item].id < lu[request].id) ++item;
            if (item < bucket.size() && bucket[item].id == lu[request].id) {
                results[lu[request].index] = bucket[item].value;
                ids[lu[request].index] = static_cast<int>(lu[request].id);
                ++found;
            }
        }
    }
    return found;
}

}  // namespace

extern "C" {

Associations* ASSOCcreate(int numBuckets) {
    const unsigned buckets = numBuckets > 0 ? static_cast<unsigned>(numBuckets) : kDefaultBuckets;
    try {
        auto dict = std::make_unique<Dictionary>();
        dict->items.resize(buckets);
        dict->bucketViews.resize(buckets, nullptr);
        dict->depths.resize(buckets, 0);
        dict->numberOfBuckets = buckets;
        dict->bucket = dict->bucketViews.data();
        dict->bucketDepth = dict->depths.data();
        dict->N = 0;
        return dict.release();
    } catch (const std::bad_alloc&) {
        allocationFailed("ASSOCcreate", "it");
    }
}

void ASSOCdestroy(Associations* it) {
    std::unique_ptr<Dictionary> owned(static_cast<Dictionary*>(it));
}

Associations* globalAssocia(void) {
    static Associations* const globalAssociations = ASSOCcreate(kDefaultBuckets);
    return globalAssociations;
}

int ASSOCregisterItem(Associations* it, int id, void* value) {
    if (it == nullptr) return 0;
    Dictionary& dict = impl(it);
    const auto key = static_cast<unsigned>(id);
    const unsigned b = bucketOf(it, key);
    std::vector<anItem>& bucket = dict.items[b];
    auto at = firstNotBelow(bucket, key);
    if (at != bucket.end() && at->id == key) {
        bucket[static_cast<std::size_t>(at - bucket.begin())].value = value;
        return it->N;
    }
    insertItem(dict, b, at, anItem{key, value});
    return ++it->N;
}

int ASSOCregisterManyItems(Associations* it, int N, const int* ids, void* const* values) {
    if (it == nullptr || N <= 0 || ids == nullptr || values == nullptr) return 0;
    Dictionary& dict = impl(it);
    const auto count = static_cast<std::size_t>(N);
    std::vector<std::size_t> bucketGets;
    try {
        bucketGets.assign(it->numberOfBuckets, 0);
    } catch (const std::bad_alloc&) {
        allocationFailed("ASSOCregisterManyItems", "bucketGets");
    }
    for (std::size_t i = 0; i < count; ++i) ++bucketGets[bucketOf(it, static_cast<unsigned>(ids[i]))];
    try {
        for (unsigned b = 0; b < it->numberOfBuckets; ++b) {
            if (bucketGets[b] != 0) dict.items[b].reserve(dict.items[b].size() + bucketGets[b]);
        }
    } catch (const std::bad_alloc&) {
        allocationFailed("ASSOCregisterManyItems", "*list");
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto key = static_cast<unsigned>(ids[i]);
        dict.items[bucketOf(it, key)].push_back(anItem{key, values[i]});
    }
    for (unsigned b = 0; b < it->numberOfBuckets; ++b) {
        if (bucketGets[b] == 0) continue;
        std::sort(dict.items[b].begin(), dict.items[b].end(), byId);
        refreshView(dict, b);
    }
    it->N += N;
    return it->N;
}

void* ASSOClookup(const Associations* it, int id) {
    if (it == nullptr) return nullptr;
    return lookupOne(it, static_cast<unsigned>(id));
}

int ASSOClookupMany(const Associations* it, int N, int* ids, void** results) {
    if (it == nullptr || N <= 0 || ids == nullptr || results == nullptr) return 0;
    const auto count = static_cast<std::size_t>(N);
    const unsigned threshold = (static_cast<unsigned>(it->N) >> 2) + it->numberOfBuckets;
    if (static_cast<unsigned>(N) < threshold) return lookupEach(it, count, ids, results);
    return lookupMerged(it, count, ids, results);
}

}  // extern "C"
