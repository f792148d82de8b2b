// The records, columns and fields of a conversion, checked to lie on one grid.
#include "convertlib/selection.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <sstream>

#include "dumplib/recordlist.h"

namespace convert {

using dump::DumpError;

namespace {

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty()) items.push_back(item);
    return items;
}

bool isNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("-0123456789") == std::string::npos && text.size() < 11;
}

// A netCDF name from a library text: letters, digits and "_" kept, anything else becomes
// "_", and a name that does not start with a letter gets a leading "v".
std::string variableName(const std::string& text) {
    std::string name;
    for (char c : text) name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    if (name.empty() || std::isalpha(static_cast<unsigned char>(name[0])) == 0) name = "v" + name;
    return name;
}

constexpr const char* Consistent =
    "one netCDF variable holds values on one grid; choose consistent records and columns with --records and --columns";

bool sameDomain(const dump::Domain& a, const dump::Domain& b) {
    return a.minimum == b.minimum && a.maximum == b.maximum && a.interval == b.interval;
}

}  // namespace

Selection::Selection(dump::DataFile& file, const Choice& choice) : file_(file) {
    const int count = file.recordCount();
    if (count <= 0) throw DumpError("the file holds no complete record");
    if (choice.records) {
        records_ = dump::parseRecordList(*choice.records, count);
    } else {
        for (int r = 1; r <= count; ++r) records_.push_back(r);
    }
    chooseColumns(choice.columns);
    if (!fieldsOnly()) {
        takeGrid();
        for (int r : records_) checkGrid(r);
    }
    chooseFields(choice.fields);
    findReferenceDate();
}

void Selection::chooseColumns(const std::optional<std::string>& list) {
    if (!file_.hasDataColumns()) {
        if (list) throw DumpError("the records hold no data columns to choose (only header fields)");
        return;
    }
    if (!list) {
        columns_ = file_.columns();
        return;
    }
    // Each item as rgddump's --column takes it: data type, number or short name.
    for (const std::string& item : splitList(*list)) columns_.push_back(file_.findColumn(item));
    if (columns_.empty()) throw DumpError("no column chosen");
}

void Selection::takeGrid() {
    const int first = records_.front();
    file_.selectColumn(columns_.front());
    const int size = file_.recordSize(first);
    if (size <= 0) throw DumpError("record " + std::to_string(first) + " has no values");
    domain_ = file_.domain(first);
    grid_.values = file_.abscissa(first, static_cast<size_t>(size));
    grid_.units = file_.abscissaText(4);
    const std::string shortName = file_.abscissaText(1);
    if (grid_.units == "cm-1") {
        grid_.name = "wavenumber";
        grid_.longName = "wavenumber";
    } else {
        grid_.name = shortName.empty() ? "abscissa" : variableName(shortName);
        grid_.longName = file_.abscissaText(3).empty() ? grid_.name : file_.abscissaText(3);
    }
}

void Selection::checkGrid(int record) {
    const auto where = [&](int r, const dump::ColumnInfo& c) {
        return "record " + std::to_string(r) + (columns_.size() > 1 ? " column " + std::to_string(c.number) : "");
    };
    const std::string first = where(records_.front(), columns_.front());
    for (const dump::ColumnInfo& c : columns_) {
        file_.selectColumn(c);
        const int size = file_.recordSize(record);
        if (size < 0) throw DumpError(where(record, c) + " is not complete yet");
        if (static_cast<size_t>(size) != grid_.values.size())
            throw DumpError(where(record, c) + " has " + std::to_string(size) + " points where " + first + " has " +
                            std::to_string(grid_.values.size()) + ": " + Consistent);
        const std::optional<dump::Domain> d = file_.domain(record);
        const bool same = domain_ && d ? sameDomain(*domain_, *d) : file_.abscissa(record, grid_.values.size()) == grid_.values;
        if (!same) throw DumpError(where(record, c) + " lies on a different grid from " + first + ": " + Consistent);
    }
}

