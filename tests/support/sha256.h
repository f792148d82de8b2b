// SHA-256 digest of bytes as lower-case hexadecimal, for tests that keep a small fingerprint
// of a large output instead of the output itself (the same text sha256sum prints).
#pragma once

#include <string>
#include <string_view>

namespace testsupport {

std::string sha256Hex(std::string_view bytes);

}  // namespace testsupport
