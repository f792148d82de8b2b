// The input files opened for reading, and the file each name stood for at its open.
#include "libutil/inputfiles.h"

#include <sys/stat.h>

#include <map>
#include <optional>

#include "ravlio/fortjkt.h"

namespace util {
namespace {

// Which file a name stands for: its device and inode.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The file the name stands for now; nothing when it names none.
std::optional<FileIdentity> identityOf(std::string_view name) {
    struct stat st {};
    if (::stat(std::string(name).c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

// The file each handle opened here was opened as.
std::map<int, FileIdentity>& openedFiles() {
    static std::map<int, FileIdentity> files;
    return files;
}

// Remembers the file a handle opened. The name is looked at just before the open (before):
// a file put under the name in between is then held under the identity of the one before
// it, and the next look only reopens it once more, where a look after the open could take a
// new file's identity for the old file and never notice the replacement. A name that stood
// for nothing before the open (the file appeared in between) is looked at after it.
void remember(int ihndl, std::optional<FileIdentity> before, std::string_view name) {
    const std::optional<FileIdentity> identity = before ? before : identityOf(name);
    if (identity) openedFiles()[ihndl] = *identity;
    else openedFiles().erase(ihndl);
}

}  // namespace

int openInput(const std::string& infile, std::string_view name) {
    const std::optional<FileIdentity> before = identityOf(name);
    const int length = static_cast<int>(infile.size());
    int ihndl = 0;
    sopenr_(infile.data(), &length, &ihndl);
    if (ihndl != 0) remember(ihndl, before, name);
    return ihndl;
}

void closeInput(int& ihndl) {
    int closed = 0;
    sclose_(&ihndl, &closed);
    openedFiles().erase(ihndl);
    ihndl = 0;
}

bool inputReplaced(std::string_view name, int ihndl) {
    const auto opened = openedFiles().find(ihndl);
    if (opened == openedFiles().end()) return false;
    const std::optional<FileIdentity> now = identityOf(name);
    return now && *now != opened->second;
}

bool reopenInputInPlace(int ihndl, std::string_view name) {
    const std::optional<FileIdentity> before = identityOf(name);
    if (FORTJKTreopen(ihndl) != 1) return false;
    remember(ihndl, before, name);
    return true;
}

}  // namespace util
