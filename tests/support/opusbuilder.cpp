// Builders of small OPUS files for tests (see opusbuilder.h).
#include "support/opusbuilder.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace testsupport {

namespace {

void appendLittleEndian(std::string& out, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void appendInt32(std::string& out, int32_t value) { appendLittleEndian(out, static_cast<uint32_t>(value), 4); }

void appendDouble(std::string& out, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    appendLittleEndian(out, bits, 8);
}

void padToWords(std::string& bytes) {
    while (bytes.size() % 4 != 0) bytes.push_back('\0');
}

// Head of a parameter: name (three letters and NUL), type, value length in 2-byte units.
void appendHead(std::string& out, const std::string& name, int type, size_t valueBytes) {
    std::string padded = name.substr(0, 3);
    padded.resize(4, '\0');
    out += padded;
    appendLittleEndian(out, static_cast<uint16_t>(type), 2);
    appendLittleEndian(out, static_cast<uint16_t>(valueBytes / 2), 2);
}

}  // namespace

OpusParameter OpusParameter::Int(const std::string& name, int32_t value) {
    OpusParameter p;
    p.name = name;
    p.kind = Kind::Integer;
    p.integer = value;
    return p;
}

OpusParameter OpusParameter::Real(const std::string& name, double value) {
    OpusParameter p;
    p.name = name;
    p.kind = Kind::Real;
    p.real = value;
    return p;
}

OpusParameter OpusParameter::Text(const std::string& name, const std::string& value) {
    OpusParameter p;
    p.name = name;
    p.kind = Kind::Text;
    p.text = value;
    return p;
}

std::string opusStatusBlock(const std::vector<OpusParameter>& parameters) {
    std::string out;
    for (const OpusParameter& p : parameters) {
        std::string value;
        int type = 0;
        switch (p.kind) {
            case OpusParameter::Kind::Integer:
                appendInt32(value, p.integer);
                type = 0;
                break;
            case OpusParameter::Kind::Real:
                appendDouble(value, p.real);
                type = 1;
                break;
            case OpusParameter::Kind::Text:
                value = p.text;
                value.push_back('\0');
                padToWords(value);
                type = 2;
                break;
        }
        appendHead(out, p.name, type, value.size());
        out += value;
    }
    appendHead(out, "END", 0, 0);
    return out;
}

std::string opusStatusBlock(int32_t points, double firstX, double lastX, int32_t pointFormat, const std::string& date,
                            const std::string& time) {
    return opusStatusBlock({OpusParameter::Int("NPT", points), OpusParameter::Real("FXV", firstX),
                            OpusParameter::Real("LXV", lastX), OpusParameter::Int("DPF", pointFormat),
                            OpusParameter::Text("DAT", date), OpusParameter::Text("TIM", time)});
}

std::string opusFloatBlock(const std::vector<float>& values) {
    std::string out;
    for (float v : values) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        appendLittleEndian(out, bits, 4);
    }
    return out;
}

void putInt32(std::string& bytes, size_t at, int32_t value) {
    std::string le;
    appendInt32(le, value);
    bytes.replace(at, 4, le);
}

OpusImage buildOpusFile(const std::vector<OpusBlock>& blocks, int maxEntries) {
    constexpr size_t headerSize = 24;
    OpusImage image;
    image.directoryOffset = headerSize;
    const size_t slots = std::max(static_cast<size_t>(maxEntries > 0 ? maxEntries : 0), blocks.size());
    std::string& out = image.bytes;
    appendLittleEndian(out, 0xFEFE0A0Au, 4);
    appendDouble(out, 920622.0);
    appendInt32(out, static_cast<int32_t>(headerSize));
    appendInt32(out, maxEntries);
    appendInt32(out, static_cast<int32_t>(blocks.size()));
    out.resize(headerSize + 12 * slots, '\0');
    size_t at = out.size();
    for (size_t i = 0; i < blocks.size(); ++i) {
        std::string body = blocks[i].bytes;
        padToWords(body);
        putInt32(out, headerSize + 12 * i, static_cast<int32_t>(blocks[i].type));
        putInt32(out, headerSize + 12 * i + 4, static_cast<int32_t>(body.size() / 4));
        putInt32(out, headerSize + 12 * i + 8, static_cast<int32_t>(at));
        image.locations.push_back(static_cast<uint32_t>(at));
        out += body;
        at = out.size();
    }
    return image;
}

bool writeMinimalOpusFile(const std::string& path) {
    const OpusImage image = buildOpusFile(
        {OpusBlock{0x407, opusFloatBlock({1.0f, 2.0f, 3.0f, 4.0f})}, OpusBlock{0x417, opusStatusBlock(4, 1000.0, 400.0)}});
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(image.bytes.data(), static_cast<std::streamsize>(image.bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace testsupport
