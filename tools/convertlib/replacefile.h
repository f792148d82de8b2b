// Replacing a file whole: the new content goes to a temporary name beside the file and is
// renamed into place only when complete, so a reader (or a job rerun on a growing day)
// always finds either the previous whole file or the new whole file, and a failed write
// (a full disk, a file-size limit) leaves nothing behind.
#pragma once

#include <string>
#include <string_view>

namespace convert {

// The name a file is written under before it is renamed to path: path.new<pid>.
std::string temporaryName(const std::string& path);

// A replacement of path in progress. Creating it creates the temporary file at once, so a
// destination that cannot be written is refused before any work is done on its content.
class FileReplacement {
public:
    // Failure: dump::DumpError "cannot write PATH: <the system's reason>".
    explicit FileReplacement(std::string path);
    // Removes the temporary file unless the replacement was committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const std::string& path() const { return path_; }

    // Writes bytes to the temporary file and renames it to path. Failure: dump::DumpError
    // "cannot write PATH: <reason>", the temporary file removed and path untouched.
    void commit(std::string_view bytes);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

// Replaces path by bytes through a temporary name (FileReplacement and commit at once).
void replaceFile(const std::string& path, std::string_view bytes);

}  // namespace convert
