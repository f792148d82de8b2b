// A scratch directory for one fuzzing process, and the byte-file helpers every target uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The process's scratch directory (made on first use, removed at exit); the process works
// inside it, so files a target writes under relative names stay there.
const std::string& scratchDir();
// Full name of a file in the scratch directory.
std::string scratchFile(const std::string& name);
// Writes the bytes to path, replacing it.
void writeBytes(const std::string& path, const uint8_t* data, size_t size);
// Appends the bytes to path.
void appendBytes(const std::string& path, const uint8_t* data, size_t size);

}  // namespace fuzzing
