// Handing a path from a second start of the player to the running one. The
// player sends the path as UTF-16 text in one WM_COPYDATA message marked
// kHandOverWideText. Older players sent it in the ANSI code page as a series
// of WM_USER messages, each carrying one unit in wParam (the hand-over number
// in the high word; 0x100 begins, each byte of the path follows, 0x200 ends);
// the running player still reads those. This is the portable half: making and
// reading the units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tumbor {

// lParam values of the WM_USER messages the main window answers.
constexpr intptr_t kHandOverUnit = 4711042;
constexpr intptr_t kStateQuery = 104;
// Answers how many files the background reader of titles and lengths has
// opened: a diagnostic for tests, which check that it reads each file once.
constexpr intptr_t kReaderFilesQuery = 105;

// COPYDATASTRUCT.dwData of a wide-text hand-over ("TBWP").
constexpr uintptr_t kHandOverWideText = 0x54425750;

constexpr uint32_t kHandOverBegin = 0x100;
constexpr uint32_t kHandOverEnd = 0x200;

// The wParam of every unit that hands over path under the given number.
std::vector<uint32_t> handOverUnits(const std::string& path, uint16_t number);

// The running player's side: collects units and yields the path once the
// end unit of the hand-over begun last arrives. Units of other hand-overs
// are ignored, so two hand-overs cannot mix their characters.
class HandOverReceiver {
public:
    std::optional<std::string> receive(uint32_t unit);

private:
    std::string buffer_;
    uint16_t number_ = 0;
};

// The answer to the state query: 1 playing, 3 paused, 0 stopped.
int stateForOutsideCallers(int engineState);

}  // namespace tumbor
