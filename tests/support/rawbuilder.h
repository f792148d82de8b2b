// Writers of the spectrometer's raw record files for tests: records in integer form (plain
// or byte-swapped) or floating form, with chosen header words and data, and whole files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// How a record's header and data words are stored.
enum class RawForm {
    Integer,  // 32-bit little-endian integers; stamp "ZARF"
    Swapped,  // the same, every numeric word byte-swapped; stamp "FRAZ"
    Floating  // 32-bit little-endian IEEE reals; stamp "ZARF"
};

// One record: 100 header words, then the data words, padded with zero bytes to the size
// that header word 35 gives. Values are the stored ones: in integer form a word the reader
// divides is given already multiplied (thermistor 25.5 C is stored as 2550).
class RawRecord {
public:
    // A record of `points` 4-byte points. Header: word 36 = 100, word 35 = points + 100, word
    // 30 = points, version 1.00, data scale factor 1, stamps "ZARF"/"VORN"/"0001", the grid
    // xmin, xmin + interval, ... in words 32 to 34 (in integer form scaled by 1e8 and 1e5).
    RawRecord(RawForm form, int points, double xmin = 500.0, double interval = 0.5);

    RawForm form() const { return form_; }

    // Stores a numeric word: as an integer (rounded) in integer form, as a real in floating form.
    RawRecord& set(int word, double value);
    // Stores the word's four bytes exactly as given (an ASCII word, or any bit pattern) in
    // file order.
    RawRecord& setText(int word, const std::string& fourBytes);
    RawRecord& setBits(int word, uint32_t bits);
    // 4-byte data words: integers (integer form) or reals (floating form). Any count.
    RawRecord& setData(const std::vector<double>& values);
    // 16-bit data points (little-endian), for floating-form records with 16-bit points.
    RawRecord& setData16(const std::vector<int16_t>& values);

    // The record as stored: 4 x word 35 bytes (at least the header and data, whatever word
    // 35 says, when it says less).
    std::string bytes() const;

private:
    RawForm form_;
    std::array<std::string, 100> words_;  // each word's 4 bytes in file order
    std::string data_;                    // the data bytes in file order

    std::string numberBytes(double value) const;
};

// Writes the records one after another (replacing the file). False when it cannot be written.
bool writeRawFile(const std::string& path, const std::vector<RawRecord>& records);
// Appends bytes to the end of the file (a record, or part of one).
bool appendRawBytes(const std::string& path, const std::string& bytes);

// A minimal valid raw file: one integer-form record of 4 points (10, 20, 30, 40) on the grid
// 500, 500.5, 501, 501.5 cm-1.
bool writeMinimalRawFile(const std::string& path);

}  // namespace testsupport
