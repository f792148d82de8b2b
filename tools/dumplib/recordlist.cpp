// Record lists as users write them on the command line.
#include "dumplib/recordlist.h"

#include <charconv>
#include <optional>

#include "dumplib/datafile.h"

namespace dump {

namespace {

// A decimal number filling the whole of item.
std::optional<int> wholeNumber(const std::string& item) {
    if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    int value = 0;
    const auto result = std::from_chars(item.data(), item.data() + item.size(), value);
    if (result.ec != std::errc{} || result.ptr != item.data() + item.size()) return std::nullopt;
    return value;
}

void checkRange(int record, int recordCount) {
    if (record < 1 || record > recordCount) throw recordOutOfRange(record, recordCount);
}

struct Span {
    int first = 0;
    int last = 0;
};

// The ranges of a record list as written; empty when it is malformed.
std::vector<Span> spans(const std::string& text) {
    std::vector<Span> result;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t dash = item.find('-');
        const std::optional<int> first = wholeNumber(item.substr(0, dash));
        const std::optional<int> last = dash == std::string::npos ? first : wholeNumber(item.substr(dash + 1));
        if (!first || !last || *last < *first) return {};
        result.push_back(Span{*first, *last});
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return result;
}

}  // namespace

bool looksLikeRecordList(const std::string& text) {
    return !text.empty() && text[0] >= '0' && text[0] <= '9' &&
           text.find_first_not_of("0123456789,-") == std::string::npos;
}

bool isRecordList(const std::string& text) { return !spans(text).empty(); }

bool isRecordNumber(const std::string& text) { return wholeNumber(text).has_value(); }

std::vector<int> parseRecordList(const std::string& text, int recordCount) {
    const std::vector<Span> ranges = spans(text);
    if (ranges.empty()) throw DumpError("bad record list '" + text + "'");
    std::vector<int> records;
    for (const Span& s : ranges) {
        // Both ends are checked before the range is expanded, so its size is bounded by
        // the file's record count.
        checkRange(s.first, recordCount);
        checkRange(s.last, recordCount);
        for (int r = s.first; r <= s.last; ++r) records.push_back(r);
    }
    return records;
}

int parseRecord(const std::string& text, int recordCount) {
    const std::optional<int> record = wholeNumber(text);
    if (!record) throw DumpError("bad record number '" + text + "'");
    checkRange(*record, recordCount);
    return *record;
}

}  // namespace dump
