// Finding the products of a day by root.
#include "sumlib/products.h"

#include <filesystem>

#include "dumplib/datafile.h"
#include "dumplib/numtext.h"

namespace vornsum {

namespace {

constexpr std::size_t RootWidth = 8;  // the calibration's root: 8 characters, blank-padded

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::optional<std::string> companion(const std::string& root, const char* extension) {
    const std::string path = root + extension;
    if (exists(path)) return path;
    return std::nullopt;
}

// The root of a name that ends in ".RLC" (any case), else the name itself.
std::string rootOf(const std::string& name) {
    const std::filesystem::path p(name);
    if (dump::sameIgnoringCase(p.extension().string(), ".RLC")) return name.substr(0, name.size() - 4);
    return name;
}

}  // namespace

std::string DayProducts::stem() const {
    const std::size_t end = root.find_last_not_of(' ');
    return end == std::string::npos ? root : root.substr(0, end + 1);
}

DayProducts findProducts(const std::string& name) {
    DayProducts p;
    p.root = rootOf(name);
    if (!exists(p.root + ".RLC")) {
        const std::filesystem::path path(p.root);
        const std::string base = path.filename().string();
        const std::string padded = base.size() < RootWidth ? base + std::string(RootWidth - base.size(), ' ') : base;
        const std::string candidate = (path.parent_path() / padded).string();
        if (base.empty() || !exists(candidate + ".RLC"))
            throw dump::DumpError("no radiance product: cannot find " + p.root + ".RLC");
        p.root = candidate;
    }
    p.radiance = p.root + ".RLC";
    p.imaginary = companion(p.root, ".IMC");
    p.responsivity = companion(p.root, ".RES");
    p.variance = companion(p.root, ".CVS");
    return p;
}

}  // namespace vornsum
