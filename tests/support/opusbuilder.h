// Builders of small OPUS files for tests: data-status parameter blocks, float data blocks and
// whole files (header, directory, blocks) in the layout the OPUS software writes, so that
// suites can place, omit, reorder, cut or corrupt blocks at known offsets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One parameter of a data-status block: an integer, a double or a text value.
struct OpusParameter {
    enum class Kind { Integer, Real, Text };
    std::string name;  // three letters
    Kind kind = Kind::Integer;
    int32_t integer = 0;
    double real = 0.0;
    std::string text;

    static OpusParameter Int(const std::string& name, int32_t value);
    static OpusParameter Real(const std::string& name, double value);
    static OpusParameter Text(const std::string& name, const std::string& value);
};

// The bytes of a data-status block: the parameters in order, then END.
std::string opusStatusBlock(const std::vector<OpusParameter>& parameters);
// A usual status: NPT, FXV, LXV, DPF, DAT, TIM, then END.
std::string opusStatusBlock(int32_t points, double firstX, double lastX, int32_t pointFormat = 1,
                            const std::string& date = "11/05/2020", const std::string& time = "08:59:44.322 (GMT+1)");
// The bytes of a data block of 32-bit little-endian floats.
std::string opusFloatBlock(const std::vector<float>& values);

// One block of a file: its directory type and its bytes (padded to whole 4-byte words).
struct OpusBlock {
    uint32_t type = 0;
    std::string bytes;
};

// A whole file and where its parts lie.
struct OpusImage {
    std::string bytes;
    size_t directoryOffset = 0;      // first directory entry
    std::vector<uint32_t> locations; // file offset of each block, in directory order
};

// Header (magic, version 920622 as a double at 4, directory offset at 12, most entries at 16,
// entries in use at 20), a directory of maxEntries 12-byte slots (unused ones zero) and the
// blocks one after the other.
OpusImage buildOpusFile(const std::vector<OpusBlock>& blocks, int maxEntries = 40);

// Little-endian writers for patching images.
void putInt32(std::string& bytes, size_t at, int32_t value);

// Writes a minimal valid OPUS file to path: one spectrum of 4 points (1, 2, 3, 4 from
// 1000 to 400 cm-1) followed by its data-status block. False when it cannot be written.
bool writeMinimalOpusFile(const std::string& path);

}  // namespace testsupport
