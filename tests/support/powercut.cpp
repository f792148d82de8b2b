// A power cut simulated through the library's I/O seam.
#include "support/powercut.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ravlio/platform.h"
#include "support/tempdir.h"

namespace testsupport {
namespace {

using Inode = std::pair<dev_t, ino_t>;

// One write that reached the cache: where it went and what it put there.
struct Write {
    off_t offset = 0;
    std::string bytes;
};

// What the model knows of one file (an inode: a rename keeps it, a new file is another).
struct FileState {
    bool tracked = false;  // written or synced through the seam
    std::string durable;   // what its last sync found in it
    std::vector<Write> pending;
};

// A name the directory's last sync made durable, and the file it named: the descriptor is
// held so that the file stays readable, and its inode is not reused, after a rename
// replaces or an unlink removes it.
struct DurableName {
    int fd = -1;
    Inode inode;
};

// What a name holds after the cut before the pending writes are applied.
struct Survivor {
    std::string base;
    std::vector<Write> pending;
};

struct Model {
    std::filesystem::path dir;
    Inode dirInode;
    std::size_t cutAfter = 0;
    std::size_t calls = 0;
    std::vector<std::size_t> pendingAfter;
    bool off = false;
    std::map<Inode, FileState> files;
    std::map<std::string, DurableName> names;
    std::map<std::string, Survivor> image;  // fixed at the cut
    std::size_t pendingAtCut = 0;
    RAVLIOIoFaultFunction previousFault = nullptr;
    RAVLIOIoObserverFunction previousObserver = nullptr;
};
Model model;

bool inodeOf(int fd, Inode& inode, bool& directory) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    inode = {st.st_dev, st.st_ino};
    directory = S_ISDIR(st.st_mode);
    return S_ISDIR(st.st_mode) || S_ISREG(st.st_mode);
}

// The whole content of an open file, read through a descriptor of its own (the program's
// may be write-only or positioned).
std::string contentOf(int fd) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const int own = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (own < 0) return {};
    std::string bytes;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(own, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
    ::close(own);
    return bytes;
}

void releaseNames(std::map<std::string, DurableName>& names) {
    for (auto& [name, held] : names) ::close(held.fd);
    names.clear();
}

// The directory's sync: its present names become the durable ones. Files no name holds any
// more are forgotten (nothing can reach them after a cut).
void syncNames() {
    std::map<std::string, DurableName> now;
    for (const auto& entry : std::filesystem::directory_iterator(model.dir)) {
        if (!entry.is_regular_file()) continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        Inode inode;
        bool directory = false;
        if (fd < 0) continue;
        if (!inodeOf(fd, inode, directory)) {
            ::close(fd);
            continue;
        }
        now[entry.path().filename().string()] = {fd, inode};
    }
    releaseNames(model.names);
    model.names = std::move(now);
    std::erase_if(model.files, [](const auto& file) {
        return std::none_of(model.names.begin(), model.names.end(),
                            [&](const auto& name) { return name.second.inode == file.first; });
    });
}

void recordWrite(const RAVLIOIoEvent& e) {
    Inode inode;
    bool directory = false;
    if (e.result <= 0 || !inodeOf(e.fd, inode, directory) || directory) return;
    Write w{e.offset, {}};
    std::size_t left = static_cast<std::size_t>(e.result);
    for (int k = 0; k < e.count && left > 0; ++k) {
        const std::size_t take = std::min(left, e.blocks[k].iov_len);
        w.bytes.append(static_cast<const char*>(e.blocks[k].iov_base), take);
        left -= take;
    }
    FileState& f = model.files[inode];
    f.tracked = true;
    f.pending.push_back(std::move(w));
}

void recordSync(const RAVLIOIoEvent& e) {
    Inode inode;
    bool directory = false;
    if (e.result != 0 || !inodeOf(e.fd, inode, directory)) return;
    if (directory) {
        if (inode == model.dirInode) syncNames();
        return;
    }
    FileState& f = model.files[inode];
    f.tracked = true;
    f.durable = contentOf(e.fd);
    f.pending.clear();
}

// The writes pending in files that a cut would leave under a name (those of a file no
// durable name holds go with it whole).
std::size_t pendingUnderDurableNames() {
    std::size_t pending = 0;
    for (const auto& [name, held] : model.names) {
        const auto it = model.files.find(held.inode);
        if (it != model.files.end()) pending += it->second.pending.size();
    }
    return pending;
}

// The power goes: what the disk holds is fixed now.
void cutPower() {
    model.off = true;
    model.pendingAtCut = pendingUnderDurableNames();
    std::map<std::string, Inode> listing;
    for (const auto& entry : std::filesystem::directory_iterator(model.dir)) {
        struct stat st {};
        if (!entry.is_regular_file() || ::stat(entry.path().c_str(), &st) != 0) continue;
        listing[entry.path().filename().string()] = {st.st_dev, st.st_ino};
    }
    for (const auto& [name, held] : model.names) {
        const auto it = model.files.find(held.inode);
        if (it != model.files.end() && it->second.tracked) {
            model.image[name] = {it->second.durable, it->second.pending};
        } else {
            model.image[name] = {contentOf(held.fd), {}};
        }
    }
    // Names made since the directory's last sync survive only for files never synced.
    for (const auto& [name, inode] : listing) {
        if (model.names.count(name) != 0) continue;
        const auto it = model.files.find(inode);
        if (it != model.files.end() && it->second.tracked) continue;
        model.image[name] = {readFile((model.dir / name).string()), {}};
    }
}

void observe(const RAVLIOIoEvent* e) {
    if (model.off) return;
    if (e->call == RAVLIO_IO_WRITE) recordWrite(*e);
    if (e->call == RAVLIO_IO_FSYNC) recordSync(*e);
    model.pendingAfter.push_back(pendingUnderDurableNames());
    if (model.calls++ == model.cutAfter) cutPower();
}

long afterTheCut(RAVLIOIoCall call, size_t /*bytes*/) { return model.off && call != RAVLIO_IO_READ ? -EIO : 0; }

// The pending writes of one file that reach the disk, in the order they do: none for seed 0,
// otherwise each with even odds, shuffled, each whole or with even odds cut short.
std::vector<Write> torn(std::vector<Write> pending, std::mt19937& random, std::uint32_t seed) {
    if (seed == 0) return {};
    std::vector<Write> kept;
    for (Write& w : pending)
        if (random() % 2 == 0) kept.push_back(std::move(w));
    std::shuffle(kept.begin(), kept.end(), random);
    for (Write& w : kept)
        if (!w.bytes.empty() && random() % 2 == 0) w.bytes.resize(random() % w.bytes.size());
    return kept;
}

}  // namespace

