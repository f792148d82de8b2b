// The association dictionary: buckets of sorted arrays, single and bulk registration,
// both look-up strategies.
#include "ravlio/associa.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

namespace {

struct DictionaryDeleter {
    void operator()(Associations* it) const { ASSOCdestroy(it); }
};
using Dictionary = std::unique_ptr<Associations, DictionaryDeleter>;

Dictionary make(int buckets) { return Dictionary(ASSOCcreate(buckets)); }

// Distinct addresses to register as values.
std::vector<int> slots(200);
void* value(int i) { return &slots[static_cast<std::size_t>(i)]; }

// True when every bucket holds exactly its own identifiers in ascending unsigned order and
// the depths add up to N.
bool bucketsConsistent(const Associations* it) {
    unsigned total = 0;
    for (unsigned b = 0; b < it->numberOfBuckets; ++b) {
        for (unsigned i = 0; i < it->bucketDepth[b]; ++i) {
            if (it->bucket[b][i].id % it->numberOfBuckets != b) return false;
            if (i > 0 && it->bucket[b][i - 1].id > it->bucket[b][i].id) return false;
        }
        total += it->bucketDepth[b];
    }
    return total == static_cast<unsigned>(it->N);
}

}  // namespace

TEST(Associa, CreateWithoutPositiveBucketCountGives29) {
    EXPECT_EQ(make(0)->numberOfBuckets, 29U);
    EXPECT_EQ(make(-4)->numberOfBuckets, 29U);
    Dictionary d = make(71);
    EXPECT_EQ(d->numberOfBuckets, 71U);
    EXPECT_EQ(d->N, 0);
}

TEST(Associa, DestroyIgnoresNull) { ASSOCdestroy(nullptr); }

TEST(Associa, GlobalDictionaryIsCreatedOnceWith29Buckets) {
    Associations* first = globalAssocia();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, globalAssocia());
    EXPECT_EQ(first->numberOfBuckets, 29U);
}

TEST(Associa, RegisteredItemsAreFoundAndAbsentOnesAreNull) {
    Dictionary d = make(7);
    EXPECT_EQ(ASSOCregisterItem(d.get(), 10, value(1)), 1);
    EXPECT_EQ(ASSOCregisterItem(d.get(), 3, value(2)), 2);
    EXPECT_EQ(ASSOCregisterItem(d.get(), 17, value(3)), 3);
    EXPECT_EQ(ASSOClookup(d.get(), 10), value(1));
    EXPECT_EQ(ASSOClookup(d.get(), 3), value(2));
    EXPECT_EQ(ASSOClookup(d.get(), 17), value(3));
    EXPECT_EQ(ASSOClookup(d.get(), 24), nullptr);
    EXPECT_EQ(d->bucketDepth[3], 3U);
    EXPECT_EQ(d->bucket[3][0].id, 3U);
    EXPECT_EQ(d->bucket[3][1].id, 10U);
    EXPECT_EQ(d->bucket[3][2].id, 17U);
}

TEST(Associa, RegisteringAnIdTwiceKeepsOneItemWithTheSecondValue) {
    Dictionary d = make(5);
    EXPECT_EQ(ASSOCregisterItem(d.get(), 42, value(1)), 1);
    EXPECT_EQ(ASSOCregisterItem(d.get(), 42, value(2)), 1);
    EXPECT_EQ(d->N, 1);
    EXPECT_EQ(d->bucketDepth[42 % 5], 1U);
    EXPECT_EQ(ASSOClookup(d.get(), 42), value(2));
}

TEST(Associa, MinusOneLandsInTheLastUnsignedRemainderBucket) {
    Dictionary d = make(71);
    ASSOCregisterItem(d.get(), -1, value(5));
    const unsigned expected = 0xFFFFFFFFU % 71U;
    EXPECT_EQ(d->bucketDepth[expected], 1U);
    EXPECT_EQ(ASSOClookup(d.get(), -1), value(5));
}

TEST(Associa, NegativeIdsSortAfterPositiveOnesInABucket) {
    Dictionary d = make(1);
    ASSOCregisterItem(d.get(), -5, value(1));
    ASSOCregisterItem(d.get(), 7, value(2));
    ASSOCregisterItem(d.get(), INT_MAX, value(3));
    ASSERT_EQ(d->bucketDepth[0], 3U);
    EXPECT_EQ(d->bucket[0][0].id, 7U);
    EXPECT_EQ(d->bucket[0][1].id, static_cast<unsigned>(INT_MAX));
    EXPECT_EQ(d->bucket[0][2].id, static_cast<unsigned>(-5));
    EXPECT_EQ(ASSOClookup(d.get(), -5), value(1));
}

TEST(Associa, BulkRegistrationSortsEveryBucket) {
    Dictionary d = make(11);
    ASSOCregisterItem(d.get(), 1000, value(0));
    std::vector<int> ids;
    std::vector<void*> values;
    for (int i = 1; i <= 60; ++i) {
        ids.push_back((i * 37) % 101 - 20);
        values.push_back(value(i));
    }
    EXPECT_EQ(ASSOCregisterManyItems(d.get(), 60, ids.data(), values.data()), 61);
    EXPECT_TRUE(bucketsConsistent(d.get()));
    for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ASSOClookup(d.get(), ids[i]), values[i]);
    EXPECT_EQ(ASSOClookup(d.get(), 1000), value(0));
}

