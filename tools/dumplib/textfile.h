// Writing a whole text file, as the tools write their outputs (an SVG plot, the text files
// of a synthetic day).
#pragma once

#include <optional>
#include <string>

namespace dump {

// Replaces the content of path by text. Returns nothing when written, otherwise the
// message "cannot write PATH: <reason>" for the caller to throw as its own error.
std::optional<std::string> writeTextFile(const std::string& path, const std::string& text);

}  // namespace dump
