// A fresh log and a silent console for each input of the program's text-file readers.
#include "programfile.h"

#include "libutil/fixedtext.h"
#include "libutil/logmsg.h"
#include "scratch.h"

namespace fuzzing {

QuietProgram::QuietProgram() : redirect_(in_, out_), logName_(padded(scratchFile("FUZZ.LOG"))) {
    util::logmsgReset();
    writeBytes(scratchFile("FUZZ.LOG"), nullptr, 0);
}

QuietProgram::~QuietProgram() { util::logmsgReset(); }

std::string padded(const std::string& name) { return util::pad(name, 80); }

}  // namespace fuzzing
