// Playing the upstream program for a simulated day.
#include "simlib/liveplay.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "dumplib/textfile.h"
#include "ravlio/platform.h"
#include "simlib/daywriter.h"

namespace vornsim {

namespace {

constexpr std::size_t StatusRecordLength = 80;
constexpr std::size_t StatusKeyLength = 75;

std::string join(const std::string& dir, const std::string& name) { return (std::filesystem::path(dir) / name).string(); }

std::string statusRecord(const std::string& name, int count) {
    std::string record = name;
    record.resize(StatusKeyLength, ' ');
    char digits[16];
    std::snprintf(digits, sizeof digits, "%5d", count);
    return record + digits;
}

// The files the status file counts, in the order of its records.
std::vector<std::string> countedFiles(const DayPlan& day) {
    return {day.files.input, day.files.original, day.files.variance};
}

// Rewrites the count of every record of the status file in place, each record by one
// write of its 80 bytes, as a direct-access write of the upstream program does.
void recordCounts(const std::string& path, const DayPlan& day, int count) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0) throw WriteError("cannot write " + path + ": " + std::strerror(errno));
    const std::vector<std::string> files = countedFiles(day);
    for (std::size_t k = 0; k < files.size(); ++k) {
        const std::string record = statusRecord(files[k], count);
        const auto at = static_cast<off_t>(k * StatusRecordLength);
        if (::pwrite(fd, record.data(), record.size(), at) != static_cast<ssize_t>(record.size())) {
            const int error = errno;
            ::close(fd);
            throw WriteError("cannot write " + path + ": " + std::strerror(error));
        }
    }
    if (::close(fd) != 0) throw WriteError("cannot write " + path + ": " + std::strerror(errno));
}

void writeText(const std::string& path, const std::string& text) {
    if (const auto error = dump::writeTextFile(path, text)) throw WriteError(*error);
}

std::string clock(float hhmmss) {
    const long t = static_cast<long>(hhmmss);
    char text[16];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", t / 10000 % 100, t / 100 % 100, t % 100);
    return text;
}

}  // namespace

std::string liveStatusText(const DayPlan& day, int count) {
    std::string text;
    for (const std::string& file : countedFiles(day)) text += statusRecord(file, count);
    return text;
}

std::string realTimeAnswers(const DayPlan& day) {
    const DayFiles& f = day.files;
    return f.input + "\n" + f.original + "\n" + f.root + "\nN\n" + f.variance + "\n" + f.parameters + "\n" + f.mirror +
           "\n" + f.emissivity + "\n" + f.upstreamStatus + "\n";
}

void playDay(const DayPlan& day, const std::string& dir, int intervalMs, std::ostream& out) {
    prepareDirectory(day, dir);
    writeSideFiles(day, dir);
    writeText(join(dir, RealTimeAnswers), realTimeAnswers(day));
    // The counts go to 0 before the files of an earlier day are replaced by empty ones.
    const std::string status = join(dir, day.files.upstreamStatus);
    writeText(status, liveStatusText(day, 0));
    SpectralFiles spectra(day, dir);
    const int n = day.recordCount();
    out << "vornsim: playing the upstream program in " << dir << ": " << n << " records of " << day.files.input
        << ", one every " << intervalMs << " ms, counted in " << day.files.upstreamStatus << "\n"
        << "  follow it: cd " << dir << " && vorncalv < " << RealTimeAnswers << "\n"
        << std::flush;
    for (int r = 1; r <= n; ++r) {
        if (r > 1) RAVLIOsleepMilliseconds(intervalMs);
        spectra.write(r);
        recordCounts(status, day, r);
        const ViewRecord& v = day.record(r);
        out << "  record " << r << " of " << n << ": view " << v.view << " at " << clock(v.hhmmss)
            << (v.missing ? ", flagged missing" : "") << "\n"
            << std::flush;
    }
    spectra.close();
    out << "vornsim: the day is complete; compare the calibration with vornsim --compare " << dir << "\n";
}

}  // namespace vornsim
