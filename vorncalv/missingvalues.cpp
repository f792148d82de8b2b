// Missing header words made -999.0.
#include "vorncalv/missingvalues.h"

namespace vorncalv {

void replaceQuietNaNs(std::span<float> values) {
    for (float& v : values) {
        if (std::bit_cast<std::uint32_t>(v) == QNANBITS) v = MISSVAL;
    }
}

}  // namespace vorncalv
