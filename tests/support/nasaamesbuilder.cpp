// Writes small NASA Ames text files for the tests.
#include "support/nasaamesbuilder.h"

#include <fstream>

namespace testsupport {

namespace {

std::string joined(const std::vector<NasaVariable>& vars, std::string NasaVariable::*part) {
    std::string line;
    for (const NasaVariable& v : vars) line += (line.empty() ? "" : " ") + v.*part;
    return line;
}

void addVariables(std::vector<std::string>& lines, const std::vector<NasaVariable>& vars) {
    lines.push_back(std::to_string(vars.size()));
    if (vars.empty()) return;
    lines.push_back(joined(vars, &NasaVariable::scale));
    lines.push_back(joined(vars, &NasaVariable::missing));
    for (const NasaVariable& v : vars) lines.push_back(v.name);
}

void addComments(std::vector<std::string>& lines, const std::vector<std::string>& comments) {
    lines.push_back(std::to_string(comments.size()));
    lines.insert(lines.end(), comments.begin(), comments.end());
}

}  // namespace

std::string nasaAmesText(const NasaAmesSpec& spec) {
    std::vector<std::string> lines = {"Tester, A.", "Test Organisation", "Test source", "Test mission", "1 1",
                                      "2024 01 02 2024 01 03"};
    lines.push_back(spec.dx);
    if (spec.ffi == 1020) lines.push_back(std::to_string(spec.nvpm));
    if (spec.ffi == 2010) {
        lines.push_back(std::to_string(spec.nx));
        lines.push_back(std::to_string(spec.boundedValues.size()));
        std::string values;
        for (const std::string& x : spec.boundedValues) values += (values.empty() ? "" : " ") + x;
        lines.push_back(values);
    }
    lines.insert(lines.end(), spec.xNames.begin(), spec.xNames.end());
    addVariables(lines, spec.primary);
    if (spec.ffi != 1001) addVariables(lines, spec.aux);
    addComments(lines, spec.specialComments);
    addComments(lines, spec.normalComments);
    std::string text = std::to_string(lines.size() + 1) + " " + std::to_string(spec.ffi) + "\n";
    for (const std::string& line : lines) text += line + "\n";
    return text + spec.data;
}

bool writeNasaAmesFile(const std::string& path, const NasaAmesSpec& spec) {
    std::ofstream out(path, std::ios::binary);
    out << nasaAmesText(spec);
    return static_cast<bool>(out);
}

NasaAmesSpec minimalNasaAmesSpec() {
    NasaAmesSpec spec;
    spec.primary = {NasaVariable{"0.1", "-9999", "Pressure (hPa)"}};
    spec.data = "3600 10132\n7200 -9999\n";
    return spec;
}

bool writeMinimalNasaAmesFile(const std::string& path) { return writeNasaAmesFile(path, minimalNasaAmesSpec()); }

}  // namespace testsupport
