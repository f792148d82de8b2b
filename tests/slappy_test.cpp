// Byte-order helpers: host order detection, group reversal, lower-casing.
#include "ravlio/associa.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> counting(int n) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(n));
    std::iota(bytes.begin(), bytes.end(), static_cast<unsigned char>(0));
    return bytes;
}

std::vector<unsigned char> slapped(int size, int grouping) {
    std::vector<unsigned char> bytes = counting(size);
    slappy(bytes.data(), size, grouping);
    return bytes;
}

using Bytes = std::vector<unsigned char>;

}  // namespace

TEST(Skippy, DetectsTheHostByteOrder) {
    big_endian = -1;
    skippy();
    const std::uint32_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    EXPECT_EQ(big_endian, first == 1 ? 0 : 1);
}

TEST(Slappy, TenBytesInGroupsOfFourReverseTwoWordsAndSwapTheTail) {
    EXPECT_EQ(slapped(10, 4), (Bytes{3, 2, 1, 0, 7, 6, 5, 4, 9, 8}));
}

TEST(Slappy, GroupsOfEightAreReversedWhole) {
    EXPECT_EQ(slapped(16, 8), (Bytes{7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8}));
}

TEST(Slappy, GroupsOfTwoAndThreeExchangeTheFirstTwoBytes) {
    EXPECT_EQ(slapped(6, 2), (Bytes{1, 0, 3, 2, 5, 4}));
    EXPECT_EQ(slapped(6, 3), (Bytes{1, 0, 2, 4, 3, 5}));
}

TEST(Slappy, OtherGroupLengthsAreLeftUnchanged) {
    for (int grouping : {1, 5, 6, 7, 9, 12}) {
        EXPECT_EQ(slapped(2 * grouping, grouping), counting(2 * grouping)) << "grouping " << grouping;
    }
}

TEST(Slappy, TrailingPartialGroupFollowsItsOwnLength) {
    // 8 bytes in groups of 5: a 5-byte group (unchanged) and a 3-byte tail (first two swapped).
    EXPECT_EQ(slapped(8, 5), (Bytes{0, 1, 2, 3, 4, 6, 5, 7}));
    // 12 in groups of 8: one reversed word of 8 and a 4-byte tail reversed too.
    EXPECT_EQ(slapped(12, 8), (Bytes{7, 6, 5, 4, 3, 2, 1, 0, 11, 10, 9, 8}));
    // 9 in groups of 4: the 1-byte tail stays.
    EXPECT_EQ(slapped(9, 4), (Bytes{3, 2, 1, 0, 7, 6, 5, 4, 8}));
}

TEST(Slappy, NothingHappensForEmptySizesOrGroupings) {
    EXPECT_EQ(slapped(0, 4), Bytes{});
    Bytes bytes = counting(4);
    slappy(bytes.data(), -4, 4);
    slappy(bytes.data(), 4, 0);
    slappy(bytes.data(), 4, -2);
    EXPECT_EQ(bytes, counting(4));
}

TEST(Slappy, ReversingTwiceRestoresTheBuffer) {
    Bytes bytes = counting(23);
    slappy(bytes.data(), 23, 4);
    slappy(bytes.data(), 23, 4);
    EXPECT_EQ(bytes, counting(23));
}

TEST(Strlwr, LowerCasesUpperCaseLettersInPlace) {
    char text[] = "NASA Ames File.MLT 1020-X";
    EXPECT_EQ(strlwr(text), 0);
    EXPECT_EQ(std::string(text), "nasa ames file.mlt 1020-x");
}

TEST(Strlwr, LeavesOtherBytesAlone) {
    char text[] = "abc\xC4\xD6 09_#";
    EXPECT_EQ(strlwr(text), 0);
    EXPECT_EQ(std::string(text), "abc\xC4\xD6 09_#");
    char empty[] = "";
    EXPECT_EQ(strlwr(empty), 0);
    EXPECT_EQ(strlwr(nullptr), 0);
}
