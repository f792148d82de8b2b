// The formatter of quoted formats: every edit descriptor, widths and overflow asterisks.
#include "libutil/fortfmt.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using util::fmt;
using util::freefmt;

TEST(Fmt, LiteralsPrintUnchangedAndDoubledApostropheIsOne) {
    EXPECT_EQ(fmt("(' ZNTERP -- ?????" "')"), " ZNTERP -- ?????");
    EXPECT_EQ(fmt("('IT''S')"), "IT'S");
    EXPECT_EQ(fmt("('Temperature at \"Top\"   :',F8.2)", {296.154}),
              "Temperature at \"Top\"   :  296.15");
}

TEST(Fmt, OutputRecordLine) {
    EXPECT_EQ(fmt("(' OUTPUT REC.NO.',I6,' AT',F10.5)", {17, 13.2572}),
              " OUTPUT REC.NO.    17 AT  13.25720");
}

TEST(Fmt, IntegerRightAlignedAndTooWideGivesAsterisks) {
    EXPECT_EQ(fmt("(I5)", {42}), "   42");
    EXPECT_EQ(fmt("(I5)", {-42}), "  -42");
    EXPECT_EQ(fmt("(' IRDST =',I2)", {-3}), " IRDST =-3");
    EXPECT_EQ(fmt("('IRDST=',I2)", {123}), "IRDST=**");
    EXPECT_EQ(fmt("(I2)", {-10}), "**");
    EXPECT_EQ(fmt("(I20)", {std::numeric_limits<long long>::min()}), "-9223372036854775808");
}

TEST(Fmt, IntegerWithMinimumDigitsIsZeroPadded) {
    EXPECT_EQ(fmt("('MIRROR SAFED AT ', I6.6)", {93005}), "MIRROR SAFED AT 093005");
    EXPECT_EQ(fmt("(I6.3)", {-7}), "  -007");
    EXPECT_EQ(fmt("(I3.0)", {0}), "   ");
    EXPECT_EQ(fmt("(I6.6)", {-1}), "******");
}

TEST(Fmt, RepeatCountRepeatsTheItem) {
    EXPECT_EQ(fmt("('NO SCENE VIEW; NFSR,NLSR=',2I5)", {12, 15}),
              "NO SCENE VIEW; NFSR,NLSR=   12   15");
    EXPECT_EQ(fmt("('NHB,NCB,NHF,NCF=',4I2)", {1, 0, 2, 1}), "NHB,NCB,NHF,NCF= 1 0 2 1");
    EXPECT_EQ(fmt("(2F6.1,I3)", {1.25, -2.0, 7}), "   1.2  -2.0  7");
}

TEST(Fmt, ItemsMayFollowALiteralWithoutComma) {
    EXPECT_EQ(fmt("('Bad times found in input record number '           I6)", {1234}),
              "Bad times found in input record number   1234");
    EXPECT_EQ(fmt("(' NULL spectrum found in SCENE record number ',     I6)", {5}),
              " NULL spectrum found in SCENE record number      5");
}

TEST(Fmt, FixedRoundsAndPrintsDecimalPoint) {
    EXPECT_EQ(fmt("('      TC   = ',F10.5)", {287.4}), "      TC   =  287.40000");
    EXPECT_EQ(fmt("(' IST,TAMB=',I6,F10.4)", {3600, 290.12346}), " IST,TAMB=  3600  290.1235");
    EXPECT_EQ(fmt("('      SCENE TIME (HHMMSS):',F8.0)", {123456.0}),
              "      SCENE TIME (HHMMSS): 123456.");
    EXPECT_EQ(fmt("(F8.2)", {-0.5}), "   -0.50");
    EXPECT_EQ(fmt("(F6.3)", {2.9996}), " 3.000");
}

TEST(Fmt, FixedDropsLeadingZeroOnlyWhenItMustAndOverflowsToAsterisks) {
    EXPECT_EQ(fmt("(F5.3)", {0.25}), "0.250");
    EXPECT_EQ(fmt("(F4.3)", {0.25}), ".250");
    EXPECT_EQ(fmt("(F5.3)", {-0.25}), "-.250");
    EXPECT_EQ(fmt("(F8.2)", {123456.0}), "********");
    EXPECT_EQ(fmt("(F8.2)", {-0.001}), "    0.00");
}

TEST(Fmt, ExponentFormHasLeadingZeroPointAndSignedExponent) {
    EXPECT_EQ(fmt("(E12.4)", {123.4}), "  0.1234E+03");
    EXPECT_EQ(fmt("(E12.4)", {-0.00012346}), " -0.1235E-03");
    EXPECT_EQ(fmt("(E12.4)", {0.0}), "  0.0000E+00");
    EXPECT_EQ(fmt("(E12.4)", {9.99996}), "  0.1000E+02");
    EXPECT_EQ(fmt("(E12.4)", {1.0}), "  0.1000E+01");
    EXPECT_EQ(fmt("(E10.4)", {-5.0}), "-.5000E+01");
    EXPECT_EQ(fmt("(E9.4)", {-5.0}), "*********");
    EXPECT_EQ(fmt("(E12.4)", {1e200}), "  0.1000+201");
}

