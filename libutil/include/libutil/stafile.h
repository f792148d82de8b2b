// Records of status files, shared by rdsta, wrtsta and nrout.
//
// A status file is a direct-access file of 80-byte records without separators, numbered
// from 1. Bytes 1-75 hold a key text (an output file name, or an information text),
// blank-padded; bytes 76-80 a count, a decimal integer right-aligned in 5 characters
// (a blank field counts as 0).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace util::stafile {

inline constexpr std::size_t LREC = 80;    // record length
inline constexpr std::size_t KEYLEN = 75;  // key text, bytes 1-75
inline constexpr std::size_t CNTLEN = 5;   // count field, bytes 76-80

// One open status file; closed when the object goes. Every routine opens the file for one
// short read-or-write cycle so that other processes can use it in between.
class File {
public:
    // Opens an existing regular file for reading (writable = false) or for reading and
    // writing. valid() tells whether it worked.
    File(const std::string& name, bool writable);
    // Creates a new file (fails when one exists already; then exists() is true).
    static File create(const std::string& name);
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&&) = delete;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool valid() const { return fd_ >= 0; }
    bool exists() const { return exists_; }
    // Reads record nrec (from 1) whole into record; false when there is no complete record.
    bool read(int nrec, std::string& record) const;
    // Writes record nrec (from 1); record must be LREC bytes. False when the write failed.
    bool write(int nrec, std::string_view record) const;
    // Puts what was written on the disk, not only in the system's cache (fsync). False when
    // that failed.
    bool sync() const;

private:
    File() = default;
    int fd_ = -1;
    bool exists_ = false;
};

// The count of a record; empty when its field does not hold a number. Blanks in the field
// are ignored, so an all-blank field counts as 0.
std::optional<int> count(std::string_view record);

// The 5-character count field for n (right-aligned); empty when n does not fit it
// (below -9999 or above 99999).
std::optional<std::string> countField(int n);

// A whole record: key cut or blank-padded to KEYLEN characters, then the count field.
std::string record(std::string_view key, std::string_view field);

// Prints "<ROUTINE> -- ERROR OPENING STATUS FILE" and the name on the console and stops with
// "OPEN ERROR, STATUS FILE".
[[noreturn]] void openFailure(std::string_view routine, std::string_view name);

// The name under which a status file's new content is written beside it before it takes the
// file's name: name.new<process id>. A file of that name, left by an ended process that had
// this process's id, is removed first.
std::string freshTemporaryName(const std::string& name);

enum class Replaced {
    yes,         // the file holds the records (on the disk)
    notCreated,  // no new file could be made beside it; nothing changed
    failed,      // writing, syncing or renaming failed; nothing changed, or the rename is not
                 // yet durable
};

// Replaces the file name as a whole by records (each LREC bytes): they are written to a new
// file beside it (freshTemporaryName), put on the disk, renamed over it, and the rename is
// made durable. A reader meanwhile sees the old file or the new one, never a mixture. The new
// file gets the permissions mode.
Replaced replace(const std::string& name, const std::vector<std::string>& records, unsigned mode);

// Prints that the count field of record nrec is not a number, with the field and the file
// name, and stops with "BAD COUNT IN STATUS FILE".
[[noreturn]] void badCount(std::string_view routine, std::string_view name, int nrec,
                           std::string_view record);

}  // namespace util::stafile