TEST(Associa, BulkRegistrationOfNothingReturnsZero) {
    Dictionary d = make(11);
    ASSOCregisterItem(d.get(), 1, value(1));
    int id = 2;
    void* v = value(2);
    EXPECT_EQ(ASSOCregisterManyItems(d.get(), 0, &id, &v), 0);
    EXPECT_EQ(ASSOCregisterManyItems(d.get(), -3, &id, &v), 0);
    EXPECT_EQ(d->N, 1);
    EXPECT_EQ(ASSOClookup(d.get(), 2), nullptr);
}

TEST(Associa, BulkRegistrationKeepsDuplicates) {
    Dictionary d = make(3);
    const int ids[] = {9, 9};
    void* const values[] = {value(1), value(2)};
    EXPECT_EQ(ASSOCregisterManyItems(d.get(), 2, ids, values), 2);
    EXPECT_EQ(d->bucketDepth[0], 2U);
    void* found = ASSOClookup(d.get(), 9);
    EXPECT_TRUE(found == value(1) || found == value(2));
}

namespace {

// A dictionary of 40 items in 5 buckets: ids 0, 3, 6, ... 114 (value i for 3i) and -3.
Dictionary lookupFixture() {
    Dictionary d = make(5);
    std::vector<int> ids;
    std::vector<void*> values;
    for (int i = 0; i < 39; ++i) {
        ids.push_back(3 * i);
        values.push_back(value(i));
    }
    ids.push_back(-3);
    values.push_back(value(100));
    ASSOCregisterManyItems(d.get(), static_cast<int>(ids.size()), ids.data(), values.data());
    return d;
}

}  // namespace

TEST(Associa, ShortRequestListsLeaveTheRequestsUnchanged) {
    Dictionary d = lookupFixture();
    // 40/4 + 5 = 15: fewer requests are looked up one by one.
    std::vector<int> ids = {6, 7, -3, 114, 118};
    std::vector<void*> results(ids.size(), value(150));
    EXPECT_EQ(ASSOClookupMany(d.get(), static_cast<int>(ids.size()), ids.data(), results.data()), 3);
    EXPECT_EQ(ids, (std::vector<int>{6, 7, -3, 114, 118}));
    EXPECT_EQ(results, (std::vector<void*>{value(2), nullptr, value(100), value(38), nullptr}));
}

TEST(Associa, BothLookupStrategiesGiveTheSameResults) {
    Dictionary d = lookupFixture();
    std::vector<int> requests;
    for (int i = -4; i < 16; ++i) requests.push_back(i * 5);  // 20 requests: merge strategy
    requests.push_back(-3);
    requests.push_back(9);
    requests.push_back(9);  // the same identifier twice
    std::vector<void*> expected;
    int expectedFound = 0;
    for (int id : requests) {
        expected.push_back(ASSOClookup(d.get(), id));
        if (expected.back() != nullptr) ++expectedFound;
    }
    std::vector<int> merged = requests;
    std::vector<void*> results(requests.size(), value(150));
    EXPECT_EQ(ASSOClookupMany(d.get(), static_cast<int>(merged.size()), merged.data(), results.data()),
              expectedFound);
    EXPECT_EQ(results, expected);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (expected[i] != nullptr) {
            EXPECT_EQ(merged[i], requests[i]) << "request " << i;
        } else {
            EXPECT_EQ(merged[i], -requests[i]) << "request " << i;
        }
    }
}

TEST(Associa, MergeLookupRestoresAFoundNegativeIdentifier) {
    Dictionary d = lookupFixture();
    std::vector<int> ids(15, 1);  // 15 requests reach the merge strategy
    ids[0] = -3;
    ids[1] = 114;
    std::vector<void*> results(ids.size());
    EXPECT_EQ(ASSOClookupMany(d.get(), static_cast<int>(ids.size()), ids.data(), results.data()), 2);
    EXPECT_EQ(ids[0], -3);
    EXPECT_EQ(ids[1], 114);
    EXPECT_EQ(ids[2], -1);
    EXPECT_EQ(results[0], value(100));
    EXPECT_EQ(results[1], value(38));
    EXPECT_EQ(results[2], nullptr);
}

TEST(Associa, LookupInAnEmptyDictionaryFindsNothing) {
    Dictionary d = make(2);
    std::vector<int> ids = {1, 2, 3};
    std::vector<void*> results(3, value(1));
    EXPECT_EQ(ASSOClookupMany(d.get(), 3, ids.data(), results.data()), 0);
    EXPECT_EQ(ids, (std::vector<int>{-1, -2, -3}));
    EXPECT_EQ(results, (std::vector<void*>(3, nullptr)));
    EXPECT_EQ(ASSOClookupMany(d.get(), 0, ids.data(), results.data()), 0);
}

TEST(Associa, ManySingleRegistrationsStayOrdered) {
    Dictionary d = make(3);
    for (int i = 0; i < 100; ++i) ASSOCregisterItem(d.get(), (i * 7919) % 1000 - 500, value(i));
    EXPECT_EQ(d->N, 100);
    EXPECT_TRUE(bucketsConsistent(d.get()));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(ASSOClookup(d.get(), (i * 7919) % 1000 - 500), value(i));
}
