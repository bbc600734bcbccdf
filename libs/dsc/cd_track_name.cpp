#include "libs/dsc/cd_track_name.h"

#include <cstring>

namespace tumbor {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int cdTrackNumber(const char* name) {
    // "d" ":\track" "07" ".cda": the digits are the ninth and tenth characters.
    if (std::strlen(name) < 14) return 0;
    if (std::memcmp(name + 1, ":\\track", 7) != 0 || std::memcmp(name + 10, ".cda", 4) != 0) return 0;
    if (!isDigit(name[8]) || !isDigit(name[9])) return 0;
    return (name[8] - '0') * 10 + (name[9] - '0');
}

}  // namespace tumbor
