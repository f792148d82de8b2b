// A fresh temporary directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    // A fresh directory inside parent (for example a memory file system, where a sync costs
    // nothing, for suites that sync hundreds of times).
    explicit TempDir(const std::filesystem::path& parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Full path of a file inside the directory.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The whole content of a file as bytes (empty when it cannot be read).
std::string readFile(const std::string& path);
// Writes text to a file, replacing it.
void writeFile(const std::string& path, const std::string& text);

}  // namespace testsupport
