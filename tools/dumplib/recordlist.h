// Record lists as users write them on the command line: "3", "1-5", "1,3,7-9".
#pragma once

#include <string>
#include <vector>

namespace dump {

// True when text has the shape of a record list (digits, commas and dashes, starting with
// a digit), so that an optional list argument can be told from a file name.
bool looksLikeRecordList(const std::string& text);

// True when text is a well-formed record list or record number (any record count).
bool isRecordList(const std::string& text);
bool isRecordNumber(const std::string& text);

// The records of text in the order written, each checked against recordCount.
// Failure: DumpError "bad record list 'TEXT'" for malformed text (empty items, signs,
// descending ranges, numbers too large for a record number), or the out-of-range error of
// recordOutOfRange for a record outside 1 to recordCount.
std::vector<int> parseRecordList(const std::string& text, int recordCount);

// A single record number (for --csv). Failure: DumpError "bad record number 'TEXT'" or
// the out-of-range error.
int parseRecord(const std::string& text, int recordCount);

}  // namespace dump
