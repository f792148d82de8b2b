// The scratch directory of one fuzzing process and its byte-file helpers.
#include "scratch.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace fuzzing {

namespace {

std::string makeScratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ravl-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    if (chdir(pattern.c_str()) != 0) std::abort();
    static const std::string removeAtExit = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(removeAtExit, ignored);
    });
    return pattern;
}

void putBytes(const std::string& path, const char* mode, const uint8_t* data, size_t size) {
    std::FILE* fp = std::fopen(path.c_str(), mode);
    if (fp == nullptr) return;
    if (size > 0) std::fwrite(data, 1, size, fp);
    std::fclose(fp);
}

}  // namespace

const std::string& scratchDir() {
    static const std::string dir = makeScratch();
    return dir;
}

std::string scratchFile(const std::string& name) { return scratchDir() + "/" + name; }

void writeBytes(const std::string& path, const uint8_t* data, size_t size) { putBytes(path, "wb", data, size); }

void appendBytes(const std::string& path, const uint8_t* data, size_t size) { putBytes(path, "ab", data, size); }

}  // namespace fuzzing
