// A benchmark's input file, in a fresh directory of its own that goes with it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

class ScratchFile {
public:
    // prefix names the directory (prefix-XXXXXX under the system's temporary directory); the
    // file is name inside it. path() is empty when no directory could be made.
    ScratchFile(const std::string& prefix, const std::string& name) {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        dir_ = pattern;
        path_ = dir_ + "/" + name;
    }
    ~ScratchFile() {
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string dir_;
    std::string path_;
};
