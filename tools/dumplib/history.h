// The history text at the head of an RGD file, as the dump summary shows it: the file's own
// lines, then its parents' histories (nested), each distinct parent history once.
#pragma once

#include <ostream>
#include <string>

namespace dump {

// Writes history (the text up to the file's first NUL byte) indented by indent: its own
// lines without the layout's blank padding, then for each distinct parent history the
// parents that share it ("parents 1-5 of 5, the same history:") and that history, nested
// one step deeper. A parent without an RGD history is shown by its file name.
void writeHistory(const std::string& history, const std::string& indent, std::ostream& out);

}  // namespace dump
