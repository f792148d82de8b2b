// Builders of PLVS profile files for tests.
#include "support/plvsbuilder.h"

#include <charconv>

#include "support/tempdir.h"

namespace testsupport {

namespace {

std::string shortest(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace

std::string plvsText(const PlvsFile& file) {
    std::string text = file.title + "\n";
    text += std::to_string(file.vectors.empty() ? 0 : file.vectors.front().values.size()) + "\n";
    for (const PlvsVector& vector : file.vectors) {
        if (!vector.label.empty()) text += vector.label + "\n";
        for (size_t i = 0; i < vector.values.size(); ++i) {
            const bool lineStart = i == 0 || (file.valuesPerLine != 0 && i % file.valuesPerLine == 0);
            if (i != 0) text += lineStart ? "\n" : " ";
            text += shortest(vector.values[i]);
        }
        text += "\n";
    }
    return text;
}

void writePlvsFile(const std::string& path, const PlvsFile& file) { writeFile(path, plvsText(file)); }

const std::vector<PlvsVector>& minimalPlvsVectors() {
    static const std::vector<PlvsVector> vectors = {{"", {1000.0F, 500.0F}}, {"Temperature", {288.5F, 252.25F}}};
    return vectors;
}

void writeMinimalPlvsFile(const std::string& path) {
    PlvsFile file;
    file.vectors = minimalPlvsVectors();
    writePlvsFile(path, file);
}

}  // namespace testsupport
