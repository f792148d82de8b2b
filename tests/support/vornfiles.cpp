// Builders of the calibration program's data files for tests.
#include "support/vornfiles.h"

#include <algorithm>
#include <span>

#include "ravlio/ravlio.h"
#include "formats/rgd/rgdstruc.h"
#include "support/rgdbuilder.h"

namespace testsupport {

int subheaderHolding(std::initializer_list<int> ids) {
    for (const RGDsubheader& s : std::span(ALLsubheaders, ALLsubheadersCount)) {
        const std::span<const RGDsubheaderField> fields(s.field, static_cast<std::size_t>(s.fieldCount));
        const bool holdsAll = std::all_of(ids.begin(), ids.end(), [&](int id) {
            return std::any_of(fields.begin(), fields.end(), [&](const RGDsubheaderField& f) { return f.id == id; });
        });
        if (holdsAll) return s.id;
    }
    return 0;
}

bool writeSpectrumFile(const std::string& path, const SpectrumFileSpec& spec,
                       const std::vector<SpectrumRecord>& records, std::string* error) {
    RgdSpec rgd;
    rgd.columns.clear();
    for (int c = 0; c < spec.columns; ++c) {
        RgdColumn col;
        col.minimum = spec.first;
        col.maximum = spec.last;
        col.points = spec.points;
        rgd.columns.push_back(col);
    }
    rgd.subheaders = spec.subheaders;
    ZARFFILE* f = openRgdWriter(path, rgd);
    if (f == nullptr) {
        if (error != nullptr) *error = ZARFlastError(nullptr) != nullptr ? ZARFlastError(nullptr) : "";
        return false;
    }
    int record = 0;
    for (const SpectrumRecord& r : records) {
        ++record;
        std::vector<int> ids;
        std::vector<float> values;
        for (const HeaderWord& w : r.header) {
            ids.push_back(w.id);
            values.push_back(w.value);
        }
        const int ok = ZARFwriteCompleteRecord(f, record, nullptr, nullptr, 0, ids.data(), static_cast<int>(ids.size()),
                                               values.data(), r.data.data(), static_cast<int>(r.data.size()));
        if (ok == 0) {
            if (error != nullptr) *error = ZARFlastError(f);
            ZARFcloseFile(f);
            return false;
        }
    }
    ZARFcloseFile(f);
    return true;
}

ProductContent readProduct(const std::string& path, const std::vector<int>& ids) {
    ProductContent p;
    installRgdDriver();
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return p;
    p.opened = true;
    p.records = ZARFreadRecordCount(f);
    for (int r = 1; r <= p.records; ++r) {
        const int size = std::max(ZARFreadRecordSize(f, r), 0);
        std::vector<float> values(static_cast<std::size_t>(size));
        values.resize(static_cast<std::size_t>(std::max(ZARFreadDepValues(f, r, values.data(), size), 0)));
        p.data.push_back(values);
        std::vector<double> grid(static_cast<std::size_t>(size));
        grid.resize(static_cast<std::size_t>(std::max(ZARFreadIndValuesDouble(f, r, grid.data(), size), 0)));
        p.grid.push_back(grid);
        std::vector<int> request = ids;
        std::vector<float> md(ids.size(), 0.0F);
        ZARFreadRealMetadata(f, r, request.data(), static_cast<int>(request.size()), md.data());
        p.metadata.push_back(md);
    }
    for (int type = 1; type <= 4; ++type) {
        char text[256] = {};
        ZARFreadDataStringDesc(f, 1, type, text, static_cast<int>(sizeof text));
        p.descriptions.emplace_back(text);
    }
    ZARFcloseFile(f);
    return p;
}

}  // namespace testsupport