PowerCut::PowerCut(const std::filesystem::path& dir, std::size_t cutAfter) {
    struct stat st {};
    ::stat(dir.c_str(), &st);
    model.dir = dir;
    model.dirInode = {st.st_dev, st.st_ino};
    model.cutAfter = cutAfter;
    syncNames();
    model.previousFault = RAVLIOsetIoFaultFunction(afterTheCut);
    model.previousObserver = RAVLIOsetIoObserverFunction(observe);
}

PowerCut::~PowerCut() {
    RAVLIOsetIoObserverFunction(model.previousObserver);
    RAVLIOsetIoFaultFunction(model.previousFault);
    releaseNames(model.names);
    model = Model{};
}

std::size_t PowerCut::calls() const { return model.calls; }

const std::vector<std::size_t>& PowerCut::pendingAfter() const { return model.pendingAfter; }

bool PowerCut::cut() const { return model.off; }

std::size_t PowerCut::restore(std::uint32_t seed) const {
    for (const auto& entry : std::filesystem::directory_iterator(model.dir))
        if (entry.is_regular_file()) std::filesystem::remove(entry.path());
    std::mt19937 random(seed);
    for (const auto& [name, survivor] : model.image) {
        std::string bytes = survivor.base;
        for (const Write& w : torn(survivor.pending, random, seed)) {
            const std::size_t at = static_cast<std::size_t>(w.offset);
            if (bytes.size() < at + w.bytes.size()) bytes.resize(at + w.bytes.size(), '\0');
            std::copy(w.bytes.begin(), w.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        }
        writeFile((model.dir / name).string(), bytes);
    }
    return model.pendingAtCut;
}

}  // namespace testsupport
