// The RGD writer under fuzzed parameters: columns, subheaders, a reference file made of
// fuzzed bytes, records written under fuzzed numbers with fuzzed data and metadata, the file
// reopened and appended to, metadata patched in place, and the result read back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "scratch.h"

namespace {

// Subheaders the dictionary knows (and identifiers it does not), to pick requests from.
constexpr int kSubheaders[] = {94020101, 94020301, 95020302, 94070502, 0, -1, 123456789};
// Field identifiers to write and patch: base, calibration and unknown ones, and the wildcard.
constexpr int kFields[] = {FIELD_missingDataFlag,
                           FIELD_atmosphericPressure,
                           FIELD_atmosphericRelativeHumidity,
                           FIELD_BBsupportStructureTemp,
                           FIELD_dewarTemp,
                           FIELD_calibrationAmbientTemp,
                           FIELD_calibratedSceneID,
                           0,
                           -FIELD_missingDataFlag,
                           2000000000};

struct Columns {
    std::vector<int> ids, indPrec, points, depPrec;
    std::vector<double> minima, maxima;
    std::vector<std::string> texts;
    std::vector<const char*> names;
    int count = 0;
};

Columns pickColumns(FuzzedDataProvider& in) {
    Columns c;
    c.count = in.ConsumeIntegralInRange(-1, 4);
    for (int i = 0; i < std::max(c.count, 1); ++i) {
        c.ids.push_back(in.ConsumeIntegralInRange(-3, 3));
        c.minima.push_back(in.ConsumeFloatingPoint<double>());
        c.maxima.push_back(in.ConsumeFloatingPoint<double>());
        c.indPrec.push_back(in.ConsumeIntegral<int>());
        c.points.push_back(in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 2000) : in.ConsumeIntegral<int>());
        c.depPrec.push_back(in.ConsumeIntegral<int>());
        c.texts.push_back(in.ConsumeRandomLengthString(40));
    }
    for (const std::string& t : c.texts) c.names.push_back(t.c_str());
    return c;
}

ZARFFILE* openWriter(const std::string& name, int toc, std::vector<ZARFFILE*>& refs, std::vector<int>& subheaders,
                     Columns& c) {
    ZARFFILE** r = refs.empty() ? nullptr : refs.data();
    const int nr = static_cast<int>(refs.size());
    int* s = subheaders.empty() ? nullptr : subheaders.data();
    const int ns = static_cast<int>(subheaders.size());
    char** texts = const_cast<char**>(c.names.data());
    if (toc == 36)
        return ZARFopenFileWritable(name.c_str(), 0, r, nr, "FUZZ", "V1", "fuzzed", 36, s, ns, c.minima[0],
                                    c.maxima[0], c.indPrec[0], c.points[0], c.depPrec[0]);
    return ZARFopenFileWritable(name.c_str(), 1, r, nr, "FUZZ", "V1", "fuzzed", toc, s, ns, c.count, c.ids.data(),
                                c.minima.data(), c.maxima.data(), c.indPrec.data(), c.points.data(),
                                c.depPrec.data(), texts, texts, texts, texts);
}

void writeRecords(FuzzedDataProvider& in, ZARFFILE* out, std::vector<ZARFFILE*>& refs) {
    const int records = in.ConsumeIntegralInRange(0, 4);
    for (int k = 0; k < records; ++k) {
        const int record = in.ConsumeIntegralInRange(-3, 4);
        const int datacount = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 4200) : in.ConsumeIntegral<int>();
        std::vector<float> data(static_cast<size_t>(std::clamp(datacount, 0, 8400)));
        for (float& v : data) v = in.ConsumeFloatingPoint<float>();
        std::vector<int> ids;
        std::vector<float> values;
        const int fields = in.ConsumeIntegralInRange(0, 6);
        for (int i = 0; i < fields; ++i) {
            ids.push_back(in.PickValueInArray(kFields));
            values.push_back(in.ConsumeFloatingPoint<float>());
        }
        std::vector<int> sourceRecords(refs.size());
        for (int& r : sourceRecords) r = in.ConsumeIntegralInRange(-1, 3);
        const int sources = in.ConsumeIntegralInRange(0, static_cast<int>(refs.size()));
        ZARFwriteCompleteRecord(out, record, refs.empty() ? nullptr : refs.data(), sourceRecords.data(), sources,
                                ids.empty() ? nullptr : ids.data(), fields, values.empty() ? nullptr : values.data(),
                                data.size() >= static_cast<size_t>(std::max(datacount, 0)) ? data.data() : nullptr,
                                datacount);
    }
}

void patch(FuzzedDataProvider& in, const std::string& name) {
    ZARFFILE* f = ZARFopenFileReadable(("@" + name).c_str());
    if (f == nullptr) return;
    std::vector<int> ids;
    std::vector<float> values;
    const int fields = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < fields; ++i) {
        ids.push_back(in.PickValueInArray(kFields));
        values.push_back(in.ConsumeFloatingPoint<float>());
    }
    ZARFRGDpatchRealMetadata(f, in.ConsumeIntegralInRange(-1, 4), ids.empty() ? nullptr : ids.data(), fields,
                             values.empty() ? nullptr : values.data());
    float back[64];
    ZARFreadDepValues(f, 1, back, 64);
    ZARFcloseFile(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZARFinstallFileTypes(nullptr, 0, nullptr);
    FuzzedDataProvider in(data, size);
    const std::string out = fuzzing::scratchFile("out.RGD");
    std::remove(out.c_str());
    const int toc = in.PickValueInArray({36, 44, 48, 48, 0});
    std::vector<int> subheaders;
    const int ns = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < ns; ++i) subheaders.push_back(in.PickValueInArray(kSubheaders));
    Columns columns = pickColumns(in);

    // The reference files: a fuzzed file, opened by whichever driver claims it, up to twice.
    const std::string reference = fuzzing::scratchFile("reference.RGD");
    const std::string referenceBytes = in.ConsumeRandomLengthString(8192);
    fuzzing::writeBytes(reference, reinterpret_cast<const uint8_t*>(referenceBytes.data()), referenceBytes.size());
    std::vector<ZARFFILE*> refs;
    const int nr = in.ConsumeIntegralInRange(0, 2);
    for (int i = 0; i < nr; ++i)
        if (ZARFFILE* r = ZARFopenFileReadable(reference.c_str())) refs.push_back(r);

    for (int pass = 0; pass < 2; ++pass) {  // create, then reopen and append
        ZARFFILE* w = openWriter(out, toc, refs, subheaders, columns);
        if (w == nullptr) break;
        writeRecords(in, w, refs);
        ZARFcloseFile(w);
    }
    patch(in, out);
    for (ZARFFILE* r : refs) ZARFcloseFile(r);
    return 0;
}
