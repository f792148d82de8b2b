// The input files opened for reading through the adapters, and which file each name stood
// for when it was opened: a wait for a record notices when the name comes to stand for
// another file (the upstream program wrote it again, or renamed a new one over it) and
// follows it, where the old handle would wait for ever on a file no one writes any more.
#pragma once

#include <string>
#include <string_view>

namespace util {

// Opens the file through the adapters (sopenr_ of infile, the name terminated in place;
// name is the name as shown) and remembers which file the name stood for. The handle, or 0
// when it did not open.
int openInput(const std::string& infile, std::string_view name);

// Closes a handle that openInput opened; ihndl becomes 0.
void closeInput(int& ihndl);

// True when name now stands for another file than the one the handle opened. A name that
// stands for no file at the moment is no replacement yet: the upstream program may be
// about to write it again. False for a handle openInput did not open.
bool inputReplaced(std::string_view name, int ihndl);

// Opens the file now under the name for the handle, which keeps its integer (every copy of
// it reads the new file), and remembers it. False when the name opens no readable file now:
// the handle keeps the file it had.
bool reopenInputInPlace(int ihndl, std::string_view name);

}  // namespace util