TEST(Fmt, ZnterpLineCarriesCountAndThreeExponents) {
    EXPECT_EQ(fmt("(' NX,XIN,X(1),X(NX):',I5,3E12.4)", {9000, 2500.5, 500.0, 3000.25}),
              " NX,XIN,X(1),X(NX): 9000  0.2500E+04  0.5000E+03  0.3000E+04");
}

TEST(Fmt, NonFiniteRealsAreSpelledOut) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fmt("(F10.2)", {std::numeric_limits<double>::quiet_NaN()}), "       NaN");
    EXPECT_EQ(fmt("(F10.2,E5.1)", {inf, -inf}), "  Infinity -Inf");
    EXPECT_EQ(fmt("(F2.1)", {inf}), "**");
}

TEST(Fmt, TextWithAndWithoutWidth) {
    EXPECT_EQ(fmt("('BAD STATUS FROM RDDMVF, CXFILE=',A)", {"IN.RGD"}),
              "BAD STATUS FROM RDDMVF, CXFILE=IN.RGD");
    EXPECT_EQ(fmt("('      SCENE IDENTIFIER   : ', A)", {"S"}), "      SCENE IDENTIFIER   : S");
    EXPECT_EQ(fmt("(A5,'|')", {"ab"}), "   ab|");
    EXPECT_EQ(fmt("(A3,'|')", {std::string("abcdef")}), "abc|");
}

TEST(Fmt, BlanksDescriptor) {
    EXPECT_EQ(fmt("(I2,3X,I2)", {1, 2}), " 1    2");
    EXPECT_EQ(fmt("(X,'a')"), " a");
}

TEST(Fmt, IntegersArePrintedByRealDescriptors) {
    EXPECT_EQ(fmt("(F6.2)", {3}), "  3.00");
}

TEST(Fmt, OutputEndsAtTheFirstItemWithoutValue) {
    EXPECT_EQ(fmt("(' A=',I3,' B=',I3,' C')", {1}), " A=  1 B=");
}

TEST(Fmt, MalformedFormatsAndMismatchedValuesThrow) {
    EXPECT_THROW(fmt("I5", {1}), std::invalid_argument);
    EXPECT_THROW(fmt("('open", {}), std::invalid_argument);
    EXPECT_THROW(fmt("(Q5)", {1}), std::invalid_argument);
    EXPECT_THROW(fmt("(F8)", {1.0}), std::invalid_argument);
    EXPECT_THROW(fmt("(E8.0)", {1.0}), std::invalid_argument);
    EXPECT_THROW(fmt("(I5)", {1.5}), std::invalid_argument);
    EXPECT_THROW(fmt("(I5)", {"x"}), std::invalid_argument);
    EXPECT_THROW(fmt("(A)", {1}), std::invalid_argument);
    EXPECT_THROW(fmt("(I5)", {1, 2}), std::invalid_argument);
    EXPECT_THROW(fmt("(I99999)", {1}), std::invalid_argument);
    EXPECT_THROW(fmt("(I5) x", {1}), std::invalid_argument);
}

TEST(Freefmt, LeadingBlankAndItemsSeparatedByBlanks) {
    EXPECT_EQ(freefmt({"NRCXF, NHWDS:", 3, 22}), " NRCXF, NHWDS: 3 22");
    EXPECT_EQ(freefmt({"       NUMBR:", 0}), "        NUMBR: 0");
    EXPECT_EQ(freefmt({}), " ");
}

TEST(Freefmt, TextEndingInBlankIsNotFollowedByAnother) {
    EXPECT_EQ(freefmt({"Opening NEW log file ", "X.LOG"}), " Opening NEW log file X.LOG");
}

TEST(Freefmt, RealsInShortGeneralForm) {
    EXPECT_EQ(freefmt({"AT", 13.25, 3.0, -0.5f}), " AT 13.25 3.0 -0.5");
    EXPECT_EQ(freefmt({1.0e-7, 123456789.0}), " 1E-07 1.234568E+08");
    EXPECT_EQ(freefmt({std::numeric_limits<double>::quiet_NaN(),
                       -std::numeric_limits<float>::infinity()}),
              " NaN -Infinity");
}

// A real is printed as printf's "%.7G" prints it (with ".0" after a whole number without
// exponent): checked against printf itself over values from every decade of the range,
// values at the rounding boundaries of seven digits and of the switch to the exponent form,
// signed zeros and subnormals.
TEST(Freefmt, RealsPrintAsPrintfsShortGeneralForm) {
    std::vector<double> values = {0.0, -0.0, 9999999.5, 9999999.4999, 99999995.0, 0.0001, 0.000099999995,
                                  1e-5, 123456.75, 1234567.5, 2.5e-310, -4.9e-324, 1.7976931348623157e308};
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 20000; ++i) {
        const double v = std::bit_cast<double>(random());
        if (std::isfinite(v)) values.push_back(v);
        values.push_back(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(random()))));
    }
    for (const double v : values) {
        if (!std::isfinite(v)) continue;
        std::array<char, 64> expected{};
        std::snprintf(expected.data(), expected.size(), "%.7G", v);
        std::string text = expected.data();
        if (text.find_first_of(".E") == std::string::npos) text += ".0";
        ASSERT_EQ(freefmt({v}), " " + text) << "value " << std::hexfloat << v;
    }
}
