// The program's messages: what each form puts on the console and in the log.
#include "vorncalv/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "support/logcapture.h"

namespace {

using vorncalv::sayAndLog;
using vorncalv::tell;

// Each form once, with what it prints and what it logs (the log keeps 79 characters of a
// line and drops its trailing blanks).
TEST(Messages, EachFormWritesItsConsoleAndLogLines) {
    struct Case {
        const char* what;
        void (*speak)(int, std::string_view, std::string_view);
        std::string text, console, log;
    };
    const std::string long90(90, 'x');
    const Case cases[] = {
        {"same line", sayAndLog, " ABORT SCENE", " ABORT SCENE\n", " ABORT SCENE\n"},
        {"free format", tell, "NO TEMPLATE", " NO TEMPLATE\n", "NO TEMPLATE\n"},
        {"trailing blanks", sayAndLog, "A  ", "A  \n", "A\n"},
        {"long line", tell, long90, " " + long90 + "\n", std::string(79, 'x') + "\n"},
        {"log only", vorncalv::logLine, "ONLY LOGGED", "", "ONLY LOGGED\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::LogCapture capture;
        c.speak(capture.unit(), capture.name(), c.text);
        EXPECT_EQ(capture.console(), c.console);
        EXPECT_EQ(capture.log(), c.log);
    }
}

}  // namespace
