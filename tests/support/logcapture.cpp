// A fresh log and a captured console for one test.
#include "support/logcapture.h"

#include "libutil/fixedtext.h"
#include "libutil/logmsg.h"

namespace testsupport {

LogCapture::LogCapture()
    : path_(dir_.file("TEST.LOG")), name_(util::pad(path_, 80)), redirect_(in_, out_) {
    util::logmsgReset();
    writeFile(path_, "");
}

LogCapture::~LogCapture() { util::logmsgReset(); }

std::string LogCapture::log() const {
    util::logFlush();
    return readFile(path_);
}

}  // namespace testsupport
