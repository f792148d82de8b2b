// Field-description tables of the output products.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorncalv/strtabca.h"

namespace {

using vorncalv::DescTable;

struct Family {
    const char* name;
    DescTable (*shortnames)();
    DescTable (*labels)();
    DescTable (*longnames)();
    DescTable (*units)();
    DescTable tables[4];  // the named tables the accessors must return
    const char* texts[4];  // short name, label, long name, unit
};

const std::vector<Family>& families() {
    using namespace vorncalv;
    static const std::vector<Family> all = {
        {"real part", gettablesn, gettablel, gettableln, gettableu,
         {tableOfShortNames, tableOfLabels, tableOfLongNames, tableOfUnits},
         {"atmosphericRadiance", "Downwelling Radiance", "Downwelling atmospheric radiance spectrum",
          "mW/(m2 sr cm-1)"}},
        {"imaginary part", getdftablesn, getdftablel, getdftableln, getdftableu,
         {DFtableOfShortNames, DFtableOfLabels, DFtableOfLongNames, DFtableOfUnits},
         {"DiagnosticFunction", "Calibration Diagnostic Function", "Imaginary part of calibrated radiance",
          "mW/(m2 sr cm-1)"}},
        {"responsivity", getretablesn, getretablel, getretableln, getretableu,
         {REtableOfShortNames, REtableOfLabels, REtableOfLongNames, REtableOfUnits},
         {"responsivity", "Responsivity", "VORN Instrument Responsivity", "counts/[mW/(m2 sr cm-1)]"}},
        {"real offset", getortablesn, getortablel, getortableln, getortableu,
         {ORtableOfShortNames, ORtableOfLabels, ORtableOfLongNames, ORtableOfUnits},
         {"RealPartOffset", "Offset, Real Part", "Real Part of Offset", "mW/(m2 sr cm-1)"}},
        {"imaginary offset", getoitablesn, getoitablel, getoitableln, getoitableu,
         {OItableOfShortNames, OItableOfLabels, OItableOfLongNames, OItableOfUnits},
         {"ImaginaryPartOffset", "Offset, Imaginary Part", "Imaginary Part of Offset", "mW/(m2 sr cm-1)"}},
        {"variance", getvariancetablesn, getvariancetablel, getvariancetableln, getvariancetableu,
         {varianceTableOfShortNames, varianceTableOfLabels, varianceTableOfLongNames, varianceTableOfUnits},
         {"VarianceOfRadiance", "Variance of Radiance", "Variance of radiance during view",
          "(mw/(m2 sr cm-1))^2"}},
    };
    return all;
}

std::vector<DescTable (*)()> accessorsOf(const Family& f) { return {f.shortnames, f.labels, f.longnames, f.units}; }

}  // namespace

TEST(Strtabca, EveryTableHoldsItsExactText) {
    for (const Family& f : families()) {
        const auto acc = accessorsOf(f);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(std::string(acc[k]()[0]), f.texts[k]) << f.name << " table " << k;
        }
    }
}

TEST(Strtabca, AccessorsReturnTheNamedTable) {
    for (const Family& f : families()) {
        const auto acc = accessorsOf(f);
        for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(acc[k](), f.tables[k]) << f.name << " table " << k;
    }
}

TEST(Strtabca, AccessorsReturnTheSameAddressOnEveryCall) {
    for (const Family& f : families()) {
        for (auto* accessor : accessorsOf(f)) {
            const DescTable first = accessor();
            const char* firstText = first[0];
            for (int call = 0; call < 3; ++call) {
                EXPECT_EQ(accessor(), first) << f.name;
                EXPECT_EQ(accessor()[0], firstText) << f.name;
            }
        }
    }
}

TEST(Strtabca, AllRadianceUnitsShareOneString) {
    using namespace vorncalv;
    const char* shared = gettableu()[0];
    EXPECT_EQ(getdftableu()[0], shared);
    EXPECT_EQ(getortableu()[0], shared);
    EXPECT_EQ(getoitableu()[0], shared);
    EXPECT_NE(getretableu()[0], shared);
    EXPECT_NE(getvariancetableu()[0], shared);
}

TEST(Strtabca, ResponsivityUnitKeepsBracketsAndVarianceUnitItsCaret) {
    EXPECT_EQ(std::string(vorncalv::getretableu()[0]), "counts/[mW/(m2 sr cm-1)]");
    EXPECT_EQ(std::string(vorncalv::getvariancetableu()[0]), "(mw/(m2 sr cm-1))^2");
}

TEST(Strtabca, AllTwentyFourTablesAreDistinct) {
    std::vector<DescTable> seen;
    for (const Family& f : families()) {
        for (auto* accessor : accessorsOf(f)) {
            const DescTable t = accessor();
            for (DescTable other : seen) EXPECT_NE(t, other) << f.name;
            seen.push_back(t);
        }
    }
    EXPECT_EQ(seen.size(), 24U);
}

TEST(Strtabca, TableReferenceIsWideEnoughForAnAddress) {
    EXPECT_EQ(sizeof(DescTable), sizeof(void*));
    EXPECT_EQ(vorncalv::NTABLE_ENTRIES, 1);
}
