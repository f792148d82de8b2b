// Builders of RGD files for tests.
#include "support/rgdbuilder.h"

#include <cstring>

#include "driver.h"
#include "formats/rgd/rgdstruc.h"

namespace testsupport {

namespace {

const char* textOf(const std::string& s) { return s.c_str(); }

// Parallel argument lists of a version-48 open, kept alive for the call.
struct ColumnLists {
    std::vector<int> ids, indPrec, points, depPrec;
    std::vector<double> minima, maxima;
    std::vector<const char*> shortnames, labels, longnames, units;

    explicit ColumnLists(const std::vector<RgdColumn>& columns) {
        for (const RgdColumn& c : columns) {
            ids.push_back(c.identifier);
            indPrec.push_back(c.independentPrecision);
            points.push_back(c.points);
            depPrec.push_back(c.dependentPrecision);
            minima.push_back(c.minimum);
            maxima.push_back(c.maximum);
            shortnames.push_back(textOf(c.shortname));
            labels.push_back(textOf(c.label));
            longnames.push_back(textOf(c.longname));
            units.push_back(textOf(c.units));
        }
    }
};

}  // namespace

namespace {
const Methods* const rgdOnly[] = {&RGD_Methods, nullptr};
}

void installRgdDriver() {
    if (WritableFileType != &RGD_Methods) ZARFinstallFileTypes(rgdOnly, 1, &RGD_Methods);
}

void probeOnlyRgd() { ZARFinstallFileTypes(rgdOnly, 1, &RGD_Methods); }

void restoreDriverTable() { ZARFinstallFileTypes(nullptr, 0, nullptr); }

ZARFFILE* openRgdWriter(const std::string& path, const RgdSpec& spec) {
    installRgdDriver();
    ColumnLists l(spec.columns);
    std::vector<ZARFFILE*> refs = spec.references;
    std::vector<int> subheaders = spec.subheaders;
    return ZARFopenFileWritable(path.c_str(), 1, refs.empty() ? nullptr : refs.data(), static_cast<int>(refs.size()),
                                spec.program.c_str(), spec.version.c_str(), spec.history.c_str(), 48,
                                subheaders.empty() ? nullptr : subheaders.data(), static_cast<int>(subheaders.size()),
                                static_cast<int>(spec.columns.size()), l.ids.data(), l.minima.data(),
                                l.maxima.data(), l.indPrec.data(), l.points.data(), l.depPrec.data(),
                                const_cast<char**>(l.shortnames.data()), const_cast<char**>(l.labels.data()),
                                const_cast<char**>(l.longnames.data()), const_cast<char**>(l.units.data()));
}

float rgdPatternValue(int record, int column, int point) {
    return static_cast<float>(record * 1000 + column * 100) + static_cast<float>(point) * 0.5f;
}

std::vector<float> rgdPatternRecord(const RgdSpec& spec, int record) {
    std::vector<float> data;
    for (size_t c = 0; c < spec.columns.size(); ++c)
        for (int i = 0; i < spec.columns[c].points; ++i)
            data.push_back(rgdPatternValue(record, static_cast<int>(c), i));
    return data;
}

bool writeRgdFile(const std::string& path, const RgdSpec& spec, int count,
                  const std::function<RgdMetadata(int)>& metadata, std::string* error) {
    ZARFFILE* f = openRgdWriter(path, spec);
    if (f == nullptr) {
        if (error != nullptr) *error = ZARFlastError(nullptr) != nullptr ? ZARFlastError(nullptr) : "";
        return false;
    }
    std::vector<ZARFFILE*> sources = spec.references;
    for (int r = 1; r <= count; ++r) {
        RgdMetadata md = metadata ? metadata(r) : RgdMetadata{};
        std::vector<float> data = rgdPatternRecord(spec, r);
        std::vector<int> records(sources.size(), r);
        const int ok = ZARFwriteCompleteRecord(f, r, sources.empty() ? nullptr : sources.data(), records.data(),
                                               static_cast<int>(sources.size()), md.ids.data(),
                                               static_cast<int>(md.ids.size()), md.values.data(), data.data(),
                                               static_cast<int>(data.size()));
        if (ok == 0) {
            if (error != nullptr) *error = ZARFlastError(f);
            ZARFcloseFile(f);
            return false;
        }
    }
    ZARFcloseFile(f);
    return true;
}

int32_t getLe32(const std::string& bytes, int64_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes.at(static_cast<size_t>(offset + i)));
    int32_t s = 0;
    std::memcpy(&s, &v, sizeof s);
    return s;
}

void putLe32(std::string& bytes, int64_t offset, int32_t value) {
    uint32_t v = 0;
    std::memcpy(&v, &value, sizeof v);
    for (int i = 0; i < 4; ++i) bytes.at(static_cast<size_t>(offset + i)) = static_cast<char>((v >> (8 * i)) & 0xFF);
}

RgdSections locateRgdSections(const std::string& bytes) {
    RgdSections s;
    size_t i = 0;
    while (i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9') s.magicOffset = s.magicOffset * 10 + (bytes[i++] - '0');
    s.tocOffset = s.magicOffset + 12;
    const int32_t entrySize = getLe32(bytes, s.tocOffset);
    int64_t at = s.tocOffset + 4;
    for (;;) {
        s.dataAreaSize += getLe32(bytes, at);
        const bool more = entrySize >= 44 && getLe32(bytes, at + 40) != 0;
        const int32_t strings = entrySize >= 48 ? getLe32(bytes, at + 44) : 0;
        at += entrySize;
        if (strings == 4)
            for (int k = 0; k < 4; ++k) at += 4 + getLe32(bytes, at);
        if (!more) break;
    }
    s.anatomyOffset = at;
    const int32_t subheaders = getLe32(bytes, at);
    s.baseOffset = at + 4 + 4 * int64_t{subheaders};
    for (int32_t k = 0; k < subheaders; ++k) {
        const RGDsubheader* sh = RGDlookupSubheader(getLe32(bytes, at + 4 + 4 * k));
        if (sh != nullptr) s.headerSize += 4 * sh->fieldCount;
    }
    return s;
}

}  // namespace testsupport
