// Throughput of a whole batch calibration run over a synthetic instrument day, against
// plain stdio moving the same bytes in the same process.
//
// The day (planned and written once, outside any timing, by the simulator library) holds
// kSets sets of the simulator's layout: a hot and an ambient blackbody view and four sky
// views per set, plus one set more whose blackbody views close the last set; 9000 points per
// spectrum; no record missing. Besides the input file of complex spectra the run reads the
// variance file and the forward-scan spectra (for the variance product), and writes the
// calibrated radiance, imaginary part, responsivity and variance of radiance.
//
// BM_Calibration runs the program in-process in batch mode, as main does, into a fresh
// directory each iteration (created and removed with the timer paused): the nine console
// answers come from a string, console output is swallowed, and the run must end with the
// stop "*** END VORNCALV.EXE ***".
//
// BM_PlainIo reads and writes the same bytes with fopen, fseek, fread, fwrite and fflush:
// every column of every record the run reads, in the run's order (the scene's two columns;
// at the first scene of a set the two columns of the blackbody records of its own set and
// of the next set, so every blackbody record is read twice; per variance record written,
// the variance record and the real column of the forward-scan record), and every output
// record with the size it has on disk after the run, flushed record by record as the
// writer does. Record headers on the input side (a few hundred bytes per record) are left
// out.
//
// BM_WholeProcess runs the built vorncalv program as a process of its own on the same day,
// its answers from a file and its console output into a file of the run directory, so that
// start-up, the console and the log are counted as a user meets them; its processor time is
// that of the child process (getrusage of the children).
//
// After the runs the program prints calibration time / plain I/O time, by the wall clock and
// by processor time (the wall clock of a loaded machine also counts waits for a processor);
// the aim is at most 2.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/logmsg.h"
#include "libutil/rootlock.h"
#include "libutil/stop.h"
#include "ravlio/ravlio.h"
#include "simlib/dayplan.h"
#include "simlib/daywriter.h"
#include "vorncalv/runstate.h"
#include "vorncalv/vorncalv.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSets = 100;   // 400 scenes, the most the simulator plans in one day
constexpr int kPoints = 9000;
constexpr const char* kEndText = "*** END VORNCALV.EXE ***";

// One column of one record read from one of the day's input files.
struct ColumnRead {
    int file = 0;    // index into Day::inputs
    int record = 0;
    int column = 0;  // from 1
};

// One output product as the run leaves it: name, records, bytes.
struct Product {
    std::string name;
    int records = 0;
    std::int64_t bytes = 0;
};

struct Day {
    std::string dir;                  // the day's files; removed at exit
    std::string answers;              // the nine console answers, with absolute file names
    std::string answersFile;          // the same answers in a file, for the whole process
    int scenes = 0;
    std::vector<std::string> inputs;  // input, forward-scan and variance files
    std::vector<std::int64_t> inputSizes;
    std::vector<int> inputRecords;
    std::vector<ColumnRead> reads;    // in the run's order
    std::vector<Product> products;    // measured after the check run
    std::string error;                // set when the day could not be prepared

    std::int64_t bytesRead() const { return static_cast<std::int64_t>(reads.size()) * kPoints * 4; }
    std::int64_t bytesWritten() const {
        std::int64_t total = 0;
        for (const Product& p : products) total += p.bytes;
        return total;
    }

    ~Day() {
        std::error_code ignored;
        if (!dir.empty()) fs::remove_all(dir, ignored);
    }
};

// Wall-clock and processor seconds of one iteration of each benchmark, for the ratios. On a
// machine shared with other work the wall clock also counts the time the process waits for
// a processor; the processor time does not.
struct Seconds {
    double wall = 0.0;
    double cpu = 0.0;
};
Seconds plainSeconds;
Seconds calibrationSeconds;
Seconds processSeconds;

