// Writers of the spectrometer's raw record files for tests, byte by byte in the file's order.
#include "support/rawbuilder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace testsupport {

namespace {

// The four bytes of a 32-bit pattern, least significant first (or most significant first).
std::string wordBytes(uint32_t bits, bool bigEndian) {
    std::string b(4, '\0');
    for (int k = 0; k < 4; ++k) {
        const auto byte = static_cast<char>((bits >> (8 * k)) & 0xFFu);
        b[static_cast<size_t>(bigEndian ? 3 - k : k)] = byte;
    }
    return b;
}

uint32_t floatBits(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint32_t wordBits(const std::string& word) {
    uint32_t bits = 0;
    for (int k = 3; k >= 0; --k) bits = (bits << 8) | static_cast<unsigned char>(word[static_cast<size_t>(k)]);
    return bits;
}

}  // namespace

RawRecord::RawRecord(RawForm form, int points, double xmin, double interval) : form_(form) {
    words_.fill(std::string(4, '\0'));
    const double xmax = xmin + interval * (points - 1);
    const bool integer = form != RawForm::Floating;
    set(36, 100).set(35, points + 100).set(30, points).set(27, 1);
    set(20, integer ? 100 : 1.0);
    set(32, integer ? interval * 1e8 : interval);
    set(33, integer ? xmin * 1e5 : xmin);
    set(34, integer ? xmax * 1e5 : xmax);
    setText(19, form == RawForm::Swapped ? "FRAZ" : "ZARF").setText(37, "VORN").setText(38, "0001");
}

std::string RawRecord::numberBytes(double value) const {
    if (form_ == RawForm::Floating) return wordBytes(floatBits(static_cast<float>(value)), false);
    const auto stored = static_cast<int32_t>(std::llround(value));
    return wordBytes(static_cast<uint32_t>(stored), form_ == RawForm::Swapped);
}

RawRecord& RawRecord::set(int word, double value) {
    words_.at(static_cast<size_t>(word)) = numberBytes(value);
    return *this;
}

RawRecord& RawRecord::setText(int word, const std::string& fourBytes) {
    words_.at(static_cast<size_t>(word)) = fourBytes.substr(0, 4) + std::string(4 - std::min<size_t>(4, fourBytes.size()), '\0');
    return *this;
}

RawRecord& RawRecord::setBits(int word, uint32_t bits) {
    words_.at(static_cast<size_t>(word)) = wordBytes(bits, false);
    return *this;
}

RawRecord& RawRecord::setData(const std::vector<double>& values) {
    data_.clear();
    for (double v : values) data_ += numberBytes(v);
    return *this;
}

RawRecord& RawRecord::setData16(const std::vector<int16_t>& values) {
    data_.clear();
    for (int16_t v : values) data_ += wordBytes(static_cast<uint16_t>(v), false).substr(0, 2);
    return *this;
}

std::string RawRecord::bytes() const {
    std::string out;
    for (const std::string& w : words_) out += w;
    out += data_;
    // Word 35 as the reader sees it, in the record's own byte order.
    const std::string& size = words_[35];
    uint32_t bits = wordBits(size);
    if (form_ == RawForm::Swapped) bits = wordBits(std::string(size.rbegin(), size.rend()));
    double words = static_cast<int32_t>(bits);
    if (form_ == RawForm::Floating) {
        float f = 0.0F;
        std::memcpy(&f, &bits, sizeof f);
        words = f;
    }
    if (std::isfinite(words) && words * 4 > static_cast<double>(out.size()) && words < 1e7)
        out.resize(static_cast<size_t>(words) * 4, '\0');
    return out;
}

bool writeRawFile(const std::string& path, const std::vector<RawRecord>& records) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const RawRecord& r : records) out << r.bytes();
    return static_cast<bool>(out);
}

bool appendRawBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
    return static_cast<bool>(out);
}

bool writeMinimalRawFile(const std::string& path) {
    RawRecord r(RawForm::Integer, 4);
    r.setData({10, 20, 30, 40});
    return writeRawFile(path, {r});
}

}  // namespace testsupport
