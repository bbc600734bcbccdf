// Making and reading hand-over units.
#include "player/engine/instance_handover.h"

namespace tumbor {

std::vector<uint32_t> handOverUnits(const std::string& path, uint16_t number) {
    uint32_t high = static_cast<uint32_t>(number) << 16;
    std::vector<uint32_t> units;
    units.push_back(high | kHandOverBegin);
    for (char c : path) units.push_back(high | static_cast<unsigned char>(c));
    units.push_back(high | kHandOverEnd);
    return units;
}

std::optional<std::string> HandOverReceiver::receive(uint32_t unit) {
    uint16_t number = static_cast<uint16_t>(unit >> 16);
    uint32_t code = unit & 0xFFFF;
    if (code == kHandOverBegin) {
        buffer_.clear();
        number_ = number;
        return std::nullopt;
    }
    if (number != number_) return std::nullopt;
    if (code == kHandOverEnd) return buffer_;
    // Paths are at most 260 characters; a longer stream of units is cut there.
    if (code <= 0xFF && buffer_.size() < 260) buffer_ += static_cast<char>(code);
    return std::nullopt;
}

int stateForOutsideCallers(int engineState) {
    switch (engineState) {
        case 0: return 1;  // playing
        case 1: return 3;  // paused
        default: return 0;
    }
}

}  // namespace tumbor