// Processor seconds used by this process and by its children that have ended.
double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& v) {
        return static_cast<double>(v.tv_sec) + static_cast<double>(v.tv_usec) * 1e-6;
    };
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9 +
           seconds(children.ru_utime) + seconds(children.ru_stime);
}

// Measures the timed part of each iteration.
class Stopwatch {
public:
    void start() {
        wallStart_ = std::chrono::steady_clock::now();
        cpuStart_ = cpuNow();
    }
    void stop() {
        wall_ += std::chrono::steady_clock::now() - wallStart_;
        cpu_ += cpuNow() - cpuStart_;
    }
    Seconds perIteration(benchmark::IterationCount iterations) const {
        const auto n = static_cast<double>(std::max<benchmark::IterationCount>(iterations, 1));
        return {wall_.count() / n, cpu_ / n};
    }

private:
    std::chrono::steady_clock::time_point wallStart_;
    double cpuStart_ = 0.0;
    std::chrono::duration<double> wall_{0};
    double cpu_ = 0.0;
};

// The column reads of a batch run over the whole day, in the run's order.
std::vector<ColumnRead> runReads(int sets, int blackbodies, int scenes) {
    constexpr int input = 0, forward = 1, variance = 2;
    const int all = blackbodies + scenes;
    std::vector<ColumnRead> reads = {{input, 1, 1}};  // the first record fixes the grid
    const auto both = [&reads](int file, int record) {
        reads.push_back({file, record, 1});
        reads.push_back({file, record, 2});
    };
    for (int k = 1; k <= sets; ++k) {
        const int first = (k - 1) * all + 1;
        for (int r = first + blackbodies; r < first + all; ++r) {
            both(input, r);
            if (r == first + blackbodies) {
                for (int b = 0; b < blackbodies; ++b) both(input, first + b);
                for (int b = 0; b < blackbodies; ++b) both(input, first + all + b);
            }
            // The variance product: the set's blackbody records with its first scene.
            const int low = r == first + blackbodies ? first : r;
            for (int v = low; v <= r; ++v) {
                reads.push_back({variance, v, 1});
                reads.push_back({forward, v, 1});
            }
        }
    }
    return reads;
}

std::string absolute(const std::string& dir, const std::string& name) { return (fs::path(dir) / name).string(); }

std::string makeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "calibration-bench-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

// Runs the calibration in dir with the day's answers (or others); returns the stop text (or
// why there was none).
std::string calibrate(const Day& day, const std::string& dir, const std::string* answers = nullptr) {
    const fs::path home = fs::current_path();
    fs::current_path(dir);
    std::istringstream in(answers != nullptr ? *answers : day.answers);
    std::ostringstream out;
    std::string result = "the run ended without a stop";
    {
        const util::ConsoleRedirect console(in, out);
        try {
            const auto state = std::make_unique<vorncalv::RunState>();
            vorncalv::run(*state);
        } catch (const util::Stop& stop) {
            result = stop.text();
        } catch (const std::exception& e) {
            result = std::string("exception: ") + e.what();
        }
    }
    util::logmsgReset();
    util::unlockRoot();  // as the program's main does when the run ends
    fs::current_path(home);
    return result;
}

int recordCount(const std::string& path) {
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return -1;
    const int count = ZARFreadRecordCount(f);
    ZARFcloseFile(f);
    return count;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Open file descriptors of the process (-1 where the system does not list them).
int openDescriptors() {
    std::error_code ec;
    fs::directory_iterator it("/proc/self/fd", ec);
    if (ec) return -1;
    int count = 0;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return -1;
        ++count;
    }
    return count;
}

