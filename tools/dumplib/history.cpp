// The history text of an RGD file, with each distinct parent history shown once.
#include "dumplib/history.h"

#include <sstream>
#include <vector>

#include "dumplib/numtext.h"

namespace dump {

namespace {

constexpr const char* BeginParent = "## begin History of parent ";
constexpr const char* EndParent = "## end History of parent ";
constexpr const char* NoParentHistory = "## no History available for parent ";
constexpr const char* ParentFileName = "## filename is ";
// Nesting deeper than this is shown as text, so a crafted file cannot exhaust the stack.
constexpr int MaxDepth = 32;

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// One parent as its history names it: "i/n" and what it holds.
struct Parent {
    int index = 0;
    int count = 0;
    std::string history;  // the nested history text, or "" with fileName for no history
    std::string fileName;
};

struct Block {
    std::vector<std::string> lines;  // the block's own lines, cleaned, without blank ones
    std::vector<Parent> parents;
};

// "i/n" after a parent line's prefix; zeros when the line does not hold it.
void parentNumbers(const std::string& line, const char* prefix, Parent& p) {
    std::istringstream in(line.substr(std::char_traits<char>::length(prefix)));
    char slash = 0;
    if (!(in >> p.index >> slash >> p.count) || slash != '/') p.index = p.count = 0;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t end = line.find_last_not_of(" \r\t");
        lines.push_back(end == std::string::npos ? std::string() : line.substr(0, end + 1));
    }
    return lines;
}

// A line of only digits: the magic word's offset written over the first padding line.
bool isOffsetLine(const std::string& line) {
    return !line.empty() && line.find_first_not_of("0123456789") == std::string::npos;
}

Block parse(const std::string& text) {
    Block block;
    const std::vector<std::string> lines = splitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (startsWith(line, BeginParent)) {
            Parent p;
            parentNumbers(line, BeginParent, p);
            int depth = 1;
            for (++i; i < lines.size(); ++i) {
                if (startsWith(lines[i], BeginParent)) ++depth;
                if (startsWith(lines[i], EndParent) && --depth == 0) break;
                p.history += lines[i] + "\n";
            }
            block.parents.push_back(std::move(p));
        } else if (startsWith(line, NoParentHistory)) {
            Parent p;
            parentNumbers(line, NoParentHistory, p);
            if (i + 1 < lines.size() && startsWith(lines[i + 1], ParentFileName))
                p.fileName = lines[++i].substr(std::char_traits<char>::length(ParentFileName));
            block.parents.push_back(std::move(p));
        } else if (!line.empty() && !isOffsetLine(line)) {
            block.lines.push_back(cleanText(line));
        }
    }
    return block;
}

// "1-5", "1,3" or "2-3,5": the parent numbers sharing one history.
std::string numberList(const std::vector<int>& numbers) {
    std::string text;
    for (size_t k = 0; k < numbers.size();) {
        size_t end = k;
        while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1) ++end;
        if (!text.empty()) text += ",";
        text += std::to_string(numbers[k]);
        if (end > k) text += "-" + std::to_string(numbers[end]);
        k = end + 1;
    }
    return text;
}

void writeBlock(const std::string& text, const std::string& indent, int depth, std::ostream& out) {
    const Block block = parse(text);
    for (const std::string& line : block.lines) out << indent << line << '\n';
    std::vector<bool> shown(block.parents.size(), false);
    for (size_t k = 0; k < block.parents.size(); ++k) {
        if (shown[k]) continue;
        const Parent& p = block.parents[k];
        std::vector<int> same;
        for (size_t j = k; j < block.parents.size(); ++j) {
            const Parent& q = block.parents[j];
            if (!shown[j] && q.history == p.history && q.fileName == p.fileName) {
                shown[j] = true;
                same.push_back(q.index);
            }
        }
        out << indent << (same.size() == 1 ? "parent " : "parents ") << numberList(same) << " of " << p.count;
        if (same.size() > 1) out << ", the same history";
        if (p.history.empty()) {
            out << ": no history available, file " << cleanText(p.fileName) << '\n';
        } else if (depth >= MaxDepth) {
            out << ": nested too deeply to show\n";
        } else {
            out << ":\n";
            writeBlock(p.history, indent + "  ", depth + 1, out);
        }
    }
}

}  // namespace

void writeHistory(const std::string& history, const std::string& indent, std::ostream& out) {
    writeBlock(history, indent, 0, out);
}

}  // namespace dump