void Selection::chooseFields(const std::optional<std::string>& list) {
    const int first = records_.front();
    std::vector<dump::FieldInfo> infos = file_.fields(first);
    std::map<int, int> places;
    for (const dump::FieldInfo& info : infos) ++places[info.identifier];
    std::map<int, int> seen;
    std::map<std::string, int> names;
    std::vector<FieldSlot> all;
    const auto add = [&](const dump::FieldInfo& info, int occurrence) {
        FieldSlot slot;
        slot.info = info;
        slot.occurrence = occurrence;
        const std::string base = variableName(info.name.empty() ? "field" + std::to_string(info.identifier) : info.name);
        std::string name = occurrence == 0 ? base : base + "_" + std::to_string(occurrence);
        // Two different fields with one name (or a name that only looks like a place)
        // still get distinct variables.
        if (const int n = ++names[name]; n > 1) name += "_v" + std::to_string(n);
        slot.variable = name;
        all.push_back(std::move(slot));
    };
    for (const dump::FieldInfo& info : infos) {
        const int place = ++seen[info.identifier];
        if (place == 1) {
            if (info.name == "dateYYMMDD") dateId_ = info.identifier;
            if (info.name == "timeHHMMSS") timeId_ = info.identifier;
            add(info, 0);
        }
        if (places[info.identifier] > 1) add(info, place);
    }
    // The values by identifier first, then the places of repeated fields, place by place.
    std::stable_sort(all.begin(), all.end(), [](const FieldSlot& a, const FieldSlot& b) { return a.occurrence < b.occurrence; });
    if (!list) {
        fields_ = std::move(all);
    } else if (*list != "none") {
        for (const std::string& item : splitList(*list)) {
            bool found = false;
            for (const FieldSlot& s : all) {
                if (s.variable != item && s.info.name != item && !(isNumber(item) && std::to_string(s.info.identifier) == item))
                    continue;
                found = true;
                const bool chosen = std::any_of(fields_.begin(), fields_.end(),
                                                [&](const FieldSlot& f) { return f.variable == s.variable; });
                if (!chosen) fields_.push_back(s);
            }
            if (!found) throw DumpError("record " + std::to_string(first) + " has no header field '" + item + "'");
        }
    }
    for (size_t k = 0; k < fields_.size(); ++k) {
        slotIndex_[{fields_[k].info.identifier, fields_[k].occurrence}] = k;
        if (fields_[k].occurrence == 0) byIdentifier_.push_back(fields_[k].info.identifier);
        else repeats_ = true;
    }
    if (hasTime()) {
        byIdentifier_.push_back(dateId_);
        byIdentifier_.push_back(timeId_);
    }
}

void Selection::findReferenceDate() {
    if (!hasTime()) return;
    for (int r : records_) {
        const dump::FieldValue date = file_.metadata(r, {dateId_}).front();
        referenceDate_ = date ? dateOf(*date) : std::nullopt;
        if (referenceDate_) return;
    }
}

const FieldSlot* Selection::timeOfRecordField() const {
    if (!fieldsOnly() || dateId_ != 0 || timeId_ == 0) return nullptr;
    for (const FieldSlot& f : fields_)
        if (f.info.identifier == timeId_ && f.occurrence == 0) return &f;
    return nullptr;
}

std::optional<std::string> Selection::timeUnits() const {
    if (!referenceDate_) return std::nullopt;
    return convert::timeUnits(*referenceDate_);
}

RecordValues Selection::read(int record) {
    RecordValues out;
    out.record = record;
    for (const dump::ColumnInfo& c : columns_) {
        file_.selectColumn(c);
        out.columns.push_back(file_.values(record));
        out.columns.back().resize(grid_.values.size(), std::nanf(""));
    }
    out.fields.assign(fields_.size(), std::nanf(""));
    const std::vector<dump::FieldValue> values = file_.metadata(record, byIdentifier_);
    for (size_t k = 0; k < byIdentifier_.size(); ++k)
        if (const auto slot = slotIndex_.find({byIdentifier_[k], 0}); slot != slotIndex_.end() && values[k])
            out.fields[slot->second] = *values[k];
    if (repeats_) {
        std::map<int, int> seen;
        for (const auto& [id, value] : file_.headerValues(record))
            if (const auto slot = slotIndex_.find({id, ++seen[id]}); slot != slotIndex_.end()) out.fields[slot->second] = value;
    }
    const size_t n = byIdentifier_.size();
    const double date = hasTime() && values[n - 2] ? *values[n - 2] : NAN;
    const double time = hasTime() && values[n - 1] ? *values[n - 1] : NAN;
    if (hasTime()) out.time = times_.next(date, time);
    if (const FieldSlot* f = timeOfRecordField()) {
        const float value = out.fields[static_cast<size_t>(f - fields_.data())];
        if (std::isfinite(value)) out.time = value;
    }
    return out;
}

}  // namespace convert