// Runs the calibration once, checks that it calibrated every scene and closed every file it
// opened, and measures its outputs. Returns an error text, empty on success.
std::string checkRun(Day& day, const std::string& root) {
    const std::string dir = absolute(day.dir, "check");
    fs::create_directory(dir);
    const int descriptors = openDescriptors();
    const std::string stop = calibrate(day, dir);
    if (stop != kEndText) return "the check run stopped with \"" + stop + "\"";
    if (openDescriptors() != descriptors) return "the check run left files open";
    const vornsim::OutputNames names = vornsim::outputNames(root);
    const std::string log = readText(absolute(dir, names.log));
    char missing[64];
    std::snprintf(missing, sizeof missing, " NUMBER OF MISSING (NULL) RECORDS:%6d\n", 0);
    if (log.find(missing) == std::string::npos) return "the check run left scenes missing (see its log)";
    for (const std::string& name : {names.radiance, names.imaginary, names.responsivity, names.variance}) {
        const std::string path = absolute(dir, name);
        const int records = recordCount(path);
        if (records < 1) return "the check run wrote no " + name;
        day.products.push_back({name, records, static_cast<std::int64_t>(fs::file_size(path))});
    }
    if (day.products[0].records != day.scenes) return "the check run wrote a radiance record count other than the scenes";
    fs::remove_all(dir);
    return {};
}

std::unique_ptr<Day> prepareDay() {
    auto day = std::make_unique<Day>();
    day->dir = makeTempDir();
    if (day->dir.empty()) {
        day->error = "cannot create a temporary directory";
        return day;
    }
    try {
        vornsim::DayOptions options;
        options.sets = kSets;
        options.points = kPoints;
        options.missing = std::vector<int>{};
        const vornsim::DayPlan plan = vornsim::planDay(options);
        vornsim::writeDay(plan, day->dir);
        const vornsim::DayFiles& f = plan.files;
        const auto at = [&day](const std::string& name) { return absolute(day->dir, name); };
        day->answers = at(f.input) + "\n" + at(f.original) + "\n" + f.root + "\nY\n" + at(f.variance) + "\n" +
                       at(f.parameters) + "\n" + at(f.mirror) + "\n" + at(f.emissivity) + "\n" +
                       at(f.upstreamStatus) + "\n";
        day->answersFile = at("BENCH-ANSWERS.TXT");
        std::ofstream(day->answersFile) << day->answers;
        day->scenes = static_cast<int>(plan.scenes.size());
        day->inputs = {at(f.input), at(f.original), at(f.variance)};
        for (const std::string& path : day->inputs) {
            day->inputSizes.push_back(static_cast<std::int64_t>(fs::file_size(path)));
            day->inputRecords.push_back(plan.recordCount());
        }
        day->reads = runReads(options.sets, plan.blackbodiesPerSet, plan.scenesPerSet);
        day->error = checkRun(*day, f.root);
    } catch (const std::exception& e) {
        day->error = e.what();
    }
    return day;
}

Day& theDay() {
    static const std::unique_ptr<Day> day = prepareDay();
    return *day;
}

void report(benchmark::State& state, const Day& day) {
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["scenes/s"] = benchmark::Counter(day.scenes * iterations, benchmark::Counter::kIsRate);
    state.counters["read_MB"] = static_cast<double>(day.bytesRead()) / 1e6;
    state.counters["written_MB"] = static_cast<double>(day.bytesWritten()) / 1e6;
    state.SetBytesProcessed(state.iterations() * (day.bytesRead() + day.bytesWritten()));
}

// ---- Plain I/O ----------------------------------------------------------------------------

struct FileCloser {
    void operator()(std::FILE* fp) const {
        if (fp != nullptr) std::fclose(fp);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads every column the run reads; false on a short read.
bool plainReads(const Day& day, std::vector<float>& buffer) {
    std::vector<File> files;
    for (const std::string& path : day.inputs) {
        files.emplace_back(std::fopen(path.c_str(), "rb"));
        if (!files.back()) return false;
    }
    for (const ColumnRead& r : day.reads) {
        const auto f = static_cast<std::size_t>(r.file);
        // Record r at a plausible place: the file divided evenly among its records.
        const std::int64_t stride = day.inputSizes[f] / day.inputRecords[f];
        const std::int64_t offset = (r.record - 1) * stride + std::int64_t{r.column - 1} * kPoints * 4;
        if (fseeko(files[f].get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
        if (std::fread(buffer.data(), 4, kPoints, files[f].get()) != kPoints) return false;
        benchmark::DoNotOptimize(buffer.data());
    }
    return true;
}

// Writes every output record, record by record with a flush after each, as the run does
// (records in the order the scenes produce them). False on a failed write.
bool plainWrites(const Day& day, const std::string& dir, std::vector<unsigned char>& buffer) {
    std::vector<File> files;
    for (const Product& p : day.products) {
        files.emplace_back(std::fopen(absolute(dir, p.name).c_str(), "wb"));
        if (!files.back()) return false;
    }
    const int scenes = day.scenes;
    std::vector<int> written(day.products.size(), 0);
    for (int scene = 1; scene <= scenes; ++scene) {
        for (std::size_t i = 0; i < day.products.size(); ++i) {
            const Product& p = day.products[i];
            // This product's records up to this scene, spread evenly over the scenes.
            const int upTo = static_cast<int>(static_cast<std::int64_t>(p.records) * scene / scenes);
            const std::int64_t size = p.bytes / p.records;
            for (; written[i] < upTo; ++written[i]) {
                buffer[0] = static_cast<unsigned char>(written[i]);
                if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(size), files[i].get()) !=
                        static_cast<std::size_t>(size) ||
                    std::fflush(files[i].get()) != 0)
                    return false;
            }
        }
    }
    return true;
}

std::string freshDir(const Day& day, int n) {
    const std::string dir = absolute(day.dir, "run" + std::to_string(n));
    fs::create_directory(dir);
    return dir;
}

// Runs work in a fresh run directory once per iteration and returns its time per run;
// only work itself is timed, not the making and removal of the directory. failure turns
// the result of work into an error text (empty: the run succeeded); the first error ends
// the benchmark with it.
template <class Work, class Failure>
Seconds timeRuns(benchmark::State& state, const Day& day, Work work, Failure failure) {
    Stopwatch watch;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = freshDir(day, ++n);
        state.ResumeTiming();
        watch.start();
        const auto result = work(dir);
        watch.stop();
        state.PauseTiming();
        fs::remove_all(dir);
        const std::string error = failure(result);
        state.ResumeTiming();
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    return watch.perIteration(state.iterations());
}

void BM_PlainIo(benchmark::State& state) {
    const Day& day = theDay();
    if (!day.error.empty()) {
        state.SkipWithError(day.error.c_str());
        return;
    }
    std::vector<float> column(kPoints);
    std::int64_t largest = 0;
    for (const Product& p : day.products) largest = std::max(largest, p.bytes / p.records);
    std::vector<unsigned char> record(static_cast<std::size_t>(largest), 0x5A);
    plainSeconds = timeRuns(
        state, day, [&](const std::string& dir) { return plainReads(day, column) && plainWrites(day, dir, record); },
        [](bool ok) { return ok ? std::string() : std::string("plain read or write failed"); });
    report(state, day);
}
BENCHMARK(BM_PlainIo)->Unit(benchmark::kMillisecond)->UseRealTime();

// The counters of a run's cost against plain I/O, once plain I/O has been measured.
void reportRatios(benchmark::State& state, const Seconds& run) {
    if (plainSeconds.wall <= 0.0 || plainSeconds.cpu <= 0.0) return;
    state.counters["x_plain_io"] = run.wall / plainSeconds.wall;
    state.counters["x_plain_io_cpu"] = run.cpu / plainSeconds.cpu;
}

void BM_Calibration(benchmark::State& state) {
    const Day& day = theDay();
    if (!day.error.empty()) {
        state.SkipWithError(day.error.c_str());
        return;
    }
    calibrationSeconds = timeRuns(
        state, day, [&](const std::string& dir) { return calibrate(day, dir); },
        [](const std::string& stop) {
            return stop == kEndText ? std::string() : "the run stopped with \"" + stop + "\"";
        });
    report(state, day);
    reportRatios(state, calibrationSeconds);
}
BENCHMARK(BM_Calibration)->Unit(benchmark::kMillisecond)->UseRealTime();

// Calibration time of the last BM_RealTime repetition.
Seconds realTimeSeconds;

// The same day in real-time mode, every record already counted by the upstream status file so
// that nothing is waited for: against the batch row, what the program's own status file costs
// per scene, with the syncs that put each product record on the disk before it is counted.
void BM_RealTime(benchmark::State& state) {
    const Day& day = theDay();
    if (!day.error.empty()) {
        state.SkipWithError(day.error.c_str());
        return;
    }
    std::string answers = day.answers;
    answers.replace(answers.find("\nY\n"), 3, "\nN\n");
    realTimeSeconds = timeRuns(
        state, day, [&](const std::string& dir) { return calibrate(day, dir, &answers); },
        [](const std::string& stop) {
            return stop == kEndText ? std::string() : "the run stopped with \"" + stop + "\"";
        });
    report(state, day);
    reportRatios(state, realTimeSeconds);
}
BENCHMARK(BM_RealTime)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs the built program in dir; returns why it failed, empty when it calibrated the day.
std::string runProcess(const Day& day, const std::string& dir) {
    const std::string console = absolute(dir, "CONSOLE.TXT");
    const std::string command =
        "cd '" + dir + "' && '" VORNCALV_BINARY "' < '" + day.answersFile + "' > '" + console + "' 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0) return "the program ended with status " + std::to_string(status);
    if (readText(console).find(kEndText) == std::string::npos) return "the program printed no end line";
    return {};
}

void BM_WholeProcess(benchmark::State& state) {
    const Day& day = theDay();
    if (!day.error.empty()) {
        state.SkipWithError(day.error.c_str());
        return;
    }
    processSeconds = timeRuns(
        state, day, [&](const std::string& dir) { return runProcess(day, dir); },
        [](const std::string& error) { return error; });
    report(state, day);
    reportRatios(state, processSeconds);
}
BENCHMARK(BM_WholeProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Seconds& c = calibrationSeconds;
    const Seconds& p = plainSeconds;
    if (p.wall > 0.0 && p.cpu > 0.0 && c.wall > 0.0) {
        const Day& day = theDay();
        std::printf("day: %d scenes of %d points; per run %.1f MB read, %.1f MB written\n", day.scenes, kPoints,
                    static_cast<double>(day.bytesRead()) / 1e6, static_cast<double>(day.bytesWritten()) / 1e6);
        std::printf("per run (last repetition): calibration %.3f s wall, %.3f s processor; plain I/O %.3f s wall, "
                    "%.3f s processor\n",
                    c.wall, c.cpu, p.wall, p.cpu);
        std::printf("calibration / plain I/O: %.2f wall clock, %.2f processor time (aim: at most 2); "
                    "%.3f ms processor per scene\n",
                    c.wall / p.wall, c.cpu / p.cpu, 1e3 * c.cpu / day.scenes);
        const Seconds& r = realTimeSeconds;
        if (r.wall > 0.0) {
            std::printf("real-time mode: %.3f ms wall, %.3f ms processor per scene; %.3f ms wall per scene more "
                        "than batch mode (the status file, and the syncs before each of its updates)\n",
                        1e3 * r.wall / day.scenes, 1e3 * r.cpu / day.scenes, 1e3 * (r.wall - c.wall) / day.scenes);
        }
        const Seconds& w = processSeconds;
        if (w.wall > 0.0) {
            std::printf("whole process / plain I/O: %.2f wall clock, %.2f processor time; %.3f ms processor "
                        "per scene\n",
                        w.wall / p.wall, w.cpu / p.cpu, 1e3 * w.cpu / day.scenes);
        }
    }
    return 0;
}
